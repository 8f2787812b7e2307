// The Preferences dialog as a user meets it from the converter window: the page it opens
// at, the clamp of the folder number, what OK and Defaults write into config.ini, and a
// theme change that reaches the window's pictures at once.
#include "cli/catalogue/catalogue.h"
#include "dng/dng_writer.h"
#include "engine/batch_driver.h"
#include "engine/format_registry.h"
#include "engine/pipeline.h"
#include "fake_desktop.h"
#include "gui/commands.h"
#include "gui/main_window.h"
#include "gui/preferences_controls.h"
#include "gui/preferences_dialog.h"
#include "gui/progress_window.h"
#include "gui/storage/themes.h"
#include "gui/window_job.h"
#include "settings/keywords.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <utility>

using namespace velmora;
using velmora::testing::FakeDesktop;

namespace {

// The value of a key inside its group of the written settings file; null when absent.
QString SavedValue(const QString& group, const QString& key) {
    QFile file(QString::fromStdString(gSettings.ConfigPath));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString current;
    for (const QString& line : QString::fromUtf8(file.readAll()).split("\r\n")) {
        if (line.startsWith('['))
            current = line.mid(1, line.indexOf(']') - 1);
        else if (current == group && line.startsWith(key + " = "))
            return line.mid(key.size() + 3);
    }
    return {};
}

QImage IconImage(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage();
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<MainWindow> window_;

    PreferencesDialog* Open(int command) {
        window_->RunCommand(command);
        PreferencesDialog* dialog = window_->Preferences();
        if (!dialog || !QTest::qWaitForWindowExposed(dialog))
            qFatal("the Preferences dialog was not shown");
        return dialog;
    }

    template <typename Control> Control* Find(PreferencesDialog* dialog, const char* name) {
        auto* control = dialog->findChild<Control*>(name);
        if (!control)
            qFatal("no control %s", name);
        return control;
    }

private slots:
    void initTestCase() {
        SilenceLibraryMessages();
        RebuildAcceptedInputExtensions();
        InitConversionJob();
        LoadCatalogue();
        ListThemes();
    }

    void init() {
        folder_ = std::make_unique<QTemporaryDir>();
        desktop_ = std::make_unique<FakeDesktop>();
        SetDesktop(desktop_.get());
        SettingsDefaults(false);
        gSettings.ConfigPath = folder_->filePath("config.ini").toStdString();
        ResetWindowJob();
        ResetThemePictures();
        LoadTheme(true, true, true);
        window_ = std::make_unique<MainWindow>();
        window_->Open();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void cleanup() {
        window_.reset();
        SetDesktop(nullptr);
    }

    void opensAtTheOutputPageOnlyFromOutputFormatOptions() {
        window_->FieldToolBar(kCommandOutputFormatOptions)->actions().value(0)->trigger();
        PreferencesDialog* dialog = window_->Preferences();
        QVERIFY(dialog);
        QCOMPARE(dialog->CurrentPage(), int(kOutputPage));
        QCOMPARE(dialog->PageList()->currentRow(), int(kOutputPage));
        QCOMPARE(dialog->PageTitle()->text(), QString("Output"));
        QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
        QTRY_VERIFY(window_->Preferences() == nullptr);

        window_->MenuAction(kCommandPreferences)->trigger();
        dialog = window_->Preferences();
        QVERIFY(dialog);
        QCOMPARE(dialog->CurrentPage(), int(kGeneralPage));
        QCOMPARE(dialog->PageTitle()->text(), QString("General"));
    }

    void outFoldersNumberIsClamped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("shown");
        QTest::newRow("below one") << "0" << 1;
        QTest::newRow("above fifty") << "80" << 50;
    }
    void outFoldersNumberIsClamped() {
        QFETCH(QString, typed);
        QFETCH(int, shown);
        auto* field = Find<SliderField>(Open(kCommandPreferences), "Advanced/Out Folders Number");
        field->NumberField()->clear();
        QTest::keyClicks(field->NumberField(), typed);
        QCOMPARE(field->NumberField()->text(), QString::number(shown));
        QCOMPARE(field->Slider()->value(), shown);
    }

    void okWithNeutralAdjustmentsTurnsColorCorrectionOff() {
        gSettings.DoImageColorCorrection = 1;
        PreferencesDialog* dialog = Open(kCommandPreferences);
        QCOMPARE(Find<SliderField>(dialog, "Adjustment/Image Gamma")->Value(), 100);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        QCOMPARE(int(gSettings.DoImageColorCorrection), 0);
        QCOMPARE(SavedValue("Adjustment", "Do Image Color Correction"), QString("0"));
    }

    void everyPageSavesItsControls() {
        using Change = std::function<void(PreferencesDialog*)>;
        struct Case {
            int page;
            Change change;
            const char *group, *key, *saved;
        };
        desktop_->chosenColor = QColor(0x12, 0x34, 0x56);
        desktop_->chosenFontFamily = "DejaVu Serif";
        const Case cases[] = {
            {kGeneralPage,
             [&](auto* d) { Find<QComboBox>(d, "General/Update Range")->setCurrentIndex(4); },
             "General", "Update Range", "4"},
            {kInterfacePage,
             [&](auto* d) { Find<QComboBox>(d, "Interface/UI Size")->setCurrentIndex(1); },
             "Interface", "UI Size", "1"},
            {kInputPage,
             [&](auto* d) { Find<QComboBox>(d, "Input/RAW Load As")->setCurrentIndex(3); }, "Input",
             "RAW Load As", "3"},
            {kOutputPage,
             [&](auto* d) {
                 auto* box = Find<QComboBox>(d, "Output/TIFF BPP");
                 box->setCurrentIndex(box->findText("48"));
             },
             "Output", "TIFF BPP", "48"},
            {kTransformPage,
             [&](auto* d) {
                 // The angle is greyed out until rotation is turned on.
                 QLineEdit* number =
                     Find<SliderField>(d, "Transform/Image Rotation")->NumberField();
                 QVERIFY(!number->isEnabled());
                 QTest::mouseClick(Find<QCheckBox>(d, "Transform/Do Image Rotation"),
                                   Qt::LeftButton);
                 QVERIFY(number->isEnabled());
                 number->clear();
                 QTest::keyClicks(number, "-90");
             },
             "Transform", "Image Rotation", "-90"},
            {kWatermarkPage,
             [&](auto* d) {
                 // Font sizes stay within the range a conversion takes.
                 auto* size = Find<QSpinBox>(d, "Watermark/Font Size");
                 size->setFocus();
                 size->selectAll();
                 QTest::keyClicks(size, "0");
                 QTest::keyClick(size, Qt::Key_Tab);
             },
             "Watermark", "Font Size", "14"},
            {kAdjustmentPage,
             [&](auto* d) { Find<SliderField>(d, "Adjustment/Image Gamma")->SetValue(250); },
             "Adjustment", "Image Gamma", "2.500000"},
            {kFramePage,
             [&](auto* d) {
                 QToolButton* swatch =
                     Find<ColorField>(d, "Frame/Solid Left Color")->SwatchButton();
                 QVERIFY(!swatch->isEnabled());
                 Find<QComboBox>(d, "Frame/Do Frame")->setCurrentIndex(1);
                 QTest::mouseClick(swatch, Qt::LeftButton);
             },
             "Frame", "Solid Left Color", "123456"},
            {kWatermarkPage,
             [&](auto* d) {
                 QTest::mouseClick(Find<ChooserComboField>(d, "Watermark/Font")->ChooseButton(),
                                   Qt::LeftButton);
             },
             "Watermark", "Font", "DejaVu Serif"},
            {kAdvancedPage,
             [&](auto* d) {
                 Find<QDateTimeEdit>(d, "Advanced/Custom Timestamp")
                     ->setDateTime(QDateTime::fromSecsSinceEpoch(1700000040));
             },
             "Advanced", "Custom Timestamp", "1700000040"},
        };
        for (const Case& c : cases) {
            PreferencesDialog* dialog = Open(kCommandPreferences);
            dialog->PageList()->setCurrentRow(c.page);
            QCOMPARE(dialog->CurrentPage(), c.page);
            c.change(dialog);
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
            QTRY_VERIFY(window_->Preferences() == nullptr);
            QCOMPARE(SavedValue(c.group, c.key), QString(c.saved));
        }
    }

    void defaultsAskBeforeResetting_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("declined") << false;
        QTest::newRow("confirmed") << true;
    }
    void defaultsAskBeforeResetting() {
        QFETCH(bool, yes);
        gSettings.UpdateRange = 4;
        desktop_->answer = yes;
        PreferencesDialog* dialog = Open(kCommandPreferences);
        QTest::mouseClick(dialog->DefaultsButton(), Qt::LeftButton);
        QCOMPARE(desktop_->questions.size(), size_t{1});
        QCOMPARE(desktop_->questions[0].title, QString("Reset to Defaults"));
        QCOMPARE(
            desktop_->questions[0].text,
            QString("Are you sure you want to reset all your settings to the default values?"));
        QCOMPARE(gSettings.UpdateRange, yes ? 2 : 4);
        QCOMPARE(SavedValue("General", "Update Range"), yes ? QString("2") : QString());
        if (yes)
            QTRY_VERIFY(window_->Preferences() == nullptr);
        else
            QVERIFY(dialog->isVisible());
    }

