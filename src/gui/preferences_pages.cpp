#include "gui/preferences_pages.h"

#include "engine/format_registry.h"
#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/preferences_controls.h"
#include "gui/storage/themes.h"
#include "imageops/drawn/watermark_font.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/setting_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <variant>

namespace velmora {
namespace {

using S = Settings;
using IntField = std::variant<int32_t S::*, int8_t S::*>;
using TextField = std::string S::*;

// A page's rows are a grid of labels and controls; a list of more rows than a column holds
// runs on in a second column when the screen has room for two.
constexpr size_t kRowsPerColumn = 10;
constexpr int kPageMargin = 10, kColumnGap = 20, kRowSpacing = 6;
// Controls keep a width to read their values in, whatever the layout gives them; each is
// at least as wide as it asks to be.
constexpr int kControlMinimumWidth = 200, kNumberMinimumWidth = 90;
constexpr int kGammaDivisor = 100;
constexpr int GammaPosition(float gamma) {
    return static_cast<int>(gamma * kGammaDivisor + 0.5f);
}
static_assert(GammaPosition(kGammaRange.minimum) == 1 && GammaPosition(kGammaRange.maximum) == 999);

enum class RowKind {
    Check,
    Choice,
    Number,
    Slider,
    Gamma,
    Color,
    Swatches,
    Font,
    Picture,
    Profile,
    Text,
    DateTime,
    Bpp,
    Theme,
    Language,
    InputFormat,
    OutputFormat,
};

// The setting table's row of a field every Preferences row binds.
const SettingSpec& SpecOf(const SettingField& field) {
    const SettingSpec* spec = FindSetting(field);
    if (!spec)
        throw std::logic_error("a Preferences row for a field without a setting");
    return *spec;
}

// A row's control and what it edits. The key (the control's name), the choices, the range
// and a number's unit come from the setting's row; the label, the kind of control and where
// it stands are the page's.
struct Row {
    Row(RowKind kind, const char* label, SettingField field)
        : kind(kind), label(label), field(field) {
        const SettingSpec& spec = SpecOf(field);
        key = spec.key;
        choices = spec.choices;
        if (spec.range) {
            minimum = spec.range->minimum;
            maximum = spec.range->maximum;
        }
        unitChoice = spec.unit;
    }

