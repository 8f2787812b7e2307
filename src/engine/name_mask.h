// Output names: the file-name mask with its placeholders, and the same placeholder
// engine for the text of a text watermark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

struct Settings;

// What a placeholder can stand for: the file's own facts, and the run's two numbers as they
// stand for this file.
struct NameFacts {
    std::string inputFile;      // %filename% and its variants: the base name of this path
    std::string conversionType; // %ext%: the output format keyword as stored
    int32_t bpp = 0;            // %bpp%: the depth the file is written at
    int32_t width = 0;          // %width%, %height%: the size after rotation and resize
    int32_t height = 0;
    int32_t frame = 1;        // %frame%
    int32_t randomNumber = 1; // %rnd%
    int32_t fileCounter = 1;  // %n%
};

// outputFolder + (relativeSubfolder when the settings keep subfolders) + the expanded mask.
std::string BuildOutputPath(const std::string& outputFolder, const std::string& relativeSubfolder,
                            const Settings& settings, const NameFacts& facts);
// The file name the mask gives these facts; an empty mask is "%filename%.%ext%".
std::string ExpandNameMask(std::string_view mask, const NameFacts& facts);
// Replaces every occurrence (any letter case) of one placeholder by its value for the facts;
// an unknown placeholder leaves the text as it is.
std::string ReplacePlaceholder(std::string text, std::string_view placeholder,
                               const NameFacts& facts);
// The watermark text with its placeholders expanded; "%eol%" is left for the text layer.
std::string ExpandWatermarkText(const std::string& text, const NameFacts& facts);

} // namespace velmora
