#include "wincompat/FontFiles.h"
#include "wincompat/wincompat.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

namespace
{

bool FamilyMatches(FcPattern* font, const char* wanted)
{
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &family) == FcResultMatch; ++i)
    {
        if (strcasecmp(reinterpret_cast<const char*>(family), wanted) == 0)
            return true;
    }
    return false;
}

bool IsMonospaced(FcPattern* font)
{
    int spacing = FC_PROPORTIONAL;
    return FcPatternGetInteger(font, FC_SPACING, 0, &spacing) == FcResultMatch &&
           spacing >= FC_MONO;
}

// Best installed font for the pattern, or null; the caller destroys it.
FcPattern* Match(const char* family, bool monospaced, int weight, bool italic)
{
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return nullptr;
    if (family && *family)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (monospaced)
        FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcPatternAddInteger(pattern, FC_WEIGHT, weight >= FW_BOLD ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return font;
}

bool ReadFaceFile(FcPattern* font, FontFile* out)
{
    FcChar8* file = nullptr;
    if (!font || FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
        return false;
    out->path = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(font, FC_INDEX, 0, &out->index) != FcResultMatch)
        out->index = 0;
    FcChar8* family = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch)
        out->family = reinterpret_cast<const char*>(family);
    return true;
}

} // namespace

// The named family if it is installed, else a monospaced face, else whatever fontconfig
// offers: the editor's text must show even on a system without the face it was drawn with.
bool FindFontFile(const char* faceName, int weight, bool italic, FontFile* out)
{
    if (!FcInit())
        return false;
    FcPattern* named = Match(faceName, false, weight, italic);
    if (named && FamilyMatches(named, faceName ? faceName : ""))
    {
        bool ok = ReadFaceFile(named, out);
        FcPatternDestroy(named);
        return ok;
    }
    FcPattern* mono = Match("monospace", true, weight, italic);
    FcPattern* chosen = (mono && IsMonospaced(mono)) ? mono : (named ? named : mono);
    bool ok = ReadFaceFile(chosen, out);
    if (named)
        FcPatternDestroy(named);
    if (mono)
        FcPatternDestroy(mono);
    return ok;
}

// gcc names AddressSanitizer with a macro, clang (before 15) only through __has_feature.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WINCOMPAT_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(WINCOMPAT_ASAN)
// fontconfig loses a few hundred bytes while parsing its configuration files, once per
// process; leak checks of everything that draws text would fail on it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif
