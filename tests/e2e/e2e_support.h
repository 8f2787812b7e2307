// Shared pieces of the end-to-end tests: the expected banner and summary lines, and
// sample DNG files made by the project's own writer.
#pragma once

#include "e2e/run_program.h"
#include "support/test_support.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::testing {

inline const std::vector<std::string> kBanner = {
    "Corvanta ZUV iv EDAZ 3.2",
    "Copyright (c) 2026 Corvanta. All rights reserved.",
    "https://www.corvanta.com/velmora/",
    " ",
};

inline std::vector<std::string> Concat(std::vector<std::string> a,
                                       const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Writes a DNG with the project's sample writer; extra arguments go to the writer.
inline void MakeSampleDng(const std::string& path, const std::vector<std::string>& extra = {}) {
    TempFolder scratch;
    std::vector<std::string> arguments = extra;
    arguments.push_back(path);
    RunOptions options;
    options.workFolder = scratch.Path();
    options.program = BinaryFolder() + "make-sample-dng";
    RunResult result = RunProgram(arguments, options);
    if (result.exitStatus != 0)
        throw std::runtime_error("make-sample-dng failed: " + result.err);
}

} // namespace velmora::testing
