// Helpers shared by the tests: temporary folders, the sample folder, small files.
#pragma once

#include <string>
#include <string_view>

namespace velmora::testing {

// A fresh folder under the system temporary folder, removed with everything in it when
// the object goes out of scope. Path() ends in "/".
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + std::string(name); }

private:
    std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// The folder of real camera files ("" when it is not there), and one file in it.
std::string SamplesFolder();
std::string SamplePath(std::string_view name);

// Folder of the built programs (the executable, the sample writer), ending in "/".
std::string BinaryFolder();

} // namespace velmora::testing

// Skips the current test when the sample folder is missing.
#define VELMORA_REQUIRE_SAMPLES()                                                                  \
    do {                                                                                           \
        if (::velmora::testing::SamplesFolder().empty())                                           \
            GTEST_SKIP() << "camera samples folder not present";                                   \
    } while (0)
