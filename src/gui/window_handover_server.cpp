#include "gui/window_handover_server.h"

#include "platform/window_handover.h"

#include <QFile>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

namespace velmora {
namespace {

// A request is a greeting and a path; anything longer is not one.
constexpr qsizetype kLongestRequest = 64 * 1024;
// A connection that has not made its request by then is dropped.
constexpr int kRequestMilliseconds = 10000;

QByteArray Bytes(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

WindowHandOverServer::WindowHandOverServer(Receiver receiver, QObject* parent)
    : QObject(parent), receiver_(std::move(receiver)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection())
            Serve(socket);
    });
}

bool WindowHandOverServer::Listen(const QString& socketPath) {
    if (socketPath.isEmpty())
        return false;
    QLocalServer::removeServer(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(socketPath);
}

void WindowHandOverServer::Serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kRequestMilliseconds, socket, [socket] { socket->abort(); });
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket, request] {
        request->append(socket->readAll());
        qsizetype end = request->indexOf('\0');
        if (end < 0 && request->size() <= kLongestRequest)
            return;
        const QByteArray greeting = Bytes(kHandOverGreeting);
        if (end < 0 || !request->startsWith(greeting)) {
            socket->abort();
            return;
        }
        // Paths are the system's bytes, as the second start was given them.
        QString file = QFile::decodeName(request->mid(greeting.size(), end - greeting.size()));
        socket->write(Bytes(kHandOverReply));
        socket->flush();
        socket->disconnectFromServer();
        receiver_(file);
    });
}

} // namespace velmora
