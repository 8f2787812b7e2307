// The converter window as a user meets it: its controls and layout, taking input files,
// the recent output folders, the checks before a conversion, a real conversion with its
// progress window, the menus and commands, and the settings written when it closes.
#include "cli/catalogue/catalogue.h"
#include "dng/dng_writer.h"
#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "engine/pipeline.h"
#include "fake_desktop.h"
#include "gui/commands.h"
#include "gui/custom_converter_window.h"
#include "gui/graphical_mode.h"
#include "gui/main_window.h"
#include "gui/progress_window.h"
#include "gui/window_job.h"
#include "platform/files.h"
#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/pictures.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrlQuery>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>

using namespace velmora;
using velmora::testing::FakeDesktop;

namespace {

QLineEdit* InputField(MainWindow& window) {
    return static_cast<QLineEdit*>(window.Control(kInputFileField));
}

QComboBox* FolderField(MainWindow& window) {
    return static_cast<QComboBox*>(window.Control(kOutputFolderField));
}

QStringList Entries(QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QString kEmptyInput = "No input file(s) found. Please, add valid file(s) and try again!";

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<QTemporaryDir> folder_;

    QString Path(const QString& name) const { return folder_->filePath(name); }

    QString MakeDng(const QString& name, int width = 64, int height = 48) {
        dng::DngOptions options;
        options.width = width;
        options.height = height;
        std::string error;
        if (!dng::WriteDng(Path(name).toStdString(), options, &error))
            qFatal("sample DNG: %s", error.c_str());
        return Path(name);
    }

    std::unique_ptr<MainWindow> OpenWindow(int width = 510) {
        gSettings.WindowWidth = width;
        auto window = std::make_unique<MainWindow>();
        window->Open();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window was not shown");
        QCoreApplication::processEvents();
        return window;
    }

    // The window after Convert, with the progress window it opened.
    ProgressWindow* StartConversion(MainWindow& window, const QString& input, const QString& out) {
        InputField(window)->setText(input);
        FolderField(window)->setEditText(out);
        QTest::mouseClick(window.Control(kConvertButton), Qt::LeftButton);
        return window.Progress();
    }

private slots:
    void initTestCase() {
        SilenceLibraryMessages();
        RebuildAcceptedInputExtensions();
        InitConversionJob();
        LoadCatalogue();
    }

    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", Path("config").toUtf8());
        desktop_ = std::make_unique<FakeDesktop>();
        SetDesktop(desktop_.get());
        SettingsDefaults(false);
        gSettings.ConfigPath = Path("config.ini").toStdString();
        gSettings.WindowX = 100;
        gSettings.WindowY = 100;
        ResetWindowJob();
    }

    void cleanup() { SetDesktop(nullptr); }

    void controlsFollowTheWidth_data() {
        QTest::addColumn<int>("openWidth");
        QTest::addColumn<int>("widenTo");
        QTest::newRow("at the minimum width") << 510 << 0;
        QTest::newRow("opened wider") << 640 << 0;
        QTest::newRow("widened by the user") << 510 << 800;
    }
    void controlsFollowTheWidth() {
        QFETCH(int, openWidth);
        QFETCH(int, widenTo);
        auto window = OpenWindow(openWidth);
        if (widenTo) {
            window->resize(widenTo, 260);
            QCoreApplication::processEvents();
        }
        const int w = widenTo ? widenTo : openWidth;
        QCOMPARE(window->width(), w);
        struct Expected {
            int id;
            QRect place;
        };
        const Expected controls[] = {
            {kInputFileLabel, {10, 5, 350, 20}},       {kInputFileField, {10, 20, w - 160, 20}},
            {kOutputFolderLabel, {10, 45, 350, 20}},   {kOutputFolderField, {10, 60, w - 160, 21}},
            {kOutputFormatLabel, {10, 85, 350, 20}},   {kOutputFormatField, {10, 100, w - 160, 21}},
            {kConvertButton, {w - 110, 20, 100, 100}},
        };
        for (const Expected& control : controls)
            QCOMPARE(window->Control(control.id)->geometry(), control.place);
        // 32-pixel icons, the default Icon Size, centred on their fields.
        for (auto [command, y] : {std::pair{kCommandSelectInputFile, 12},
                                  {kCommandSelectOutputFolder, 52},
                                  {kCommandOutputFormatOptions, 92}})
            QCOMPARE(window->FieldToolBar(command)->geometry(), QRect(w - 146, y, 36, 36));
        int panelHeight = 260 - window->menuBar()->height() - window->statusBar()->height() - 40;
        QCOMPARE(window->Panel()->geometry(), QRect(0, 0, w, panelHeight));
        QCOMPARE(window->Panel()->mapTo(window.get(), QPoint(0, 0)),
                 QPoint(0, window->menuBar()->height()));
        QWidget* notice = window->Control(kNoticeLabel);
        QCOMPARE(notice->mapTo(window.get(), QPoint(0, 0)), QPoint(10, 260 - 70));
        QCOMPARE(notice->size(), QSize(350, 20));
    }

