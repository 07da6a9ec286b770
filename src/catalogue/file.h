// File access with Windows-1250 paths. On Windows the path is converted with
// our own table and opened through the wide API, so a folder with Polish
// letters works whatever the machine's code page.
#pragma once

#include <string>

namespace catalogue {

// True when a regular file (not a folder) exists at path.
bool FileExists(const std::string& path);
// The absolute form of path, for messages.
std::string FullPath(const std::string& path);
// Reads the whole file; on failure returns false with the system's error text.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);
bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace catalogue
