#include "dde/trace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "text/path.h"

namespace dde {

namespace {

struct TThreadTrace {
  TDDEMLDebugState state = dbNone;
  std::string fileName;
  std::unique_ptr<IDebugWindow> window;
  const void* windowOwner = nullptr;
  const IHostFacts* host = nullptr;
};

thread_local TThreadTrace tTrace;

TDebugWindowFactory gWindowFactory = nullptr;


// Trace file names are Windows-1250 text (a property of the manager).
std::filesystem::path PathOf(const std::string& name) { return text::PathFrom1250(name); }

bool FileExists(const std::string& name) { return text::FileExists(PathOf(name)); }

std::FILE* OpenFile(const std::string& name, bool append) {
#ifdef _WIN32
  return _wfopen(PathOf(name).c_str(), append ? L"ab" : L"wb");
#else
  return std::fopen(PathOf(name).c_str(), append ? "ab" : "wb");
#endif
}

[[noreturn]] void RaiseIo(const std::string& name, int err) {
  throw EInOutError("I/O error " + std::to_string(err) + " (" + std::strerror(err) + "): " + name);
}

void FreeWindow(TThreadTrace& t) {
  t.window.reset();
  t.windowOwner = nullptr;
}

// Moves an existing log aside to .001 ... .999 (once; a failure leaves it to
// be appended to).
void SetOldLogAside(const std::string& fileName) {
  if (!FileExists(fileName)) return;
  std::string target;
  for (int n = 1; n <= 999; ++n) {
    target = NumberedLogName(fileName, n);
    if (!FileExists(target)) break;
  }
  if (FileExists(target)) return;
  std::error_code ec;
  std::filesystem::rename(PathOf(fileName), PathOf(target), ec);
}

void WriteLineToFile(const std::string& fileName, const std::string& line) {
  bool exists = FileExists(fileName);
  std::FILE* f = OpenFile(fileName, exists);
  if (!f) RaiseIo(fileName, errno ? errno : EIO);
  std::string out;
  if (!exists) {
    out += "\r\n\r\nAs at " + TraceDateTimeText() + "\r\n\r\n\r\n";
  }
  out += line;
  out += "\r\n";
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  int err = errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) RaiseIo(fileName, err ? err : EIO);
}

void Emit(const std::string& line) {
  TThreadTrace& t = tTrace;
  switch (t.state) {
    case dbForm:
      if (t.window) t.window->AddLine(line);
      break;
    case dbFile:
      WriteLineToFile(t.fileName.empty() ? std::string(kDefaultDebugFileName) : t.fileName, line);
      break;
    default:
      break;
  }
}

}  // namespace

void TTracePiece::AppendTo(std::string& line) const {
  switch (FKind) {
    case tpkInteger:
      line += std::to_string(FInt);
      break;
    case tpkBoolean:
      line += FInt ? "TRUE" : "FALSE";
      break;
    case tpkChar:
      line += static_cast<char>(FInt);
      break;
    case tpkFloat: {
      char buffer[64];
      int n = std::snprintf(buffer, sizeof buffer, "%10.2f", FFloat);
      if (n > 0) line.append(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
      break;
    }
    case tpkText:
      line += FText;
      break;
    default:
      break;
  }
}

std::string BuildTraceLine(TTracePieces pieces) {
  std::string line;
  for (const TTracePiece& p : pieces) p.AppendTo(line);
  return line;
}

void SetDebugWindowFactory(TDebugWindowFactory factory) { gWindowFactory = factory; }

void SetTraceHost(const IHostFacts* host) { tTrace.host = host; }

const IHostFacts* TraceHost() { return tTrace.host; }

std::string TraceDateTimeText() {
  static const TUnknownHost unknown;
  return (tTrace.host ? *tTrace.host : static_cast<const IHostFacts&>(unknown)).DateTimeText();
}

void ApplyDebugSettings(const void* owner, TDDEMLDebugState state, bool stayOnTop,
                        const std::string& fileName) {
  TThreadTrace& t = tTrace;
  t.state = state;
  t.fileName = fileName;
  switch (state) {
    case dbNone:
      FreeWindow(t);
      break;
    case dbForm:
      if (!t.window && gWindowFactory) {
        t.window = gWindowFactory(owner, stayOnTop);
        t.windowOwner = t.window ? owner : nullptr;
      }
      break;
    case dbFile:
      FreeWindow(t);
      if (t.fileName.empty()) t.fileName = kDefaultDebugFileName;
      SetOldLogAside(t.fileName);
      break;
  }
}

void SetDebugSettingsQuietly(TDDEMLDebugState state, const std::string& fileName) {
  tTrace.state = state;
  tTrace.fileName = fileName;
}

void ReleaseDebugWindow(const void* owner) {
  if (tTrace.window && tTrace.windowOwner == owner) FreeWindow(tTrace);
}

TDDEMLDebugState ThreadDebugState() { return tTrace.state; }
std::string ThreadDebugFileName() { return tTrace.fileName; }
IDebugWindow* ThreadDebugWindow() { return tTrace.window.get(); }

bool TracingOn() { return tTrace.state != dbNone; }

namespace {
thread_local TTraceFailureScope* tFailureScope = nullptr;
}  // namespace

TTraceFailureScope::TTraceFailureScope(ITraceFailureSink& sink) : FSink(&sink), FOuter(tFailureScope) {
  tFailureScope = this;
}

TTraceFailureScope::~TTraceFailureScope() { tFailureScope = FOuter; }

void NoteTraceFailureInScope(const std::exception& e) {
  if (ITraceFailureSink* sink = tFailureScope->FSink) sink->NoteTraceFailure(e);
}

void DetachTraceFailureSink(const ITraceFailureSink& sink) noexcept {
  for (TTraceFailureScope* s = tFailureScope; s; s = s->FOuter)
    if (s->FSink == &sink) s->FSink = nullptr;
}

namespace {
void EmitOrNote(const std::string& line) {
  if (!tFailureScope) return Emit(line);
  try {
    Emit(line);
  } catch (const std::exception& e) {
    NoteTraceFailureInScope(e);
  }
}
}  // namespace

void WriteTrace(TTracePieces pieces) {
  if (tTrace.state == dbNone) return;
  EmitOrNote(BuildTraceLine(pieces));
}

void WriteTracePrefixed(std::string_view className, TTracePieces pieces) {
  if (tTrace.state == dbNone) return;
  std::string line(className);
  line += " : ";
  for (const TTracePiece& p : pieces) p.AppendTo(line);
  EmitOrNote(line);
}

std::string NumberedLogName(const std::string& fileName, int n) {
  // The extension starts at the last '.' after the last folder separator.
  size_t dot = std::string::npos;
  for (size_t i = fileName.size(); i-- > 0;) {
    char c = fileName[i];
    if (c == '\\' || c == '/' || c == ':') break;
    if (c == '.') {
      dot = i;
      break;
    }
  }
  std::string base = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  char digits[8];
  std::snprintf(digits, sizeof digits, ".%03d", n);
  return base + digits;
}

bool TDebugMemoLines::Add(const std::string& line) {
  bool dropped = false;
  if (FLines.size() > kKeepBeforeAdd) {
    FLines.pop_front();
    dropped = true;
  }
  FLines.push_back(line);
  return dropped;
}

}  // namespace dde
