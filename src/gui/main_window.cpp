#include "gui/main_window.h"

#include "cli/help.h"
#include "engine/format_registry.h"
#include "gui/about_window.h"
#include "gui/commands.h"
#include "gui/custom_converter_window.h"
#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/preferences_dialog.h"
#include "gui/progress_window.h"
#include "gui/recent_folders.h"
#include "gui/screen_fit.h"
#include "gui/theme_pixmaps.h"
#include "gui/update_check.h"
#include "gui/window_job.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProxyStyle>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrlQuery>

#include <algorithm>
#include <utility>
#include <vector>

namespace velmora {
namespace {

constexpr int kSeparator = -1;
// This window has no main tool bar; the layout rule still counts its height.
constexpr int kMainToolBarHeight = 0;
constexpr int kMinimumWidth = 510;
constexpr int kHeight = 260;

struct CommandRow {
    int command;
    const char* menuKey; // catalogue group "Menu"
    const char* picture; // menu icon
    const char* shortcut;
};

constexpr CommandRow kCommandRows[] = {
    {kCommandNew, "New", "New", "Ctrl+N"},
    {kCommandExit, "Exit", "Exit", "Alt+X"},
    {kCommandSelectInputFile, "Select Input File", "Add", nullptr},
    {kCommandSelectOutputFolder, "Select Output Folder", "OutFolder", nullptr},
    {kCommandOutputFormatOptions, "Output Format Options", "OutFormat", nullptr},
    {kCommandConvert, "Convert", "Convert", "F5"},
    {kCommandCustomConverter, "Custom Converter", "CustomConverter", nullptr},
    {kCommandPreferences, "Preferences", "Preferences", nullptr},
    {kCommandManual, "Manual", "Help", "F1"},
    {kCommandSendFeedback, "Send Feedback", "Email", nullptr},
    {kCommandVisitHomepage, "Visit Homepage", "Web", nullptr},
    {kCommandCheckForNewVersion, "Check For New Version", "Updates", nullptr},
    {kCommandAbout, "About", "About", nullptr},
};

const CommandRow& RowOf(int command) {
    return *std::find_if(std::begin(kCommandRows), std::end(kCommandRows),
                         [command](const CommandRow& row) { return row.command == command; });
}

const std::vector<std::pair<const char*, std::vector<int>>>& Menus() {
    static const std::vector<std::pair<const char*, std::vector<int>>> menus = {
        {"File",
         {kCommandNew, kSeparator, kCommandSelectInputFile, kCommandSelectOutputFolder, kSeparator,
          kCommandExit}},
        {"Converter",
         {kCommandConvert, kSeparator, kCommandCustomConverter, kSeparator, kCommandPreferences}},
        {"Help",
         {kCommandManual, kSeparator, kCommandSendFeedback, kCommandVisitHomepage,
          kCommandCheckForNewVersion, kSeparator, kCommandAbout}},
    };
    return menus;
}

struct ControlRow {
    int id;
    const char* name;
    QRect place; // at the minimum width
};

constexpr ControlRow kControlRows[] = {
    {kInputFileLabel, "InputFileLabel", {10, 5, 350, 20}},
    {kInputFileField, "InputFile", {10, 20, 350, 20}},
    {kOutputFolderLabel, "OutputFolderLabel", {10, 45, 350, 20}},
    {kOutputFolderField, "OutputFolder", {10, 60, 350, 21}},
    {kOutputFormatLabel, "OutputFormatLabel", {10, 85, 350, 20}},
    {kOutputFormatField, "OutputFormat", {10, 100, 350, 21}},
    {kConvertButton, "Convert", {400, 20, 100, 100}},
};

// Each field's tool bar is centred on its field's middle row.
struct FieldToolBarRow {
    int command;
    int centreY;
    const char* picture;
};

constexpr FieldToolBarRow kFieldToolBarRows[] = {
    {kCommandSelectInputFile, 30, "Add"},
    {kCommandSelectOutputFolder, 70, "OutFolder"},
    {kCommandOutputFormatOptions, 110, "OutFormat"},
};

// The field rows are 40 pixels apart: their tool bars hold icons of up to 32 pixels, with
// 2 pixels about them.
constexpr int kLargestFieldIcon = 32, kToolBarPadding = 4;

// Menus drawn at the menu icon size that Icon Size asks for: Qt's menus take it from the
// style's small icon size.
class MenuIconStyle : public QProxyStyle {
public:
    explicit MenuIconStyle(int size) : size_(size) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        return metric == PM_SmallIconSize ? size_
                                          : QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    int size_;
};

int MenuIconSize(int toolBarIconSize) {
    return 16 + (toolBarIconSize - 16) / 2;
}

// The texts of one menu (or of the menu bar) each with its own Alt+letter: the first letter
// of a word that no earlier text took, else any letter not taken. An "&" of the text itself
// stays a plain "&".
QStringList WithMnemonics(const QStringList& texts) {
    QStringList marked;
    QString taken;
    for (const QString& text : texts) {
        auto free = [&](qsizetype i) {
            return text[i].isLetterOrNumber() && !taken.contains(text[i].toLower());
        };
        qsizetype at = -1;
        for (qsizetype i = 0; i < text.size() && at < 0; ++i)
            if ((i == 0 || text[i - 1].isSpace()) && free(i))
                at = i;
        for (qsizetype i = 0; i < text.size() && at < 0; ++i)
            if (free(i))
                at = i;
        QString escaped;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (i == at)
                escaped += '&';
            escaped += text[i] == '&' ? QString("&&") : QString(text[i]);
        }
        if (at >= 0)
            taken += text[at].toLower();
        marked << escaped;
    }
    return marked;
}

} // namespace

