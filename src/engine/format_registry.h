// What the engine knows about formats: output keywords with their FreeImage identifier
// and allowed depths, input extensions with their group, and the enabled subsets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace velmora {

struct OutputFormat {
    std::string_view keyword;
    int fif;
    std::string_view extension;
    std::string_view description;
    std::string_view allowedDepths; // ascending, comma-separated
    int32_t Settings::*depthField;  // the format's depth setting
};

struct InputFormat {
    std::string_view extension;
    std::string_view group;
    std::string_view description;
};

const std::vector<OutputFormat>& OutputFormatTable();
const std::vector<InputFormat>& InputFormatTable();
const std::vector<std::string>& EnabledInputGroups();
const std::vector<std::string>& EnabledOutputFormats();
const std::vector<std::string>& AcceptedInputExtensions();

// Rebuilds AcceptedInputExtensions from the enabled input groups.
void RebuildAcceptedInputExtensions();

const OutputFormat* FindOutputFormat(std::string_view keyword);
const InputFormat* FindInputFormat(std::string_view extension);
// extension must already be lower case; compared exactly.
bool IsAcceptedExtension(std::string_view extension);
// Exact, case-sensitive: "TIFF" is not "tiff".
bool IsEnabledOutput(std::string_view keyword);
// 0 is always valid; otherwise the depth must be in the format's allowed list.
bool IsValidBpp(std::string_view keyword, int32_t depth);
std::vector<int> AllowedDepths(std::string_view keyword);

} // namespace velmora