    RowKind kind;
    const char* label; // catalogue group "Preferences"
    SettingField field;
    std::string key; // settings file key of the page's group
    const ChoiceList* choices = nullptr;
    int minimum = 0, maximum = 0;
    const char* unit = nullptr;
    // A "Pixels"/"Percent" choice beside a number, keyed by the number's key + " Unit".
    int8_t S::*unitChoice = nullptr;
    // The comma list a drop-down offers.
    TextField offered = nullptr;
    std::string format;
    // The row heads the second column of its page or panel.
    bool startsColumn = false;
    // The check box or drop-down of the same page that turns this row's feature on: the
    // row is enabled while that control is non-zero (or at enabledAt, when given).
    std::string enabledBy;
    int enabledAt = -1;
};

int GetInt(IntField field) {
    return std::visit([](auto member) { return static_cast<int>(gSettings.*member); }, field);
}

void SetInt(IntField field, int value) {
    std::visit(
        [value](auto member) {
            using Value = std::remove_reference_t<decltype(gSettings.*member)>;
            gSettings.*member = static_cast<Value>(value);
        },
        field);
}

Row Check(const char* label, int8_t S::*field) {
    return {RowKind::Check, label, field};
}

template <typename Field> Row Choice(const char* label, Field field) {
    return {RowKind::Choice, label, field};
}

Row Number(const char* label, int32_t S::*field, const char* unit = nullptr) {
    Row row{RowKind::Number, label, field};
    row.unit = unit;
    return row;
}

template <typename Field> Row Slider(const char* label, Field field) {
    return {RowKind::Slider, label, field};
}

Row InSecondColumn(Row row) {
    row.startsColumn = true;
    return row;
}

Row Under(int8_t S::*governor, Row row, int enabledAt = -1) {
    row.enabledBy = SpecOf(governor).key;
    row.enabledAt = enabledAt;
    return row;
}

Row TextKind(RowKind kind, const char* label, TextField field, TextField offered = nullptr) {
    Row row{kind, label, field};
    row.offered = offered;
    return row;
}

const std::vector<Row>& InputPanelRows(const std::string& format) {
    static const std::map<std::string, std::vector<Row>> panels = {
        {"dds", {Choice("Load As", &S::DdsLoadAs)}},
        {"gif", {Choice("Frame Loading", &S::GifFrameLoading)}},
        {"ico", {Choice("Frame Loading", &S::IcoFrameLoading)}},
        {"psd", {Choice("Color Mode", &S::PsdColorMode)}},
        {"raw",
         {Choice("Load As", &S::RawLoadAs), Number("Header Size", &S::RawHeaderSize, "Bytes"),
          Number("Image Width", &S::RawImageWidth, "Pixels"),
          Number("Image Height", &S::RawImageHeight, "Pixels"),
          Choice("Tone Mapping", &S::RawToneMapping)}},
        {"tiff", {Choice("Frame Loading", &S::TiffFrameLoading)}},
    };
    static const std::vector<Row> none;
    auto found = panels.find(format);
    return found == panels.end() ? none : found->second;
}

// Every output format starts with its depth; these follow it.
const std::vector<Row>& OutputPanelExtraRows(const std::string& format) {
    static const std::map<std::string, std::vector<Row>> panels = {
        {"bmp",
         {Choice("Compression", &S::BmpCompression), Choice("Color Table", &S::BmpColorTable)}},
        {"exr", {Choice("Compression", &S::ExrCompression)}},
        {"jpg",
         {Slider("Image Quality", &S::JpgQuality), Choice("Chroma Subsampling", &S::JpgChroma),
          Choice("Save As", &S::JpgSaveAs)}},
        {"png",
         {Choice("Compression", &S::PngCompression), Check("Interlaced", &S::PngInterlaced)}},
        {"tga", {Choice("Compression", &S::TgaCompression)}},
        {"tiff",
         {Choice("Compression", &S::TiffCompression), Choice("Color Mode", &S::TiffColorMode),
          TextKind(RowKind::Profile, "CMYK Profile", &S::CmykProfile)}},
        {"webp", {Slider("Image Quality", &S::WebpQuality)}},
    };
    static const std::vector<Row> none;
    auto found = panels.find(format);
    return found == panels.end() ? none : found->second;
}

std::vector<Row> OutputPanelRows(const std::string& format) {
    std::vector<Row> rows;
    if (const OutputFormat* known = FindOutputFormat(format)) {
        Row depth{RowKind::Bpp, "Bits Per Pixel", known->depthField};
        depth.format = format;
        rows.push_back(depth);
    }
    const auto& extra = OutputPanelExtraRows(format);
    rows.insert(rows.end(), extra.begin(), extra.end());
    return rows;
}

struct PageRows {
    PageRows(const char* group, std::vector<Row> rows, std::vector<std::vector<Row>> panels = {})
        : group(group), rows(std::move(rows)), panels(std::move(panels)) {}