MainWindow::MainWindow() {
    setWindowTitle(Q(ProgramTitle()));
    setMinimumSize(kMinimumWidth, kHeight);
    setMaximumSize(QWIDGETSIZE_MAX, kHeight);
    // A window of fixed height only grows wider: the window manager offers no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    BuildMenus();
    client_ = new QWidget(this);
    setCentralWidget(client_);
    BuildControls();
    BuildFieldToolBars();
    OrderTabStops();
    statusField_ = new QLabel(statusBar());
    statusBar()->addWidget(statusField_, 1);
    statusBar()->setSizeGripEnabled(false);
    SetStatus(Text("General", "Ready"));
}

void MainWindow::BuildMenus() {
    QStringList titles;
    for (const auto& [titleKey, commands] : Menus())
        titles << Text("Menu", titleKey);
    titles = WithMnemonics(titles);
    qsizetype menuIndex = 0;
    for (const auto& [titleKey, commands] : Menus()) {
        QMenu* menu = menuBar()->addMenu(titles[menuIndex++]);
        QStringList items;
        for (int command : commands)
            if (command != kSeparator)
                items << Text("Menu", RowOf(command).menuKey);
        items = WithMnemonics(items);
        qsizetype itemIndex = 0;
        for (int command : commands) {
            if (command == kSeparator) {
                menu->addSeparator();
                continue;
            }
            const CommandRow& row = RowOf(command);
            QString text = items[itemIndex++];
            // The text after the TAB is what the menu shows as the shortcut.
            if (row.shortcut)
                text += QString("\t") + row.shortcut;
            QAction* action = menu->addAction(MenuIcon(row.picture), text);
            if (row.shortcut)
                action->setShortcut(QKeySequence(row.shortcut));
            action->setData(command);
            connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
            menuActions_[command] = action;
        }
    }
    // F10 opens the first menu, as Alt alone and Alt+letter open theirs.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] {
        if (menuBar()->isEnabled() && !menuBar()->actions().isEmpty())
            menuBar()->setActiveAction(menuBar()->actions().first());
    });
}

