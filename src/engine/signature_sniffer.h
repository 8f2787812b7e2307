// Names the kind of a file from its first bytes, whatever its extension says; the debug
// report prints it so a wrongly named input is recognisable.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

inline constexpr const char* kUnrecognizedKind = "[ERROR] UNRECOGNIZED";

std::string SignatureSniffer(const std::string& path);
// The same rule on bytes already read (at most the first 20 are looked at).
std::string SniffSignature(std::string_view firstBytes);

} // namespace velmora
