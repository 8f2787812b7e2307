#include "platform/window_handover.h"

#include "platform/files.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;

// Closes the descriptor when the exchange ends, whichever way.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// A connected stream socket, or -1 when nothing listens at the path (or it is too long for
// a socket's name).
int Connect(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int result;
    do
        result = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Waits for the descriptor to be ready for events until the deadline.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        int ready = poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool SendAll(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        if (!WaitFor(fd, POLLOUT, deadline))
            return false;
        // A window that went away must not end this process with SIGPIPE.
        ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(sent));
    }
    return true;
}

bool ReceiveReply(int fd, Clock::time_point deadline) {
    std::string reply;
    char buffer[64];
    while (reply.size() < kHandOverReply.size()) {
        if (!WaitFor(fd, POLLIN, deadline))
            return false;
        ssize_t got = recv(fd, buffer, sizeof(buffer), 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        reply.append(buffer, static_cast<size_t>(got));
    }
    return reply.compare(0, kHandOverReply.size(), kHandOverReply) == 0;
}

} // namespace

std::string WindowSocketPath(const std::string& lockPath) {
    constexpr std::string_view kLockEnding = ".lock";
    if (lockPath.empty())
        return {};
    std::string stem = lockPath;
    if (stem.size() > kLockEnding.size() &&
        stem.compare(stem.size() - kLockEnding.size(), kLockEnding.size(), kLockEnding) == 0)
        stem.resize(stem.size() - kLockEnding.size());
    return stem + ".window";
}

std::string AbsoluteFromHere(const std::string& path) {
    if (path.empty() || path.front() == '/')
        return path;
    return CurrentFolder() + path;
}

HandOverResult HandFileToWindow(const std::string& socketPath, const std::string& file,
                                int timeoutMs) {
    Descriptor socket{Connect(socketPath)};
    if (socket.fd < 0)
        return HandOverResult::NoWindow;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string request(kHandOverGreeting);
    request += file;
    request += '\0';
    if (!SendAll(socket.fd, request, deadline) || !ReceiveReply(socket.fd, deadline))
        return HandOverResult::NoWindow;
    return HandOverResult::Taken;
}

bool WindowIsListening(const std::string& socketPath) {
    Descriptor socket{Connect(socketPath)};
    return socket.fd >= 0;
}

} // namespace velmora
