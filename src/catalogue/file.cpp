#include "catalogue/file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "text/cp1250.h"

#ifdef _WIN32
#include <wchar.h>
#else
#include <climits>
#endif

namespace catalogue {
namespace {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

#ifdef _WIN32
std::wstring Wide(const std::string& path) {
  const std::u16string w = text::Cp1250ToUtf16(path);
  return std::wstring(w.begin(), w.end());
}
#endif

FilePtr Open(const std::string& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wmode(mode, mode + std::strlen(mode));
  return FilePtr(_wfopen(Wide(path).c_str(), wmode.c_str()));
#else
  return FilePtr(std::fopen(path.c_str(), mode));
#endif
}

std::string SystemErrorText(int err) {
  // strerror's text is ASCII on both runtimes, so it is valid Windows-1250.
  return std::strerror(err);
}

}  // namespace

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
#ifdef _WIN32
  struct _stat64 st;
  if (_wstat64(Wide(path).c_str(), &st) != 0) return false;
  return (st.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode);
#endif
}

std::string FullPath(const std::string& path) {
#ifdef _WIN32
  wchar_t buf[4096];
  if (_wfullpath(buf, Wide(path).c_str(), 4096) == nullptr) return path;
  const std::wstring w(buf);
  return text::Utf16To1250(std::u16string(w.begin(), w.end()));
#else
  char buf[PATH_MAX];
  if (realpath(path.c_str(), buf) == nullptr) return path;
  return buf;
#endif
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
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

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
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