void MainWindow::BuildControls() {
    panel_ = new QWidget(client_);
    panel_->setObjectName("Panel");
    auto label = [this](const char* key) { return new QLabel(Text("General", key), panel_); };
    auto labelled = [this](int labelId, QWidget* field) {
        static_cast<QLabel*>(controls_[labelId])->setBuddy(field);
    };
    controls_[kInputFileLabel] = label("Input File");
    inputField_ = new QLineEdit(panel_);
    inputField_->setAcceptDrops(false); // a dropped file goes through the window's accept test
    controls_[kInputFileField] = inputField_;
    controls_[kOutputFolderLabel] = label("Output Folder");
    folderField_ = new QComboBox(panel_);
    folderField_->setEditable(true);
    folderField_->setInsertPolicy(QComboBox::NoInsert);
    folderField_->lineEdit()->setAcceptDrops(false);
    // Recent folders are offered in a list to pick from, never written into the field: a
    // typed "out/" must not become "out/C/" by itself. Paths differ by case on this system,
    // so a typed folder is never swapped for a recent one spelt in another case either.
    folderField_->completer()->setCompletionMode(QCompleter::PopupCompletion);
    folderField_->completer()->setCaseSensitivity(Qt::CaseSensitive);
    controls_[kOutputFolderField] = folderField_;
    connect(folderField_, &QComboBox::editTextChanged, this,
            [](const QString& text) { gJob.OutputFolder = U(text); });
    controls_[kOutputFormatLabel] = label("Output Format");
    formatField_ = new QComboBox(panel_);
    controls_[kOutputFormatField] = formatField_;
    labelled(kInputFileLabel, inputField_);
    labelled(kOutputFolderLabel, folderField_);
    labelled(kOutputFormatLabel, formatField_);
    connect(formatField_, &QComboBox::currentIndexChanged, this, [](int index) {
        const auto& formats = EnabledOutputFormats();
        if (index >= 0 && static_cast<size_t>(index) < formats.size())
            gSettings.OutputFormat = formats[static_cast<size_t>(index)];
    });

    convertButton_ = new QToolButton(panel_);
    ShowConvertPicture();
    // The button pictures are small; the caption keeps the large button telling.
    convertButton_->setText(Text("General", "Convert"));
    convertButton_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QFont bold = convertButton_->font();
    bold.setBold(true);
    convertButton_->setFont(bold);
    convertButton_->setToolTip(Text("General", "Convert"));
    convertButton_->setAccessibleName(Text("General", "Convert"));
    connect(convertButton_, &QToolButton::clicked, this, [this] { RunCommand(kCommandConvert); });
    controls_[kConvertButton] = convertButton_;

    for (const ControlRow& row : kControlRows) {
        controls_[row.id]->setObjectName(row.name);
        controls_[row.id]->setProperty("controlId", row.id);
        controls_[row.id]->setGeometry(row.place);
    }

    notice_ = new QLabel(Q(kMakerNotice), client_);
    notice_->setObjectName("Notice");
    notice_->setProperty("controlId", kNoticeLabel);
    controls_[kNoticeLabel] = notice_;
}

void MainWindow::BuildFieldToolBars() {
    for (const FieldToolBarRow& row : kFieldToolBarRows) {
        const CommandRow& command = RowOf(row.command);
        auto* bar = new QToolBar(panel_);
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setContentsMargins(0, 0, 0, 0);
        bar->layout()->setContentsMargins(0, 0, 0, 0);
        QAction* action = bar->addAction(ThemeIcon(ThemeTable::ToolBarIcons, row.picture),
                                         Text("Menu", command.menuKey));
        action->setToolTip(Text("Menu", command.menuKey));
        action->setData(row.command);
        int number = row.command;
        connect(action, &QAction::triggered, this, [this, number] { RunCommand(number); });
        bar->move(kMinimumWidth - 146, 0);
        fieldToolBars_[row.command] = bar;
    }
    ApplyIconSizes();
}

void MainWindow::OrderTabStops() {
    std::vector<QWidget*> stops = {inputField_, folderField_, formatField_};
    // Each field's button follows its field: the tool bars' buttons take no focus by
    // default, and an icon alone says nothing to a screen reader.
    for (size_t i = 0; i < std::size(kFieldToolBarRows); ++i) {
        QToolBar* bar = fieldToolBars_[kFieldToolBarRows[i].command];
        QAction* action = bar->actions().value(0);
        QWidget* button = bar->widgetForAction(action);
        button->setFocusPolicy(Qt::TabFocus);
        button->setAccessibleName(action->toolTip());
        stops.insert(stops.begin() + static_cast<std::ptrdiff_t>(2 * i + 1), button);
    }
    stops.push_back(convertButton_);
    for (size_t i = 0; i + 1 < stops.size(); ++i)
        setTabOrder(stops[i], stops[i + 1]);
}