    const char* group; // settings file group of every key on the page
    // With panels, the last row chooses which panel shows: the panel at its entry's index.
    std::vector<Row> rows;
    std::vector<std::vector<Row>> panels;
};

// The switches that turn a feature, and with it its rows, on.
constexpr int8_t S::*kRotation = &S::DoImageRotation;
constexpr int8_t S::*kResize = &S::DoImageResize;
constexpr int8_t S::*kFrame = &S::DoFrame;

PageRows PageTable(int page) {
    switch (page) {
    case kGeneralPage:
        return {"General",
                {{RowKind::Language, "Language", &S::Language},
                 Choice("Check for Updates", &S::UpdateRange),
                 Check("Save window position", &S::SaveWindowPosition)}};
    case kInterfacePage:
        return {"Interface",
                {TextKind(RowKind::Theme, "UI Theme", &S::UiTheme), Choice("UI Size", &S::UiSize)}};
    case kInputPage: {
        PageRows page{"Input", {TextKind(RowKind::InputFormat, "Input Format", &S::InputFormat)}};
        for (const std::string& format : EnabledInputGroups())
            page.panels.push_back(InputPanelRows(format));
        return page;
    }
    case kOutputPage: {
        PageRows page{"Output",
                      {TextKind(RowKind::OutputFormat, "Output Format", &S::OutputFormat)}};
        for (const std::string& format : EnabledOutputFormats())
            page.panels.push_back(OutputPanelRows(format));
        return page;
    }
    case kTransformPage:
        return {"Transform",
                {Check("Image Rotation", &S::DoImageRotation),
                 Under(kRotation, Choice("Rotation Type", &S::ImageRotationType)),
                 Under(kRotation, Slider("Rotation Angle", &S::ImageRotation)),
                 Under(kRotation,
                       TextKind(RowKind::Color, "Background Color", &S::ImageRotationBackColor)),
                 Check("Image Resize", &S::DoImageResize),
                 Under(kResize, Number("Image Width", &S::ImageWidth)),
                 Under(kResize, Number("Image Height", &S::ImageHeight)),
                 Under(kResize, InSecondColumn(Check("Keep Aspect Ratio", &S::KeepAspectRatio))),
                 Under(kResize, Choice("Resize Type", &S::ImageResizeType)),
                 Under(kResize, Choice("Resize Algorithm", &S::ImageResizeAlgorithm)),
                 Check("Image Flip Horizontal", &S::DoImageFlipHorizontal),
                 Check("Image Flip Vertical", &S::DoImageFlipVertical)}};
    case kAdjustmentPage:
        return {"Adjustment",
                {Slider("Image Brightness", &S::ImageBrightness),
                 Slider("Image Contrast", &S::ImageContrast),
                 {RowKind::Gamma, "Image Gamma", &S::ImageGamma},
                 Check("Image Invert", &S::ImageInvert),
                 Check("Image Greyscale", &S::DoImageGreyscale),
                 Check("Image Threshold", &S::DoImageThreshold),
                 Under(&S::DoImageThreshold, Slider("Threshold Level", &S::ImageThreshold)),
                 Check("Image Dither", &S::DoImageDither),
                 Under(&S::DoImageDither, Choice("Dither Algorithm", &S::ImageDitherAlgorithm))}};
    case kFramePage:
        return {"Frame",
                {Choice("Frame Type", &S::DoFrame),
                 Under(kFrame, Number("Left", &S::SolidLeft, "Pixels")),
                 Under(kFrame, Number("Right", &S::SolidRight, "Pixels")),
                 Under(kFrame, Number("Top", &S::SolidTop, "Pixels")),
                 Under(kFrame, Number("Bottom", &S::SolidBottom, "Pixels")),
                 Under(kFrame, TextKind(RowKind::Color, "Left Color", &S::SolidLeftColor)),
                 Under(kFrame, TextKind(RowKind::Color, "Right Color", &S::SolidRightColor)),
                 Under(kFrame, TextKind(RowKind::Color, "Top Color", &S::SolidTopColor)),
                 Under(kFrame, TextKind(RowKind::Color, "Bottom Color", &S::SolidBottomColor)),
                 Under(kFrame, Slider("Opacity", &S::SolidOpacity))}};
    case kWatermarkPage:
        return {"Watermark",
                {Choice("Watermark Type", &S::DoWatermark)},
                {{},
                 {TextKind(RowKind::Text, "Text", &S::WatermarkText),
                  TextKind(RowKind::Font, "Font", &S::FontName, &S::FontList),
                  Number("Font Size", &S::FontSize, "Points"),
                  Number("Font Leading", &S::FontLeading, "Pixels"),
                  TextKind(RowKind::Swatches, "Font Color", &S::FontColor, &S::FontColors),
                  Choice("Font Style", &S::FontStyle),
                  Choice("Font Effect", &S::FontEffect),
                  Check("Antialiasing", &S::TextAntialiasing),
                  Choice("Text Alignment", &S::TextAlignment),
                  Number("Text Padding", &S::TextPadding, "Pixels"),
                  Slider("Text Opacity", &S::TextOpacity),
                  TextKind(RowKind::Swatches, "Background Color", &S::BackColor, &S::BackColors),
                  Slider("Background Opacity", &S::BackOpacity),
                  Choice("Boundary", &S::TextBoundary),
                  Choice("Position", &S::TextPosition),
                  Number("X-Offset", &S::TextXOffset, "Pixels"),
                  Number("Y-Offset", &S::TextYOffset, "Pixels"),
                  Slider("Rotation Angle", &S::TextRotation),
                  Choice("Size", &S::TextSize),
                  Slider("Scale", &S::TextScale)},
                 {TextKind(RowKind::Picture, "Image", &S::WatermarkImage),
                  Check("Image Greyscale", &S::ImageGreyscale), Slider("Opacity", &S::ImageOpacity),
                  Choice("Boundary", &S::ImageBoundary), Choice("Position", &S::ImagePosition),
                  Number("X-Offset", &S::ImageXOffset, "Pixels"),
                  Number("Y-Offset", &S::ImageYOffset, "Pixels"),
                  Slider("Rotation Angle", &S::WatermarkImageRotation),
                  Choice("Size", &S::ImageSize), Slider("Scale", &S::ImageScale)}}};
    default:
        return {
            "Advanced",
            {TextKind(RowKind::Text, "Filename Mask", &S::FilenameMask),
             Choice("File Timestamp", &S::FileTimestamp),
             Under(&S::FileTimestamp, {RowKind::DateTime, "Custom Timestamp", &S::CustomTimestamp},
                   ValueOf(Timestamp::Custom)),
             Choice("Out Folders History", &S::OutFoldersHistory),
             Slider("Out Folders Number", &S::OutFoldersNumber),
             Check("Keep Subfolders", &S::KeepSubfolders)}};
    }
}

QStringList SplitList(const std::string& list) {
    QStringList entries;
    for (const QString& entry : Q(list).split(',', Qt::SkipEmptyParts))
        if (!entry.trimmed().isEmpty())
            entries << entry.trimmed();
    return entries;
}

// The configured families that can be drawn, then the installed ones.
QStringList OfferedFonts(const std::string& configured) {
    std::vector<std::string> names;
    for (const QString& name : SplitList(configured))
        names.push_back(U(name));
    QStringList offered;
    for (const std::string& family : OfferedFontFamilies(names))
        offered << Q(family);
    return offered;
}

QComboBox* ChoiceBox(QWidget* parent, const ChoiceList& list) {
    auto* box = new QComboBox(parent);
    for (const velmora::Choice& choice : list.choices)
        box->addItem(Text("Preferences", choice.label));
    return box;
}

QComboBox* KeywordBox(QWidget* parent, const std::vector<std::string>& keywords) {
    auto* box = new QComboBox(parent);
    for (const std::string& keyword : keywords)
        box->addItem(Q(keyword));
    return box;
}

QLineEdit* NumberEdit(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(R"(-?\d{0,9})"), field));
    return field;
}

