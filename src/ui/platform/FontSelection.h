#pragma once
// Before it draws a first text, the toolkit lists every face fontconfig
// knows; on a desktop with thousands of faces that alone takes longer than
// building the first page. The windows draw in a few families only, so the
// toolkit is handed just the faces those families resolve to under the
// user's own configuration: its aliases, its rendering settings and its
// language all still apply, and every family draws in the face it drew in
// before.
#include <QStringList>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

struct _FcConfig;
struct _FcPattern;

namespace veltod {

class FontSelection {
public:
    // Reads the font configuration (the user's, or the file given) with all
    // its faces and resolves each family; needs no application. A
    // configuration that cannot be read gives a selection that installs
    // nothing, and the toolkit lists every face as it would anyway.
    static FontSelection Resolve(const std::vector<std::string>& families, const std::string& configuration_file = {});

    // Also keeps the faces of the families these resolve to.
    void Add(const std::vector<std::string>& families);
    // The families whose faces are kept, as fontconfig names them.
    const std::set<std::string>& Kept() const { return kept_; }
    // The configuration that lists only the kept faces; null when there is none.
    _FcConfig* Selected();
    // Makes it the process's font configuration: before the toolkit's first
    // use of a font. False, and nothing changed, when there is none.
    bool Install();

private:
    struct ConfigRelease {
        void operator()(_FcConfig* config) const;
    };
    using ConfigPtr = std::unique_ptr<_FcConfig, ConfigRelease>;

    std::string ResolvedFamily(const std::string& family) const;

    ConfigPtr all_;
    ConfigPtr selected_;
    // The configuration read again, without faces, for the selection.
    ConfigPtr spare_;
    std::string file_;
    std::set<std::string> asked_;
    std::set<std::string> kept_;
    // The faces of all_ under each family they name; all_ owns them, and is
    // declared first so it outlives this index.
    std::unordered_map<std::string, std::vector<_FcPattern*>> faces_by_family_;
};

// Resolves the families on a thread of its own, begun before the application.
std::future<FontSelection> SelectFontsAhead(std::vector<std::string> families);

// Once the application exists, and before any window measures a text: adds
// the families the desktop's theme asks for and installs the selection.
void InstallSelectedFonts(std::future<FontSelection> selection, const QStringList& desktop_families);

}  // namespace veltod
