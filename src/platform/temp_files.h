// Replacing a file without ever leaving a partial one: the new bytes go into a temporary
// file beside the target, which is flushed to the disk and then renamed over the target.
// A run ended by SIGINT, SIGTERM or SIGHUP removes the temporary files it was writing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Creates an empty, uniquely named file ".NAME.XXXXXX.part" in the folder of target, with
// the permissions a newly created file would get; NAME is cut short when the whole would
// pass the folder's limit on the length of a name. Returns its path, or nullopt when the
// folder refuses it.
std::optional<std::string> CreateTempFileBeside(const std::string& target);
// Flushes temp to the disk, renames it over target and flushes the folder; on failure removes
// temp. True when target now holds temp's bytes.
bool CommitTempFile(const std::string& temp, const std::string& target);
void DiscardTempFile(const std::string& temp);
// Replaces target with bytes through a temporary file; target is untouched on failure.
bool WriteFileAtomically(const std::string& target, std::string_view bytes);

// From now on SIGINT, SIGTERM and SIGHUP remove the temporary files being written and end
// the process as that signal does (status 128 + signal in a shell). SIGXFSZ is ignored, so
// a write past the file-size limit fails (EFBIG) like any failed write.
void RemoveTempFilesOnTermination();

} // namespace velmora