    // At the dialog's own size every row of every page, and of every panel a choice shows,
    // lies inside the page: nothing needs scrolling.
    void everyRowIsVisibleWithoutScrolling() {
        PreferencesDialog* dialog = Open(kCommandPreferences);
        const std::map<int, const char*> choices = {{kInputPage, "Input/Format"},
                                                    {kOutputPage, "Output/Format"},
                                                    {kWatermarkPage, "Watermark/Do Watermark"}};
        for (int page = 0; page < kPreferencesPageCount; ++page) {
            dialog->ShowPage(page);
            auto* area = Find<QScrollArea>(dialog, PreferencesPageEntries()[size_t(page)].entryKey);
            auto* panels =
                choices.count(page) ? Find<QComboBox>(dialog, choices.at(page)) : nullptr;
            for (int shown = 0; shown < (panels ? panels->count() : 1); ++shown) {
                if (panels)
                    panels->setCurrentIndex(shown);
                QCoreApplication::processEvents();
                QCOMPARE(area->verticalScrollBar()->maximum(), 0);
                for (QWidget* row : area->findChildren<QWidget*>(QRegularExpression("/")))
                    QVERIFY2(!row->isVisibleTo(area) ||
                                 area->viewport()->rect().contains(
                                     QRect(row->mapTo(area->viewport(), QPoint()), row->size())),
                             qPrintable(row->objectName()));
            }
        }
    }

