// pkdmap: stored PKD codes of one revision with their counterparts in the
// other, from the catalogues that lie beside the program (pkd.kod, PKD 2025;
// pkd2007.kod, PKD 2007). The options are described by --help (options.cpp).
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/baza.h"
#include "pkdmap/code_map.h"
#include "pkdmap/converter.h"
#include "pkdmap/options.h"
#include "text/cp1250.h"
#include "text/path.h"

#ifndef PKD_VERSION
#define PKD_VERSION ""
#endif

namespace {

using namespace pkdmap;

constexpr int kExitOk = 0;
constexpr int kExitError = 2;

// Messages are Windows-1250 inside; a console gets them as UTF-16, so that
// they read right whatever its code page, anything else as UTF-8.
void WriteText(FILE* stream, const std::string& text1250) {
  const std::string utf8 = text::Cp1250ToUtf8(text1250);
#ifdef _WIN32
  const HANDLE h = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0, done = 0;
  if (h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
    const std::u16string w = text::Cp1250ToUtf16(text1250);
    WriteConsoleW(h, w.data(), static_cast<DWORD>(w.size()), &done, nullptr);
    return;
  }
#endif
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
  std::fflush(stream);
}

int Fail(const std::string& message1250) {
  WriteText(stderr, "pkdmap: " + message1250 + "\n");
  return kExitError;
}

std::string SystemError() { return text::Utf8To1250(std::strerror(errno)); }

FILE* OpenFile(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
  return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

class TFileSource : public TByteSource {
 public:
  TFileSource(FILE* f, std::string name) : FFile(f), FName(std::move(name)) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t n = std::fread(buffer, 1, size, FFile);
    if (n == 0 && std::ferror(FFile)) throw text::Exception("nie mogę czytać " + FName + ": " + SystemError());
    return n;
  }

 private:
  FILE* FFile;
  std::string FName;
};

class TFileSink : public TByteSink {
 public:
  TFileSink(FILE* f, std::string name) : FFile(f), FName(std::move(name)) {}
  void Write(std::string_view bytes) override {
    if (std::fwrite(bytes.data(), 1, bytes.size(), FFile) != bytes.size())
      throw text::Exception("nie mogę zapisać " + FName + ": " + SystemError());
  }

 private:
  FILE* FFile;
  std::string FName;
};

#ifdef _WIN32
// The converted rows shown in a console: as UTF-16, whatever its code page.
// The converter writes whole rows, so no character is cut between writes.
class TConsoleSink : public TByteSink {
 public:
  explicit TConsoleSink(HANDLE console) : FConsole(console) {}
  void Begin(TEncoding written) override { FEncoding = written; }
  void Write(std::string_view bytes) override {
    const std::string_view bom = Bom(FEncoding);
    if (FFirst && bytes.substr(0, bom.size()) == bom) bytes.remove_prefix(bom.size());
    FFirst = false;
    std::string utf16;
    if (FEncoding == enUtf16Le) {
      utf16.assign(bytes);
    } else {
      Encode(bytes, FEncoding, enUtf16Le, utf16);
    }
    DWORD done = 0;
    WriteConsoleW(FConsole, utf16.data(), static_cast<DWORD>(utf16.size() / 2), &done, nullptr);
  }

 private:
  HANDLE FConsole;
  TEncoding FEncoding = enCp1250;
  bool FFirst = true;
};
#endif

std::filesystem::path Utf8Path(const std::string& utf8) {
#ifdef _WIN32
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (n) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
  return std::filesystem::path(w);
#else
  return std::filesystem::path(utf8);
#endif
}

int Run(const std::vector<std::string>& args) {
  TOptions options;
  std::string error;
  if (!ParseOptions(args, options, error)) return Fail(error + "\n" + UsageText());
  if (options.Help) {
    WriteText(stdout, UsageText());
    return kExitOk;
  }
  if (options.Version) {
    WriteText(stdout, std::string("pkdmap ") + PKD_VERSION + "\n");
    return kExitOk;
  }

  const std::filesystem::path folder = text::ExecutableFolder();
  const std::filesystem::path kod2025 = options.Kod2025.empty() ? folder / "pkd.kod" : Utf8Path(options.Kod2025);
  const std::filesystem::path kod2007 = options.Kod2007.empty() ? folder / "pkd2007.kod" : Utf8Path(options.Kod2007);
  catalogue::TBaza baza2025, baza2007;
  try {
    baza2025.Load(kod2025);
    baza2007.Load(kod2007);
  } catch (const text::Exception& e) {
    return Fail(e.Message());
  }

  FILE* in = stdin;
  FILE* out = stdout;
  std::string inName = "standardowe wejście", outName = "standardowe wyjście";
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (!options.Input.empty() && options.Input != "-") {
    inName = text::Utf8To1250(options.Input);
    in = OpenFile(Utf8Path(options.Input), false);
    if (!in) return Fail("nie mogę otworzyć " + inName + ": " + SystemError());
  }
  if (!options.Output.empty() && options.Output != "-") {
    outName = text::Utf8To1250(options.Output);
    // Opening the result would empty the input before it is read.
    std::error_code ec;
    if (in != stdin && std::filesystem::equivalent(Utf8Path(options.Input), Utf8Path(options.Output), ec)) {
      std::fclose(in);
      return Fail("plik wynikowy " + outName + " jest plikiem wejściowym");
    }
    out = OpenFile(Utf8Path(options.Output), true);
    if (!out) return Fail("nie mogę utworzyć " + outName + ": " + SystemError());
  }

  int status = kExitOk;
  try {
    const bool from2007 = options.From == 2007;
    const TCodeMap map(from2007 ? baza2007 : baza2025, from2007 ? baza2025 : baza2007);
    TFileSource source(in, inName);
    TFileSink fileSink(out, outName);
    TByteSink* sink = &fileSink;
#ifdef _WIN32
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    std::unique_ptr<TConsoleSink> consoleSink;
    if (out == stdout && console && console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode)) {
      consoleSink = std::make_unique<TConsoleSink>(console);
      sink = consoleSink.get();
    }
#endif
    TConverter converter(map, options);
    const TSummary summary = converter.Run(source, *sink);
    if (std::fflush(out) != 0) throw text::Exception("nie mogę zapisać " + outName + ": " + SystemError());
    WriteText(stderr, SummaryText(map, summary));
  } catch (const EInputError& e) {
    status = Fail(inName + ", wiersz " + std::to_string(e.Line()) + ": " + e.Message());
  } catch (const text::Exception& e) {
    status = Fail(e.Message());
  }
  if (in != stdin) std::fclose(in);
  if (out != stdout && std::fclose(out) != 0 && status == kExitOk) status = Fail("nie mogę zapisać " + outName);
  return status;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &s[0], n, nullptr, nullptr);
    args.push_back(s);
  }
  return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
