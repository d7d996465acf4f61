#pragma once

// The program keeps every path as UTF-8 text. These two turn such a text into the path the file
// system calls take and back. On Windows they go through the wide-character form, since the narrow
// one would read the bytes in the ANSI code page; elsewhere the bytes are the path as they are.

#include <filesystem>
#include <string>

namespace spawn {

// The path that `utf8` names. On Windows a byte sequence that is not UTF-8 stands for U+FFFD.
std::filesystem::path filePath(const std::string& utf8);

// A path as the program's UTF-8 text: the inverse of filePath.
std::string utf8Of(const std::filesystem::path& path);

} // namespace spawn
