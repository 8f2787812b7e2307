// The open window's end of the hand-over (platform/window_handover.h): a local socket beside
// the instance lock, open to this user only, on which a second window start asks the window
// to come to the front and take its file.
#pragma once

#include <QLocalServer>
#include <QObject>

#include <functional>

namespace velmora {

class WindowHandOverServer : public QObject {
    Q_OBJECT
public:
    // receiver gets each handed file ("" for a start without one).
    using Receiver = std::function<void(const QString& file)>;
    explicit WindowHandOverServer(Receiver receiver, QObject* parent = nullptr);

    // Listens at socketPath, replacing a socket that an ended window left there: only the
    // holder of the instance lock may call it. False when it cannot listen.
    bool Listen(const QString& socketPath);

private:
    void Serve(QLocalSocket* socket);

    QLocalServer server_;
    Receiver receiver_;
};

} // namespace velmora
