// The composed editor's tests: a QApplication on the platform the environment names (offscreen
// under ctest, the X display for the real-pointer program). Listing the tests needs no platform.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  bool Listing = false;
  for (int I = 1; I < argc; ++I) Listing = Listing || std::strcmp(argv[I], "--gtest_list_tests") == 0;
  std::unique_ptr<QApplication> App;
  if (!Listing) App = std::make_unique<QApplication>(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
