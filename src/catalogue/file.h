// Whole-file reading and writing. On Windows the path goes to the wide API as
// it is, so a folder with Polish letters (or any others) works whatever the
// machine's code page.
#pragma once

#include <filesystem>
#include <string>

namespace catalogue {

// Reads the whole file; on failure returns false with the system's error text.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error);
bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes, std::string& error);

}  // namespace catalogue
