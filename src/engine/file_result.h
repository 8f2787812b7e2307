// What became of one file's conversion, and why it failed when it did: the reason travels
// unchanged to standard error (console) and to the progress window.
#pragma once

#include <functional>
#include <string>

namespace velmora {

// True once the user asked to stop the run. The decode, the steps and the save check it
// between their stages, and the save again before its rename.
using StopRequested = std::function<bool()>;

inline constexpr const char* kStoppedByUser = "stopped by the user";

// Where a conversion that wrote nothing ended; None for a file that was converted.
enum class FailedStage { None, Load, Steps, Save, Stopped };

struct FileResult {
    FailedStage stage = FailedStage::None;
    std::string reason; // in plain words; empty when the file was converted
    // The file written, or that was to be once the name was made.
    std::string outputFile;

    bool converted() const { return stage == FailedStage::None; }
    explicit operator bool() const { return converted(); }
    static FileResult Converted(std::string outputFile) {
        return {FailedStage::None, {}, std::move(outputFile)};
    }
    static FileResult Failed(FailedStage stage, std::string reason, std::string outputFile = {}) {
        FailedStage where = reason == kStoppedByUser ? FailedStage::Stopped : stage;
        return {where, std::move(reason), std::move(outputFile)};
    }
};

} // namespace velmora
