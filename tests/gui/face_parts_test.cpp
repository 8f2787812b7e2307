// The face's small rules: recent folders, progress texts, the mark on the screenshots, the
// place of a window on its screen and the opener's verdict on an address.
#include "gui/desktop.h"
#include "gui/progress_text.h"
#include "gui/recent_folders.h"
#include "gui/screen_fit.h"
#include "gui/screenshots.h"

#include <QFile>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <QtTest>

using namespace velmora;

namespace {

// The real desktop but for its message boxes, which it counts.
class CountingDesktop : public Desktop {
public:
    int errors = 0;
    void ShowError(QWidget*, const QString&, const QString&) override { ++errors; }
};

} // namespace

class FaceParts : public QObject {
    Q_OBJECT
private slots:
    void fittedPlace_data() {
        QTest::addColumn<QRect>("inner");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QRect>("expected");
        // A 1600 x 1000 area with a 40-pixel panel on top, frames of 4 and a 30-pixel title.
        const QSize window(510, 260);
        QTest::newRow("fits") << QRect(100, 100, 510, 260) << window << QRect(100, 100, 510, 260);
        QTest::newRow("right and below")
            << QRect(5000, 5000, 510, 260) << window << QRect(1086, 736, 510, 260);
        QTest::newRow("under the panel")
            << QRect(-50, 0, 510, 260) << window << QRect(4, 70, 510, 260);
        QTest::newRow("too wide") << QRect(300, 100, 3000, 260) << window
                                  << QRect(4, 100, 1592, 260);
        QTest::newRow("too tall") << QRect(0, 0, 600, 2000) << window << QRect(4, 70, 600, 926);
        // Never below the minimum: then the title bar stays on the screen.
        QTest::newRow("minimum taller")
            << QRect(0, 500, 510, 1200) << QSize(510, 1200) << QRect(4, 70, 510, 1200);
    }
    void fittedPlace() {
        QFETCH(QRect, inner);
        QFETCH(QSize, minimum);
        QFETCH(QRect, expected);
        QCOMPARE(FittedPlace(inner, QMargins(4, 30, 4, 4), QRect(0, 40, 1600, 960), minimum),
                 expected);
    }

