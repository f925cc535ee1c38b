// The system's version as the modules read it.
#include "AppFixture.h"

#include "MainForm.h"
#include "Module.h"
#include "QvSystemInfo.h"

#include <sys/utsname.h>

TEST(SystemVersion, KernelReleasesGiveTheirNumbers) {
  const struct {
    const char* Release;
    std::uint32_t Major, Minor, Build;
  } Cases[] = {
      {"6.1.0-18-amd64", 6, 1, 0},
      {"5.10.102.1-microsoft-standard-WSL2", 5, 10, 102},
      {"6.8", 6, 8, 0},
      {"4", 4, 0, 0},
      {"", 0, 0, 0},
      {"rc1", 0, 0, 0},
      {"99999999999.2.3", 4294967295u, 2, 3},
  };
  for (const auto& C : Cases) {
    TQvOSVersionInfo Info;
    Info.MajorVersion = Info.MinorVersion = Info.BuildNumber = 77;
    QvParseKernelRelease(C.Release, Info);
    EXPECT_EQ(Info.MajorVersion, C.Major) << C.Release;
    EXPECT_EQ(Info.MinorVersion, C.Minor) << C.Release;
    EXPECT_EQ(Info.BuildNumber, C.Build) << C.Release;
  }
}

class SystemInfoTest : public AppFixture {};

TEST_F(SystemInfoTest, TheModuleHoldsTheRunningKernelsVersionAfterInitialize) {
  auto App = StartEditor();
  ASSERT_NE(SystemInfoModule, nullptr);
  EXPECT_EQ(SystemInfoModule->VersionInfo.MajorVersion, 0u);
  App->LoadSettings();
  utsname Name{};
  ASSERT_EQ(uname(&Name), 0);
  TQvOSVersionInfo Expected;
  QvParseKernelRelease(Name.release, Expected);
  const TQvOSVersionInfo& Info = SystemInfoModule->VersionInfo;
  EXPECT_EQ(Info.OSVersionInfoSize, 148u);
  EXPECT_GT(Info.MajorVersion, 0u);
  EXPECT_EQ(Info.MajorVersion, Expected.MajorVersion);
  EXPECT_EQ(Info.MinorVersion, Expected.MinorVersion);
  EXPECT_STREQ(Info.CSDVersion, std::string(Name.version).substr(0, 127).c_str());
  App->DestroyComponents();
}