void MainWindow::ApplyIconSizes() {
    int icon = std::min(ThemePictureSize(ThemeTable::ToolBarIcons), kLargestFieldIcon);
    int side = icon + kToolBarPadding;
    for (const FieldToolBarRow& row : kFieldToolBarRows) {
        QToolBar* bar = fieldToolBars_[row.command];
        bar->setIconSize(QSize(icon, icon));
        bar->setGeometry(bar->x(), row.centreY - side / 2, side, side);
    }
    // The menus change style together; the one they had goes once none uses it.
    QStyle* previous = menuStyle_;
    menuStyle_ = new MenuIconStyle(MenuIconSize(icon));
    menuStyle_->setParent(this);
    for (QAction* title : menuBar()->actions())
        title->menu()->setStyle(menuStyle_);
    delete previous;
}

void MainWindow::FillOutputFormats() {
    QSignalBlocker block(formatField_);
    formatField_->clear();
    const auto& formats = EnabledOutputFormats();
    int selected = 0;
    for (size_t i = 0; i < formats.size(); ++i) {
        formatField_->addItem(Q(formats[i]));
        if (formats[i] == gSettings.OutputFormat)
            selected = static_cast<int>(i);
    }
    formatField_->setCurrentIndex(selected);
}

void MainWindow::Open() {
    // The settings keep the frame's place and the inside's size. A place saved on another
    // screen, or at another scale factor, may lie off every screen now.
    QMargins frame = ExpectedFrame(this);
    QRect inner(gSettings.WindowX + frame.left(), gSettings.WindowY + frame.top(),
                std::max<int>(gSettings.WindowWidth, kMinimumWidth), kHeight);
    if (QScreen* screen = ScreenForSavedPlace(inner.marginsAdded(frame)))
        inner = FittedPlace(inner, frame, screen->availableGeometry(), minimumSize());
    move(inner.topLeft() - QPoint(frame.left(), frame.top()));
    resize(inner.size());
    if (!gSettings.RecentOutFolders.empty())
        RefreshRecentFolders();
    FillOutputFormats();
    RunCommand(kCommandNew);
    show();
    inputField_->setFocus();
    QCoreApplication::postEvent(this, new QResizeEvent(size(), size()));
}

void MainWindow::TakeHandedFile(const QString& path) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    // A dialog open over the window stays in front of it.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    if (path.isEmpty())
        return;
    if (progress_)
        pendingInput_ = path;
    else
        TakeInputFile(path);
}

void MainWindow::RunLayout() {
    int width = this->width();
    int panelHeight =
        height() - menuBar()->height() - kMainToolBarHeight - statusBar()->height() - 40;
    panel_->setGeometry(0, kMainToolBarHeight, width, std::max(panelHeight, 0));
    for (int id : {kInputFileField, kOutputFolderField, kOutputFormatField}) {
        QWidget* field = controls_[id];
        field->resize(width - 160, field->height());
    }
    for (auto& [command, bar] : fieldToolBars_)
        bar->move(width - 146, bar->y());
    convertButton_->move(width - 110, convertButton_->y());
    // The notice sits 70 pixels above the window's bottom edge, below the panel.
    notice_->setGeometry(10, height() - 70 - client_->y(), 350, 20);
    update();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RunLayout();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget()))
        button->click();
    else
        RunCommand(kCommandConvert);
    event->accept();
}

