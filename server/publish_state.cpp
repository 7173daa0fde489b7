#include "server/publish_state.h"

#include <filesystem>

#include "core/platform/convert.h"
#include "core/platform/errors.h"
#include "core/platform/file_io.h"

namespace veltod {
namespace {

const char kHeader[] = "veltod-changes-state 1";

std::vector<std::string> Split(std::string_view line) {
    std::vector<std::string> fields;
    size_t at = 0;
    for (;;) {
        const size_t tab = line.find('\t', at);
        fields.emplace_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos) return fields;
        at = tab + 1;
    }
}

long Number(const std::string& text, const std::string& path) {
    int32_t value = 0;
    if (!TryStrToInt(text, value) || value < 0) throw Error(path + " is damaged: '" + text + "' is not a number");
    return value;
}

}  // namespace

std::string PublishStatePath(const std::string& folder) { return folder + "/state"; }

bool ReadPublishState(const std::string& folder, PublishState& state) {
    const std::string path = PublishStatePath(folder);
    if (!FileExists(path)) return false;
    const std::string text = ReadWholeFile(path);
    // The last line says the file is whole.
    if (!text.starts_with(std::string(kHeader) + "\n") || !text.ends_with("\nend\n"))
        throw Error(path + " is not a whole state file; move it away to start over");
    PublishState read;
    size_t at = sizeof kHeader;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const auto fields = Split(std::string_view(text).substr(at, end - at));
        at = end + 1;
        const std::string& kind = fields[0];
        if (kind == "package" && fields.size() == 3) {
            read.packages.emplace_back(fields[1], fields[2]);
        } else if (kind == "index" && fields.size() == 3) {
            read.index_sizes[fields[1]] = static_cast<size_t>(Number(fields[2], path));
        } else if (kind == "category" && fields.size() == 6) {
            read.categories.push_back({{static_cast<int>(Number(fields[1], path)),
                                        static_cast<int>(Number(fields[2], path)),
                                        static_cast<int>(Number(fields[3], path)), fields[5]},
                                       fields[4]});
        } else if (kind == "day" && fields.size() == 2) {
            read.last_day = fields[1];
        } else if (kind == "next-id" && fields.size() == 2) {
            read.next_id = Number(fields[1], path);
        } else if (kind != "end") {
            throw Error(path + " is damaged near '" + std::string(text.substr(at - 1 - fields[0].size(), 40)) + "'");
        }
    }
    for (size_t i = 1; i < read.packages.size(); ++i)
        if (!(read.packages[i - 1].first < read.packages[i].first)) throw Error(path + " is damaged: packages out of order");
    state = std::move(read);
    return true;
}

void WritePublishState(const std::string& folder, const PublishState& state) {
    std::filesystem::create_directories(folder);
    std::string text = std::string(kHeader) + "\n";
    if (!state.last_day.empty()) text += "day\t" + state.last_day + "\n";
    text += "next-id\t" + std::to_string(state.next_id) + "\n";
    for (const auto& [key, size] : state.index_sizes) text += "index\t" + key + "\t" + std::to_string(size) + "\n";
    for (const auto& known : state.categories)
        text += "category\t" + std::to_string(known.category.code) + "\t" + std::to_string(known.category.parent) + "\t" +
                std::to_string(known.category.level) + "\t" + known.key + "\t" + known.category.name + "\n";
    text.reserve(text.size() + state.packages.size() * 32);
    for (const auto& [name, version] : state.packages) text += "package\t" + name + "\t" + version + "\n";
    text += "end\n";
    ReplaceFileAtomically(PublishStatePath(folder), text);
}

}  // namespace veltod
