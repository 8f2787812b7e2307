// Output names: the file-name mask with its placeholders, and the same placeholder
// engine for the text of a text watermark.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// OutputFolder + (RelativeSubfolder when subfolders are kept) + ExpandNameMask().
std::string BuildOutputPath();
// The file name for the current picture from FilenameMask.
std::string ExpandNameMask();
// Replaces every occurrence (any letter case) of one placeholder by its current value;
// an unknown placeholder leaves the text as it is.
std::string ReplacePlaceholder(std::string text, std::string_view placeholder);
// The watermark text with its placeholders expanded; "%eol%" is left for the text layer.
std::string ExpandWatermarkText();

} // namespace velmora
