#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/temp_dir.h"
#include "ui/platform/FontSelection.h"

namespace veltod {
namespace {

namespace fs = std::filesystem;

// The package's fonts and the core DejaVu set, every rule of the machine's
// on top: more families than any one name resolves to.
class FontFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/veltod-fonts-XXXXXX";
        root_ = ::mkdtemp(pattern);
        conf_ = (root_ / "fonts.conf").string();
        test::WriteBytes(conf_, "<?xml version=\"1.0\"?>\n<fontconfig>\n"
                                "  <dir>/usr/share/fonts/truetype/liberation</dir>\n"
                                "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                                "  <cachedir>" + (root_ / "cache").string() + "</cachedir>\n"
                                "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n</fontconfig>\n");
    }
    void TearDown() override { fs::remove_all(root_); }

    // Fontconfig's own answer, matched against every face.
    static std::string FontconfigFamily(const std::string& file, const std::string& family) {
        FcConfig* config = FcConfigCreate();
        FcConfigParseAndLoad(config, file.empty() ? nullptr : reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue);
        FcConfigBuildFonts(config);
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* best = FcFontMatch(config, pattern, &result);
        FcChar8* name = nullptr;
        std::string resolved;
        if (best && FcPatternGetString(best, FC_FAMILY, 0, &name) == FcResultMatch) resolved = reinterpret_cast<const char*>(name);
        if (best) FcPatternDestroy(best);
        FcPatternDestroy(pattern);
        FcConfigDestroy(config);
        return resolved;
    }

    static std::set<std::string> FamiliesListed(FcConfig* config) {
        std::set<std::string> families;
        const FcFontSet* faces = FcConfigGetFonts(config, FcSetSystem);
        for (int k = 0; faces && k < faces->nfont; ++k) {
            FcChar8* name = nullptr;
            if (FcPatternGetString(faces->fonts[k], FC_FAMILY, 0, &name) == FcResultMatch)
                families.insert(reinterpret_cast<const char*>(name));
        }
        return families;
    }

    fs::path root_;
    std::string conf_;
};

// The quick match over the listed families must give what a match over
// every face gives, or the windows would draw in other faces than before:
// on these fonts, and on the machine's own.
TEST_F(FontFolder, EachFamilyResolvesAsFontconfigMatchesIt) {
    for (const std::string& file : {conf_, std::string()})
        for (const std::string family : {"Arial", "Arial Black", "MS Sans Serif", "Sans Serif", "serif", "monospace",
                                         "DejaVu Sans Mono", "Liberation Serif", "No Such Family", "A&B <x>"}) {
            SCOPED_TRACE(file + ": " + family);
            const FontSelection selection = FontSelection::Resolve({family}, file);
            EXPECT_EQ(selection.Kept(), std::set<std::string>{FontconfigFamily(file, family)});
        }
}

TEST_F(FontFolder, ListsTheKeptFamiliesFacesOnlyAndGrowsWithTheDesktopsFamilies) {
    FontSelection selection = FontSelection::Resolve({"Arial"}, conf_);
    ASSERT_EQ(selection.Kept(), std::set<std::string>{"Liberation Sans"});
    ASSERT_NE(selection.Selected(), nullptr);
    EXPECT_EQ(FamiliesListed(selection.Selected()), std::set<std::string>{"Liberation Sans"});

    selection.Add({"DejaVu Sans Mono", "Arial"});
    EXPECT_EQ(FamiliesListed(selection.Selected()), (std::set<std::string>{"DejaVu Sans Mono", "Liberation Sans"}));
}

TEST_F(FontFolder, AConfigurationThatCannotBeReadInstallsNothing) {
    test::WriteBytes(root_ / "broken.conf", "<fontconfig><dir>");
    for (const fs::path& file : {root_ / "missing.conf", root_ / "broken.conf"}) {
        SCOPED_TRACE(file);
        FontSelection selection = FontSelection::Resolve({"Arial"}, file.string());
        EXPECT_TRUE(selection.Kept().empty());
        EXPECT_EQ(selection.Selected(), nullptr);
        EXPECT_FALSE(selection.Install());
    }
}

}  // namespace
}  // namespace veltod