    // The dialog opens wholly on its screen (1366 x 768 at scale 1 with two columns of rows,
    // 1920 x 1080 at scale 2 with as many as fit there): its buttons inside it, no page
    // scrolling sideways, every control at least as wide as it asks. The page list has the
    // keys and moves with the arrows.
    void theDialogFitsTheScreen() {
        PreferencesDialog* dialog = Open(kCommandPreferences);
        QRect screen = dialog->screen()->availableGeometry();
        QVERIFY(screen.contains(dialog->frameGeometry()));
        if (screen.width() >= 1366)
            QCOMPARE(dialog->Columns(), 2);
        for (QWidget* button :
             {dialog->DefaultsButton(), dialog->OkButton(), dialog->CancelButton()})
            QVERIFY(
                dialog->rect().contains(QRect(button->mapTo(dialog, QPoint()), button->size())));
        for (int page = 0; page < kPreferencesPageCount; ++page) {
            dialog->ShowPage(page);
            auto* area = Find<QScrollArea>(dialog, PreferencesPageEntries()[size_t(page)].entryKey);
            QCoreApplication::processEvents();
            QCOMPARE(area->horizontalScrollBar()->maximum(), 0);
            for (QWidget* control : area->findChildren<QWidget*>(QRegularExpression("/")))
                QVERIFY2(!control->isVisibleTo(area) ||
                             control->width() >= control->minimumSizeHint().width(),
                         qPrintable(control->objectName()));
        }
        dialog->ShowPage(kGeneralPage);
        QTRY_COMPARE(QApplication::focusWidget(), dialog->PageList());
        QTest::keyClick(dialog->PageList(), Qt::Key_Down);
        QTest::keyClick(dialog->PageList(), Qt::Key_Down);
        QCOMPARE(dialog->CurrentPage(), int(kInputPage));
        QTest::keyClick(dialog->PageList(), Qt::Key_Up);
        QCOMPARE(dialog->PageTitle()->text(), QString("Interface"));
    }

