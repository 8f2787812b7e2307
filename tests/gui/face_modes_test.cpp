// The two side modes of the first argument: the "-U" window in-process, and the "-T"
// screenshots through the real program, whose face library must load and find every
// symbol it needs in the executable; and the converter window started on a file.
#include "cli/catalogue/catalogue.h"
#include "e2e/run_program.h"
#include "fake_desktop.h"
#include "gui/graphical_mode.h"
#include "gui/main_window.h"
#include "gui/uninstall_window.h"
#include "settings/settings.h"
#include "support/test_support.h"

#include <QCheckBox>
#include <QImageReader>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using velmora::testing::FakeDesktop;
using velmora::testing::FileExists;
using velmora::testing::RunOptions;
using velmora::testing::RunProgram;
using velmora::testing::RunResult;
using velmora::testing::SplitLines;
using velmora::testing::TempFolder;

namespace {

RunResult RunOffscreen(const std::vector<std::string>& arguments, const TempFolder& work) {
    RunOptions options;
    options.workFolder = work.Path();
    options.environment["QT_QPA_PLATFORM"] = "offscreen";
    return RunProgram(arguments, options);
}

QSize PictureSize(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    if (reader.format() != "jpeg")
        return {};
    return reader.read().size();
}

} // namespace

class FaceModes : public QObject {
    Q_OBJECT

    FakeDesktop desktop_;

private slots:
    void initTestCase() {
        LoadCatalogue();
        SetDesktop(&desktop_);
    }
    void init() { desktop_.opened.clear(); }
    void cleanupTestCase() { SetDesktop(nullptr); }

    void uninstallWindow_data() {
        QTest::addColumn<bool>("visit");
        QTest::newRow("box left checked") << true;
        QTest::newRow("box cleared") << false;
    }
    void uninstallWindow() {
        QFETCH(bool, visit);
        UninstallWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("Uninstall"));
        QCOMPARE(window.size(), QSize(300, 100));
        QCOMPARE(window.VisitBox()->geometry(), QRect(30, 20, 250, 20));
        QCOMPARE(window.VisitBox()->text(), QString("Full Uninstall - Visit Uninstall Center"));
        QVERIFY(window.VisitBox()->isChecked());
        QCOMPARE(window.NextButton()->geometry(), QRect(200, 60, 80, 25));
        QCOMPARE(window.NextButton()->text(), QString("Next"));

        window.VisitBox()->setChecked(visit);
        QTest::mouseClick(window.NextButton(), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        std::vector<QUrl> expected;
        if (visit)
            expected.push_back(QUrl("https://www.corvanta.com/uninstall/velmora/"));
        QCOMPARE(desktop_.opened, expected);
    }

    void screenshotModeWritesBothPictures() {
        TempFolder work;
        RunResult result = RunOffscreen({"-T", work.Path()}, work);
        QCOMPARE(result.exitStatus, 0);
        QCOMPARE(QString::fromStdString(result.err), QString());
        QCOMPARE(QString::fromStdString(result.out), QString());
        QCOMPARE(PictureSize(work / "velmora1.jpg"), QSize(510, 260));
        QSize small = PictureSize(work / "velmora1x.jpg");
        QVERIFY(small.isValid());
        QVERIFY(small.width() < 510 && small.height() < 260);
        // No settings file: the screenshots show the defaults and change nothing.
        QVERIFY(!FileExists(work.Path() + ".config/Corvanta/velmora/config.ini"));
    }

    // As --window=FILE starts it: the window opens with the file in its input field.
    void windowStartsOnAFile() {
        TempFolder work;
        const std::string photo = work / "photo.dng";
        velmora::testing::WriteFile(photo, "not decoded before Convert");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(work / "config"));
        PrepareGraphicalMode();
        gJob.RunMode = "T"; // no update check to answer
        QString shown;
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<MainWindow*>(widget)) {
                    shown = qobject_cast<QLineEdit*>(window->Control(2))->text();
                    window->close();
                }
        });
        QCOMPARE(RunMainWindow(photo), 0);
        QCOMPARE(shown, QString::fromStdString(photo));
    }

    void screenshotModeReportsAFolderItCannotWrite() {
        TempFolder work;
        RunResult result = RunOffscreen({"-T", work / "missing"}, work);
        QCOMPARE(result.exitStatus, 1);
        QCOMPARE(SplitLines(result.err).size(), size_t{1});
        QVERIFY(result.err.find("missing") != std::string::npos);
        QVERIFY(!FileExists(work / "missing/velmora1.jpg"));
    }
};

QTEST_MAIN(FaceModes)
#include "face_modes_test.moc"
