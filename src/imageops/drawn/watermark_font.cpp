#include "imageops/drawn/watermark_font.h"

#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/value_range.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace velmora {
namespace {

// Any size will do to ask whether a face can be honoured.
constexpr int kProbePointSize = 12;

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

std::vector<std::string> FamiliesOf(const FcPattern* pattern) {
    std::vector<std::string> families;
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i)
        families.emplace_back(reinterpret_cast<const char*>(value));
    return families;
}

// The family list fontconfig's rules make of a face name: the name, its aliases, then
// the generic families and their preferred fonts.
std::vector<std::string> SubstitutedFamilies(const std::string& face) {
    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    return FamiliesOf(pattern.get());
}

bool Contains(const std::vector<std::string>& names, const std::string& wanted) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& name) { return EqualsIgnoreCase(name, wanted); });
}

// The names that stand for this face itself: the face and the aliases the configuration
// adds for it (Arial -> Liberation Sans), without the generic tail every unknown name gets.
std::vector<std::string> AcceptableFamilies(const std::string& face) {
    std::vector<std::string> genericTail = SubstitutedFamilies("velmora-no-such-face");
    std::vector<std::string> acceptable;
    for (const std::string& family : SubstitutedFamilies(face))
        if (EqualsIgnoreCase(family, face) || !Contains(genericTail, family))
            acceptable.push_back(family);
    return acceptable;
}

} // namespace

int PointsToPixels(int points) {
    return static_cast<int>(std::lround(points * 96.0 / 72.0));
}

std::optional<WatermarkFont> ResolveWatermarkFont(const std::string& face, int pointSize,
                                                  FontStyle style, FontEffect effect) {
    if (face.empty() || !kFontSizeRange.Contains(pointSize) || !FcInit())
        return std::nullopt;
    WatermarkFont font;
    font.requestedFace = face;
    font.pointSize = pointSize;
    font.pixelSize = PointsToPixels(pointSize);
    font.bold = style == FontStyle::Bold || style == FontStyle::BoldItalic;
    font.italic = style == FontStyle::Italic || style == FontStyle::BoldItalic;
    font.underline = effect == FontEffect::Underline;
    font.strikeout = effect == FontEffect::Strikethrough;

    PatternPtr pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, font.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    PatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match || result != FcResultMatch)
        return std::nullopt;

    std::vector<std::string> acceptable = AcceptableFamilies(face);
    for (const std::string& family : FamiliesOf(match.get())) {
        if (!Contains(acceptable, family))
            continue;
        font.family = family;
        FcChar8* file = nullptr;
        if (FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch)
            font.file = reinterpret_cast<const char*>(file);
        return font;
    }
    return std::nullopt;
}

std::vector<std::string> InstalledFontFamilies() {
    std::vector<std::string> families;
    if (!FcInit())
        return families;
    PatternPtr outlines(FcPatternCreate());
    FcPatternAddBool(outlines.get(), FC_OUTLINE, FcTrue);
    std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> family(
        FcObjectSetBuild(FC_FAMILY, nullptr), &FcObjectSetDestroy);
    std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> fonts(
        FcFontList(nullptr, outlines.get(), family.get()), &FcFontSetDestroy);
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &name) == FcResultMatch)
            families.emplace_back(reinterpret_cast<const char*>(name));
    }
    std::sort(families.begin(), families.end());
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

std::vector<std::string> OfferedFontFamilies(const std::vector<std::string>& configured) {
    std::vector<std::string> offered;
    auto add = [&](const std::string& family) {
        if (!Contains(offered, family))
            offered.push_back(family);
    };
    for (const std::string& family : configured)
        if (ResolveWatermarkFont(family, kProbePointSize, FontStyle::Regular, FontEffect::None))
            add(family);
    for (const std::string& family : InstalledFontFamilies())
        add(family);
    return offered;
}

namespace {
std::optional<WatermarkFont>& Slot() {
    static std::optional<WatermarkFont> slot;
    return slot;
}
} // namespace

bool LoadWatermarkFont(const std::string& face, int pointSize, FontStyle style, FontEffect effect) {
    Slot() = ResolveWatermarkFont(face, pointSize, style, effect);
    return Slot().has_value();
}

const WatermarkFont* LoadedWatermarkFont() {
    return Slot() ? &*Slot() : nullptr;
}

void FreeWatermarkFont() {
    Slot().reset();
}

} // namespace velmora
