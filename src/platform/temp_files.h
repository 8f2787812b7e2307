// Replacing a file without ever leaving a partial one: the new bytes go into a temporary
// file beside the target, which is flushed to the disk and then renamed over the target.
// The replacement keeps what the user set on the file it replaces (its mode and group),
// refuses a target the user may not write, and writes through a link at the target's path
// to the file the link points at. A run ended by SIGINT, SIGTERM or SIGHUP removes the
// temporary files it was writing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// A temporary file and the file it is to replace.
struct TempFile {
    std::string path;
    // The output path, or the file a link at that path points at: what the rename replaces.
    std::string target;
};

// Creates an empty, uniquely named file ".NAME.XXXXXX.part" in the folder of the file that
// target names (through a link), with the mode and group of the file it will replace, or
// the permissions a newly created file would get; NAME is cut short when the whole would
// pass the folder's limit on the length of a name. Nothing is created, and why (in plain
// words) goes to *why, when the folder refuses it, the target is a folder, a link to
// nothing or a file this user may not write.
std::optional<TempFile> CreateTempFileBeside(const std::string& target, std::string* why = nullptr);
// Flushes the temporary file to the disk, renames it over its target and flushes the folder;
// on failure removes it. True when the target now holds its bytes.
bool CommitTempFile(const TempFile& temp, std::string* why = nullptr);
void DiscardTempFile(const TempFile& temp);
// Replaces target with bytes through a temporary file; target is untouched on failure.
bool WriteFileAtomically(const std::string& target, std::string_view bytes,
                         std::string* why = nullptr);

// A failed file operation in plain words: the usual causes by their own names ("the disk is
// full"), others as what was being done and the system's text for the error.
std::string FileErrorText(int errorNumber, std::string_view doing);

// From now on SIGINT, SIGTERM and SIGHUP remove the temporary files being written (and give
// the terminal back its settings, see console.h) and end the process as that signal does
// (status 128 + signal in a shell). SIGXFSZ is ignored, so a write past the file-size limit
// fails (EFBIG) like any failed write.
void RemoveTempFilesOnTermination();

} // namespace velmora