    // An older settings file may name fonts this system lacks: only the ones that draw are
    // offered, each with a sample in its own face, with every installed family, and each of
    // them converts.
    void everyOfferedFontConverts() {
        gSettings.FontList = "Arial,Velmora No Such Face,DejaVu Sans";
        PreferencesDialog* dialog = Open(kCommandPreferences);
        QComboBox* box = Find<ChooserComboField>(dialog, "Watermark/Font")->Box();
        QStringList offered;
        for (int i = 0; i < box->count(); ++i)
            offered << box->itemText(i);
        QCOMPARE(offered.mid(0, 2), QStringList({"Arial", "DejaVu Sans"}));
        QVERIFY(offered.contains("Liberation Serif") && !offered.contains("Velmora No Such Face"));
        // Names in the interface's face, readable for a symbol font too; the sample in the
        // family's own face.
        QVERIFY(!box->itemData(1, Qt::FontRole).isValid());
        QCOMPARE(box->itemData(1, kFontSampleRole).value<QFont>().family(), QString("DejaVu Sans"));
        QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
        QString input = folder_->filePath("sample.dng");
        QVERIFY(dng::WriteDng(input.toStdString(), {.width = 64, .height = 48}));
        gSettings.DoWatermark = ValueOf(WatermarkKind::Text);
        for (const QString& family : offered) {
            gSettings.FontName = family.toStdString();
            static_cast<QLineEdit*>(window_->Control(kInputFileField))->setText(input);
            static_cast<QComboBox*>(window_->Control(kOutputFolderField))
                ->setEditText(folder_->path());
            window_->RunCommand(kCommandConvert);
            ProgressWindow* progress = window_->Progress();
            QVERIFY2(progress, qPrintable(family));
            QTRY_VERIFY_WITH_TIMEOUT(!progress->Running(), 30000);
            QVERIFY2(window_->StatusText() == "Conversion complete", qPrintable(family));
            progress->close();
            QTRY_VERIFY(window_->Progress() == nullptr);
        }
    }

    // Icon Size reaches the field tool bars and the menus at once; the page list keeps its
    // 32-pixel icons whatever the size.
    void iconSizeReachesTheToolBarsAndMenus() {
        QMenu* file = window_->menuBar()->actions().value(0)->menu();
        QAction* exit = window_->MenuAction(kCommandExit);
        int menuHeight = 0;
        for (auto [uiSize, toolBar, menu] : {std::tuple{0, 16, 16}, {1, 24, 20}, {2, 32, 24}}) {
            PreferencesDialog* dialog = Open(kCommandPreferences);
            QCOMPARE(dialog->PageList()->item(0)->icon().actualSize(QSize(32, 32)), QSize(32, 32));
            Find<QComboBox>(dialog, "Interface/UI Size")->setCurrentIndex(uiSize);
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
            QTRY_VERIFY(window_->Preferences() == nullptr);
            QToolBar* bar = window_->FieldToolBar(kCommandOutputFormatOptions);
            QCOMPARE(bar->actions().value(0)->icon().actualSize(QSize(64, 64)),
                     QSize(toolBar, toolBar));
            QCOMPARE(file->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, file), menu);
            QCOMPARE(exit->icon().actualSize(QSize(menu, menu)), QSize(menu, menu));
            QVERIFY(file->actionGeometry(exit).height() >
                    std::exchange(menuHeight, file->actionGeometry(exit).height()));
        }
    }

    void aNewThemeReachesTheWindowAtOnce() {
        QCOMPARE(QString::fromStdString(gSettings.UiTheme), QString("handdrawn"));
        QAction* exit = window_->MenuAction(kCommandExit);
        QAction* options = window_->FieldToolBar(kCommandOutputFormatOptions)->actions().value(0);
        QImage menuBefore = IconImage(exit->icon());
        QImage barBefore = IconImage(options->icon());

        PreferencesDialog* dialog = Open(kCommandPreferences);
        auto* themes = Find<QComboBox>(dialog, "Interface/UI Theme");
        int flat = themes->findData("flat");
        QVERIFY2(flat >= 0, "the flat theme ships beside the program");
        themes->setCurrentIndex(flat);
        QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);

        QCOMPARE(QString::fromStdString(gSettings.UiTheme), QString("flat"));
        QCOMPARE(SavedValue("Interface", "UI Theme"), QString("flat"));
        QVERIFY(IconImage(exit->icon()) != menuBefore);
        QVERIFY(IconImage(options->icon()) != barBefore);
    }
};

QTEST_MAIN(PreferencesTest)
#include "preferences_test.moc"
