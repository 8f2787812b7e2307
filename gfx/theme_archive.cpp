#include "theme_archive.h"

#include "imageops/drawn/png_io.h"
#include "platform/text.h"
#include "settings/key_value_file.h"

#include <archive.h>
#include <archive_entry.h>

#include <map>
#include <memory>

namespace velmora {
namespace {

// A fixed date keeps the archives byte for byte the same from build to build.
constexpr time_t kEntryTime = 1767225600; // 2026-01-01 00:00:00 UTC

la_ssize_t AppendToString(archive*, void* out, const void* buffer, size_t length) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

struct FreeWriter {
    void operator()(archive* writer) const { archive_write_free(writer); }
};
struct FreeEntry {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

// Sizes a table's pictures are asked for: buttons at 16, icons at the menu's 16 and every
// tool bar size.
const std::vector<int>& SizesOf(std::string_view group) {
    static const std::vector<int> buttons = {16}, icons = {16, 24, 32, 48, 64};
    return EqualsIgnoreCase(group, "Buttons") ? buttons : icons;
}

} // namespace

std::optional<std::string> PackZip(const ArchiveEntries& entries) {
    std::string out;
    std::unique_ptr<archive, FreeWriter> writer(archive_write_new());
    if (!writer || archive_write_set_format_zip(writer.get()) != ARCHIVE_OK ||
        archive_write_zip_set_compression_deflate(writer.get()) != ARCHIVE_OK ||
        // No padding to whole blocks after the central directory.
        archive_write_set_bytes_in_last_block(writer.get(), 1) != ARCHIVE_OK ||
        archive_write_open(writer.get(), &out, nullptr, AppendToString, nullptr) != ARCHIVE_OK)
        return std::nullopt;
    for (const auto& [name, bytes] : entries) {
        std::unique_ptr<archive_entry, FreeEntry> entry(archive_entry_new());
        archive_entry_set_pathname(entry.get(), name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(bytes.size()));
        archive_entry_set_mtime(entry.get(), kEntryTime, 0);
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK ||
            archive_write_data(writer.get(), bytes.data(), bytes.size()) !=
                static_cast<la_ssize_t>(bytes.size()))
            return std::nullopt;
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK)
        return std::nullopt;
    return out;
}

std::optional<ArchiveEntries> ThemeEntries(std::string_view themeConfig, PictureStyle style) {
    ArchiveEntries entries = {{"theme.cfg", std::string(themeConfig)}};
    std::map<std::string, std::string> pictures;
    KeyValueText text = ParseKeyValueText(DecodeTextFileBytes(themeConfig));
    for (const char* groupName : {"Buttons", "Icons"}) {
        const KeyValueGroup* group = FindGroup(text, groupName);
        if (!group)
            continue;
        for (const KeyValueLine& line : group->lines) {
            for (int size : SizesOf(groupName)) {
                std::string name = ThemeEntryName(line.value, size);
                if (pictures.count(name))
                    continue;
                ThemePicture picture = DrawPicture(line.key, size, style);
                if (picture.width == 0)
                    return std::nullopt;
                RgbaPixels pixels{picture.width, picture.height, true, std::move(picture.rgba)};
                auto png = EncodePng(pixels);
                if (!png)
                    return std::nullopt;
                pictures[name] = std::string(png->begin(), png->end());
            }
        }
    }
    for (auto& [name, bytes] : pictures)
        entries.emplace_back(name, std::move(bytes));
    return entries;
}

} // namespace velmora
