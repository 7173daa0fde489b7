#include "ui/platform/FontSelection.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <initializer_list>
#include <utility>

namespace veltod {
namespace {

FcConfig* LoadConfiguration(const std::string& file) {
    FcConfig* config = FcConfigCreate();
    if (!config) return nullptr;
    const auto* name = file.empty() ? nullptr : reinterpret_cast<const FcChar8*>(file.c_str());
    if (!FcConfigParseAndLoad(config, name, FcTrue)) {
        FcConfigDestroy(config);
        return nullptr;
    }
    return config;
}

// Family names compare as fontconfig compares them: without case or blanks.
std::string FamilyKey(const char* name) {
    std::string key;
    for (const char* c = name; *c; ++c)
        if (*c != ' ') key += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return key;
}

// What a text asks for, as the toolkit asks: the family, the user's
// substitutions (aliases), then the defaults (the session's language among
// them).
FcPattern* AskedPattern(FcConfig* config, const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

std::string FirstFamily(const FcPattern* font) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &name) != FcResultMatch || !name) return {};
    return reinterpret_cast<const char*>(name);
}

bool HasAny(const FcPattern* pattern, std::initializer_list<const char*> objects) {
    FcValue value;
    for (const char* object : objects)
        if (FcPatternGet(pattern, object, 0, &value) == FcResultMatch) return true;
    return false;
}

// The face wins every language the pattern names as well as any face can.
bool SpeaksTheLanguage(const FcPattern* pattern, const FcPattern* face) {
    FcLangSet* languages = nullptr;
    if (FcPatternGetLangSet(face, FC_LANG, 0, &languages) != FcResultMatch) return false;
    FcChar8* language = nullptr;
    for (int k = 0; FcPatternGetString(pattern, FC_LANG, k, &language) == FcResultMatch; ++k)
        if (FcLangSetHasLang(languages, language) == FcLangEqual) return true;
    return false;
}

}  // namespace

// Matching a pattern against every face costs about two milliseconds on a
// desktop with thousands; family ranks above all but a few properties in
// fontconfig's match, so the faces of the families the pattern lists are
// matched first. Their best is fontconfig's answer when no face beyond them
// can win on what ranks above or beside family: the pattern asks none of
// the properties that rank above it but variability (and the best is not
// variable when the pattern asks a fixed face), and the best speaks the
// pattern's language. Otherwise every face is matched.
std::string FontSelection::ResolvedFamily(const std::string& family) const {
    FcPattern* pattern = AskedPattern(all_.get(), family);
    if (!pattern) return {};
    std::string resolved;
    FcFontSet* listed = FcFontSetCreate();
    if (listed) {
        FcChar8* name = nullptr;
        std::set<FcPattern*> taken;
        for (int k = 0; FcPatternGetString(pattern, FC_FAMILY, k, &name) == FcResultMatch; ++k) {
            const auto faces = faces_by_family_.find(FamilyKey(reinterpret_cast<const char*>(name)));
            if (faces == faces_by_family_.end()) continue;
            for (FcPattern* face : faces->second)
                if (taken.insert(face).second) {
                    FcPatternReference(face);
                    FcFontSetAdd(listed, face);
                }
        }
        FcBool asked_variable = FcFalse, face_variable = FcFalse;
        const bool fixed_asked = FcPatternGetBool(pattern, FC_VARIABLE, 0, &asked_variable) == FcResultMatch && !asked_variable;
        FcResult result = FcResultNoMatch;
        FcFontSet* sets[] = {listed};
        FcPattern* best = listed->nfont > 0 ? FcFontSetMatch(all_.get(), sets, 1, pattern, &result) : nullptr;
        if (best && !HasAny(pattern, {FC_FILE, FC_FONTFORMAT, FC_SCALABLE, FC_COLOR, FC_FOUNDRY, FC_CHARSET}) &&
            !(fixed_asked && FcPatternGetBool(best, FC_VARIABLE, 0, &face_variable) == FcResultMatch && face_variable) &&
            SpeaksTheLanguage(pattern, best))
            resolved = FirstFamily(best);
        if (best) FcPatternDestroy(best);
        FcFontSetDestroy(listed);
    }
    if (resolved.empty()) {
        FcResult result = FcResultNoMatch;
        if (FcPattern* best = FcFontMatch(all_.get(), pattern, &result)) {
            resolved = FirstFamily(best);
            FcPatternDestroy(best);
        }
    }
    FcPatternDestroy(pattern);
    return resolved;
}

