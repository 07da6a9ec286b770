// What the manager needs to know about the program it runs in and the
// machine: the program file's full path (the service named after the
// executable), the computer's name (network DDE) and the local date and time
// (the trace file's header). The platform the manager is handed gives them.
#pragma once

#include <string>

namespace dde {

class IHostFacts {
 public:
  virtual ~IHostFacts() = default;
  // Windows-1250 text; empty when not known.
  virtual std::string ProgramFileName() const = 0;
  virtual std::string ComputerName() const = 0;
  // The current local date and time as the trace header shows it.
  virtual std::string DateTimeText() const = 0;
};

// A host that knows neither program file nor computer name; its time is the
// C library's local time.
class TUnknownHost : public IHostFacts {
 public:
  std::string ProgramFileName() const override { return std::string(); }
  std::string ComputerName() const override { return std::string(); }
  std::string DateTimeText() const override;
};

// The service name a program file gives: the path cut after its last '\'
// (or, without one, after its last ':'), then cut at the first '.'. Case is
// kept: C:\Tools\my.app.exe gives "my".
std::string ExeServiceName(const std::string& programFileName);

}  // namespace dde
