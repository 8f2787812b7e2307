// What the harnesses share: splitting one input into several texts, and a file for the units
// that read from a path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace velmora::fuzz {

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The parts between NUL bytes: NUL cannot occur inside a command-line argument or a path.
inline std::vector<std::string> SplitAtNul(std::string_view text) {
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t end = text.find('\0', start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// One file per process in $TMPDIR, rewritten with each input and removed at exit.
inline const std::string& WriteInputFile(std::string_view bytes) {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(folder ? folder : "/tmp") + "/velmora-fuzz-XXXXXX";
        int fd = mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        close(fd);
        static std::string removeAtExit = pattern;
        std::atexit([] { unlink(removeAtExit.c_str()); });
        return pattern;
    }();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        std::abort();
    std::fclose(file);
    return path;
}

} // namespace velmora::fuzz
