// The composite controls of the Preferences pages: a slider with its number field, a colour
// swatch with its RRGGBB text, a drop-down with a "..." chooser and a path with one.
#pragma once

#include <QWidget>

#include <functional>

class QComboBox;
class QLineEdit;
class QSlider;
class QToolButton;

namespace velmora {

// The desktop's colour chooser started at an RRGGBB colour; the chosen one as upper-case
// RRGGBB, empty when cancelled.
QString ChooseColorHex(QWidget* parent, const QString& current);

// A slider and a number field kept in step. The field shows position / divisor (gamma
// shows 1.00 for position 100); a typed value moves the slider at once, and the field
// shows it clamped to the slider's range.
class SliderField : public QWidget {
    Q_OBJECT
public:
    SliderField(int minimum, int maximum, int divisor, QWidget* parent);

    int Value() const;
    void SetValue(int position);
    QSlider* Slider() const { return slider_; }
    QLineEdit* NumberField() const { return number_; }

private:
    int TypedPosition() const;
    void ShowPosition(int position);

    QSlider* slider_;
    QLineEdit* number_;
    int divisor_;
};

// A swatch button that opens the colour chooser, beside the colour's six hex digits.
class ColorField : public QWidget {
    Q_OBJECT
public:
    explicit ColorField(QWidget* parent);

    // Upper-case RRGGBB as typed or chosen.
    QString Text() const;
    void SetText(const QString& text);
    QToolButton* SwatchButton() const { return swatch_; }
    QLineEdit* TextField() const { return text_; }

private:
    void ShowSwatch();

    QToolButton* swatch_;
    QLineEdit* text_;
};

// The role of a font list's entries that holds the family's own face, in which the list draws
// a sample beside the name (the name itself stays in the interface's face, readable even
// for a symbol font).
inline constexpr int kFontSampleRole = Qt::UserRole + 1;

// An editable drop-down of offered entries with a "..." button whose chooser returns a new
// entry (empty when cancelled). A colour list shows each entry's colour, and a colour from
// elsewhere joins it. A font list shows each family's name with a sample in its face and
// offers only the families given: a value from elsewhere is shown, not offered.
class ChooserComboField : public QWidget {
    Q_OBJECT
public:
    enum class Entries { Colours, Fonts };
    using Chooser = std::function<QString(QWidget* parent, const QString& current)>;
    ChooserComboField(const QStringList& entries, Entries kind, Chooser chooser, QWidget* parent);

    QString Text() const;
    void SetText(const QString& text);
    QComboBox* Box() const { return box_; }
    QToolButton* ChooseButton() const { return choose_; }

private:
    QComboBox* box_;
    QToolButton* choose_;
    bool colourSwatches_;

    void AddEntry(const QString& entry);
};

// A path field with a "..." button whose chooser returns a path (empty when cancelled).
class PathField : public QWidget {
    Q_OBJECT
public:
    using Chooser = std::function<QString(QWidget* parent)>;
    // chooseName names the "..." button for screen readers.
    PathField(Chooser chooser, const QString& chooseName, QWidget* parent);

    QString Text() const;
    void SetText(const QString& text);
    QLineEdit* TextField() const { return text_; }
    QToolButton* ChooseButton() const { return choose_; }

private:
    QLineEdit* text_;
    QToolButton* choose_;
};

} // namespace velmora