QString ProfileFilter() {
    return Text("Dialog", "ICC Profiles") + " (*.icc *.ICC *.icm *.ICM);;" +
           Text("Dialog", "All Files");
}

QString PictureFilter() {
    return Text("Dialog", "All Supported Files") +
           " (*.png *.PNG *.jpg *.JPG *.jpeg *.JPEG *.bmp *.BMP);;" + Text("Dialog", "All Files");
}

} // namespace

const std::vector<PreferencesPageEntry>& PreferencesPageEntries() {
    static const std::vector<PreferencesPageEntry> entries = {
        {"General", "Preferences"},
        {"Interface", "SelectAll"},
        {"Input", "InFiles"},
        {"Output", "OutFormat"},
        {"Transform", "CustomConverter"},
        {"Adjustment", "Convert"},
        {"Frame", "New"},
        {"Watermark", "Copy"},
        {"Advanced", "FavFolder"},
    };
    return entries;
}

namespace {

// A page that asks for room for all of its rows: a scroll area's own wish stops at a few
// hundred pixels, and the dialog sizes itself to what its pages ask.
class PageArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        int frame = 2 * frameWidth();
        return (widget() ? widget()->sizeHint() : QSize()) + QSize(frame, frame);
    }
};

} // namespace

// Places the rows of a table on a page or panel and binds each control to its key.
class PreferencesForm::Builder {
public:
    struct RowParts {
        QWidget* control = nullptr;
        std::vector<QWidget*> widgets; // label, control and unit, enabled together
    };
    using Parts = std::map<std::string, RowParts>;

