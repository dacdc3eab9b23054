#include "register/program_version.h"

#include "platform/base/format.h"
#include "register/version.h"

std::string GetVersionValue(std::string_view key) {
  if (key == "InternalName") return kVersionInternalName;
  if (key == "Programmer") return kVersionProgrammer;
  if (key == "E-mail") return kVersionEmail;
  return "";
}

std::string GetFileVersion() {
  return Format("%d.%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild);
}
