#include "QvSystemInfo.h"

#include <sys/utsname.h>

#include <cstring>
#include <limits>

TQvSystemInfoModule* SystemInfoModule = nullptr;

void QvParseKernelRelease(const char* Release, TQvOSVersionInfo& Info) {
  std::uint32_t* const Numbers[] = {&Info.MajorVersion, &Info.MinorVersion, &Info.BuildNumber};
  for (std::uint32_t* N : Numbers) *N = 0;
  if (!Release) return;
  const char* P = Release;
  for (std::uint32_t* N : Numbers) {
    if (*P < '0' || *P > '9') return;
    std::uint64_t Value = 0;
    for (; *P >= '0' && *P <= '9'; ++P) {
      Value = Value * 10 + static_cast<std::uint64_t>(*P - '0');
      if (Value > std::numeric_limits<std::uint32_t>::max()) Value = std::numeric_limits<std::uint32_t>::max();
    }
    *N = static_cast<std::uint32_t>(Value);
    if (*P != '.') return;
    ++P;
  }
}

TQvOSVersionInfo QvReadSystemVersion() {
  TQvOSVersionInfo Info;
  Info.PlatformId = QvPlatformCurrent;
  utsname Name{};
  if (uname(&Name) != 0) return Info;
  QvParseKernelRelease(Name.release, Info);
  std::strncpy(Info.CSDVersion, Name.version, sizeof(Info.CSDVersion) - 1);
  return Info;
}

TQvSystemInfoModule::TQvSystemInfoModule() { setObjectName(QStringLiteral("SystemInfoModule")); }

TQvSystemInfoModule::~TQvSystemInfoModule() {
  if (SystemInfoModule == this) SystemInfoModule = nullptr;
}

void TQvSystemInfoModule::Initialize() {
  TQvModule::Initialize();
  VersionInfo = QvReadSystemVersion();
}
