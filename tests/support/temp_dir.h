// A fresh folder for one test's files, removed afterwards.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace testing_support {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    // ctest runs several test programs at once in one folder: the process id
    // keeps one program from wiping another's folder.
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = static_cast<int>(getpid());
#endif
    FPath = std::filesystem::current_path() / ("tmp_" + std::to_string(pid) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Path of a file in the folder, as the program's narrow strings carry it
  // (names given to the program as text, such as a log file's).
  std::string File(const std::string& name) const { return (FPath / name).string(); }
  std::filesystem::path Path(const std::string& name) const { return FPath / name; }
  // Writes bytes to name and returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(FPath / name, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return Path(name);
  }

 private:
  std::filesystem::path FPath;
};

// Reads a whole file as bytes; empty when missing.
inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace testing_support
