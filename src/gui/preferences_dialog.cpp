#include "gui/preferences_dialog.h"

#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/screen_fit.h"
#include "gui/storage/config_file.h"
#include "gui/theme_pixmaps.h"
#include "settings/settings.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace velmora {
namespace {

enum ControlId : int {
    kPageListId = 13,
    kTitleStripId = 14,
    kTitleLabelId = 15,
    kDefaultsId = 342,
    kOkId = 343,
    kCancelId = 344,
};

constexpr int kPageIconSize = 32;
constexpr int kTitleHeight = 30;
// Between an entry's icon and its name, and after the name.
constexpr int kEntryPadding = 16;

PreferencesChange ChangeSince(const std::string& themeBefore, int sizeBefore) {
    if (gSettings.UiTheme != themeBefore)
        return PreferencesChange::Theme;
    if (gSettings.UiSize != sizeBefore)
        return PreferencesChange::Size;
    return PreferencesChange::None;
}

template <typename Widget> Widget* Numbered(Widget* widget, int id) {
    widget->setProperty("controlId", id);
    return widget;
}

// The area a window opening over parent (or, without one, where the pointer is) may take,
// less the frame the window manager adds.
QRect RoomFor(const QWidget* dialog, const QWidget* parent) {
    QScreen* screen = parent && parent->isVisible() ? parent->screen() : ScreenForNewWindow();
    if (!screen)
        return {};
    return screen->availableGeometry().marginsRemoved(ExpectedFrame(dialog));
}

} // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent, int page) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(Text("Preferences", "Title"));

    pageList_ = Numbered(new QListWidget(this), kPageListId);
    pageList_->setIconSize(QSize(kPageIconSize, kPageIconSize));
    pageList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pageList_->setTextElideMode(Qt::ElideRight);
    // The list is as wide as its longest entry, with room for a scroll bar on a low screen.
    QFontMetrics metrics(pageList_->font());
    int widest = 0;
    for (const PreferencesPageEntry& entry : PreferencesPageEntries()) {
        QString name = Text("Preferences", entry.entryKey);
        auto* item =
            new QListWidgetItem(ThemeIcon(ThemeTable::PageIcons, entry.picture), name, pageList_);
        item->setSizeHint(QSize(0, kPageIconSize));
        widest = std::max(widest, metrics.horizontalAdvance(name));
    }
    pageList_->setFixedWidth(kPageIconSize + kEntryPadding + widest + 2 * pageList_->frameWidth() +
                             style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    auto* strip = Numbered(new QFrame(this), kTitleStripId);
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setAutoFillBackground(true);
    strip->setBackgroundRole(QPalette::Base);
    strip->setFixedHeight(kTitleHeight);
    title_ = Numbered(new QLabel(strip), kTitleLabelId);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    auto* stripLine = new QHBoxLayout(strip);
    stripLine->setContentsMargins(10, 0, 10, 0);
    stripLine->addWidget(title_);

    pages_ = new QStackedWidget(this);
    form_ = std::make_unique<PreferencesForm>(pages_);
    for (int i = 0; i < kPreferencesPageCount; ++i)
        pages_->addWidget(form_->Page(i));
    form_->Load();

    defaults_ = Numbered(new QPushButton(Text("Dialog", "Defaults"), this), kDefaultsId);
    ok_ = Numbered(new QPushButton(Text("Dialog", "OK"), this), kOkId);
    cancel_ = Numbered(new QPushButton(Text("Dialog", "Cancel"), this), kCancelId);
    ok_->setDefault(true);
    connect(defaults_, &QPushButton::clicked, this, &PreferencesDialog::ResetToDefaults);
    connect(ok_, &QPushButton::clicked, this, &PreferencesDialog::Confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(pageList_, &QListWidget::currentRowChanged, this, &PreferencesDialog::ShowPage);

    // The page list on the left; the title strip over the page beside it; the buttons below.
    auto* right = new QVBoxLayout;
    right->addWidget(strip);
    right->addWidget(pages_, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(pageList_);
    top->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    ShowPage(page);
    // Keys move through the pages from the start.
    pageList_->setFocus();
    FitTheScreen(parent);
}

void PreferencesDialog::FitTheScreen(QWidget* parent) {
    ensurePolished();
    QRect room = RoomFor(this, parent);
    // Two columns of rows where the screen is wide enough, one column otherwise; a page
    // taller than the screen scrolls.
    auto arrange = [this](int columns) {
        form_->Arrange(columns);
        layout()->invalidate();
    };
    arrange(2);
    if (room.isValid() && sizeHint().width() > room.width())
        arrange(1);
    QSize wanted = sizeHint();
    if (room.isValid())
        wanted = wanted.boundedTo(room.size());
    resize(wanted);
    FitOnScreen(this);
}

int PreferencesDialog::CurrentPage() const {
    return pages_->currentIndex();
}

void PreferencesDialog::ShowPage(int page) {
    if (page < 0 || page >= kPreferencesPageCount)
        page = kGeneralPage;
    pages_->setCurrentIndex(page);
    title_->setText(pageList_->item(page)->text());
    QSignalBlocker block(pageList_);
    pageList_->setCurrentRow(page);
}

void PreferencesDialog::Confirm() {
    std::string themeBefore = gSettings.UiTheme;
    int sizeBefore = gSettings.UiSize;
    form_->Store();
    bool adjusted = gSettings.ImageBrightness != 0 || gSettings.ImageContrast != 0 ||
                    gSettings.ImageGamma != 1.0f || gSettings.ImageInvert != 0;
    gSettings.DoImageColorCorrection = adjusted ? 1 : 0;
    SaveConfig();
    Finish(themeBefore, sizeBefore);
}

void PreferencesDialog::ResetToDefaults() {
    if (!TheDesktop().AskQuestion(this, Text("Msg", "Reset to Defaults"),
                                  Text("Msg", "Ask reset to defaults")))
        return;
    // Compared with what the main window shows, not with the controls, so that a theme
    // picked here but never applied cannot hide the change back to the default one.
    std::string themeBefore = gSettings.UiTheme;
    int sizeBefore = gSettings.UiSize;
    QSize desktop =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(0, 0);
    ResetConfigToDefaults(desktop.width(), desktop.height());
    Finish(themeBefore, sizeBefore);
}

void PreferencesDialog::Finish(const std::string& themeBefore, int sizeBefore) {
    emit Applied(ChangeSince(themeBefore, sizeBefore));
    accept();
}

} // namespace velmora
