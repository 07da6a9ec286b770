#include "dde/host.h"

#include <mutex>

namespace dde {

namespace {
std::mutex gMutex;
std::string gProgramFileName;
std::string gComputerName;
}  // namespace

void SetProgramFileName(const std::string& path) {
  std::lock_guard<std::mutex> lock(gMutex);
  gProgramFileName = path;
}

std::string ProgramFileName() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gProgramFileName;
}

void SetHostComputerName(const std::string& name) {
  std::lock_guard<std::mutex> lock(gMutex);
  gComputerName = name;
}

std::string HostComputerName() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gComputerName;
}

std::string ExeServiceName(const std::string& programFileName) {
  std::size_t cut = programFileName.rfind('\\');
  if (cut == std::string::npos) cut = programFileName.rfind(':');
  std::string name = cut == std::string::npos ? programFileName : programFileName.substr(cut + 1);
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

}  // namespace dde
