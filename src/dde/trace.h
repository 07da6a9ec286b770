// Debug trace of the DDE manager: one writer that every part calls with the
// pieces of a line; it sends the line to the thread's debug window or log file,
// or does nothing while tracing is off.
//
// The settings live per thread (the manager that last applied its settings on
// a thread decides for all of that thread's lines).
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "dde/host.h"
#include "text/errors.h"

namespace dde {

enum TDDEMLDebugState : int { dbNone = 0, dbForm = 1, dbFile = 2 };

// The log used when the manager's file name is empty.
inline constexpr const char* kDefaultDebugFileName = "C:\\DDEMNGR.LOG";

// A file error met while tracing, saving or printing; reaches the code that
// traced.
class EInOutError : public text::Exception {
 public:
  using text::Exception::Exception;
};

// One typed piece of a trace line.
class TTracePiece {
 public:
  enum Kind { tpkNone, tpkInteger, tpkBoolean, tpkChar, tpkFloat, tpkText };

  TTracePiece() = default;
  TTracePiece(bool b) : FKind(tpkBoolean), FInt(b ? 1 : 0) {}
  TTracePiece(char c) : FKind(tpkChar), FInt(static_cast<unsigned char>(c)) {}
  TTracePiece(double d) : FKind(tpkFloat), FFloat(d) {}
  TTracePiece(const char* s) : FKind(tpkText), FText(s ? s : "") {}
  TTracePiece(std::string_view s) : FKind(tpkText), FText(s) {}
  TTracePiece(const std::string& s) : FKind(tpkText), FText(s) {}
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T> &&
                                                    !std::is_same_v<T, bool> &&
                                                    !std::is_same_v<T, char>>>
  TTracePiece(T n) : FKind(tpkInteger), FInt(static_cast<long long>(n)) {}

  Kind kind() const { return FKind; }
  // The piece's text: integers in decimal, booleans as TRUE/FALSE, floats in
  // fixed notation right-aligned in 10 characters with 2 decimals.
  void AppendTo(std::string& line) const;

 private:
  Kind FKind = tpkNone;
  long long FInt = 0;
  double FFloat = 0;
  std::string FText;
};

using TTracePieces = std::initializer_list<TTracePiece>;

// The line the pieces make.
std::string BuildTraceLine(TTracePieces pieces);

// The debug window as the trace sees it. TDDEMLDebugForm is the Windows one.
class IDebugWindow {
 public:
  virtual ~IDebugWindow() = default;
  // Adds a line to the memo (at most 501 lines are kept).
  virtual void AddLine(const std::string& line) = 0;
};

// Makes the thread's debug window for a manager (owner); null when the
// program has none. The Windows layer installs its maker.
using TDebugWindowFactory = std::unique_ptr<IDebugWindow> (*)(const void* owner, bool stayOnTop);
void SetDebugWindowFactory(TDebugWindowFactory factory);

// The host whose date and time head the thread's new log files ("As at ");
// the thread's manager sets its platform's. Without one, the C library's
// local time.
void SetTraceHost(const IHostFacts* host);
const IHostFacts* TraceHost();
// The current date and time as that host gives it.
std::string TraceDateTimeText();

// Sets the thread's state and file name, then acts on the state: dbNone frees
// the thread's window; dbForm makes one when there is none; dbFile frees the
// window and moves an existing log aside (.001 ... .999).
void ApplyDebugSettings(const void* owner, TDDEMLDebugState state, bool stayOnTop,
                        const std::string& fileName);
// Only stores the thread's state and file name.
void SetDebugSettingsQuietly(TDDEMLDebugState state, const std::string& fileName);
// Frees the thread's window when it belongs to owner (the manager's end).
void ReleaseDebugWindow(const void* owner);

TDDEMLDebugState ThreadDebugState();
std::string ThreadDebugFileName();
IDebugWindow* ThreadDebugWindow();

// True while the thread traces; test it before building costly lines.
bool TracingOn();

// Where a line that cannot be written goes instead of raising.
class ITraceFailureSink {
 public:
  virtual void NoteTraceFailure(const std::exception& e) noexcept = 0;

 protected:
  ~ITraceFailureSink() = default;
};

// While a scope lives on the thread, the innermost one takes the write
// errors of the thread's trace lines: the DDE callback and the manager's
// teardown must do the same with or without a log that can be written.
class TTraceFailureScope {
 public:
  explicit TTraceFailureScope(ITraceFailureSink& sink);
  ~TTraceFailureScope();
  TTraceFailureScope(const TTraceFailureScope&) = delete;
  TTraceFailureScope& operator=(const TTraceFailureScope&) = delete;

 private:
  friend void NoteTraceFailureInScope(const std::exception& e);
  friend void DetachTraceFailureSink(const ITraceFailureSink& sink) noexcept;
  ITraceFailureSink* FSink;
  TTraceFailureScope* FOuter;
};

// A sink going away: the thread's scopes that name it swallow write errors
// from now on.
void DetachTraceFailureSink(const ITraceFailureSink& sink) noexcept;

// Writes one line built from the pieces. File errors raise EInOutError
// unless a TTraceFailureScope takes them.
void WriteTrace(TTracePieces pieces);
// The same, with className + " : " in front.
void WriteTracePrefixed(std::string_view className, TTracePieces pieces);

// The file name with its extension replaced by "." and n in three digits.
std::string NumberedLogName(const std::string& fileName, int n);

// The memo rule of the debug window: before a line is added to a memo of more
// than 500 lines, its first line goes.
class TDebugMemoLines {
 public:
  static constexpr size_t kKeepBeforeAdd = 500;
  // Gives true when the first line was dropped to make room.
  bool Add(const std::string& line);
  void Clear() { FLines.clear(); }
  size_t Count() const { return FLines.size(); }
  const std::deque<std::string>& Lines() const { return FLines; }

 private:
  std::deque<std::string> FLines;
};

}  // namespace dde