    Builder(PreferencesForm& form, const char* group, int page)
        : form_(form), group_(group), page_(page) {}

    // The rows on holder, which the form arranges in one column or two; a row whose feature
    // a switch of the list turns on follows that switch.
    Parts AddRows(QWidget* holder, const std::vector<Row>& rows) {
        Parts parts;
        RowGrid grid{holder, page_, SecondColumnStart(rows), {}};
        for (const Row& row : rows) {
            auto [label, field, rowParts] = AddRow(holder, row);
            grid.rows.push_back({label, field});
            parts[row.key] = rowParts;
        }
        for (const Row& row : rows)
            if (!row.enabledBy.empty() && parts.count(row.enabledBy))
                Follow(parts[row.enabledBy].control, parts[row.key].widgets, row.enabledAt);
        form_.grids_.push_back(std::move(grid));
        return parts;
    }

    // Where the second column starts: at the row marked for it, else half-way through a
    // list longer than a column holds; the list's end when it keeps to one column.
    static size_t SecondColumnStart(const std::vector<Row>& rows) {
        auto marked =
            std::find_if(rows.begin(), rows.end(), [](const Row& row) { return row.startsColumn; });
        if (marked != rows.end())
            return static_cast<size_t>(marked - rows.begin());
        return rows.size() > kRowsPerColumn ? (rows.size() + 1) / 2 : rows.size();
    }

private:
    struct MadeRow {
        QLabel* label;
        QWidget* field; // the control, or the control with its unit
        RowParts parts;
    };

    MadeRow AddRow(QWidget* holder, const Row& row) {
        auto* label = new QLabel(Text("Preferences", row.label), holder);
        std::vector<QWidget*> units;
        QWidget* control = MakeControl(holder, row, units);
        control->setObjectName(Name(row.key));
        label->setBuddy(control);
        // The grid's columns give every other control its width.
        if (row.kind == RowKind::Number)
            control->setMinimumWidth(kNumberMinimumWidth);
        QWidget* field = control;
        if (!units.empty()) {
            field = new QWidget(holder);
            auto* line = new QHBoxLayout(field);
            line->setContentsMargins(0, 0, 0, 0);
            line->addWidget(control, 1);
            for (QWidget* unit : units)
                line->addWidget(unit);
        }
        MadeRow made{label, field, {control, {label, control}}};
        made.parts.widgets.insert(made.parts.widgets.end(), units.begin(), units.end());
        return made;
    }

    // The row's widgets enabled while the switch is on (a check box ticked, a drop-down at
    // any entry but the first, or at enabledAt).
    void Follow(QWidget* switcher, std::vector<QWidget*> widgets, int enabledAt) {
        auto* check = qobject_cast<QCheckBox*>(switcher);
        auto* choice = qobject_cast<QComboBox*>(switcher);
        if (!check && !choice)
            return;
        auto follow = [check, choice, widgets, enabledAt] {
            int value = check ? int(check->isChecked()) : choice->currentIndex();
            bool on = enabledAt < 0 ? value != 0 : value == enabledAt;
            for (QWidget* widget : widgets)
                widget->setEnabled(on);
        };
        if (check)
            QObject::connect(check, &QCheckBox::toggled, check, follow);
        else
            QObject::connect(choice, &QComboBox::currentIndexChanged, choice, follow);
        form_.followers_.push_back(follow);
    }

    QString Name(const std::string& key) const { return QString(group_) + "/" + Q(key); }

    void Bind(std::function<void()> load, std::function<void()> store) {
        form_.bindings_.push_back({std::move(load), std::move(store)});
    }

