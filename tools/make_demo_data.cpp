// Writes the data files a fresh installation needs into an installation tree:
// the category list, seven days of entries of each licence kind with the day,
// today and week lists, category history lists, header sources, the last
// applied day, the links memory book, the first mirror list and the banner
// lists. The entries are generated from fixed word lists with a fixed seed, so
// every build writes the same files.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/catalogue_entry.h"
#include "catalogue/record_file.h"
#include "platform/file_io.h"

namespace {

using Record = std::vector<std::string>;

struct Category {
    int code;
    int parent;
    int level;
    const char* name;
};

const std::vector<Category> kCategories = {
    {1, 0, 0, "Internet"},        {2, 0, 0, "Multimedia"},     {3, 0, 0, "Games"},
    {4, 0, 0, "Utilities"},       {5, 0, 0, "Development"},    {6, 0, 0, "Business"},
    {7, 1, 1, "Browsers"},        {8, 1, 1, "E-mail"},         {9, 1, 1, "File Transfer"},
    {10, 2, 1, "Audio"},          {11, 2, 1, "Video"},         {12, 2, 1, "Graphics"},
    {13, 3, 1, "Arcade"},         {14, 3, 1, "Strategy"},      {15, 3, 1, "Puzzle"},
    {16, 4, 1, "Backup"},         {17, 4, 1, "Compression"},   {18, 4, 1, "System"},
    {19, 5, 1, "Compilers"},      {20, 5, 1, "Editors"},       {21, 6, 1, "Accounting"},
    {22, 6, 1, "Office Suites"},  {23, 12, 2, "Image Viewers"}, {24, 12, 2, "Paint"},
    {25, 10, 2, "Players"},       {26, 10, 2, "Sound Editors"}, {27, 18, 2, "Disk Tools"},
    {28, 18, 2, "Monitors"},      {29, 20, 2, "IDEs"},          {30, 13, 2, "Shooters"},
};

const char* kFirst[] = {"Quick", "Smart", "Easy", "Power", "Net", "Super", "Mega", "Tiny", "Star", "Blue",
                        "Magic", "Swift", "Clear", "Open", "Bright", "Happy"};
const char* kSecond[] = {"Mail", "Zip", "Paint", "Tune", "Backup", "Edit", "View", "Calc", "Clock", "Draw",
                         "Play", "Scan", "Sync", "Note", "Chess", "Maze"};
const char* kThird[] = {"Pro", "Lite", "Plus", "2000", "Deluxe", "XP", "Studio", "Gold"};

// A small deterministic generator, so every build writes the same files.
class Random {
public:
    explicit Random(unsigned seed) : state_(seed) {}
    unsigned Next(unsigned bound) {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 16) % bound;
    }

private:
    unsigned state_;
};

std::string Day(int index) {
    // Seven days ending on 2026-12-07.
    return "2026120" + std::to_string(index + 1);
}

Record MakeEntry(Random& random, int kind, int id) {
    const Category& category = kCategories[random.Next(kCategories.size())];
    const std::string name = std::string(kFirst[random.Next(16)]) + kSecond[random.Next(16)];
    const std::string suffix = std::string(kThird[random.Next(8)]) + " " + std::to_string(1 + random.Next(9)) + "." +
                               std::to_string(random.Next(10));
    const std::string slug = name + std::to_string(id);
    std::string platforms = "xxxxxx";
    platforms += random.Next(3) == 0 ? "x" : "-";
    platforms += random.Next(2) == 0 ? "x" : "-";
    const char* kinds[] = {"demo", "shareware", "freeware"};
    std::string note = "A " + std::string(kinds[kind - 1]) + " for " + category.name;
    if (random.Next(4) == 0) note = "%" + std::to_string(random.Next(10)) + "%New this week: " + name;
    const std::string description =
        name + " " + suffix + " is a " + kinds[kind - 1] + " program in the " + category.name +
        " category. It installs in a minute, keeps its settings in one folder and removes itself cleanly. "
        "This entry is part of the sample catalogue that comes with a fresh installation; press Update to "
        "receive the real daily index.";
    return {
        name,
        "http://www.example.org/download/" + slug + ".zip",
        suffix,
        std::to_string(100 + random.Next(9000)),
        "Released " + Day(id % 7),
        "http://www.example.org/info/" + slug + ".html",
        "Sample entry",
        description,
        std::to_string(random.Next(18)),
        std::to_string(category.code),
        std::to_string(id),
        kind == 1 ? "http://www.example.org/buy/" + slug + ".html" : "",
        platforms,
        note,
    };
}

void WriteFile(const std::string& path, int field_count, const std::vector<Record>& oldest_first) {
    veltod::WriteRecordFile(path, field_count, oldest_first);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_data INSTALLATION_FOLDER\n");
        return 2;
    }
    const std::string root = std::string(argv[1]) + "/";
    const std::string resources = root + "Resources/";
    try {
        std::vector<Record> categories;
        for (const auto& category : kCategories)
            categories.push_back({std::to_string(category.code), std::to_string(category.parent),
                                  std::to_string(category.level), category.name});
        WriteFile(resources + "Categ.txt", 4, categories);

        const int fields = static_cast<int>(veltod::kEntryFieldCount);
        int next_id = 1000;
        for (int kind = 1; kind <= 3; ++kind) {
            const std::string m = std::to_string(kind);
            Random random(20261207u + kind);
            std::vector<Record> week;
            std::vector<std::vector<Record>> history(kCategories.size() + 1);
            for (int day = 0; day < 7; ++day) {
                std::vector<Record> entries;
                const int count = 6 + static_cast<int>(random.Next(10));
                for (int i = 0; i < count; ++i) entries.push_back(MakeEntry(random, kind, next_id++));
                WriteFile(resources + "today." + m + std::to_string(day + 1), fields, entries);
                if (day == 6) WriteFile(resources + "today." + m + "cat", fields, entries);
                for (const auto& entry : entries) {
                    week.push_back(entry);
                    history[std::stoul(entry[9])].push_back(entry);
                }
            }
            WriteFile(resources + "S0100000." + m + "txt", fields, week);
            for (size_t code = 1; code < history.size(); ++code)
                if (!history[code].empty())
                    WriteFile(resources + std::to_string(code) + "." + m + "cat", fields, history[code]);
            WriteFile(resources + "0." + m + "cat", fields, {});
        }
        WriteFile(resources + "0.cat", fields, {});
        WriteFile(resources + "actualizado.fij", 1, {{Day(6)}});
        WriteFile(resources + "Remember.cat", 2, {{"https://packages.debian.org/", "Debian package search"}});
        WriteFile(root + "Recibi/espejos.fij", 1, {{"http://127.0.0.1:8478/"}});
        WriteFile(root + "Def/Ban1.ban", 5,
                  {{"ban1a.gif", "https://www.debian.org/", "Debian, the universal operating system", "", "1"},
                   {"ban1b.gif", "https://packages.debian.org/", "Debian package search", "", "1"},
                   {"ban1c.gif", "https://www.debian.org/security/", "Debian security advisories", "", "1"}});
        WriteFile(root + "Def/Ban5.ban", 5,
                  {{"ban5a.gif", "https://wiki.debian.org/", "The Debian wiki", "", "1"},
                   {"ban5b.gif", "https://www.kernel.org/", "The Linux kernel archives", "", "2"},
                   {"ban5c.gif", "https://www.gnu.org/software/", "The GNU software directory", "", "1"}});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_demo_data: %s\n", error.what());
        return 1;
    }
    return 0;
}
