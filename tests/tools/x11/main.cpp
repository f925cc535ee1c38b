// The real-pointer tool tests: a QApplication on the X display (Xvfb under scripts/test). Listing
// the tests, as the build does, needs no display.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
  bool Listing = false;
  for (int I = 1; I < argc; ++I) Listing = Listing || std::strcmp(argv[I], "--gtest_list_tests") == 0;
  std::unique_ptr<QApplication> App;
  if (!Listing) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    App = std::make_unique<QApplication>(argc, argv);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