    QWidget* MakeControl(QWidget* content, const Row& row, std::vector<QWidget*>& units) {
        // The field the control edits: a number's or a text's, by the setting's kind.
        IntField field{};
        TextField text = nullptr;
        std::visit(
            [&](auto member) {
                if constexpr (std::is_same_v<decltype(member), TextField>)
                    text = member;
                else if constexpr (std::is_constructible_v<IntField, decltype(member)>)
                    field = member;
            },
            row.field);
        switch (row.kind) {
        case RowKind::Check: {
            auto* box = new QCheckBox(content);
            Bind([=] { box->setChecked(GetInt(field) != 0); },
                 [=] { SetInt(field, box->isChecked() ? 1 : 0); });
            return box;
        }
        case RowKind::Choice: {
            QComboBox* box = ChoiceBox(content, *row.choices);
            Bind([=] { box->setCurrentIndex(GetInt(field)); },
                 [=] {
                     if (box->currentIndex() >= 0)
                         SetInt(field, box->currentIndex());
                 });
            return box;
        }
        case RowKind::Number: {
            QWidget* number = nullptr;
            if (row.maximum > row.minimum) {
                // A ranged number never holds a value the conversion would refuse.
                auto* box = new QSpinBox(content);
                box->setRange(row.minimum, row.maximum);
                Bind([=] { box->setValue(GetInt(field)); }, [=] { SetInt(field, box->value()); });
                number = box;
            } else {
                QLineEdit* edit = NumberEdit(content);
                Bind([=] { edit->setText(QString::number(GetInt(field))); },
                     [=] { SetInt(field, edit->text().toInt()); });
                number = edit;
            }
            if (row.unitChoice) {
                QComboBox* unit = ChoiceBox(content, *SpecOf(row.unitChoice).choices);
                unit->setObjectName(Name(row.key + " Unit"));
                IntField unitField = row.unitChoice;
                Bind([=] { unit->setCurrentIndex(GetInt(unitField)); },
                     [=] {
                         if (unit->currentIndex() >= 0)
                             SetInt(unitField, unit->currentIndex());
                     });
                units.push_back(unit);
            } else if (row.unit) {
                auto* unit = new QLabel(Text("Preferences", row.unit), content);
                units.push_back(unit);
            }
            return number;
        }
        case RowKind::Slider: {
            auto* slider = new SliderField(row.minimum, row.maximum, 1, content);
            Bind([=] { slider->SetValue(GetInt(field)); }, [=] { SetInt(field, slider->Value()); });
            return slider;
        }
        case RowKind::Gamma: {
            // The gamma range as slider positions a hundredth apart.
            const ValueRange<float> range = *SpecOf(row.field).realRange;
            float S::*gamma = std::get<float S::*>(row.field);
            auto* slider = new SliderField(GammaPosition(range.minimum),
                                           GammaPosition(range.maximum), kGammaDivisor, content);
            Bind(
                [=] {
                    slider->SetValue(
                        static_cast<int>(std::lround(gSettings.*gamma * kGammaDivisor)));
                },
                [=] {
                    gSettings.*gamma = static_cast<float>(slider->Value() / double(kGammaDivisor));
                });
            return slider;
        }
        case RowKind::Color: {
            auto* colour = new ColorField(content);
            Bind([=] { colour->SetText(Q(gSettings.*text)); },
                 [=] { gSettings.*text = U(colour->Text()); });
            return colour;
        }
        case RowKind::Swatches:
        case RowKind::Font: {
            bool swatches = row.kind == RowKind::Swatches;
            ChooserComboField::Chooser chooser =
                swatches ? ChooserComboField::Chooser(ChooseColorHex)
                         : [](QWidget* parent, const QString& current) {
                               return TheDesktop().ChooseFontFamily(parent, current);
                           };
            using Entries = ChooserComboField::Entries;
            auto* combo = swatches ? new ChooserComboField(SplitList(gSettings.*row.offered),
                                                           Entries::Colours, chooser, content)
                                   : new ChooserComboField(OfferedFonts(gSettings.*row.offered),
                                                           Entries::Fonts, chooser, content);
            Bind([=] { combo->SetText(Q(gSettings.*text)); },
                 [=] { gSettings.*text = U(combo->Text()); });
            return combo;
        }
        case RowKind::Picture:
        case RowKind::Profile: {
            // An empty profile field: the built-in separation.
            const bool picture = row.kind == RowKind::Picture;
            auto* path = new PathField(
                [picture](QWidget* parent) {
                    return picture
                               ? TheDesktop().ChooseFile(parent,
                                                         Text("Dialog", "Select Watermark Image"),
                                                         PictureFilter())
                               : TheDesktop().ChooseFile(parent,
                                                         Text("Dialog", "Select CMYK Profile"),
                                                         ProfileFilter());
                },
                Text("Dialog", picture ? "Select Watermark Image" : "Select CMYK Profile"),
                content);
            Bind([=] { path->SetText(Q(gSettings.*text)); },
                 [=] { gSettings.*text = U(path->Text()); });
            return path;
        }
        case RowKind::Text: {
            auto* line = new QLineEdit(content);
            Bind(
                [=] {
                    line->setText(Q(gSettings.*text));
                    line->setCursorPosition(0); // a long text shows its start
                },
                [=] { gSettings.*text = U(line->text()); });
            return line;
        }
        case RowKind::DateTime: {
            auto* date = new QDateTimeEdit(content);
            date->setDisplayFormat("yyyy/MM/dd HH:mm");
            date->setCalendarPopup(true);
            // The field shows minutes; an untouched value keeps its seconds.
            Bind([=] { date->setDateTime(QDateTime::fromSecsSinceEpoch(GetInt(field))); },
                 [=] {
                     int64_t shown = date->dateTime().toSecsSinceEpoch();
                     if (shown / 60 != GetInt(field) / 60)
                         SetInt(field, static_cast<int>(shown));
                 });
            return date;
        }
        case RowKind::Bpp: {
            auto* box = new QComboBox(content);
            box->addItem(Text("Preferences", "Auto"));
            for (int depth : AllowedDepths(row.format))
                box->addItem(QString::number(depth));
            // An entry without a leading number (Auto) stores 0.
            Bind(
                [=] {
                    int depth = GetInt(field);
                    box->setCurrentIndex(depth == 0 ? 0 : box->findText(QString::number(depth)));
                },
                [=] {
                    if (box->currentIndex() >= 0)
                        SetInt(field, box->currentText().toInt());
                });
            return box;
        }
        case RowKind::Theme: {
            auto* box = new QComboBox(content);
            for (const auto& [identifier, name] : ThemeList())
                box->addItem(Q(name), Q(identifier));
            Bind(
                [=] {
                    int index = box->findData(Q(gSettings.*text));
                    if (index < 0) { // a theme whose archive is gone still shows
                        box->addItem(Q(gSettings.*text), Q(gSettings.*text));
                        index = box->count() - 1;
                    }
                    box->setCurrentIndex(index);
                },
                [=] { gSettings.*text = U(box->currentData().toString()); });
            return box;
        }
        case RowKind::Language: {
            auto* box = new QComboBox(content);
            box->addItem("English");
            Bind([] {}, [] { gSettings.Language = "en"; });
            return box;
        }
        case RowKind::InputFormat:
        case RowKind::OutputFormat: {
            const auto& formats =
                row.kind == RowKind::InputFormat ? EnabledInputGroups() : EnabledOutputFormats();
            QComboBox* box = KeywordBox(content, formats);
            Bind([=] { box->setCurrentIndex(box->findText(Q(gSettings.*text))); },
                 [=, &formats] {
                     if (box->currentIndex() >= 0)
                         gSettings.*text = formats[static_cast<size_t>(box->currentIndex())];
                 });
            return box;
        }
        }
        return new QWidget(content);
    }

