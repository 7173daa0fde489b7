#pragma once
// The build's demo mirror served by a local nginx, which is also the proxy
// an installation's settings name, so the connection probe finds its date
// there too; and the days an installation is set back to so that an Update
// has the mirror's two newest packages to fetch.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/local_servers.h"

namespace veltod::test {

// The days of the demo mirror's listing.
class DemoListing {
public:
    explicit DemoListing(const std::filesystem::path& listing) {
        // The listing's records (day, name) between its marker lines, oldest first.
        std::ifstream in(listing, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
        const auto first = std::find(lines.begin(), lines.end(), "comensando");
        const auto last = std::find(lines.begin(), lines.end(), "terminando");
        if (first == lines.end() || last == lines.end() || last - first < 8)
            throw std::runtime_error("the demo mirror's listing holds fewer than three packages");
        last_day_ = *(last - 2);
        two_behind_day_ = *(last - 6);
    }

    // The newest day on the mirror, and the day two packages before it.
    const std::string& LastDay() const { return last_day_; }
    const std::string& TwoBehindDay() const { return two_behind_day_; }
    // "Resources/actualizado.fij" naming the given day.
    static std::string LastAppliedFile(const std::string& day) { return "1\r\n" + day + "\r\n"; }

private:
    std::string last_day_;
    std::string two_behind_day_;
};

class DemoMirror {
public:
    explicit DemoMirror(const std::filesystem::path& stage) {
        namespace fs = std::filesystem;
        fs::copy(stage.parent_path() / "mirror", server_.Root(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        // nginx's workers run as nobody.
        for (const auto& entry : fs::recursive_directory_iterator(server_.Root()))
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms(0755) : fs::perms(0644));
        server_.Put("index.html", "VeltoD demo mirror\n");
        listing_ = std::make_unique<DemoListing>(server_.Root() / "listado.txt");
    }

    const std::string& LastDay() const { return listing_->LastDay(); }
    const std::string& TwoBehindDay() const { return listing_->TwoBehindDay(); }

    // The mirror's base address.
    std::string Url() const { return server_.Url("/"); }
    // "Recibi/proxy.con" naming this server as proxy and notification address.
    std::string ConnectionSettings() const {
        return "127.0.0.1\r\n" + std::to_string(server_.Port()) + "\r\n\r\ncbChecked\r\n" + server_.Url("/") + "\r\n";
    }
    static std::string LastAppliedFile(const std::string& day) { return DemoListing::LastAppliedFile(day); }

private:
    NginxServer server_;
    std::unique_ptr<DemoListing> listing_;
};

}  // namespace veltod::test