QWidget* MainWindow::Control(int id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QToolBar* MainWindow::FieldToolBar(int command) const {
    auto found = fieldToolBars_.find(command);
    return found == fieldToolBars_.end() ? nullptr : found->second;
}

QAction* MainWindow::MenuAction(int command) const {
    auto found = menuActions_.find(command);
    return found == menuActions_.end() ? nullptr : found->second;
}

ProgressWindow* MainWindow::Progress() const {
    return progress_;
}

QString MainWindow::StatusText() const {
    return statusField_->text();
}

void MainWindow::SetStatus(const QString& text) {
    statusField_->setText(text);
}

void MainWindow::RunCommand(int command) {
    switch (command) {
    case kCommandNew:
        // With the job's folder empty no entry is selected, so no entry's icon stays shown.
        ResetWindowJob();
        RefreshRecentFolders();
        inputField_->clear();
        break;
    case kCommandExit:
        close();
        break;
    case kCommandSelectInputFile:
        SelectInputFile();
        break;
    case kCommandSelectOutputFolder:
        SelectOutputFolder();
        break;
    case kCommandConvert:
        StartConversion();
        break;
    case kCommandOutputFormatOptions:
        OpenPreferences(kOutputPage);
        break;
    case kCommandCustomConverter:
        OpenCustomConverter();
        break;
    case kCommandPreferences:
        OpenPreferences(kGeneralPage);
        break;
    case kCommandCheckForNewVersion:
        CheckForUpdate(this);
        break;
    case kCommandManual:
        OpenAddress(this, QUrl::fromLocalFile(Q(ProgramDocumentPath(kManualFileName))));
        break;
    case kCommandSendFeedback: {
        QUrl mail(Q(std::string("mailto:") + kSupportEmailAddress));
        QUrlQuery query;
        query.addQueryItem("subject", Q(ProgramTitle() + " Feedback"));
        mail.setQuery(query);
        OpenAddress(this, mail);
        break;
    }
    case kCommandVisitHomepage:
        OpenAddress(this, QUrl(Q(kMakerWebAddress)));
        break;
    case kCommandAbout:
        OpenAbout();
        break;
    default:
        break;
    }
}

QString MainWindow::InputFileFilter() {
    QStringList all;
    for (const InputFormat& format : InputFormatTable()) {
        if (!IsAcceptedExtension(format.extension))
            continue;
        QString extension = QString::fromUtf8(format.extension.data(),
                                              static_cast<qsizetype>(format.extension.size()));
        // Names on this platform keep their letter case, and cameras write upper case.
        all << "*." + extension << "*." + extension.toUpper();
    }
    // One short line for the one kind of file the program takes; the desktop shows the
    // patterns only where they fit.
    QStringList filters = {Text("Dialog", "Camera RAW files") + " (" + all.join(' ') + ")",
                           Text("Dialog", "All Files")};
    return filters.join(";;");
}

void MainWindow::SelectInputFile() {
    QString file =
        TheDesktop().ChooseFile(this, Text("Dialog", "Select Input Files"), InputFileFilter());
    if (!file.isEmpty())
        TakeInputFile(file);
}

void MainWindow::SelectOutputFolder() {
    QString chosen = TheDesktop().ChooseFolder(this, Text("Dialog", "Select Output Folder"),
                                               folderField_->currentText().trimmed());
    if (chosen.isEmpty())
        return;
    std::string folder = WithTrailingSlash(U(chosen));
    gJob.OutputFolder = folder;
    PutOutputFolderFirst(folder);
}

bool MainWindow::TakeInputFile(const QString& path, OutputFolderFill fill) {
    QString absolute = QFileInfo(path).absoluteFilePath();
    if (!AcceptInputFile(U(absolute)))
        return false;
    inputField_->setText(absolute);
    if (fill == OutputFolderFill::WhenEmpty && folderField_->currentText().trimmed().isEmpty()) {
        gJob.OutputFolder = FolderOf(U(absolute));
        PutOutputFolderFirst(gJob.OutputFolder);
    }
    return true;
}

void MainWindow::PutOutputFolderFirst(const std::string& folder) {
    gSettings.RecentOutFolders =
        PutRecentFolderFirst(gSettings.RecentOutFolders, folder, gSettings.OutFoldersNumber);
    RefreshRecentFolders();
}

void MainWindow::RefreshRecentFolders() {
    QSignalBlocker block(folderField_);
    folderField_->clear();
    QIcon icon = ThemeIcon(ThemeTable::MenuIcons, "FavFolder");
    for (const std::string& folder : SplitRecentFolders(gSettings.RecentOutFolders))
        folderField_->addItem(icon, Q(folder));
    int selected = folderField_->findText(Q(gJob.OutputFolder), Qt::MatchExactly);
    folderField_->setCurrentIndex(selected);
    if (selected < 0)
        folderField_->setEditText(Q(gJob.OutputFolder));
}

void MainWindow::StartConversion() {
    if (progress_)
        return;
    QString input = inputField_->text().trimmed();
    gInputFileMap.clear();
    // An output folder the user emptied stays empty: Convert then says so.
    if (!input.isEmpty())
        TakeInputFile(input, OutputFolderFill::Never);
    std::string folder = U(folderField_->currentText().trimmed());
    const auto& formats = EnabledOutputFormats();
    int formatIndex =
        std::clamp(formatField_->currentIndex(), 0, static_cast<int>(formats.size()) - 1);
    SetStatus(Text("General", "Preparing"));
    auto prepared = PrepareWindowRun(folder, formats[static_cast<size_t>(formatIndex)]);
    if (const auto* refusal = std::get_if<StartRefusal>(&prepared)) {
        SetStatus(Text("Msg", "Conversion is not complete"));
        TheDesktop().Warn(this, Text("Msg", "Warning"),
                          Filled("Msg", refusal->messageKey, refusal->argument));
        return;
    }
    const RunPlan& plan = std::get<RunPlan>(prepared);
    PutOutputFolderFirst(plan.outputFolder);
    SetStatus(Text("General", "Converting"));

    menuBar()->setEnabled(false);
    client_->setEnabled(false);
    progress_ = new ProgressWindow(this, static_cast<int>(gInputFileMap.size()));
    connect(progress_, &ProgressWindow::Ended, this, &MainWindow::ConversionEnded);
    connect(progress_, &QObject::destroyed, this, [this] {
        menuBar()->setEnabled(true);
        client_->setEnabled(true);
        activateWindow();
        if (!pendingInput_.isEmpty())
            TakeInputFile(std::exchange(pendingInput_, QString()));
    });
    progress_->Start(plan);
}

void MainWindow::ConversionEnded(const QString& result) {
    SetStatus(result);
}

void MainWindow::OpenCustomConverter() {
    (new CustomConverterWindow(this))->open();
}

void MainWindow::OpenPreferences(int page) {
    if (preferences_) {
        preferences_->ShowPage(page);
        preferences_->raise();
        return;
    }
    preferences_ = new PreferencesDialog(this, page);
    connect(preferences_, &PreferencesDialog::Applied, this, &MainWindow::ApplyPreferences);
    connect(preferences_, &QDialog::finished, this, [this] { activateWindow(); });
    preferences_->open();
}

PreferencesDialog* MainWindow::Preferences() const {
    return preferences_;
}

void MainWindow::ApplyPreferences(PreferencesChange change) {
    if (change == PreferencesChange::Theme) {
        // Pictures of the old theme must not linger where the new one has none.
        ResetThemePictures();
        LoadTheme(true, true, true);
    } else if (change == PreferencesChange::Size) {
        ResetThemePictures(ThemeTable::ToolBarIcons);
        LoadTheme(false, false, true);
    }
    if (change != PreferencesChange::None) {
        ShowThemePictures();
        QCoreApplication::postEvent(this, new QResizeEvent(size(), size()));
    }
    FillOutputFormats();
    if (folderField_->count() != gSettings.OutFoldersNumber) {
        // Putting the newest folder first again cuts the list to the new number.
        auto folders = SplitRecentFolders(gSettings.RecentOutFolders);
        if (!folders.empty())
            gSettings.RecentOutFolders = PutRecentFolderFirst(
                gSettings.RecentOutFolders, folders.front(), gSettings.OutFoldersNumber);
        RefreshRecentFolders();
    }
}

void MainWindow::ShowConvertPicture() {
    // The tool bar's picture of Convert is drawn at the Icon Size; the button's own is not.
    QPixmap picture = ThemePixmap(ThemeTable::ToolBarIcons, "Convert");
    if (picture.isNull())
        picture = ThemePixmap(ThemeTable::Buttons, "Convert");
    convertButton_->setIcon(QIcon(picture));
    convertButton_->setIconSize(picture.size().boundedTo(QSize(64, 64)));
}

void MainWindow::ShowThemePictures() {
    for (auto& [command, action] : menuActions_)
        action->setIcon(MenuIcon(RowOf(command).picture));
    for (const FieldToolBarRow& row : kFieldToolBarRows)
        fieldToolBars_[row.command]->actions().value(0)->setIcon(
            ThemeIcon(ThemeTable::ToolBarIcons, row.picture));
    ShowConvertPicture();
    RefreshRecentFolders();
    ApplyIconSizes();
}

void MainWindow::OpenAbout() {
    (new AboutWindow(this))->open();
}

WindowState MainWindow::CaptureState() const {
    WindowState state;
    state.maximized = isMaximized();
    state.minimized = isMinimized();
    state.x = x();
    state.y = y();
    state.width = width();
    state.height = height();
    return state;
}

WindowState MainWindow::ClosingState() const {
    return closed_ ? closingState_ : CaptureState();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // While a conversion runs only its progress window may end it.
    if (progress_) {
        event->ignore();
        return;
    }
    closingState_ = CaptureState();
    closed_ = true;
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    TakeInputFile(urls.first().toLocalFile());
    event->acceptProposedAction();
    QCoreApplication::processEvents();
}

} // namespace velmora