    PreferencesForm& form_;
    const char* group_;
    int page_;
};

PreferencesForm::PreferencesForm(QWidget* parent) {
    for (int page = 0; page < kPreferencesPageCount; ++page) {
        PageRows table = PageTable(page);
        Builder builder(*this, table.group, page);
        auto* area = new PageArea(parent);
        area->setObjectName(PreferencesPageEntries()[static_cast<size_t>(page)].entryKey);
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        auto* content = new QWidget;
        auto* column = new QVBoxLayout(content);
        column->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
        column->setSpacing(kRowSpacing);
        auto* top = new QWidget(content);
        column->addWidget(top);
        auto parts = builder.AddRows(top, table.rows);

        if (!table.panels.empty()) {
            // A stack keeps the room of its largest panel, so that a choice never makes the
            // page scroll where it did not.
            auto* choice = static_cast<QComboBox*>(parts[table.rows.back().key].control);
            auto* stack = new QStackedWidget(content);
            column->addWidget(stack);
            for (const std::vector<Row>& rows : table.panels) {
                auto* panel = new QWidget;
                auto panelParts = builder.AddRows(panel, rows);
                stack->addWidget(panel);
                const std::string loadAsKey(SpecOf(&S::RawLoadAs).key);
                if (panelParts.count(loadAsKey)) {
                    // Headerless bits need their size; decoded HDR pictures need tone mapping.
                    auto* loadAs = static_cast<QComboBox*>(panelParts[loadAsKey].control);
                    auto follow = [loadAs, panelParts] {
                        auto code = ChoiceOf<RawLoadAs>(loadAs->currentIndex());
                        bool bits = code == RawLoadAs::Bits8 || code == RawLoadAs::Bits16;
                        bool tone = code == RawLoadAs::Rgb48HalfSize || code == RawLoadAs::Rgb48;
                        for (int32_t S::*field : {&S::RawHeaderSize, &S::RawImageWidth,
                                                  &S::RawImageHeight, &S::RawToneMapping}) {
                            bool on = field == &S::RawToneMapping ? tone : bits;
                            for (QWidget* widget :
                                 panelParts.at(std::string(SpecOf(field).key)).widgets)
                                widget->setEnabled(on);
                        }
                    };
                    QObject::connect(loadAs, &QComboBox::currentIndexChanged, loadAs, follow);
                    followers_.push_back(follow);
                }
            }
            auto show = [choice, stack] {
                stack->setCurrentIndex(std::max(choice->currentIndex(), 0));
            };
            QObject::connect(choice, &QComboBox::currentIndexChanged, stack, show);
            followers_.push_back(show);
        }
        column->addStretch(1);
        area->setWidget(content);
        pages_.push_back(area);
    }
    Arrange(2);
}