    // A window that only grows wider is offered no maximise, nor opened maximised.
    void theWindowOnlyGrowsWider() {
        gSettings.IsMaximized = 1;
        auto window = OpenWindow();
        QVERIFY(!window->isMaximized());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
        window->resize(900, 400);
        QCoreApplication::processEvents();
        QCOMPARE(window->size(), QSize(900, 260));
        window->resize(300, 100);
        QCoreApplication::processEvents();
        QCOMPARE(window->size(), QSize(510, 260));
        QCOMPARE(window->maximumHeight(), 260);
    }

    // The window opens wholly on a screen of the test's own size (1600 x 1000, or 1920 x 1080
    // at scale 2, in logical pixels 960 x 540), wherever and however large it was saved.
    void aSavedPlaceOpensOnTheScreen_data() {
        QTest::addColumn<QRect>("saved");
        QTest::newRow("far right and below") << QRect(5000, 5000, 510, 260);
        QTest::newRow("left of and above") << QRect(-3000, -2000, 510, 260);
        QTest::newRow("wider than the screen") << QRect(200, 100, 4000, 260);
    }
    void aSavedPlaceOpensOnTheScreen() {
        QFETCH(QRect, saved);
        gSettings.WindowX = saved.x();
        gSettings.WindowY = saved.y();
        auto window = OpenWindow(saved.width());
        QRect screen = window->screen()->availableGeometry();
        QVERIFY2(screen.contains(window->frameGeometry()), qPrintable(QString("%1,%2 %3x%4")
                                                                          .arg(window->x())
                                                                          .arg(window->y())
                                                                          .arg(window->width())
                                                                          .arg(window->height())));
        QCOMPARE(window->height(), 260);
        // Only as much narrower as the screen (less a window frame) asks.
        if (saved.width() + 100 < screen.width())
            QCOMPARE(window->width(), saved.width());
        else
            QVERIFY(window->width() > screen.width() * 9 / 10);
    }

    // The keyboard alone reaches everything: Tab visits every control once in reading order,
    // the field buttons included; Alt+letter and F10 open the menus; Enter converts, or
    // presses the focused button.
    void theKeyboardReachesEverything() {
        auto window = OpenWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto button = [&](int command) {
            QToolBar* bar = window->FieldToolBar(command);
            return bar->widgetForAction(bar->actions().value(0));
        };
        const QList<QWidget*> expected = {
            window->Control(kInputFileField),    button(kCommandSelectInputFile),
            window->Control(kOutputFolderField), button(kCommandSelectOutputFolder),
            window->Control(kOutputFormatField), button(kCommandOutputFormatOptions),
            window->Control(kConvertButton)};
        QCOMPARE(QApplication::focusWidget(), expected.first());
        QList<QWidget*> visited = {expected.first()};
        for (int press = 0; press < 2 * expected.size(); ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == expected.first())
                break;
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, expected);
        for (int command :
             {kCommandSelectInputFile, kCommandSelectOutputFolder, kCommandOutputFormatOptions})
            QCOMPARE(button(command)->accessibleName(),
                     window->FieldToolBar(command)->actions().value(0)->toolTip());

