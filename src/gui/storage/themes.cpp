// The three picture tables, their built-in pictures and the ZIP theme archives that
// replace them.
#include "gui/storage/themes.h"

#include "gui/storage/builtin_pictures.h"
#include "imageops/drawn/png_io.h"
#include "platform/files.h"
#include "platform/text.h"
#include "settings/key_value_file.h"
#include "settings/settings.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace velmora {
namespace {

// Theme archives hold a few hundred small pictures; anything far beyond is not one.
constexpr size_t kMaxArchiveBytes = 64u << 20;
constexpr size_t kMaxEntryBytes = 8u << 20;
constexpr size_t kMaxUnpackedBytes = 128u << 20;
// Only the start of theme.cfg is read for the list: the name stands near the top.
constexpr size_t kThemeNameBytes = 255;

struct Slot {
    ThemePicture picture;
    // Built-in pictures follow the size asked for; a theme's picture stays as it came.
    bool fromTheme = false;
};
using Table = std::map<std::string, Slot>;

Table& TableOf(ThemeTable table) {
    static Table tables[4];
    return tables[static_cast<int>(table)];
}

std::map<std::string, std::string>& MutableThemeList() {
    static std::map<std::string, std::string> list;
    return list;
}

struct FreeArchive {
    void operator()(archive* reader) const { archive_read_free(reader); }
};

// Walks the regular-file entries of a ZIP archive; visit gets each name and a reader of
// up to so many bytes of its data, and returns false to stop. False when the archive
// cannot be read at all.
bool WalkArchive(
    const std::string& path,
    const std::function<bool(const std::string&,
                             const std::function<std::optional<std::string>(size_t)>&)>& visit) {
    auto bytes = ReadWholeFile(path, kMaxArchiveBytes);
    if (!bytes || bytes->empty())
        return false;
    std::unique_ptr<archive, FreeArchive> reader(archive_read_new());
    if (!reader || archive_read_support_format_zip(reader.get()) != ARCHIVE_OK ||
        archive_read_open_memory(reader.get(), bytes->data(), bytes->size()) != ARCHIVE_OK)
        return false;
    auto readData = [&](size_t limit) -> std::optional<std::string> {
        std::string data;
        char buffer[16384];
        while (data.size() < limit) {
            la_ssize_t got = archive_read_data(reader.get(), buffer, sizeof buffer);
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                break;
            data.append(buffer, std::min(static_cast<size_t>(got), limit - data.size()));
        }
        return data;
    };
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            return true;
        if (status != ARCHIVE_OK && status != ARCHIVE_WARN)
            return true; // keep what was found before the damage
        const char* name = archive_entry_pathname(entry);
        if (!name || archive_entry_filetype(entry) != AE_IFREG)
            continue;
        if (!visit(name, readData))
            return true;
    }
}

// Every regular entry small enough to be a theme's, unpacked; nullopt for an unreadable
// archive.
std::optional<std::map<std::string, std::string>> UnpackArchive(const std::string& path) {
    std::map<std::string, std::string> entries;
    size_t total = 0;
    bool readable = WalkArchive(path, [&](const std::string& name, const auto& read) {
        auto data = read(kMaxEntryBytes + 1);
        if (!data || data->size() > kMaxEntryBytes)
            return true;
        total += data->size();
        if (total > kMaxUnpackedBytes)
            return false;
        entries[name] = std::move(*data);
        return true;
    });
    if (!readable)
        return std::nullopt;
    return entries;
}

// theme.cfg read only in part may end in the middle of a character; that tail is dropped
// so that the rest still reads as UTF-8.
std::string DecodeTextStart(std::string bytes, size_t limit) {
    if (bytes.size() == limit) {
        size_t lead = bytes.size();
        while (lead > 0 && bytes.size() - lead < 3 && (bytes[lead - 1] & 0xC0) == 0x80)
            --lead;
        if (lead > 0 && (bytes[lead - 1] & 0xC0) == 0xC0) {
            unsigned char first = bytes[lead - 1];
            size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
            if (bytes.size() - (lead - 1) < length)
                bytes.resize(lead - 1);
        }
    }
    return DecodeTextFileBytes(bytes);
}

Slot& SlotFor(ThemeTable table, const std::string& name) {
    Slot& slot = TableOf(table)[name];
    int size = ThemePictureSize(table);
    if (!slot.fromTheme && slot.picture.width != size)
        slot.picture = DrawPicture(name, size, PictureStyle::kHandDrawn);
    return slot;
}

bool IsThemeIdentifier(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

} // namespace

