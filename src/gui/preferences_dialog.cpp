#include "gui/preferences_dialog.h"

#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/storage/config_file.h"
#include "gui/theme_pixmaps.h"
#include "settings/settings.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>

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
// The page list on the left, the title strip and the page beside it, the buttons below.
constexpr int kMargin = 10, kPagesX = 140, kPagesY = 50;
constexpr int kButtonsY = kPagesY + kPreferencesPageHeight + kMargin, kButtonHeight = 25;

PreferencesChange ChangeSince(const std::string& themeBefore, int sizeBefore) {
    if (gSettings.UiTheme != themeBefore)
        return PreferencesChange::Theme;
    if (gSettings.UiSize != sizeBefore)
        return PreferencesChange::Size;
    return PreferencesChange::None;
}

template <typename Widget> Widget* Placed(Widget* widget, int id, const QRect& place) {
    widget->setProperty("controlId", id);
    widget->setGeometry(place);
    return widget;
}

} // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent, int page) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(Text("Preferences", "Title"));
    setFixedSize(kPagesX + kPreferencesPageWidth + kMargin, kButtonsY + kButtonHeight + kMargin);

    pageList_ = Placed(new QListWidget(this), kPageListId,
                       {kMargin, kMargin, 120, kButtonsY - kMargin - kMargin});
    pageList_->setIconSize(QSize(kPageIconSize, kPageIconSize));
    // Nine rows of one icon's height fit the list, so it never needs a scroll bar.
    pageList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pageList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pageList_->setTextElideMode(Qt::ElideRight);
    for (const PreferencesPageEntry& entry : PreferencesPageEntries()) {
        auto* item = new QListWidgetItem(ThemeIcon(ThemeTable::PageIcons, entry.picture),
                                         Text("Preferences", entry.entryKey), pageList_);
        item->setSizeHint(QSize(0, kPageIconSize));
    }

    auto* strip =
        Placed(new QFrame(this), kTitleStripId, {kPagesX, kMargin, kPreferencesPageWidth, 30});
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setAutoFillBackground(true);
    strip->setBackgroundRole(QPalette::Base);
    title_ = Placed(new QLabel(strip), kTitleLabelId, {10, 0, kPreferencesPageWidth - 20, 30});
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);

    pages_ = new QStackedWidget(this);
    pages_->setGeometry(kPagesX, kPagesY, kPreferencesPageWidth, kPreferencesPageHeight);
    form_ = std::make_unique<PreferencesForm>(pages_);
    for (int i = 0; i < kPreferencesPageCount; ++i)
        pages_->addWidget(form_->Page(i));
    form_->Load();

    const int right = kPagesX + kPreferencesPageWidth;
    defaults_ = Placed(new QPushButton(Text("Dialog", "Defaults"), this), kDefaultsId,
                       {kPagesX, kButtonsY, 90, kButtonHeight});
    ok_ = Placed(new QPushButton(Text("Dialog", "OK"), this), kOkId,
                 {right - 190, kButtonsY, 90, kButtonHeight});
    cancel_ = Placed(new QPushButton(Text("Dialog", "Cancel"), this), kCancelId,
                     {right - 90, kButtonsY, 90, kButtonHeight});
    ok_->setDefault(true);
    connect(defaults_, &QPushButton::clicked, this, &PreferencesDialog::ResetToDefaults);
    connect(ok_, &QPushButton::clicked, this, &PreferencesDialog::Confirm);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(pageList_, &QListWidget::currentRowChanged, this, &PreferencesDialog::ShowPage);
    ShowPage(page);
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
