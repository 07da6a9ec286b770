// File paths. Inside the program text is Windows-1250, but a path from the
// system (the program's own folder, say) may hold any character: a user
// folder in Cyrillic or Greek has no Windows-1250 form. So a path stays a
// std::filesystem::path (UTF-16 on Windows) from the system to the file call,
// and becomes Windows-1250 only to be shown.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace text {

// A path written in Windows-1250 (a file name typed, stored or received over
// DDE); never through the machine's ANSI code page.
std::filesystem::path PathFrom1250(std::string_view s);
// The path for messages; characters without a Windows-1250 form become '?'.
std::string PathTo1250(const std::filesystem::path& p);
// True when a regular file (not a folder) is there.
bool FileExists(const std::filesystem::path& p);
// The absolute form of p, for messages; p itself when it has none.
std::filesystem::path FullPath(const std::filesystem::path& p);
// The running program's file, and its folder.
std::filesystem::path ExecutablePath();
std::filesystem::path ExecutableFolder();

}  // namespace text
