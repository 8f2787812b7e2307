#include "gui/preferences_controls.h"

#include "gui/desktop.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

constexpr int kSpacing = 4;
constexpr int kNumberWidth = 56;
constexpr int kSwatchSize = 16;

QHBoxLayout* RowLayout(QWidget* owner) {
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    return layout;
}

QToolButton* MakeChooseButton(QWidget* owner) {
    auto* button = new QToolButton(owner);
    button->setText("...");
    return button;
}

// "FF8000" and "#ff8000" name the same colour; anything else is not one.
QColor ColourOf(const QString& hex) {
    QString digits = hex.trimmed();
    if (digits.startsWith('#'))
        digits.remove(0, 1);
    return digits.size() == 6 ? QColor("#" + digits) : QColor();
}

QString HexOf(const QColor& colour) {
    return colour.name(QColor::HexRgb).mid(1).toUpper();
}

QIcon SwatchIcon(const QColor& colour) {
    QPixmap pixmap(kSwatchSize, kSwatchSize);
    pixmap.fill(Qt::transparent);
    if (colour.isValid()) {
        QPainter painter(&pixmap);
        painter.fillRect(pixmap.rect().adjusted(0, 0, -1, -1), colour);
        painter.setPen(Qt::darkGray);
        painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    }
    return QIcon(pixmap);
}

} // namespace

QString ChooseColorHex(QWidget* parent, const QString& current) {
    QColor chosen = TheDesktop().ChooseColor(parent, ColourOf(current));
    return chosen.isValid() ? HexOf(chosen) : QString();
}

SliderField::SliderField(int minimum, int maximum, int divisor, QWidget* parent)
    : QWidget(parent), divisor_(divisor) {
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(minimum, maximum);
    number_ = new QLineEdit(this);
    number_->setFixedWidth(kNumberWidth);
    QString pattern = divisor_ > 1 ? R"(\d{0,4}(\.\d{0,2})?)" : R"(\d{0,9})";
    if (minimum < 0)
        pattern = "-?" + pattern;
    number_->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), number_));
    auto* layout = RowLayout(this);
    layout->addWidget(slider_, 1);
    layout->addWidget(number_);
    connect(slider_, &QSlider::valueChanged, this, &SliderField::ShowPosition);
    connect(number_, &QLineEdit::textEdited, this, [this](const QString& text) {
        int position = TypedPosition();
        {
            QSignalBlocker block(slider_);
            slider_->setValue(position);
        }
        // A whole number out of range shows its clamped value at once; a fraction may
        // still be on its way into range ("0" of "0.5") and is clamped when typing ends.
        bool typing = text.isEmpty() || text == "-";
        if (!typing && divisor_ == 1 && position != text.toInt())
            ShowPosition(position);
    });
    connect(number_, &QLineEdit::editingFinished, this, [this] { ShowPosition(Value()); });
    ShowPosition(slider_->value());
}

int SliderField::Value() const {
    return slider_->value();
}

void SliderField::SetValue(int position) {
    slider_->setValue(position);
    ShowPosition(slider_->value());
}

int SliderField::TypedPosition() const {
    double typed = number_->text().toDouble() * divisor_;
    double clamped = std::clamp(typed, double(slider_->minimum()), double(slider_->maximum()));
    return static_cast<int>(std::lround(clamped));
}

void SliderField::ShowPosition(int position) {
    number_->setText(divisor_ > 1 ? QString::number(double(position) / divisor_, 'f', 2)
                                  : QString::number(position));
}

ColorField::ColorField(QWidget* parent) : QWidget(parent) {
    swatch_ = new QToolButton(this);
    swatch_->setIconSize(QSize(kSwatchSize, kSwatchSize));
    text_ = new QLineEdit(this);
    text_->setMaxLength(6);
    text_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,6}"), text_));
    auto* layout = RowLayout(this);
    layout->addWidget(swatch_);
    layout->addWidget(text_, 1);
    connect(text_, &QLineEdit::textChanged, this, &ColorField::ShowSwatch);
    connect(swatch_, &QToolButton::clicked, this, [this] {
        QString chosen = ChooseColorHex(this, Text());
        if (!chosen.isEmpty())
            SetText(chosen);
    });
    ShowSwatch();
}

QString ColorField::Text() const {
    return text_->text().trimmed().toUpper();
}

void ColorField::SetText(const QString& text) {
    text_->setText(text.trimmed().toUpper());
}

void ColorField::ShowSwatch() {
    swatch_->setIcon(SwatchIcon(ColourOf(Text())));
}

ChooserComboField::ChooserComboField(const QStringList& entries, Entries kind, Chooser chooser,
                                     QWidget* parent)
    : QWidget(parent), colourSwatches_(kind == Entries::Colours) {
    box_ = new QComboBox(this);
    box_->setEditable(true);
    box_->setInsertPolicy(QComboBox::NoInsert);
    for (const QString& entry : entries)
        AddEntry(entry);
    choose_ = MakeChooseButton(this);
    auto* layout = RowLayout(this);
    layout->addWidget(box_, 1);
    layout->addWidget(choose_);
    connect(choose_, &QToolButton::clicked, this, [this, chooser] {
        QString chosen = chooser(this, Text());
        if (!chosen.isEmpty())
            SetText(chosen);
    });
}

QString ChooserComboField::Text() const {
    QString text = box_->currentText().trimmed();
    return colourSwatches_ ? text.toUpper() : text;
}

void ChooserComboField::AddEntry(const QString& entry) {
    if (colourSwatches_) {
        box_->addItem(SwatchIcon(ColourOf(entry)), entry);
        return;
    }
    box_->addItem(entry);
    box_->setItemData(box_->count() - 1, QFont(entry), Qt::FontRole);
}

void ChooserComboField::SetText(const QString& text) {
    int index = box_->findText(text, Qt::MatchFixedString);
    if (index < 0 && colourSwatches_) {
        AddEntry(text);
        index = box_->count() - 1;
    }
    box_->setCurrentIndex(index);
    if (index < 0)
        box_->setEditText(text);
}

PathField::PathField(Chooser chooser, QWidget* parent) : QWidget(parent) {
    text_ = new QLineEdit(this);
    choose_ = MakeChooseButton(this);
    auto* layout = RowLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(choose_);
    connect(choose_, &QToolButton::clicked, this, [this, chooser] {
        QString chosen = chooser(this);
        if (!chosen.isEmpty())
            SetText(chosen);
    });
}

QString PathField::Text() const {
    return text_->text();
}

void PathField::SetText(const QString& text) {
    text_->setText(text);
}

} // namespace velmora