const std::vector<std::string>& ThemePictureNames(ThemeTable table) {
    static const std::vector<std::string> buttons = {"Convert", "InFiles", "InFolder"};
    static const std::vector<std::string> icons = {"New",
                                                   "Add",
                                                   "InFiles",
                                                   "InFolder",
                                                   "OutFolder",
                                                   "OutFormat",
                                                   "FavFolder",
                                                   "ImportFiles",
                                                   "ExportFiles",
                                                   "Exit",
                                                   "Copy",
                                                   "Delete",
                                                   "SelectAll",
                                                   "Convert",
                                                   "Error",
                                                   "Preferences",
                                                   "CustomConverter",
                                                   "Help",
                                                   "Email",
                                                   "Web",
                                                   "Updates",
                                                   "About"};
    return table == ThemeTable::Buttons ? buttons : icons;
}

int ThemePictureSize(ThemeTable table) {
    if (table == ThemeTable::PageIcons)
        return 32;
    if (table != ThemeTable::ToolBarIcons)
        return 16;
    static constexpr int kToolBarSizes[] = {16, 24, 32, 48, 64};
    int choice = gSettings.UiSize;
    return choice >= 0 && choice < 5 ? kToolBarSizes[choice] : 16;
}

const ThemePicture& ThemeImage(ThemeTable table, const std::string& name) {
    static const ThemePicture kNone;
    const auto& names = ThemePictureNames(table);
    if (std::find(names.begin(), names.end(), name) == names.end())
        return kNone;
    return SlotFor(table, name).picture;
}

std::string ThemeEntryName(const std::string& value, int size) {
    if (FindIgnoreCase(value, ".png") != std::string::npos)
        return value;
    return value + "_" + std::to_string(size) + ".png";
}

std::string ThemeFolder() {
    return ProgramDataPath("gfx") + "/";
}

const std::map<std::string, std::string>& ThemeList() {
    return MutableThemeList();
}

void ListThemes() {
    ListThemesIn(ThemeFolder());
}

void ListThemesIn(const std::string& folder) {
    auto& list = MutableThemeList();
    list.clear();
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        std::string file = item.path().filename().string();
        if (!EndsWith(file, ".zip") || !item.is_regular_file(error))
            continue;
        std::string identifier = file.substr(0, file.size() - 4);
        std::string name;
        WalkArchive(item.path().string(), [&](const std::string& entry, const auto& read) {
            if (entry != "theme.cfg")
                return true;
            if (auto start = read(kThemeNameBytes)) {
                KeyValueText text =
                    ParseKeyValueText(DecodeTextStart(std::move(*start), kThemeNameBytes));
                name = TextValue(FindGroup(text, "Theme"), "Name", {});
            }
            return false;
        });
        // A theme without a name still has to be told apart in the list.
        list[identifier] = name.empty() ? identifier : name;
    }
}

void LoadTheme(bool buttons, bool menuIcons, bool toolBar) {
    LoadThemeFrom(ThemeFolder(), buttons, menuIcons, toolBar);
}

void LoadThemeFrom(const std::string& folder, bool buttons, bool menuIcons, bool toolBar) {
    auto archivePath = [&] { return folder + gSettings.UiTheme + ".zip"; };
    auto present = [&] {
        return IsThemeIdentifier(gSettings.UiTheme) && FileSize(archivePath()) >= 0;
    };
    if (!present() && !ThemeList().empty())
        gSettings.UiTheme = ThemeList().begin()->first;
    if (!present() || FileSize(archivePath()) == 0)
        return;
    auto entries = UnpackArchive(archivePath());
    if (!entries)
        return;
    auto config = entries->find("theme.cfg");
    if (config == entries->end())
        return;
    KeyValueText text = ParseKeyValueText(DecodeTextFileBytes(config->second));
    // The page icons have a fixed size, as the menu icons have, and come with them.
    const std::pair<ThemeTable, bool> flagged[] = {{ThemeTable::Buttons, buttons},
                                                   {ThemeTable::MenuIcons, menuIcons},
                                                   {ThemeTable::PageIcons, menuIcons},
                                                   {ThemeTable::ToolBarIcons, toolBar}};
    for (auto [table, wanted] : flagged) {
        if (!wanted)
            continue;
        const KeyValueGroup* group =
            FindGroup(text, table == ThemeTable::Buttons ? "Buttons" : "Icons");
        int size = ThemePictureSize(table);
        for (const std::string& name : ThemePictureNames(table)) {
            const std::string* value = FindValue(group, name);
            if (!value)
                continue;
            auto entry = entries->find(ThemeEntryName(*value, size));
            if (entry == entries->end())
                continue;
            const auto* data = reinterpret_cast<const uint8_t*>(entry->second.data());
            auto pixels = DecodePng({data, entry->second.size()});
            if (!pixels)
                continue;
            Slot& slot = TableOf(table)[name];
            slot.picture = {pixels->width, pixels->height, std::move(pixels->rgba)};
            slot.fromTheme = true;
        }
    }
}

void ResetThemePictures() {
    for (ThemeTable table : {ThemeTable::Buttons, ThemeTable::MenuIcons, ThemeTable::ToolBarIcons,
                             ThemeTable::PageIcons})
        ResetThemePictures(table);
}

void ResetThemePictures(ThemeTable table) {
    TableOf(table).clear();
}

} // namespace velmora