void PreferencesForm::Arrange(int columns) {
    columns_ = std::max(columns, 1);
    // The labels of a page share one width, so that its grids line up.
    std::map<int, int> labelWidths;
    for (const RowGrid& grid : grids_)
        for (const auto& [label, field] : grid.rows)
            labelWidths[grid.page] = std::max(labelWidths[grid.page], label->sizeHint().width());
    for (RowGrid& grid : grids_) {
        delete grid.holder->layout();
        auto* layout = new QGridLayout(grid.holder);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setVerticalSpacing(kRowSpacing);
        size_t second = columns_ > 1 ? grid.secondColumn : grid.rows.size();
        for (size_t i = 0; i < grid.rows.size(); ++i) {
            bool right = i >= second;
            int line = static_cast<int>(right ? i - second : i);
            int labelColumn = right ? 3 : 0;
            layout->addWidget(grid.rows[i].first, line, labelColumn);
            // A check box is as wide as its box: a click beside it does not tick it.
            QWidget* field = grid.rows[i].second;
            layout->addWidget(field, line, labelColumn + 1,
                              qobject_cast<QCheckBox*>(field) ? Qt::AlignLeft | Qt::AlignVCenter
                                                              : Qt::Alignment());
        }
        // Two columns keep their halves on every page, with or without rows on the right.
        for (int half = 0; half < columns_; ++half) {
            layout->setColumnMinimumWidth(3 * half, labelWidths[grid.page]);
            layout->setColumnMinimumWidth(3 * half + 1, kControlMinimumWidth);
            layout->setColumnStretch(3 * half + 1, 1);
        }
        if (columns_ > 1)
            layout->setColumnMinimumWidth(2, kColumnGap);
        // Every layout between the grid and its page keeps the sizes it measured before.
        for (QWidget* widget = grid.holder; widget; widget = widget->parentWidget()) {
            if (widget->layout())
                widget->layout()->invalidate();
            widget->updateGeometry();
            if (std::find(pages_.begin(), pages_.end(), widget) != pages_.end())
                break;
        }
    }
}

void PreferencesForm::Load() {
    for (const Binding& binding : bindings_)
        binding.load();
    for (const auto& follow : followers_)
        follow();
}

void PreferencesForm::Store() const {
    for (const Binding& binding : bindings_)
        binding.store();
}

} // namespace velmora
