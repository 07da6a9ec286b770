#include "catalogue/file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <wchar.h>
#endif

namespace catalogue {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

FilePtr Open(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wmode(mode, mode + std::strlen(mode));
  return FilePtr(_wfopen(path.c_str(), wmode.c_str()));
#else
  return FilePtr(std::fopen(path.c_str(), mode));
#endif
}

std::string SystemErrorText(int err) {
  // strerror's text is ASCII on both runtimes, so it is valid Windows-1250.
  return std::strerror(err);
}

}  // namespace

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error) {
  FilePtr f = Open(path, "rb");
  if (!f) {
    error = SystemErrorText(errno);
    return false;
  }
  std::string data;
  char buf[64000];
  for (;;) {
    const size_t n = std::fread(buf, 1, sizeof buf, f.get());
    data.append(buf, n);
    if (n < sizeof buf) break;
  }
  if (std::ferror(f.get())) {
    error = SystemErrorText(errno ? errno : EIO);
    return false;
  }
  bytes.swap(data);
  return true;
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
  FilePtr f = Open(path, "wb");
  if (!f) {
    error = SystemErrorText(errno);
    return false;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size() || std::fflush(f.get()) != 0) {
    error = SystemErrorText(errno ? errno : EIO);
    return false;
  }
  return true;
}

}  // namespace catalogue
