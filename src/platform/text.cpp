#include "platform/text.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <limits>
#include <locale.h>

namespace velmora {
namespace {

// Decodes one UTF-8 character at text[i]; returns its length, or 0 for an invalid sequence.
size_t DecodeOne(std::string_view text, size_t i, char32_t& out) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    size_t length;
    char32_t value;
    if (lead < 0x80) {
        out = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    // Reject overlong forms, surrogates and values past the Unicode range.
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    out = value;
    return length;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The Unicode tables of the C.UTF-8 locale, independent of the user's locale.
locale_t UnicodeLocale() {
    static locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
        return made ? made : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    }();
    return locale;
}

template <typename Map> std::string MapCharacters(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        size_t length = DecodeOne(text, i, c);
        if (length == 0) {
            out += text[i++];
            continue;
        }
        if (c < 0x80)
            out += static_cast<char>(map(c));
        else
            AppendUtf8(out, map(c));
        i += length;
    }
    return out;
}

char32_t UpperOf(char32_t c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? c - 32 : c;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), UnicodeLocale()));
}

char32_t LowerOf(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), UnicodeLocale()));
}

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::string ToUpper(std::string_view text) {
    return MapCharacters(text, UpperOf);
}
std::string ToLower(std::string_view text) {
    return MapCharacters(text, LowerOf);
}

std::string ToTitle(std::string_view text) {
    if (text.empty())
        return {};
    char32_t c;
    size_t length = DecodeOne(text, 0, c);
    if (length == 0)
        length = 1;
    return ToUpper(text.substr(0, length)) + ToLower(text.substr(length));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return ToUpper(a) == ToUpper(b);
}

size_t FindIgnoreCase(std::string_view text, std::string_view needle, size_t from) {
    std::string upperText = ToUpper(text);
    std::string upperNeedle = ToUpper(needle);
    if (upperText.size() != text.size() || upperNeedle.size() != needle.size()) {
        // Case forms of different byte lengths: fall back to an ASCII-only comparison.
        upperText = MapCharacters(text, [](char32_t c) { return c < 0x80 ? UpperOf(c) : c; });
        upperNeedle = MapCharacters(needle, [](char32_t c) { return c < 0x80 ? UpperOf(c) : c; });
    }
    return upperText.find(upperNeedle, from);
}

std::string TrimSpaces(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string TrimSpacesAndTabs(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::string WithoutOuterQuotes(std::string_view text) {
    size_t first = text.find_first_not_of('"');
    if (first == std::string_view::npos)
        return {};
    size_t last = text.find_last_not_of('"');
    return std::string(text.substr(first, last - first + 1));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        char32_t c;
        size_t length = DecodeOne(bytes, i, c);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string_view Utf8Prefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Continuation bytes (10xxxxxx) belong to the character that started before them.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes)
        AppendUtf8(out, b);
    return out;
}

std::string DecodeTextFileBytes(std::string_view bytes) {
    if (StartsWith(bytes, "\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Latin1ToUtf8(bytes);
}

int64_t ParseInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$')
        base = 16, ++i;
    else if (i < text.size() && text[i] == '%')
        base = 2, ++i;
    // Unsigned arithmetic wraps like the 64-bit accumulator it stands for.
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        int digit = DigitValue(text[i], base);
        if (digit < 0)
            break;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (negative)
        value = ~value + 1;
    return static_cast<int64_t>(value);
}

int32_t ParseLong(std::string_view text) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ParseInteger(text))));
}

double ParseReal(std::string_view text) {
    std::string trimmed = TrimSpacesAndTabs(text);
    if (EqualsIgnoreCase(trimmed, "+Infinity"))
        return std::numeric_limits<double>::infinity();
    if (EqualsIgnoreCase(trimmed, "-Infinity"))
        return -std::numeric_limits<double>::infinity();
    if (EqualsIgnoreCase(trimmed, "NaN"))
        return std::numeric_limits<double>::quiet_NaN();
    // Hand-rolled so that the user's locale never changes the decimal separator.
    size_t i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-'))
        negative = trimmed[i++] == '-';
    std::string digits;
    bool seenPoint = false, seenDigit = false;
    for (; i < trimmed.size(); ++i) {
        char c = trimmed[i];
        if (c >= '0' && c <= '9') {
            digits += c;
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    // Optional exponent, only when complete.
    if (i + 1 < trimmed.size() && (trimmed[i] == 'e' || trimmed[i] == 'E')) {
        size_t j = i + 1;
        std::string exponent = "e";
        if (trimmed[j] == '+' || trimmed[j] == '-')
            exponent += trimmed[j++];
        size_t start = j;
        while (j < trimmed.size() && trimmed[j] >= '0' && trimmed[j] <= '9')
            exponent += trimmed[j++];
        if (j > start)
            digits += exponent;
    }
    locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    double value = strtod_l(digits.c_str(), nullptr, cLocale);
    freelocale(cLocale);
    return negative ? -value : value;
}

std::string WithTwoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace velmora
