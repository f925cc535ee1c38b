// The operating system's version, read once at start-up for modules that adapt to it.
#pragma once

#include "QvModules.h"

#include <cstdint>

// The version record in its classic layout (148 bytes); on this system the numbers are the
// kernel's release ("6.1.0-18-amd64" gives 6, 1, 0) and CSDVersion holds the kernel's build line.
struct TQvOSVersionInfo {
  std::uint32_t OSVersionInfoSize = 148;
  std::uint32_t MajorVersion = 0;
  std::uint32_t MinorVersion = 0;
  std::uint32_t BuildNumber = 0;
  std::uint32_t PlatformId = 0;
  char CSDVersion[128] = {};
};
static_assert(sizeof(TQvOSVersionInfo) == 148);

// The platform id of a current desktop system, the only kind this program runs on.
inline constexpr std::uint32_t QvPlatformCurrent = 2;

// Fills the three numbers from a kernel release string: the leading decimal numbers separated by
// "."; a missing number is 0 and a number too large for 32 bits stops at 4294967295.
void QvParseKernelRelease(const char* Release, TQvOSVersionInfo& Info);
// The running kernel's version (uname); the numbers stay 0 when the system does not answer.
TQvOSVersionInfo QvReadSystemVersion();

class TQvSystemInfoModule : public TQvModule {
  Q_OBJECT

 public:
  TQvSystemInfoModule();
  ~TQvSystemInfoModule() override;

  // The inherited registration, then the system's version is read into VersionInfo.
  void Initialize() override;

  TQvOSVersionInfo VersionInfo;
};

extern TQvSystemInfoModule* SystemInfoModule;