    // The real opener's exit status decides (a stand-in for xdg-open on PATH): one that
    // found no handler is reported in the error box, one that did is not.
    void anAddressNoHandlerTakesIsReported_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errors");
        QTest::newRow("no handler") << 3 << 1;
        QTest::newRow("a missing file") << 2 << 1;
        QTest::newRow("opened") << 0 << 0;
    }
    void anAddressNoHandlerTakesIsReported() {
        QFETCH(int, status);
        QFETCH(int, errors);
        QTemporaryDir bin;
        QFile opener(bin.filePath("xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write(
            QString("#!/bin/sh\necho \"$1\" > \"$0.asked\"\nexit %1\n").arg(status).toUtf8());
        opener.close();
        opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ":" + path);
        CountingDesktop desktop;
        SetDesktop(&desktop);
        bool told = false;
        OpenAddress(nullptr, QUrl("https://www.example.com/a b"), [&] { told = true; });
        QTRY_VERIFY(told);
        SetDesktop(nullptr);
        qputenv("PATH", path);
        QCOMPARE(desktop.errors, errors);
        QFile asked(opener.fileName() + ".asked");
        QVERIFY(asked.open(QIODevice::ReadOnly));
        QCOMPARE(asked.readAll(), QByteArray("https://www.example.com/a%20b\n"));
    }

    void recentFolders_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first folder") << ""
                                      << "/a/" << 5 << "/a/";
        QTest::newRow("newest first") << "/a/\t/b/"
                                      << "/c/" << 5 << "/c/\t/a/\t/b/";
        QTest::newRow("moves up") << "/a/\t/b/\t/c/"
                                  << "/b/" << 5 << "/b/\t/a/\t/c/";
        QTest::newRow("case ignored") << "/Photos/\t/a/"
                                      << "/photos/" << 5 << "/photos/\t/a/";
        QTest::newRow("accents ignored in case") << "/Été/\t/a/"
                                                 << "/éTÉ/" << 5 << "/éTÉ/\t/a/";
        QTest::newRow("limit") << "/a/\t/b/\t/c/"
                               << "/d/" << 3 << "/d/\t/a/\t/b/";
        QTest::newRow("limit after removal") << "/a/\t/b/\t/c/"
                                             << "/c/" << 2 << "/c/\t/a/";
        QTest::newRow("empty folder changes nothing") << "/a/\t/b/"
                                                      << "" << 1 << "/a/\t/b/";
        QTest::newRow("zero keeps the new one") << "/a/"
                                                << "/b/" << 0 << "/b/";
    }
    void recentFolders() {
        QFETCH(QString, list);
        QFETCH(QString, folder);
        QFETCH(int, limit);
        QFETCH(QString, expected);
        std::string result = PutRecentFolderFirst(list.toStdString(), folder.toStdString(), limit);
        QCOMPARE(QString::fromStdString(result), expected);
    }

    void durationText_data() {
        QTest::addColumn<qint64>("milliseconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("under a second") << qint64(999) << "00:00:00";
        QTest::newRow("minutes") << qint64(754000) << "00:12:34";
        QTest::newRow("hours") << qint64(23 * 3600000LL + 59 * 60000 + 59000) << "23:59:59";
        QTest::newRow("one day") << qint64(86400000LL) << "1d:00:00:00";
        QTest::newRow("days and hours")
            << qint64(3 * 86400000LL + 5 * 3600000LL + 61000) << "3d:05:01:01";
    }
    void durationText() {
        QFETCH(qint64, milliseconds);
        QFETCH(QString, expected);
        QCOMPARE(DurationText(milliseconds), expected);
    }

    void shortenInMiddle_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("characters");
        QTest::addColumn<QString>("expected");
        QTest::newRow("odd") << "/home/user/photos/summer.cr2" << 11 << "/hom....cr2";
        QTest::newRow("even") << "abcdefghijkl" << 10 << "abc...jkl";
        QTest::newRow("nothing kept") << "abcdef" << 3 << "...";
    }
    void shortenInMiddle() {
        QFETCH(QString, text);
        QFETCH(int, characters);
        QFETCH(QString, expected);
        QCOMPARE(ShortenInMiddle(text, characters), expected);
    }

    void fitInMiddleKeepsBothEnds() {
        QFontMetrics metrics(QFont("DejaVu Sans", 10));
        QString path = "/home/somebody/pictures/2024/holidays/by the sea/IMG_0042.CR2";
        QCOMPARE(FitInMiddle(path, metrics, 10000), path);
        int width = metrics.horizontalAdvance(path) / 2;
        QString fitted = FitInMiddle(path, metrics, width);
        QVERIFY(metrics.horizontalAdvance(fitted) <= width);
        QVERIFY(fitted.contains("..."));
        QVERIFY(fitted.startsWith("/home"));
        QVERIFY(fitted.endsWith(".CR2"));
        // One character more would not have fitted.
        QVERIFY(metrics.horizontalAdvance(ShortenInMiddle(path, fitted.size() + 2)) > width);
    }

    void screenshotCarriesTheWebAddress() {
        QImage window(510, 260, QImage::Format_RGB32);
        window.fill(Qt::white);
        QImage marked = MarkedScreenshot(window);
        QCOMPARE(marked.size(), window.size());
        auto inked = [&](QRect area) {
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    if (marked.pixelColor(x, y) != QColor(Qt::white))
                        return true;
            return false;
        };
        QVERIFY(inked(QRect(380, 235, 125, 20)));
        QVERIFY(!inked(QRect(0, 0, 510, 200)));
    }
};

QTEST_MAIN(FaceParts)
#include "face_parts_test.moc"
