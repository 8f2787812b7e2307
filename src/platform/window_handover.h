// A second start finds the open converter window through a local socket beside the instance
// lock: the window listens there, and a window start that finds the lock held hands it the
// file it was given (or nothing, to bring the window to the front) instead of being refused.
// This side is plain POSIX, so that the program never loads Qt to ask.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// A request is the greeting, the file's absolute path (empty for none) and one NUL byte,
// which no path holds; the window answers with the reply once it has the request.
inline constexpr std::string_view kHandOverGreeting = "velmora-window 1\n";
inline constexpr std::string_view kHandOverReply = "taken\n";

// The socket of the window whose instance lock is lockPath ("<folder>/<title>.lock" gives
// "<folder>/<title>.window"); empty for an empty lock path.
std::string WindowSocketPath(const std::string& lockPath);

// A relative path made absolute against the current folder, for a window that runs in
// another one; "" stays "".
std::string AbsoluteFromHere(const std::string& path);

enum class HandOverResult { Taken, NoWindow };

// Connects to the window's socket, sends the file and waits up to timeoutMs for the reply.
// NoWindow when nothing listens there, or it does not answer as a window does.
HandOverResult HandFileToWindow(const std::string& socketPath, const std::string& file,
                                int timeoutMs);

// Whether a window listens on the socket; asks nothing of it.
bool WindowIsListening(const std::string& socketPath);

} // namespace velmora
