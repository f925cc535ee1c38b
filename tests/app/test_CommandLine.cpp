// The editor's command line: the file to open beside the demonstration options.
#include "QvCommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, FileAndDemonstrationOptions) {
  struct TCase {
    QStringList Arguments;
    const char* File;
    const char* Demo;
    double Speed;
  } Cases[] = {
      {{}, "", "", 0},
      {{"photo.jpg"}, "photo.jpg", "", 0},
      {{"--demo", "Red eyes"}, "", "Red eyes", 0},
      {{"--demo", "crop", "photo.jpg"}, "photo.jpg", "crop", 0},
      {{"photo.jpg", "--demo-speed", "20", "--demo", "crop"}, "photo.jpg", "crop", 20},
      {{"--demo"}, "", "", 0},                      // an option without its value
      {{"--demo-speed", "fast", "a.png"}, "a.png", "", 0},  // a speed that is no number
      {{"--demo-speed", "-3"}, "", "", 0},
      {{"a.png", "b.png"}, "a.png", "", 0},  // the first file only
  };
  for (const TCase& C : Cases) {
    const TQvCommandLine Line = TQvCommandLine::Parse(C.Arguments);
    const std::string Given = C.Arguments.join(' ').toStdString();
    EXPECT_EQ(Line.FileName, C.File) << Given;
    EXPECT_EQ(Line.Demo, C.Demo) << Given;
    EXPECT_EQ(Line.DemoSpeed, C.Speed) << Given;
  }
}
