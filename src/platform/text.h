// Text helpers for UTF-8 held in std::string: Unicode case mapping, trimming,
// encoding checks and the small parsing rules shared by options and files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// Case mapping per Unicode character (not per byte); invalid bytes pass unchanged.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
// First character upper case, the rest lower case ("mY_pIC" -> "My_pic").
std::string ToTitle(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Position of the first occurrence of needle in text at or after from, ignoring case;
// npos when absent. Works on ASCII and on any UTF-8 text whose case forms keep their length.
size_t FindIgnoreCase(std::string_view text, std::string_view needle, size_t from = 0);

std::string TrimSpaces(std::string_view text);        // spaces only
std::string TrimSpacesAndTabs(std::string_view text); // spaces and tabs
// Every double quote at the start and at the end goes; quotes inside stay.
std::string WithoutOuterQuotes(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

bool IsValidUtf8(std::string_view bytes);
// The longest start of text of at most maxBytes that does not cut a UTF-8 character in two.
std::string_view Utf8Prefix(std::string_view text, size_t maxBytes);
std::string Latin1ToUtf8(std::string_view bytes);
// Reads a text file's bytes as this platform's editors write them: a UTF-8 byte-order
// mark is dropped; valid UTF-8 stays; anything else is Latin-1, one byte per character.
std::string DecodeTextFileBytes(std::string_view bytes);

// Integer rule of the option values: spaces and tabs, a sign, then "$" hex, "%" binary
// or decimal digits; stops at the first character that does not fit. 64-bit result.
int64_t ParseInteger(std::string_view text);
// The 32-bit field value of ParseInteger: its low 32 bits.
int32_t ParseLong(std::string_view text);
// Real rule: "+Infinity", "-Infinity", "NaN" (any case), else a decimal number with "."
// whatever the locale, as far as it forms one; nothing gives 0.
double ParseReal(std::string_view text);
// A real with two decimals ("2.20"), as the debug listing and the help show one.
std::string WithTwoDecimals(double value);

} // namespace velmora
