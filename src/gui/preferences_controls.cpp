#include "gui/preferences_controls.h"

#include "gui/desktop.h"
#include "gui/face_text.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

constexpr int kSpacing = 4;
constexpr int kNumberWidth = 56;
constexpr int kSwatchSize = 16;
// Lists of names of any length (fonts, colours) are this many characters wide; their
// drop-down lists show the whole names.
constexpr int kNamesShown = 18;
constexpr int kSampleGap = 12;

QHBoxLayout* RowLayout(QWidget* owner) {
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    return layout;
}

QToolButton* MakeChooseButton(QWidget* owner, const QString& name) {
    auto* button = new QToolButton(owner);
    button->setText("...");
    // "..." says nothing to a screen reader.
    button->setAccessibleName(name);
    button->setToolTip(name);
    return button;
}

// A font list's entry: the family's name in the interface's face, and a sample in the
// family's own face at the right.
class FontSampleDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        QString name = item.text;
        item.text.clear();
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (!style)
            return QStyledItemDelegate::paint(painter, option, index);
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        QFont sample = SampleFont(index, item.font);
        int sampleWidth = QFontMetrics(sample).horizontalAdvance(SampleText());
        QRect sampleArea = text;
        sampleArea.setLeft(std::max(text.left() + text.width() / 2, text.right() - sampleWidth));
        QRect nameArea = text;
        nameArea.setRight(sampleArea.left() - kSampleGap);
        painter->save();
        painter->setPen(item.palette.color(
            item.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(item.font);
        painter->drawText(nameArea, Qt::AlignLeft | Qt::AlignVCenter,
                          item.fontMetrics.elidedText(name, Qt::ElideRight, nameArea.width()));
        painter->setFont(sample);
        painter->drawText(
            sampleArea, Qt::AlignRight | Qt::AlignVCenter,
            QFontMetrics(sample).elidedText(SampleText(), Qt::ElideRight, sampleArea.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        QFontMetrics sample(SampleFont(index, option.font));
        return {size.width() + kSampleGap + sample.horizontalAdvance(SampleText()),
                std::max(size.height(), sample.height())};
    }

private:
    static QString SampleText() { return Text("Preferences", "Font Sample"); }
    static QFont SampleFont(const QModelIndex& index, const QFont& shown) {
        QFont sample = index.data(kFontSampleRole).value<QFont>();
        sample.setPointSizeF(shown.pointSizeF());
        return sample;
    }
};

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
    setFocusProxy(slider_);
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
    swatch_->setAccessibleName(velmora::Text("Dialog", "Choose Color"));
    swatch_->setToolTip(swatch_->accessibleName());
    text_ = new QLineEdit(this);
    text_->setMaxLength(6);
    text_->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,6}"), text_));
    auto* layout = RowLayout(this);
    layout->addWidget(swatch_);
    layout->addWidget(text_, 1);
    setFocusProxy(text_);
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
    box_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box_->setMinimumContentsLength(kNamesShown);
    if (!colourSwatches_)
        box_->setItemDelegate(new FontSampleDelegate(box_));
    for (const QString& entry : entries)
        AddEntry(entry);
    box_->view()->setMinimumWidth(box_->view()->sizeHintForColumn(0) +
                                  box_->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    choose_ = MakeChooseButton(this, colourSwatches_ ? velmora::Text("Dialog", "Choose Color")
                                                     : velmora::Text("Dialog", "Choose Font"));
    auto* layout = RowLayout(this);
    layout->addWidget(box_, 1);
    layout->addWidget(choose_);
    setFocusProxy(box_);
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
    box_->setItemData(box_->count() - 1, QFont(entry), kFontSampleRole);
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

PathField::PathField(Chooser chooser, const QString& chooseName, QWidget* parent)
    : QWidget(parent) {
    text_ = new QLineEdit(this);
    choose_ = MakeChooseButton(this, chooseName);
    auto* layout = RowLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(choose_);
    setFocusProxy(text_);
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
