#include "dde/host.h"

#include <ctime>

namespace dde {

std::string TUnknownHost::DateTimeText() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char buffer[64];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
  return buffer;
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
