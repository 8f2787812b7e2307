// integration-writer: the files that fit the program into a Linux desktop, written at build
// time from the program's own tables so they cannot drift from it.
//   integration-writer completion bash|zsh|fish PROGRAM OUTPUT
//   integration-writer fill TEMPLATE OUTPUT MIME_FOLDER RELEASE_DATE
// fill replaces the placeholders of a desktop entry or metainfo template: @MIME_TYPES@ (the
// desktop entry's list), @MEDIA_TYPES@ (metainfo lines), @PRODUCT_NAME@, @VERSION@,
// @RELEASE_DATE@, @HOMEPAGE@ and @WINDOW_OPTION@, the option that opens the window on a file.
#include "completion_model.h"
#include "mime_types.h"
#include "template_fill.h"

#include "cli/help.h"
#include "cli/option_table.h"
#include "engine/format_registry.h"
#include "platform/files.h"
#include "platform/temp_files.h"
#include "platform/text.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

using namespace velmora;

int Fail(const std::string& message) {
    std::fprintf(stderr, "integration-writer: %s\n", message.c_str());
    return 1;
}

int Write(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text) ? 0 : Fail("cannot write " + path);
}

int WriteCompletion(const std::string& shell, const std::string& program,
                    const std::string& output) {
    if (shell == "bash")
        return Write(output, BashCompletion(program));
    if (shell == "zsh")
        return Write(output, ZshCompletion(program));
    if (shell == "fish")
        return Write(output, FishCompletion(program));
    return Fail("no completion for the shell " + shell);
}

int FillTemplate(const std::string& templatePath, const std::string& output,
                 const std::string& mimeFolder, const std::string& releaseDate) {
    constexpr size_t kLimit = 16u << 20;
    auto text = ReadWholeFile(templatePath, kLimit);
    auto globs = ReadWholeFile(mimeFolder + "/globs2", kLimit);
    auto subclasses = ReadWholeFile(mimeFolder + "/subclasses", kLimit);
    if (!text)
        return Fail("cannot read " + templatePath);
    if (!globs || !subclasses)
        return Fail("no shared MIME database in " + mimeFolder);
    const OptionRow* window = FindOptionByWord("--WINDOW");
    if (!window)
        return Fail("the option table has no --WINDOW");
    auto types = CameraRawMimeTypes(*globs, *subclasses, AcceptedInputExtensions());
    if (types.empty())
        return Fail(mimeFolder + " knows no camera RAW type the program reads");
    std::string desktopList, mediaTypes;
    for (const std::string& type : types) {
        desktopList += type + ";";
        mediaTypes +=
            (mediaTypes.empty() ? "" : "\n    ") + ("<mediatype>" + type + "</mediatype>");
    }
    std::string unknown;
    auto filled = FillPlaceholders(*text,
                                   {{"MIME_TYPES", desktopList},
                                    {"MEDIA_TYPES", mediaTypes},
                                    {"PRODUCT_NAME", kProductName},
                                    {"VERSION", VersionText(kVersionNumber)},
                                    {"RELEASE_DATE", releaseDate},
                                    {"HOMEPAGE", kMakerWebAddress},
                                    {"WINDOW_OPTION", ToLower(window->longName)}},
                                   unknown);
    if (!filled)
        return Fail(templatePath + " has the unknown placeholder @" + unknown + "@");
    return Write(output, *filled);
}

} // namespace

int main(int argc, char** argv) {
    try {
        std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "completion" && argc == 5)
            return WriteCompletion(argv[2], argv[3], argv[4]);
        if (mode == "fill" && argc == 6)
            return FillTemplate(argv[2], argv[3], argv[4], argv[5]);
    } catch (const std::exception& error) {
        return Fail(error.what());
    }
    std::fprintf(stderr, "usage: integration-writer completion bash|zsh|fish PROGRAM OUTPUT\n"
                         "       integration-writer fill TEMPLATE OUTPUT MIME_FOLDER DATE\n");
    return 2;
}
