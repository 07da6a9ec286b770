// What the manager needs to know about the program it runs in: the program
// file's full path (the service named after the executable) and the
// computer's name (network DDE). The Windows layer sets both at start-up
// (InstallWin32DdeServices); tests set their own.
#pragma once

#include <string>

namespace dde {

void SetProgramFileName(const std::string& path);
std::string ProgramFileName();

void SetHostComputerName(const std::string& name);
std::string HostComputerName();

// The service name a program file gives: the path cut after its last '\'
// (or, without one, after its last ':'), then cut at the first '.'. Case is
// kept: C:\Tools\my.app.exe gives "my".
std::string ExeServiceName(const std::string& programFileName);

}  // namespace dde
