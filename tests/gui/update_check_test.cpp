// The update check against a server of the test's own on 127.0.0.1: the request as sent,
// the box each answer leads to, and when the automatic check asks.
#include "cli/catalogue/catalogue.h"
#include "cli/help.h"
#include "fake_desktop.h"
#include "gui/update_check.h"
#include "platform/clock.h"
#include "settings/settings.h"

#include <QtTest>

#include <cstdlib>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace velmora;
using velmora::testing::FakeDesktop;

namespace {

// The test's waits for a silent server: far below the real ten seconds.
constexpr int kShortWait = 300;
constexpr int kServerPatience = 5000;

// Listens on a free port of 127.0.0.1 and serves one connection: reads the request, then
// sends the answer and closes, or stays silent until the client gives up.
class OneAnswerServer {
public:
    OneAnswerServer(QByteArray answer, bool silent) : answer_(std::move(answer)), silent_(silent) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("no test server");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~OneAnswerServer() {
        if (thread_.joinable())
            thread_.join();
        close(listener_);
    }
    int Port() const { return port_; }
    // What the client sent, once the connection is over.
    QByteArray Request() {
        if (thread_.joinable())
            thread_.join();
        return request_;
    }

private:
    void Serve() {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, kServerPatience) <= 0)
            return;
        int client = accept(listener_, nullptr, nullptr);
        char buffer[512];
        while (!request_.contains("\r\n\r\n")) {
            ssize_t got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request_.append(buffer, got);
        }
        if (silent_) {
            // Until the client closes its end.
            pollfd closing{client, POLLIN, 0};
            poll(&closing, 1, kServerPatience);
        } else {
            send(client, answer_.data(), static_cast<size_t>(answer_.size()), MSG_NOSIGNAL);
        }
        close(client);
    }

    QByteArray answer_;
    bool silent_;
    int listener_ = -1;
    int port_ = 0;
    QByteArray request_;
    std::thread thread_;
};

// A port on 127.0.0.1 that refuses connections: bound once, never listened on.
int RefusingPort() {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

void PointAt(int port) {
    qputenv("VELMORA_UPDATE_ADDRESS",
            QString("http://127.0.0.1:%1/files/velmora.dat").arg(port).toUtf8());
}

QByteArray Answer(const QByteArray& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
}

enum Server { kAnswers, kSilent, kRefuses };

} // namespace

Q_DECLARE_METATYPE(Server)

class UpdateCheckTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDesktop> desktop_;

private slots:
    void initTestCase() { LoadCatalogue(); }
    void init() {
        desktop_ = std::make_unique<FakeDesktop>();
        SetDesktop(desktop_.get());
        SettingsDefaults(false);
    }
    void cleanup() { SetDesktop(nullptr); }

    void theRequestIsSentByteForByte() {
        OneAnswerServer server(Answer("320"), false);
        PointAt(server.Port());
        CheckForUpdate(nullptr, kShortWait);
        QCOMPARE(server.Request(), QByteArray("GET /files/velmora.dat HTTP/1.0\r\n"
                                              "Host: 127.0.0.1\r\n"
                                              "Accept: */*\r\n"
                                              "User-Agent: Corvanta ZUV iv EDAZ 3.2\r\n"
                                              "Connection: close\r\n"
                                              "\r\n"));
    }

    void onlyThreeCharactersOfTheBodyCount() {
        OneAnswerServer server(Answer(" 3210 \r\n"), false);
        PointAt(server.Port());
        QCOMPARE(FetchUrlText(UpdateDataAddress(), ProgramTitle(), kShortWait), std::string("321"));
    }

    void eachAnswerShowsItsBox_data() {
        QTest::addColumn<Server>("server");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("box"); // "note", "question" or "error"
        QTest::addColumn<QString>("title");
        QTest::newRow("own version") << kAnswers << QByteArray("320\r\n") << "note"
                                     << "No Update";
        QTest::newRow("newer version") << kAnswers << QByteArray("321") << "question"
                                       << "New Update";
        QTest::newRow("garbage") << kAnswers << QByteArray("<html>moved</html>") << "error"
                                 << "Error";
        QTest::newRow("refused port") << kRefuses << QByteArray() << "error"
                                      << "Error";
        QTest::newRow("silent server") << kSilent << QByteArray() << "error"
                                       << "Error";
    }
    void eachAnswerShowsItsBox() {
        QFETCH(Server, server);
        QFETCH(QByteArray, body);
        QFETCH(QString, box);
        QFETCH(QString, title);
        std::unique_ptr<OneAnswerServer> running;
        if (server == kRefuses) {
            PointAt(RefusingPort());
        } else {
            running = std::make_unique<OneAnswerServer>(Answer(body), server == kSilent);
            PointAt(running->Port());
        }
        desktop_->answer = true;
        CheckForUpdate(nullptr, kShortWait);

        const auto& shown = box == "note"       ? desktop_->notes
                            : box == "question" ? desktop_->questions
                                                : desktop_->errors;
        QCOMPARE(desktop_->notes.size() + desktop_->questions.size() + desktop_->errors.size(),
                 size_t{1});
        QCOMPARE(shown.size(), size_t{1});
        QCOMPARE(shown[0].title, title);
        if (box == "error")
            QCOMPARE(shown[0].text, QString("Internet connection problems!"));
        std::vector<QUrl> opened;
        if (box == "question")
            opened.push_back(QUrl(kUpdatePageAddress));
        QCOMPARE(desktop_->opened, opened);
    }

    void theScheduleDecidesWhetherToAsk_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("hoursAgo");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::newRow("daily, 23 hours ago") << 0 << 23 << false << false;
        QTest::newRow("daily, 25 hours ago, declined") << 0 << 25 << false << true;
        QTest::newRow("daily, 25 hours ago, check fails") << 0 << 25 << true << true;
        QTest::newRow("never, ten years ago") << 5 << 24 * 3650 << false << false;
    }
    void theScheduleDecidesWhetherToAsk() {
        QFETCH(int, range);
        QFETCH(int, hoursAgo);
        QFETCH(bool, yes);
        QFETCH(bool, asked);
        PointAt(RefusingPort());
        const int32_t before = static_cast<int32_t>(NowSeconds() - hoursAgo * 3600);
        gSettings.UpdateRange = range;
        gSettings.UpdateDate = before;
        desktop_->answer = yes;
        AutoUpdateCheck(nullptr, kShortWait);

        QCOMPARE(desktop_->questions.size(), size_t{asked ? 1u : 0u});
        if (asked) {
            QCOMPARE(desktop_->questions[0].title, QString("Check for Updates"));
            QCOMPARE(desktop_->questions[0].text, QString("Do you want to check for updates?"));
            QVERIFY(std::abs(gSettings.UpdateDate - NowSeconds()) <= 2);
        } else {
            QCOMPARE(gSettings.UpdateDate, before);
        }
        QCOMPARE(desktop_->errors.size(), size_t{yes ? 1u : 0u});
    }
};

QTEST_MAIN(UpdateCheckTest)
#include "update_check_test.moc"
