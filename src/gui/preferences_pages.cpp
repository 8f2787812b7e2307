#include "gui/preferences_pages.h"

#include "engine/format_registry.h"
#include "gui/desktop.h"
#include "gui/face_text.h"
#include "gui/preferences_controls.h"
#include "gui/storage/themes.h"
#include "imageops/color_adjustment.h"
#include "imageops/drawn/watermark_font.h"
#include "imageops/frame_request.h"
#include "imageops/rotation.h"
#include "imageops/threshold.h"
#include "imageops/watermark_request.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"

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
#include <variant>

namespace velmora {
namespace {

using S = Settings;
using IntField = std::variant<int32_t S::*, int8_t S::*>;
using TextField = std::string S::*;
using Entries = std::vector<const char*>;

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

struct Row {
    Row(RowKind kind, const char* label, std::string key, IntField number = {})
        : kind(kind), label(label), key(std::move(key)), number(number) {}

    RowKind kind;
    const char* label; // catalogue group "Preferences"
    std::string key;   // settings file key of the page's group
    IntField number;
    TextField text = nullptr;
    const Entries* entries = nullptr;
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
    const char* enabledBy = nullptr;
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

// Entries are codes in order: the position of an entry is the value stored.
const Entries kUpdateRanges = {"Every day",      "Every week",     "Every month",
                               "Every 3 months", "Every 6 months", "Never"};
const Entries kUiSizes = {"Small", "Medium", "Large"};
const Entries kDdsLoadAs = {"Auto", "BGRA", "RGBA"};
const Entries kRawLoadAs = {"Auto", "RGB8", "RGB16", "RGB24", "RGB48HS", "RGB48"};
const Entries kFrameLoadings = {"All Frames", "First Frame", "Middle Frame", "Last Frame",
                                "Random Frame"};
const Entries kColorModes = {"RGB", "CMYK", "LAB"};
const Entries kToneMappings = {"None", "Linear", "Adaptive Logarithmic", "DR Reduction",
                               "Gradient Domain"};
const Entries kRleCompressions = {"None", "RLE"};
const Entries kExrCompressions = {"None", "ZIP", "PIZ", "PXR24", "B44"};
const Entries kPngCompressions = {"None", "ZLIB1", "ZLIB6", "ZLIB9"};
// LZW keeps its place in the list so that each entry's position stays its code.
const Entries kTiffCompressions = {"None",         "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE",
                                   "ADOBEDEFLATE", "LZW",       "JPEG",      "LOGLUV"};
const Entries kColorTables = {"Auto", "Exact"};
const Entries kChromas = {"None", "Low", "Medium", "High"};
const Entries kJpegSaveAs = {"Baseline Standard", "Baseline Simple", "Baseline Optimized",
                             "Progressive"};
const Entries kRotationTypes = {"Simple Rotation", "Advanced Rotation"};
const Entries kUnits = {"Pixels", "Percent"};
const Entries kResizeTypes = {"All Images", "Large Images"};
const Entries kResizeAlgorithms = {"Box",     "Bilinear",   "Bspline",
                                   "Bicubic", "Catmullrom", "Lanczos"};
const Entries kDithers = {"FS", "Bayer4", "Bayer8", "Bayer16", "Cluster6", "Cluster8", "Cluster16"};
const Entries kFrameKinds = {"None", "Frame Solid"};
const Entries kWatermarkKinds = {"None", "Watermark Text", "Watermark Image"};
const Entries kFontStyles = {"Regular", "Bold", "Italic", "Bold Italic"};
const Entries kFontEffects = {"None", "Underline", "Strikeout"};
const Entries kAlignments = {"Align Left", "Align Center", "Align Right"};
const Entries kBoundaries = {"Bound Image", "Bound Frame"};
const Entries kPositions = {"Top-Left",    "Top-Center",    "Top-Right",
                            "Middle-Left", "Middle-Center", "Middle-Right",
                            "Bottom-Left", "Bottom-Center", "Bottom-Right"};
const Entries kSizeModes = {"Fixed", "Proportional", "Fit", "Fill"};
const Entries kTimestamps = {"Current", "Original", "Custom"};
const Entries kFolderHistories = {"Clean On Exit", "Keep Folders"};

Row Check(const char* label, std::string key, IntField field) {
    return {RowKind::Check, label, std::move(key), field};
}

Row Choice(const char* label, std::string key, IntField field, const Entries& entries) {
    Row row{RowKind::Choice, label, std::move(key), field};
    row.entries = &entries;
    return row;
}

Row Number(const char* label, std::string key, IntField field, const char* unit,
           int8_t S::*unitChoice = nullptr) {
    Row row{RowKind::Number, label, std::move(key), field};
    row.unit = unit;
    row.unitChoice = unitChoice;
    return row;
}

Row Slider(const char* label, std::string key, IntField field, int minimum, int maximum) {
    Row row{RowKind::Slider, label, std::move(key), field};
    row.minimum = minimum;
    row.maximum = maximum;
    return row;
}

Row Slider(const char* label, std::string key, IntField field, ValueRange<int32_t> range) {
    return Slider(label, std::move(key), field, range.minimum, range.maximum);
}

Row InSecondColumn(Row row) {
    row.startsColumn = true;
    return row;
}

Row Under(const char* governor, Row row, int enabledAt = -1) {
    row.enabledBy = governor;
    row.enabledAt = enabledAt;
    return row;
}

Row Within(ValueRange<int32_t> range, Row row) {
    row.minimum = range.minimum;
    row.maximum = range.maximum;
    return row;
}

Row TextKind(RowKind kind, const char* label, std::string key, TextField field,
             TextField offered = nullptr) {
    Row row{kind, label, std::move(key)};
    row.text = field;
    row.offered = offered;
    return row;
}

const std::vector<Row>& InputPanelRows(const std::string& format) {
    static const std::map<std::string, std::vector<Row>> panels = {
        {"dds", {Choice("Load As", "DDS Load As", &S::DdsLoadAs, kDdsLoadAs)}},
        {"gif",
         {Choice("Frame Loading", "GIF Frame Loading", &S::GifFrameLoading, kFrameLoadings)}},
        {"ico",
         {Choice("Frame Loading", "ICO Frame Loading", &S::IcoFrameLoading, kFrameLoadings)}},
        {"psd", {Choice("Color Mode", "PSD Color Mode", &S::PsdColorMode, kColorModes)}},
        {"raw",
         {Choice("Load As", "RAW Load As", &S::RawLoadAs, kRawLoadAs),
          Number("Header Size", "RAW Header Size", &S::RawHeaderSize, "Bytes"),
          Number("Image Width", "RAW Image Width", &S::RawImageWidth, "Pixels"),
          Number("Image Height", "RAW Image Height", &S::RawImageHeight, "Pixels"),
          Choice("Tone Mapping", "RAW Tone Mapping", &S::RawToneMapping, kToneMappings)}},
        {"tiff",
         {Choice("Frame Loading", "TIFF Frame Loading", &S::TiffFrameLoading, kFrameLoadings)}},
    };
    static const std::vector<Row> none;
    auto found = panels.find(format);
    return found == panels.end() ? none : found->second;
}

// Every output format starts with its depth; these follow it.
const std::vector<Row>& OutputPanelExtraRows(const std::string& format) {
    static const std::map<std::string, std::vector<Row>> panels = {
        {"bmp",
         {Choice("Compression", "BMP Compression", &S::BmpCompression, kRleCompressions),
          Choice("Color Table", "BMP Color Table", &S::BmpColorTable, kColorTables)}},
        {"exr", {Choice("Compression", "EXR Compression", &S::ExrCompression, kExrCompressions)}},
        {"jpg",
         {Slider("Image Quality", "JPG Quality", &S::JpgQuality, 0, 100),
          Choice("Chroma Subsampling", "JPG Chroma", &S::JpgChroma, kChromas),
          Choice("Save As", "JPG Save As", &S::JpgSaveAs, kJpegSaveAs)}},
        {"png",
         {Choice("Compression", "PNG Compression", &S::PngCompression, kPngCompressions),
          Check("Interlaced", "PNG Interlaced", &S::PngInterlaced)}},
        {"tga", {Choice("Compression", "TGA Compression", &S::TgaCompression, kRleCompressions)}},
        {"tiff",
         {Choice("Compression", "TIFF Compression", &S::TiffCompression, kTiffCompressions),
          Choice("Color Mode", "TIFF Color Mode", &S::TiffColorMode, kColorModes),
          TextKind(RowKind::Profile, "CMYK Profile", "CmykProfile", &S::CmykProfile)}},
        {"webp", {Slider("Image Quality", "WEBP Quality", &S::WebpQuality, 0, 100)}},
    };
    static const std::vector<Row> none;
    auto found = panels.find(format);
    return found == panels.end() ? none : found->second;
}

std::vector<Row> OutputPanelRows(const std::string& format) {
    std::vector<Row> rows;
    if (const OutputFormat* known = FindOutputFormat(format)) {
        Row depth{RowKind::Bpp, "Bits Per Pixel", ToUpper(format) + " BPP", known->depthField};
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
constexpr const char* kRotation = "Do Image Rotation";
constexpr const char* kResize = "Do Image Resize";
constexpr const char* kFrame = "Do Frame";

PageRows PageTable(int page) {
    switch (page) {
    case kGeneralPage:
        return {"General",
                {{RowKind::Language, "Language", "Language"},
                 Choice("Check for Updates", "Update Range", &S::UpdateRange, kUpdateRanges),
                 Check("Save window position", "Save Window Position", &S::SaveWindowPosition)}};
    case kInterfacePage:
        return {"Interface",
                {TextKind(RowKind::Theme, "UI Theme", "UI Theme", &S::UiTheme),
                 Choice("UI Size", "UI Size", &S::UiSize, kUiSizes)}};
    case kInputPage: {
        PageRows page{"Input",
                      {TextKind(RowKind::InputFormat, "Input Format", "Format", &S::InputFormat)}};
        for (const std::string& format : EnabledInputGroups())
            page.panels.push_back(InputPanelRows(format));
        return page;
    }
    case kOutputPage: {
        PageRows page{
            "Output",
            {TextKind(RowKind::OutputFormat, "Output Format", "Format", &S::OutputFormat)}};
        for (const std::string& format : EnabledOutputFormats())
            page.panels.push_back(OutputPanelRows(format));
        return page;
    }
    case kTransformPage:
        return {
            "Transform",
            {Check("Image Rotation", "Do Image Rotation", &S::DoImageRotation),
             Under(kRotation, Choice("Rotation Type", "Image Rotation Type", &S::ImageRotationType,
                                     kRotationTypes)),
             Under(kRotation, Slider("Rotation Angle", "Image Rotation", &S::ImageRotation,
                                     kRotationDegreesRange)),
             Under(kRotation, TextKind(RowKind::Color, "Background Color",
                                       "Image Rotation Back Color", &S::ImageRotationBackColor)),
             Check("Image Resize", "Do Image Resize", &S::DoImageResize),
             Under(kResize, Number("Image Width", "Image Width", &S::ImageWidth, nullptr,
                                   &S::ImageWidthUnit)),
             Under(kResize, Number("Image Height", "Image Height", &S::ImageHeight, nullptr,
                                   &S::ImageHeightUnit)),
             Under(kResize, InSecondColumn(Check("Keep Aspect Ratio", "Keep Aspect Ratio",
                                                 &S::KeepAspectRatio))),
             Under(kResize,
                   Choice("Resize Type", "Image Resize Type", &S::ImageResizeType, kResizeTypes)),
             Under(kResize, Choice("Resize Algorithm", "Image Resize Algorithm",
                                   &S::ImageResizeAlgorithm, kResizeAlgorithms)),
             Check("Image Flip Horizontal", "Do Image Flip Horizontal", &S::DoImageFlipHorizontal),
             Check("Image Flip Vertical", "Do Image Flip Vertical", &S::DoImageFlipVertical)}};
    case kAdjustmentPage:
        return {
            "Adjustment",
            {Slider("Image Brightness", "Image Brightness", &S::ImageBrightness, kBrightnessRange),
             Slider("Image Contrast", "Image Contrast", &S::ImageContrast, kContrastRange),
             {RowKind::Gamma, "Image Gamma", "Image Gamma"},
             Check("Image Invert", "Image Invert", &S::ImageInvert),
             Check("Image Greyscale", "Do Image Greyscale", &S::DoImageGreyscale),
             Check("Image Threshold", "Do Image Threshold", &S::DoImageThreshold),
             Under("Do Image Threshold", Slider("Threshold Level", "Image Threshold",
                                                &S::ImageThreshold, kThresholdRange)),
             Check("Image Dither", "Do Image Dither", &S::DoImageDither),
             Under("Do Image Dither", Choice("Dither Algorithm", "Image Dither Algorithm",
                                             &S::ImageDitherAlgorithm, kDithers))}};
    case kFramePage:
        return {"Frame",
                {Choice("Frame Type", "Do Frame", &S::DoFrame, kFrameKinds),
                 Under(kFrame, Number("Left", "Solid Left", &S::SolidLeft, "Pixels")),
                 Under(kFrame, Number("Right", "Solid Right", &S::SolidRight, "Pixels")),
                 Under(kFrame, Number("Top", "Solid Top", &S::SolidTop, "Pixels")),
                 Under(kFrame, Number("Bottom", "Solid Bottom", &S::SolidBottom, "Pixels")),
                 Under(kFrame, TextKind(RowKind::Color, "Left Color", "Solid Left Color",
                                        &S::SolidLeftColor)),
                 Under(kFrame, TextKind(RowKind::Color, "Right Color", "Solid Right Color",
                                        &S::SolidRightColor)),
                 Under(kFrame,
                       TextKind(RowKind::Color, "Top Color", "Solid Top Color", &S::SolidTopColor)),
                 Under(kFrame, TextKind(RowKind::Color, "Bottom Color", "Solid Bottom Color",
                                        &S::SolidBottomColor)),
                 Under(kFrame,
                       Slider("Opacity", "Solid Opacity", &S::SolidOpacity, kFrameOpacityRange))}};
    case kWatermarkPage:
        return {
            "Watermark",
            {Choice("Watermark Type", "Do Watermark", &S::DoWatermark, kWatermarkKinds)},
            {{},
             {TextKind(RowKind::Text, "Text", "Text", &S::WatermarkText),
              TextKind(RowKind::Font, "Font", "Font", &S::FontName, &S::FontList),
              Within(kFontSizeRange, Number("Font Size", "Font Size", &S::FontSize, "Points")),
              Number("Font Leading", "Font Leading", &S::FontLeading, "Pixels"),
              TextKind(RowKind::Swatches, "Font Color", "Font Color", &S::FontColor,
                       &S::FontColors),
              Choice("Font Style", "Font Style", &S::FontStyle, kFontStyles),
              Choice("Font Effect", "Font Effect", &S::FontEffect, kFontEffects),
              Check("Antialiasing", "Text Antialiasing", &S::TextAntialiasing),
              Choice("Text Alignment", "Text Alignment", &S::TextAlignment, kAlignments),
              Number("Text Padding", "Text Padding", &S::TextPadding, "Pixels"),
              Slider("Text Opacity", "Text Opacity", &S::TextOpacity, kWatermarkOpacityRange),
              TextKind(RowKind::Swatches, "Background Color", "Back Color", &S::BackColor,
                       &S::BackColors),
              Slider("Background Opacity", "Back Opacity", &S::BackOpacity, kWatermarkOpacityRange),
              Choice("Boundary", "Text Boundary", &S::TextBoundary, kBoundaries),
              Choice("Position", "Text Position", &S::TextPosition, kPositions),
              Number("X-Offset", "Text X Offset", &S::TextXOffset, "Pixels"),
              Number("Y-Offset", "Text Y Offset", &S::TextYOffset, "Pixels"),
              Slider("Rotation Angle", "Text Rotation", &S::TextRotation, kWatermarkRotationRange),
              Choice("Size", "Text Size", &S::TextSize, kSizeModes),
              Slider("Scale", "Text Scale", &S::TextScale, kWatermarkScaleRange)},
             {TextKind(RowKind::Picture, "Image", "Image", &S::WatermarkImage),
              Check("Image Greyscale", "Image Greyscale", &S::ImageGreyscale),
              Slider("Opacity", "Image Opacity", &S::ImageOpacity, kWatermarkOpacityRange),
              Choice("Boundary", "Image Boundary", &S::ImageBoundary, kBoundaries),
              Choice("Position", "Image Position", &S::ImagePosition, kPositions),
              Number("X-Offset", "Image X Offset", &S::ImageXOffset, "Pixels"),
              Number("Y-Offset", "Image Y Offset", &S::ImageYOffset, "Pixels"),
              Slider("Rotation Angle", "Image Rotation", &S::WatermarkImageRotation,
                     kWatermarkRotationRange),
              Choice("Size", "Image Size", &S::ImageSize, kSizeModes),
              Slider("Scale", "Image Scale", &S::ImageScale, kWatermarkScaleRange)}}};
    default:
        return {
            "Advanced",
            {TextKind(RowKind::Text, "Filename Mask", "Filename Mask", &S::FilenameMask),
             Choice("File Timestamp", "File Timestamp", &S::FileTimestamp, kTimestamps),
             Under("File Timestamp",
                   {RowKind::DateTime, "Custom Timestamp", "Custom Timestamp", &S::CustomTimestamp},
                   kTimestampCustom),
             Choice("Out Folders History", "Out Folders History", &S::OutFoldersHistory,
                    kFolderHistories),
             Slider("Out Folders Number", "Out Folders Number", &S::OutFoldersNumber, 1, 50),
             Check("Keep Subfolders", "Keep Subfolders", &S::KeepSubfolders)}};
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

QComboBox* ChoiceBox(QWidget* parent, const Entries& entries) {
    auto* box = new QComboBox(parent);
    for (const char* entry : entries)
        box->addItem(Text("Preferences", entry));
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
            if (row.enabledBy && parts.count(row.enabledBy))
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
        const IntField field = row.number;
        const TextField text = row.text;
        switch (row.kind) {
        case RowKind::Check: {
            auto* box = new QCheckBox(content);
            Bind([=] { box->setChecked(GetInt(field) != 0); },
                 [=] { SetInt(field, box->isChecked() ? 1 : 0); });
            return box;
        }
        case RowKind::Choice: {
            QComboBox* box = ChoiceBox(content, *row.entries);
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
                QComboBox* unit = ChoiceBox(content, kUnits);
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
            auto* slider =
                new SliderField(GammaPosition(kGammaRange.minimum),
                                GammaPosition(kGammaRange.maximum), kGammaDivisor, content);
            Bind(
                [=] {
                    slider->SetValue(
                        static_cast<int>(std::lround(gSettings.ImageGamma * kGammaDivisor)));
                },
                [=] {
                    gSettings.ImageGamma =
                        static_cast<float>(slider->Value() / double(kGammaDivisor));
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
                if (panelParts.count("RAW Load As")) {
                    // Headerless bits need their size; decoded HDR pictures need tone mapping.
                    auto* loadAs = static_cast<QComboBox*>(panelParts["RAW Load As"].control);
                    auto follow = [loadAs, panelParts] {
                        int code = loadAs->currentIndex();
                        bool bits = code == kRaw8 || code == kRaw16;
                        bool tone = code == kRaw48HS || code == kRaw48;
                        for (const char* key : {"RAW Header Size", "RAW Image Width",
                                                "RAW Image Height", "RAW Tone Mapping"}) {
                            bool on = std::string_view(key) == "RAW Tone Mapping" ? tone : bits;
                            for (QWidget* widget : panelParts.at(key).widgets)
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
