// make-sample-dng: writes a synthetic DNG with a known scene.
//   make-sample-dng [--width=N] [--height=N] [--no-preview] [--dpi=N] [--seed=N] OUTPUT.dng
// Silent on success; one line on standard error and exit status 1 on failure.

#include "dng/dng_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage = "usage: make-sample-dng [--width=N] [--height=N] [--no-preview] "
                               "[--dpi=N] [--seed=N] OUTPUT.dng";

int Fail(const std::string& message) {
    std::fprintf(stderr, "make-sample-dng: %s\n", message.c_str());
    return 1;
}

// The whole text must be the number: "12x" or "" are mistakes, not 12 or 0.
template <typename Number> bool ParseNumber(std::string_view text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    return problem == std::errc() && stop == end && !text.empty();
}

} // namespace

int main(int argc, char** argv) {
    velmora::dng::DngOptions options;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        auto valueOf = [&](std::string_view name, std::string_view& value) {
            if (argument.substr(0, name.size()) != name)
                return false;
            value = argument.substr(name.size());
            return true;
        };
        std::string_view value;
        bool parsed = true;
        if (valueOf("--width=", value))
            parsed = ParseNumber(value, options.width);
        else if (valueOf("--height=", value))
            parsed = ParseNumber(value, options.height);
        else if (valueOf("--seed=", value))
            parsed = ParseNumber(value, options.seed);
        else if (valueOf("--dpi=", value)) {
            double dpi = 0;
            parsed = ParseNumber(value, dpi);
            options.xResolutionDpi = options.yResolutionDpi = dpi;
        } else if (argument == "--no-preview")
            options.embedPreview = false;
        else if (argument.starts_with("-") && argument.size() > 1)
            return Fail("unknown option " + std::string(argument) + "; " + kUsage);
        else if (!output.empty())
            return Fail("more than one output file given; " + std::string(kUsage));
        else
            output = argument;
        if (!parsed)
            return Fail("not a number in " + std::string(argument));
    }
    if (output.empty())
        return Fail(std::string("no output file given; ") + kUsage);
    std::string error;
    if (!velmora::dng::WriteDng(output, options, &error))
        return Fail(error);
    return 0;
}
