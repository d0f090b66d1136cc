#include "platform/rinex_files.h"

namespace zarvek {

RinexHeader ReadRinexHeaderFile(const std::string&, RinexWrapper* wrapper) {
  if (wrapper) *wrapper = RinexWrapper::kNone;
  return {};
}

PointRinexFiles CheckRinexFolder(const std::string&) { return {}; }

std::map<std::string, PointRinexFiles> CheckProjectRinex(const std::string&) {
  return {};
}

Status WriteCorrectedCopy(const std::string&, const std::string&, double,
                          std::string*) {
  return Status::Error("sin implementar");
}

}  // namespace zarvek
