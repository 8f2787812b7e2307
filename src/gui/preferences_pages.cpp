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
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QStackedWidget>

#include <algorithm>
#include <cmath>
#include <variant>

namespace velmora {
namespace {

using S = Settings;
using IntField = std::variant<int32_t S::*, int8_t S::*>;
using TextField = std::string S::*;
using Entries = std::vector<const char*>;

// The grid inside a page: a label at x 10, its control at x 170 (240 wide), rows 30 apart
// from y 10; a unit or unit choice follows a shorter number field. A list of more rows than
// a column holds runs on in a second column, 420 pixels to the right.
constexpr int kLabelX = 10, kLabelWidth = 155;
constexpr int kControlX = 170, kControlWidth = 240;
constexpr int kNumberWidth = 110, kUnitX = 285, kUnitWidth = 125;
constexpr int kRowTop = 10, kRowStep = 30, kRowHeight = 24;
constexpr size_t kRowsPerColumn = 10;
constexpr int kColumnStep = 420;
static_assert(2 * kRowTop + kRowStep * (kRowsPerColumn + 1) <= kPreferencesPageHeight,
              "a column and the row above a panel fit the page");
static_assert(kColumnStep + kControlX + kControlWidth <= kPreferencesPageWidth,
              "two columns fit the page");
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
             Choice("Rotation Type", "Image Rotation Type", &S::ImageRotationType, kRotationTypes),
             Slider("Rotation Angle", "Image Rotation", &S::ImageRotation, kRotationDegreesRange),
             TextKind(RowKind::Color, "Background Color", "Image Rotation Back Color",
                      &S::ImageRotationBackColor),
             Check("Image Resize", "Do Image Resize", &S::DoImageResize),
             Number("Image Width", "Image Width", &S::ImageWidth, nullptr, &S::ImageWidthUnit),
             Number("Image Height", "Image Height", &S::ImageHeight, nullptr, &S::ImageHeightUnit),
             InSecondColumn(Check("Keep Aspect Ratio", "Keep Aspect Ratio", &S::KeepAspectRatio)),
             Choice("Resize Type", "Image Resize Type", &S::ImageResizeType, kResizeTypes),
             Choice("Resize Algorithm", "Image Resize Algorithm", &S::ImageResizeAlgorithm,
                    kResizeAlgorithms),
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
             Slider("Threshold Level", "Image Threshold", &S::ImageThreshold, kThresholdRange),
             Check("Image Dither", "Do Image Dither", &S::DoImageDither),
             Choice("Dither Algorithm", "Image Dither Algorithm", &S::ImageDitherAlgorithm,
                    kDithers)}};
    case kFramePage:
        return {
            "Frame",
            {Choice("Frame Type", "Do Frame", &S::DoFrame, kFrameKinds),
             Number("Left", "Solid Left", &S::SolidLeft, "Pixels"),
             Number("Right", "Solid Right", &S::SolidRight, "Pixels"),
             Number("Top", "Solid Top", &S::SolidTop, "Pixels"),
             Number("Bottom", "Solid Bottom", &S::SolidBottom, "Pixels"),
             TextKind(RowKind::Color, "Left Color", "Solid Left Color", &S::SolidLeftColor),
             TextKind(RowKind::Color, "Right Color", "Solid Right Color", &S::SolidRightColor),
             TextKind(RowKind::Color, "Top Color", "Solid Top Color", &S::SolidTopColor),
             TextKind(RowKind::Color, "Bottom Color", "Solid Bottom Color", &S::SolidBottomColor),
             Slider("Opacity", "Solid Opacity", &S::SolidOpacity, kFrameOpacityRange)}};
    case kWatermarkPage:
        return {
            "Watermark",
            {Choice("Watermark Type", "Do Watermark", &S::DoWatermark, kWatermarkKinds)},
            {{},
             {TextKind(RowKind::Text, "Text", "Text", &S::WatermarkText),
              TextKind(RowKind::Font, "Font", "Font", &S::FontName, &S::FontList),
              Number("Font Size", "Font Size", &S::FontSize, "Points"),
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
        return {"Advanced",
                {TextKind(RowKind::Text, "Filename Mask", "Filename Mask", &S::FilenameMask),
                 Choice("File Timestamp", "File Timestamp", &S::FileTimestamp, kTimestamps),
                 {RowKind::DateTime, "Custom Timestamp", "Custom Timestamp", &S::CustomTimestamp},
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

// Places the rows of a table on a page or panel and binds each control to its key.
class PreferencesForm::Builder {
public:
    struct RowParts {
        QWidget* control = nullptr;
        std::vector<QWidget*> widgets; // label, control and unit, enabled together
    };
    using Parts = std::map<std::string, RowParts>;

    Builder(PreferencesForm& form, const char* group) : form_(form), group_(group) {}

    // Rows down the first column, then from the column break down the second.
    Parts AddRows(QWidget* content, const std::vector<Row>& rows) {
        Parts parts;
        size_t second = SecondColumnStart(rows);
        for (size_t i = 0; i < rows.size(); ++i) {
            bool right = i >= second;
            int line = static_cast<int>(right ? i - second : i);
            parts[rows[i].key] =
                AddRow(content, rows[i], right ? kColumnStep : 0, kRowTop + kRowStep * line);
        }
        return parts;
    }

    // The rows a list takes in its taller column.
    static int RowsTall(const std::vector<Row>& rows) {
        size_t second = SecondColumnStart(rows);
        return static_cast<int>(std::max(second, rows.size() - second));
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
    RowParts AddRow(QWidget* content, const Row& row, int x, int y) {
        RowParts parts;
        auto* label = new QLabel(Text("Preferences", row.label), content);
        label->setGeometry(x + kLabelX, y, kLabelWidth, kRowHeight);
        std::vector<QWidget*> units;
        QWidget* control = MakeControl(content, row, units);
        control->setObjectName(Name(row.key));
        int width = row.kind == RowKind::Number ? kNumberWidth : kControlWidth;
        control->setGeometry(x + kControlX, y, width, kRowHeight);
        for (QWidget* unit : units)
            unit->setGeometry(x + kUnitX, y, kUnitWidth, kRowHeight);
        parts.control = control;
        parts.widgets = {label, control};
        parts.widgets.insert(parts.widgets.end(), units.begin(), units.end());
        return parts;
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
            QLineEdit* number = NumberEdit(content);
            Bind([=] { number->setText(QString::number(GetInt(field))); },
                 [=] { SetInt(field, number->text().toInt()); });
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
                content);
            Bind([=] { path->SetText(Q(gSettings.*text)); },
                 [=] { gSettings.*text = U(path->Text()); });
            return path;
        }
        case RowKind::Text: {
            auto* line = new QLineEdit(content);
            Bind([=] { line->setText(Q(gSettings.*text)); },
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
};

PreferencesForm::PreferencesForm(QWidget* parent) {
    for (int page = 0; page < kPreferencesPageCount; ++page) {
        PageRows table = PageTable(page);
        Builder builder(*this, table.group);
        auto* area = new QScrollArea(parent);
        area->setObjectName(PreferencesPageEntries()[static_cast<size_t>(page)].entryKey);
        area->setFrameShape(QFrame::NoFrame);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto* content = new QWidget;
        auto top = builder.AddRows(content, table.rows);
        const int topRows = Builder::RowsTall(table.rows);
        auto heightFor = [](int rows) { return 2 * kRowTop + kRowStep * rows; };
        content->setFixedSize(kPreferencesPageWidth, heightFor(topRows));

        if (!table.panels.empty()) {
            auto* choice = static_cast<QComboBox*>(top[table.rows.back().key].control);
            auto* stack = new QStackedWidget(content);
            std::vector<int> panelRows;
            for (const std::vector<Row>& rows : table.panels) {
                auto* panel = new QWidget;
                auto parts = builder.AddRows(panel, rows);
                stack->addWidget(panel);
                panelRows.push_back(Builder::RowsTall(rows));
                if (parts.count("RAW Load As")) {
                    // Headerless bits need their size; decoded HDR pictures need tone mapping.
                    auto* loadAs = static_cast<QComboBox*>(parts["RAW Load As"].control);
                    auto follow = [loadAs, parts] {
                        int code = loadAs->currentIndex();
                        bool bits = code == kRaw8 || code == kRaw16;
                        bool tone = code == kRaw48HS || code == kRaw48;
                        for (const char* key : {"RAW Header Size", "RAW Image Width",
                                                "RAW Image Height", "RAW Tone Mapping"}) {
                            bool on = std::string_view(key) == "RAW Tone Mapping" ? tone : bits;
                            for (QWidget* widget : parts.at(key).widgets)
                                widget->setEnabled(on);
                        }
                    };
                    QObject::connect(loadAs, &QComboBox::currentIndexChanged, loadAs, follow);
                    followers_.push_back(follow);
                }
            }
            const int panelTop = kRowStep * topRows;
            auto show = [=] {
                int index = std::max(choice->currentIndex(), 0);
                stack->setCurrentIndex(index);
                int rows = panelRows[static_cast<size_t>(index)];
                stack->setGeometry(0, panelTop, kPreferencesPageWidth, heightFor(rows));
                content->setFixedSize(kPreferencesPageWidth, heightFor(topRows + rows));
            };
            QObject::connect(choice, &QComboBox::currentIndexChanged, stack, show);
            followers_.push_back(show);
        }
        area->setWidget(content);
        pages_.push_back(area);
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