        const QList<QAction*> menus = window->menuBar()->actions();
        for (auto [key, modifier, menu] : {std::tuple{Qt::Key_F, Qt::AltModifier, 0},
                                           {Qt::Key_H, Qt::AltModifier, 2},
                                           {Qt::Key_F10, Qt::NoModifier, 0}}) {
            QTest::keyClick(window.get(), key, modifier);
            QTRY_COMPARE(QApplication::activePopupWidget(), menus[menu]->menu());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
        }

        // Enter in a field converts, once: here it is refused for the empty input.
        for (int field : {kInputFileField, kOutputFolderField, kOutputFormatField}) {
            desktop_->warnings.clear();
            window->Control(field)->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(desktop_->warnings.size(), size_t{1});
            QCOMPARE(desktop_->warnings[0].text, kEmptyInput);
        }
        desktop_->warnings.clear();
        button(kCommandSelectInputFile)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(desktop_->filter.startsWith("Camera RAW files"));
        QVERIFY(desktop_->warnings.empty());
    }

    void acceptTest_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: nothing is created
        QTest::addColumn<bool>("accepted");
        QTest::newRow("raw file") << "photo.dng" << QByteArray("raw") << true;
        QTest::newRow("upper-case extension") << "PHOTO.NEF" << QByteArray("raw") << true;
        QTest::newRow("empty file") << "empty.dng" << QByteArray("") << false;
        QTest::newRow("missing file") << "missing.dng" << QByteArray() << false;
        QTest::newRow("not a raw extension") << "notes.txt" << QByteArray("raw") << false;
        QTest::newRow("no extension") << "photo" << QByteArray("raw") << false;
    }
    void acceptTest() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, accepted);
        if (!content.isNull())
            WriteBytes(Path(name), content);
        auto window = OpenWindow();
        QCOMPARE(window->TakeInputFile(Path(name)), accepted);
        QCOMPARE(InputField(*window)->text(), accepted ? Path(name) : QString());
        QCOMPARE(gInputFileMap.size(), size_t{accepted ? 1u : 0u});
        // An empty output folder becomes the input's folder, at the head of the list.
        QString folder = accepted ? folder_->path() + "/" : QString();
        QCOMPARE(FolderField(*window)->currentText(), folder);
        QCOMPARE(QString::fromStdString(gJob.OutputFolder), folder);
        QCOMPARE(QString::fromStdString(gSettings.RecentOutFolders), folder);
    }

    void aDropTakesOnlyTheFirstFile() {
        WriteBytes(Path("first.dng"), "raw");
        WriteBytes(Path("second.dng"), "raw");
        WriteBytes(Path("notes.txt"), "text");
        auto window = OpenWindow();
        FolderField(*window)->setEditText("/chosen/");
        auto drop = [&](const QStringList& names) {
            QMimeData data;
            QList<QUrl> urls;
            for (const QString& name : names)
                urls << QUrl::fromLocalFile(Path(name));
            data.setUrls(urls);
            // As a drag arrives: it enters the window, then drops.
            QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(window.get(), &enter);
            QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(window.get(), &event);
        };
        drop({"first.dng", "second.dng"});
        QCOMPARE(InputField(*window)->text(), Path("first.dng"));
        // The first one counts: a refused first file is not made up for by the next.
        drop({"notes.txt", "second.dng"});
        QCOMPARE(InputField(*window)->text(), Path("first.dng"));
        QCOMPARE(QString::fromStdString(gInputFileMap.begin()->first), Path("first.dng"));
        QCOMPARE(FolderField(*window)->currentText(), QString("/chosen/"));
    }

    void recentOutputFolders() {
        gSettings.RecentOutFolders = "/photos/one/\t/Photos/Two/";
        gSettings.OutFoldersNumber = 2;
        auto window = OpenWindow();
        QComboBox* field = FolderField(*window);
        QCOMPARE(Entries(field), QStringList({"/photos/one/", "/Photos/Two/"}));
        QVERIFY(!field->itemIcon(1).isNull());
        desktop_->chosenFolder = "/photos/two";
        window->RunCommand(kCommandSelectOutputFolder);
        QCOMPARE(Entries(field), QStringList({"/photos/two/", "/photos/one/"}));
        QCOMPARE(field->currentText(), QString("/photos/two/"));
        QCOMPARE(QString::fromStdString(gJob.OutputFolder), QString("/photos/two/"));
        // Picking an entry of the list makes it the job's output folder.
        field->setCurrentIndex(1);
        QCOMPARE(QString::fromStdString(gJob.OutputFolder), QString("/photos/one/"));
    }

    void convertRefusesWithAWarning() {
        QString dng = MakeDng("sample.dng");
        WriteBytes(Path("notes.txt"), "not a picture");
        WriteBytes(Path("noise.png"),
                   QByteArray::fromStdString(velmora::testing::NoiseBytes(900, 3)));
        QDir(folder_->path()).mkdir("out");
        const QString out = Path("out");
        const QString missing = Path("missing/deeper");
        struct Case {
            const char* name;
            QString input, folder;
            std::function<void()> settings;
            QString message;
        };
        const Case cases[] = {
            {"empty input field", "", out, [] {}, kEmptyInput},
            {"refused input", Path("notes.txt"), out, [] {}, kEmptyInput},
            {"empty output folder", dng, "", [] {},
             "The output folder's field is empty. Please, select existed output folder and try "
             "again!"},
            {"missing output folder", dng, missing, [] {},
             "The following output folder is invalid or doesn't exist:\r\n" + missing +
                 "/\r\n\r\nPlease, correct the output path and try again!"},
            {"resize without width", dng, out,
             [] { gSettings.DoImageResize = 1, gSettings.ImageHeight = 10; },
             "Invalid resize width value!"},
            {"resize without height", dng, out,
             [] { gSettings.DoImageResize = 1, gSettings.ImageWidth = 10; },
             "Invalid resize height value!"},
            {"unknown watermark font", dng, out,
             [] { gSettings.DoWatermark = 1, gSettings.FontName = "NoSuchFace Zq"; },
             "Unable to load selected font for a watermark: NoSuchFace Zq"},
            {"no watermark picture", dng, out, [] { gSettings.DoWatermark = 2; },
             "Selected watermark image is invalid/empty!"},
            {"unreadable watermark picture", dng, out,
             [&] {
                 gSettings.DoWatermark = 2;
                 gSettings.WatermarkImage = Path("noise.png").toStdString();
             },
             "Unable to load selected file as a watermark image: " + Path("noise.png")},
        };
        for (const Case& c : cases) {
            SettingsDefaults(false);
            c.settings();
            desktop_->warnings.clear();
            auto window = OpenWindow();
            QVERIFY2(StartConversion(*window, c.input, c.folder) == nullptr, c.name);
            QVERIFY2(desktop_->warnings.size() == 1, c.name);
            QCOMPARE(desktop_->warnings[0].title, QString("Warning"));
            QCOMPARE(desktop_->warnings[0].text, c.message);
            QCOMPARE(window->StatusText(), QString("Conversion stopped"));
        }
        QVERIFY(!QFileInfo::exists(Path("missing")));
        QVERIFY(QDir(out).isEmpty());
        QVERIFY(!QFileInfo::exists(Path("sample.tiff")));
    }

    // The field keeps what was typed: a prefix of a recent folder is not completed into it.
    void aTypedFolderIsTheOneUsed() {
        QString dng = MakeDng("sample.dng");
        QDir(folder_->path()).mkpath("out/C");
        gSettings.RecentOutFolders = (Path("out/C") + "/").toStdString();
        auto window = OpenWindow();
        InputField(*window)->setText(dng);
        QLineEdit* typed = FolderField(*window)->lineEdit();
        typed->clear();
        QTest::keyClicks(typed, Path("out/"));
        QCOMPARE(FolderField(*window)->currentText(), Path("out/"));
        QTest::mouseClick(window->Control(kConvertButton), Qt::LeftButton);
        ProgressWindow* progress = window->Progress();
        QVERIFY(progress);
        QTRY_VERIFY_WITH_TIMEOUT(!progress->Running(), 60000);
        QVERIFY(QFileInfo::exists(Path("out/sample.tiff")));
        QVERIFY(!QFileInfo::exists(Path("out/C/sample.tiff")));
        QVERIFY(progress->close());
        QTRY_VERIFY(window->Progress() == nullptr);
    }

    // Stop in the middle of a slow decode abandons the file: the earlier output stays as it
    // was, and the window says why nothing was written. A file that cannot be read says why.
    void aStoppedOrFailedFileIsNotWritten_data() {
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("reason");
        QTest::newRow("stopped mid-decode") << true << "large.dng: stopped by the user";
        QTest::newRow("not a camera file")
            << false << "large.dng: not a camera file LibRaw can read";
    }
    void aStoppedOrFailedFileIsNotWritten() {
        QFETCH(bool, stop);
        QFETCH(QString, reason);
        QString input = Path("large.dng");
        if (stop)
            MakeDng("large.dng", 4000, 3000);
        else
            WriteBytes(input, QByteArray::fromStdString(velmora::testing::NoiseBytes(9000, 5)));
        const QByteArray earlier = "an earlier output";
        WriteBytes(Path("large.tiff"), earlier);
        gSettings.RawLoadAs = ValueOf(RawLoadAs::Rgb48);
        desktop_->answer = true;
        auto window = OpenWindow();
        ProgressWindow* progress = StartConversion(*window, input, folder_->path());
        QVERIFY(progress);
        if (stop) {
            QTRY_COMPARE(progress->windowTitle(), QString("Converting (1/1)"));
            QVERIFY(!progress->close());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!progress->Running(), 120000);
        QFile kept(Path("large.tiff"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), earlier);
        QCOMPARE(QDir(folder_->path()).entryList({"*.part"}, QDir::Hidden | QDir::Files),
                 QStringList());
        QCOMPARE(progress->FileLabel()->text(), QString("Conversion stopped"));
        QCOMPARE(progress->FailuresLabel()->text(), reason);
        QCOMPARE(progress->Bar()->value(), 0);
        QVERIFY(progress->close());
        QTRY_VERIFY(window->Progress() == nullptr);
    }

    void convertsFromTheWindow() {
        QString dng = MakeDng("sample.dng");
        QDir(folder_->path()).mkdir("out");
        auto window = OpenWindow();
        ProgressWindow* progress = StartConversion(*window, dng, Path("out"));
        QVERIFY(progress);
        QVERIFY(desktop_->warnings.empty());
        QCOMPARE(window->StatusText(), QString("Converting..."));
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        QVERIFY(!window->menuBar()->isEnabled());
        QVERIFY(!window->centralWidget()->isEnabled());
        QVERIFY(!progress->OkButton()->isEnabled());
        QCOMPARE(progress->TimeLabel()->text(), QString("Time Remaining: Unknown"));

        QTRY_VERIFY_WITH_TIMEOUT(!progress->Running(), 60000);
        QFile tiff(Path("out/sample.tiff"));
        QVERIFY(tiff.open(QIODevice::ReadOnly));
        QByteArray head = tiff.read(4);
        QVERIFY(head == QByteArray("II*\0", 4) || head == QByteArray("MM\0*", 4));
        QCOMPARE(window->StatusText(), QString("Conversion complete"));
        QCOMPARE(progress->windowTitle(), QString("Converting (1/1)"));
        QCOMPARE(progress->FileLabel()->text(), QString("Conversion complete"));
        QCOMPARE(progress->TimeLabel()->text(), QString("(1/1)"));
        QCOMPARE(progress->Bar()->value(), progress->Bar()->maximum());
        QVERIFY(progress->OkButton()->isEnabled());
        QCOMPARE(QString::fromStdString(gSettings.RecentOutFolders), Path("out") + "/");

        QTest::mouseClick(progress->OkButton(), Qt::LeftButton);
        QTRY_VERIFY(window->Progress() == nullptr);
        QVERIFY(window->menuBar()->isEnabled());
        QVERIFY(window->centralWidget()->isEnabled());
    }

    // A full decode of a large file: the bar moves through the file's stages and the time
    // taken shows, and only the end fills the bar.
    void progressIsBelowFullWhileTheFileConverts() {
        QString dng = MakeDng("large.dng", 4000, 3000);
        gSettings.RawLoadAs = ValueOf(RawLoadAs::Rgb48);
        gSettings.RawToneMapping = 0;
        auto window = OpenWindow();
        ProgressWindow* progress = StartConversion(*window, dng, folder_->path());
        QVERIFY(progress);
        QTRY_COMPARE(progress->windowTitle(), QString("Converting (1/1)"));
        QVERIFY(progress->Running());
        QVERIFY(progress->Bar()->value() < progress->Bar()->maximum());
        QVERIFY(progress->TimeLabel()->text().startsWith("Time Elapsed: 00:00:"));
        QTRY_VERIFY_WITH_TIMEOUT(!progress->Running(), 120000);
        QCOMPARE(progress->Bar()->value(), progress->Bar()->maximum());
        QVERIFY(progress->close());
        QTRY_VERIFY(window->Progress() == nullptr);
    }

    void closingTheProgressWindowAsksFirst_data() {
        QTest::addColumn<bool>("breakOff");
        QTest::addColumn<QString>("result");
        QTest::newRow("yes breaks off") << true << "Conversion stopped";
        QTest::newRow("no goes on") << false << "Conversion complete";
    }
    void closingTheProgressWindowAsksFirst() {
        QFETCH(bool, breakOff);
        QFETCH(QString, result);
        QString dng = MakeDng("sample.dng");
        auto window = OpenWindow();
        bool workerHeld = false;
        desktop_->answer = breakOff;
        desktop_->whileAsking = [&] {
            std::atomic<bool> locked = false;
            std::thread other([&] {
                locked = gRunMutex.try_lock();
                if (locked)
                    gRunMutex.unlock();
            });
            other.join();
            workerHeld = !locked;
        };
        ProgressWindow* progress = StartConversion(*window, dng, folder_->path());
        QVERIFY(progress);
        QVERIFY(!window->close()); // the run holds the main window open
        QVERIFY(!progress->close());
        QCOMPARE(desktop_->questions.size(), size_t{1});
        QCOMPARE(desktop_->questions[0].title, QString("Warning"));
        QCOMPARE(desktop_->questions[0].text, QString("Do you want to break the conversion?"));
        QVERIFY(workerHeld);
        QTRY_VERIFY_WITH_TIMEOUT(!progress->Running(), 60000);
        QCOMPARE(progress->Stopped(), breakOff);
        QCOMPARE(window->StatusText(), result);
        if (!breakOff)
            QVERIFY(QFileInfo::exists(Path("sample.tiff")));
        QVERIFY(progress->close());
        QTRY_VERIFY(window->Progress() == nullptr);
    }

    void menusHoldTheCommands() {
        auto window = OpenWindow();
        // Each title and item has its own Alt+letter within its menu.
        const std::vector<std::pair<QString, QStringList>> menus = {
            {"&File",
             {"&New\tCtrl+N", "", "&Add Input File...", "&Select Output Folder...", "",
              "&Exit\tAlt+X"}},
            {"&Converter",
             {"&Convert\tF5", "", "&Find a File Converter...", "", "&Preferences..."}},
            {"&Help",
             {"&User Manual...\tF1", "", "&Send Feedback...", "&Visit the Program's Homepage",
              "&Check For a New Version", "", "&About..."}},
        };
        QList<QAction*> titles = window->menuBar()->actions();
        QCOMPARE(titles.size(), qsizetype(menus.size()));
        for (size_t m = 0; m < menus.size(); ++m) {
            QCOMPARE(titles[qsizetype(m)]->text(), menus[m].first);
            QStringList texts;
            for (QAction* item : titles[qsizetype(m)]->menu()->actions()) {
                texts << (item->isSeparator() ? QString() : item->text());
                if (item->isSeparator())
                    continue;
                QVERIFY2(!item->icon().isNull(), qPrintable(item->text()));
                QVERIFY2(item->isEnabled(), qPrintable(item->text()));
            }
            QCOMPARE(texts, menus[m].second);
        }
        for (auto [command, keys] : {std::pair{kCommandNew, "Ctrl+N"},
                                     {kCommandExit, "Alt+X"},
                                     {kCommandConvert, "F5"},
                                     {kCommandManual, "F1"}})
            QCOMPARE(window->MenuAction(command)->shortcut(), QKeySequence(keys));
        for (auto [command, tip] : {std::pair{kCommandSelectInputFile, "Add Input File..."},
                                    {kCommandSelectOutputFolder, "Select Output Folder..."},
                                    {kCommandOutputFormatOptions, "Options..."}}) {
            QAction* button = window->FieldToolBar(command)->actions().value(0);
            QVERIFY(button);
            QCOMPARE(button->toolTip(), QString(tip));
            QVERIFY(button->isEnabled());
            QVERIFY(!button->icon().isNull());
        }
    }

    void shortcutsRunTheirCommands() {
        auto window = OpenWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_F1);
        QCOMPARE(desktop_->opened.size(), size_t{1});
        QTest::keyClick(window.get(), Qt::Key_F5);
        QCOMPARE(desktop_->warnings.size(), size_t{1});
        InputField(*window)->setText("/somewhere/photo.dng");
        window->PutOutputFolderFirst("/recent/");
        FolderField(*window)->setCurrentIndex(0);
        gJob.ProjectFile = "list.vlm";
        QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(InputField(*window)->text(), QString());
        // Empty, without the recent folder's icon.
        QCOMPARE(FolderField(*window)->currentIndex(), -1);
        QCOMPARE(FolderField(*window)->currentText(), QString());
        QCOMPARE(QString::fromStdString(gJob.ProjectFile), QString("untitled.vlm"));
        QTest::keyClick(window.get(), Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY(!window->isVisible());
    }

    void addressesOpenWithTheDesktop() {
        auto window = OpenWindow();
        window->RunCommand(kCommandManual);
        window->RunCommand(kCommandSendFeedback);
        window->RunCommand(kCommandVisitHomepage);
        QCOMPARE(desktop_->opened.size(), size_t{3});
        QUrl manual = desktop_->opened[0];
        QVERIFY(manual.isLocalFile());
        QCOMPARE(QFileInfo(manual.toLocalFile()).fileName(), QString(kManualFileName));
        QVERIFY2(QFileInfo::exists(manual.toLocalFile()), "the manual ships beside the program");
        QUrl mail = desktop_->opened[1];
        QCOMPARE(mail.scheme(), QString("mailto"));
        QCOMPARE(mail.path(), QString("support@corvanta.com"));
        QCOMPARE(QUrlQuery(mail).queryItemValue("subject", QUrl::FullyDecoded),
                 QString("Corvanta ZUV iv EDAZ 3.2 Feedback"));
        QCOMPARE(desktop_->opened[2], QUrl("https://www.corvanta.com/velmora/"));

        // Without a handler each says so and shows what to open by hand.
        desktop_->opens = false;
        const QString shown[] = {manual.toLocalFile(),
                                 "mailto:support@corvanta.com?subject=Corvanta ZUV iv EDAZ 3.2 "
                                 "Feedback",
                                 "https://www.corvanta.com/velmora/"};
        for (int command : {kCommandManual, kCommandSendFeedback, kCommandVisitHomepage})
            window->RunCommand(command);
        QCOMPARE(desktop_->errors.size(), size_t{3});
        for (size_t i = 0; i < 3; ++i) {
            QCOMPARE(desktop_->errors[i].title, QString("Error"));
            QCOMPARE(desktop_->errors[i].text, "The following address could not be opened:\r\n" +
                                                   shown[i] + "\r\n\r\nPlease, open it by hand.");
        }
    }

    void selectInputFileOffersTheRawFormats() {
        QString dng = MakeDng("chosen.dng");
        auto window = OpenWindow();
        desktop_->chosenFile = dng;
        window->RunCommand(kCommandSelectInputFile);
        QCOMPARE(InputField(*window)->text(), dng);
        // One short line for the camera files, then all files.
        QStringList filters = desktop_->filter.split(";;");
        QCOMPARE(filters.size(), qsizetype(2));
        QVERIFY(filters.first().startsWith("Camera RAW files (*.raw *.RAW *.raw1"));
        QVERIFY(filters.first().contains(" *.dng *.DNG "));
        QCOMPARE(filters.last(), QString("All Files (*.*)"));
    }

    void customConverterSearches_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("address"); // empty: refused with a warning
        QTest::newRow("found") << " .NEF "
                               << "Jpg"
                               << "https://www.corvanta.com/find/nef-jpg/";
        QTest::newRow("no source") << ""
                                   << "tiff"
                                   << "";
    }
    void customConverterSearches() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, address);
        auto window = OpenWindow();
        window->RunCommand(kCommandCustomConverter);
        auto* finder = window->findChild<CustomConverterWindow*>();
        QVERIFY(finder);
        QCOMPARE(finder->windowTitle(), QString("Find a File Converter"));
        finder->FromField()->setText(from);
        finder->ToField()->setText(to);
        QTest::mouseClick(finder->SearchButton(), Qt::LeftButton);
        if (address.isEmpty()) {
            QCOMPARE(desktop_->warnings.size(), size_t{1});
            QCOMPARE(desktop_->warnings[0].text,
                     QString("Please, fill all required fields and try again!"));
            QVERIFY(desktop_->opened.empty());
            QVERIFY(finder->isVisible());
        } else {
            QVERIFY(desktop_->warnings.empty());
            QCOMPARE(desktop_->opened, std::vector<QUrl>{QUrl(address)});
            QTRY_VERIFY(window->findChild<CustomConverterWindow*>() == nullptr);
        }
    }

    void exitSavesTheWindowState_data() {
        QTest::addColumn<bool>("maximize");
        QTest::addColumn<int>("history");
        QTest::newRow("normal window") << false << 1;
        QTest::newRow("maximised window") << true << 1;
        QTest::newRow("without folder history") << false << 0;
    }
    void exitSavesTheWindowState() {
        QFETCH(bool, maximize);
        QFETCH(int, history);
        gSettings.WindowX = 120;
        gSettings.WindowY = 130;
        gSettings.OutFoldersHistory = static_cast<int8_t>(history);
        gSettings.RecentOutFolders = "/kept/";
        auto window = OpenWindow(600);
        QCOMPARE(window->pos(), QPoint(120, 130));
        if (maximize) {
            window->showMaximized();
        } else {
            window->move(200, 210);
            window->resize(700, 260);
        }
        QCoreApplication::processEvents();
        window->RunCommand(kCommandExit);
        QVERIFY(!window->isVisible());
        FinishGraphicalMode(*window);

        QCOMPARE(int(gSettings.IsMaximized), maximize ? 1 : 0);
        QCOMPARE(QRect(gSettings.WindowX, gSettings.WindowY, gSettings.WindowWidth,
                       gSettings.WindowHeight),
                 maximize ? QRect(120, 130, 600, 260) : QRect(200, 210, 700, 260));
        QCOMPARE(QString::fromStdString(gSettings.RecentOutFolders),
                 history ? QString("/kept/") : QString());
        QFile saved(QString::fromStdString(gSettings.ConfigPath));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QByteArray text = saved.readAll();
        QVERIFY(text.contains(maximize ? "IsMaximized = 1" : "IsMaximized = 0"));
        QVERIFY(text.contains(maximize ? "Width = 600" : "Width = 700"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
