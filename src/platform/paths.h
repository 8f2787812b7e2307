// Paths of real files on this platform: only "/" separates folders, and "\" is an ordinary
// character of a name. Every split of a path into folder, name and extension is made here.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The folder part, up to and including the last "/"; "" when the path has none.
std::string FolderOf(std::string_view path);
// The name part, after the last "/".
std::string NameOf(std::string_view path);
// The extension of the path's name: the text after its last ".", "" when it has none (no
// dot, a dot that starts the name, or a space after the last dot).
std::string ExtensionOf(std::string_view path);
// The name without that extension and its dot: "IMG_0001.CR2" -> "IMG_0001", "a.b.nef" ->
// "a.b", "name." -> "name"; ".hidden" and "a. b" stay as they are.
std::string BaseNameWithoutExtension(std::string_view name);
// The folder with one "/" at its end ("" stays "").
std::string WithTrailingSlash(std::string folder);

} // namespace velmora