FontSelection FontSelection::Resolve(const std::vector<std::string>& families, const std::string& configuration_file) {
    FontSelection selection;
    selection.file_ = configuration_file;
    // The selection's own copy of the configuration is read on another core
    // meanwhile: it gets its rules once the families are known.
    std::future<FcConfig*> spare = std::async(std::launch::async, LoadConfiguration, configuration_file);
    selection.all_.reset(LoadConfiguration(configuration_file));
    if (selection.all_ && !FcConfigBuildFonts(selection.all_.get())) selection.all_.reset();
    if (selection.all_)
        if (FcFontSet* faces = FcConfigGetFonts(selection.all_.get(), FcSetSystem))
            for (int k = 0; k < faces->nfont; ++k) {
                FcChar8* name = nullptr;
                for (int n = 0; FcPatternGetString(faces->fonts[k], FC_FAMILY, n, &name) == FcResultMatch; ++n)
                    selection.faces_by_family_[FamilyKey(reinterpret_cast<const char*>(name))].push_back(faces->fonts[k]);
            }
    selection.spare_.reset(spare.get());
    selection.Add(families);
    return selection;
}

void FontSelection::ConfigRelease::operator()(FcConfig* config) const { FcConfigDestroy(config); }

void FontSelection::Add(const std::vector<std::string>& families) {
    if (!all_) return;
    const size_t kept_before = kept_.size();
    for (const std::string& family : families) {
        if (family.empty() || !asked_.insert(family).second) continue;
        const std::string resolved = ResolvedFamily(family);
        if (!resolved.empty()) kept_.insert(resolved);
    }
    if (kept_.size() != kept_before) selected_.reset();
}

FcConfig* FontSelection::Selected() {
    if (selected_ || !all_ || kept_.empty()) return selected_.get();
    ConfigPtr config(spare_ ? spare_.release() : LoadConfiguration(file_));
    if (!config) return nullptr;
    // Every face is refused but those of a kept family: the same
    // configuration, listing fewer faces.
    std::string rules = "<?xml version=\"1.0\"?>\n<fontconfig><selectfont><rejectfont><pattern/></rejectfont><acceptfont>";
    for (const std::string& family : kept_)
        rules += "<pattern><patelt name=\"family\"><string>" +
                 QString::fromStdString(family).toHtmlEscaped().toStdString() + "</string></patelt></pattern>";
    rules += "</acceptfont></selectfont></fontconfig>\n";
    if (!FcConfigParseAndLoadFromMemory(config.get(), reinterpret_cast<const FcChar8*>(rules.c_str()), FcTrue) ||
        !FcConfigBuildFonts(config.get()))
        return nullptr;
    const FcFontSet* faces = FcConfigGetFonts(config.get(), FcSetSystem);
    if (!faces || faces->nfont == 0) return nullptr;
    selected_ = std::move(config);
    return selected_.get();
}

bool FontSelection::Install() {
    FcConfig* config = Selected();
    return config && FcConfigSetCurrent(config);
}

std::future<FontSelection> SelectFontsAhead(std::vector<std::string> families) {
    return std::async(std::launch::async, [families = std::move(families)] {
        FontSelection selection = FontSelection::Resolve(families);
        selection.Selected();
        return selection;
    });
}

void InstallSelectedFonts(std::future<FontSelection> selection, const QStringList& desktop_families) {
    if (!selection.valid()) return;
    try {
        FontSelection fonts = selection.get();
        std::vector<std::string> desktop;
        for (const QString& family : desktop_families) desktop.push_back(family.toStdString());
        fonts.Add(desktop);
        fonts.Install();
    } catch (const std::exception&) {
        // Out of memory or no thread: the toolkit lists every face itself.
    }
}

}  // namespace veltod
