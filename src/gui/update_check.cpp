#include "gui/update_check.h"

#include "cli/help.h"
#include "gui/desktop.h"
#include "gui/face_text.h"
#include "platform/clock.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora {
namespace {

constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; en)";
constexpr size_t kReceiveBufferBytes = 2048;
// The data file holds a few characters; an answer far beyond that is not one.
constexpr size_t kMaxAnswerBytes = 64 * 1024;
constexpr int kPollMilliseconds = 20;
constexpr int kVersionCharacters = 3;
constexpr int64_t kSecondsPerDay = 24 * 60 * 60;

struct UrlParts {
    std::string host;
    std::string port = "80";
    std::string path = "/";
};

// The scheme is only skipped: the check speaks plain HTTP to whatever host is named.
UrlParts SplitUrl(std::string_view url) {
    UrlParts parts;
    if (size_t scheme = url.find("://"); scheme != std::string_view::npos)
        url.remove_prefix(scheme + 3);
    size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    if (slash != std::string_view::npos)
        parts.path = std::string(url.substr(slash));
    size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos) {
        parts.port = std::string(authority.substr(colon + 1));
        authority = authority.substr(0, colon);
    }
    parts.host = std::string(authority);
    return parts;
}

std::string AddressFromEnvironment(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? value : fallback;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The number the leading digits spell; none give 0.
int LeadingNumber(std::string_view text) {
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + (c - '0');
    }
    return number;
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() {
        if (fd_ >= 0)
            close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

// True once fd is ready for events, false after waitMilliseconds of nothing.
bool WaitFor(int fd, short events, int waitMilliseconds) {
    int64_t start = ElapsedMilliseconds();
    while (ElapsedMilliseconds() - start < waitMilliseconds) {
        pollfd entry{fd, events, 0};
        int ready = poll(&entry, 1, kPollMilliseconds);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

// A connected non-blocking socket to the first address of host that answers, or -1.
int Connect(const UrlParts& parts, int waitMilliseconds) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(parts.host.c_str(), parts.port.c_str(), &hints, &found) != 0)
        return -1;
    int connected = -1;
    for (addrinfo* address = found; address && connected < 0; address = address->ai_next) {
        int fd = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                        address->ai_protocol);
        if (fd < 0)
            continue;
        bool ok = connect(fd, address->ai_addr, address->ai_addrlen) == 0;
        if (!ok && errno == EINPROGRESS && WaitFor(fd, POLLOUT, waitMilliseconds)) {
            int error = 0;
            socklen_t length = sizeof error;
            ok = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        if (ok)
            connected = fd;
        else
            close(fd);
    }
    freeaddrinfo(found);
    return connected;
}

bool SendAll(int fd, std::string_view bytes, int waitMilliseconds) {
    while (!bytes.empty()) {
        ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, waitMilliseconds))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// Everything the server sends until it closes, goes silent for waitMilliseconds, fails,
// or the bound is reached.
std::string ReceiveAnswer(int fd, int waitMilliseconds) {
    std::string answer;
    char buffer[kReceiveBufferBytes];
    int64_t lastData = ElapsedMilliseconds();
    while (answer.size() < kMaxAnswerBytes) {
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got > 0) {
            answer.append(buffer,
                          std::min(static_cast<size_t>(got), kMaxAnswerBytes - answer.size()));
            lastData = ElapsedMilliseconds();
            continue;
        }
        if (got == 0)
            break;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            break;
        if (ElapsedMilliseconds() - lastData >= waitMilliseconds)
            break;
        pollfd entry{fd, POLLIN, 0};
        poll(&entry, 1, kPollMilliseconds);
    }
    return answer;
}

// A value outside the list checks every month, the default.
int64_t IntervalDays(UpdateRange range) {
    switch (range) {
    case UpdateRange::EveryDay:
        return 1;
    case UpdateRange::EveryWeek:
        return 7;
    case UpdateRange::EveryMonth:
    case UpdateRange::Never:
        break;
    case UpdateRange::Every3Months:
        return 90;
    case UpdateRange::Every6Months:
        return 180;
    }
    return 30;
}

} // namespace

std::string UpdateDataAddress() {
    return AddressFromEnvironment("VELMORA_UPDATE_ADDRESS", kUpdateDataAddress);
}

std::string UpdatePageAddress() {
    return AddressFromEnvironment("VELMORA_UPDATE_PAGE", kUpdatePageAddress);
}

std::string UpdateRequestText(std::string_view url, std::string_view agent) {
    UrlParts parts = SplitUrl(url);
    if (parts.host.empty())
        return {};
    std::string request = "GET " + parts.path + " HTTP/1.0\r\n";
    request += "Host: " + parts.host + "\r\n";
    request += "Accept: */*\r\n";
    request += "User-Agent: " + std::string(agent.empty() ? kDefaultAgent : agent) + "\r\n";
    request += "Connection: close\r\n\r\n";
    return request;
}

std::string VersionTextOfAnswer(std::string_view answer) {
    size_t end = answer.find("\r\n\r\n");
    if (end == std::string_view::npos)
        return {};
    std::string_view body = answer.substr(end + 4);
    while (!body.empty() && IsBlank(body.front()))
        body.remove_prefix(1);
    while (!body.empty() && IsBlank(body.back()))
        body.remove_suffix(1);
    return std::string(body.substr(0, kVersionCharacters));
}

std::string FetchUrlText(std::string_view url, std::string_view agent, int waitMilliseconds) {
    std::string request = UpdateRequestText(url, agent);
    if (request.empty())
        return {};
    Socket socket(Connect(SplitUrl(url), waitMilliseconds));
    if (socket.fd() < 0 || !SendAll(socket.fd(), request, waitMilliseconds))
        return {};
    return VersionTextOfAnswer(ReceiveAnswer(socket.fd(), waitMilliseconds));
}

void CheckForUpdate(QWidget* parent, int waitMilliseconds) {
    int latest = LeadingNumber(FetchUrlText(UpdateDataAddress(), ProgramTitle(), waitMilliseconds));
    Desktop& desktop = TheDesktop();
    if (latest == 0) {
        desktop.ShowError(parent, Text("Msg", "Error"),
                          Text("Msg", "Internet connection problems"));
    } else if (latest > kVersionNumber) {
        if (desktop.AskQuestion(parent, Text("Msg", "New Update"), Text("Msg", "New Update Text")))
            OpenAddress(parent, QUrl(Q(UpdatePageAddress())));
    } else {
        desktop.Inform(parent, Text("Msg", "No Update"), Text("Msg", "No Update Text"));
    }
}

void AutoUpdateCheck(QWidget* parent, int waitMilliseconds) {
    const auto range = ChoiceOf<UpdateRange>(gSettings.UpdateRange);
    if (range == UpdateRange::Never)
        return;
    int64_t now = NowSeconds();
    if (now <= gSettings.UpdateDate + IntervalDays(range) * kSecondsPerDay)
        return;
    if (TheDesktop().AskQuestion(parent, Text("Msg", "Check for Updates"),
                                 Text("Msg", "Ask check for updates")))
        CheckForUpdate(parent, waitMilliseconds);
    // A declined or failed check waits a whole interval too.
    gSettings.UpdateDate = static_cast<int32_t>(NowSeconds());
}

} // namespace velmora
