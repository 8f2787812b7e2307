// The numbers of the main window's commands and controls.
#pragma once

namespace velmora {

enum Command : int {
    kCommandNew = 0,
    kCommandExit = 3,
    kCommandSelectInputFile = 5,
    kCommandSelectOutputFolder = 7,
    kCommandOutputFormatOptions = 8,
    kCommandConvert = 14,
    kCommandCustomConverter = 16,
    kCommandPreferences = 17,
    kCommandManual = 18,
    kCommandSendFeedback = 21,
    kCommandVisitHomepage = 22,
    kCommandCheckForNewVersion = 23,
    kCommandAbout = 24,
};

enum ControlId : int {
    kInputFileLabel = 1,
    kInputFileField = 2,
    kOutputFolderLabel = 4,
    kOutputFolderField = 5,
    kOutputFormatLabel = 6,
    kOutputFormatField = 7,
    kConvertButton = 8,
    kNoticeLabel = 11,
};

// The manual shipped with the program, opened by command 18.
inline constexpr const char* kManualFileName = "velmora-manual.html";

} // namespace velmora
