#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace velmora::testing {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/velmora-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string SamplesFolder() {
    const char* folder = std::getenv("VELMORA_SAMPLES");
    if (!folder || !*folder || !std::filesystem::is_directory(folder))
        return {};
    std::string path = folder;
    return path.back() == '/' ? path : path + "/";
}

std::string SamplePath(std::string_view name) {
    return SamplesFolder() + std::string(name);
}

std::string BinaryFolder() {
    return std::string(VELMORA_BINARY_DIR) + "/";
}

} // namespace velmora::testing
