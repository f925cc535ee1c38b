// ocuvane-filterhost with the real OcuvanePlugin.8bf: the module, its exports and property list,
// the key file under XDG_CONFIG_HOME naming the fake editor; and the host's image files.

#include <sys/wait.h>

#include <cstdio>

#include "NetPbm.h"
#include "PluginPropertyList.h"
#include "PluginTestSupport.h"

namespace {

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

struct TCommandResult {
  int status = -1;
  std::string out, err;
};

TCommandResult RunShell(const TScratchFolder& folder, const std::string& command) {
  const std::string out = folder / "stdout", err = folder / "stderr";
  const int raw = std::system((command + " >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
  TCommandResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadWholeFile(out);
  result.err = ReadWholeFile(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return result;
}

bool HaveTool(const char* name) { return std::system((std::string("command -v ") + name + " >/dev/null").c_str()) == 0; }

THostImage Gradient(std::int32_t planes) {
  THostImage image;
  image.Width = 7;
  image.Height = 4;
  image.Planes = planes;
  image.RowBytes = 7 * planes;
  for (int i = 0; i < 7 * 4 * planes; ++i) image.Pixels.push_back(std::uint8_t(i * 3 + 1));
  return image;
}

}  // namespace

TEST(NetPbm, ParsesP6AndP7AndRefusesWhatDoesNotFit) {
  using namespace std::string_literals;
  struct Case {
    const char* name;
    std::string bytes;
    bool ok;
    std::int32_t planes;
  };
  const Case cases[] = {
      {"P6 with a comment", "P6\n# made by hand\n2 1\n255\n"s + "abcdef", true, 3},
      {"P6 pixel bytes may look like white space", "P6 1 1 255\n\n\n\n"s, true, 3},
      {"P7 with alpha", "P7\nWIDTH 1\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"s + "abcdefgh", true, 4},
      {"P6 one byte short", "P6 2 1 255\nabcde"s, false, 0},
      {"P6 16-bit samples", "P6 1 1 65535\nabcdef"s, false, 0},
      {"P6 zero width", "P6 0 1 255\n"s, false, 0},
      {"P6 wider than a host rectangle", "P6 40000 1 255\n"s, false, 0},
      {"P6 huge numbers", "P6 99999999999999999999 1 255\n"s, false, 0},
      {"P7 grey", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\nx"s, false, 0},
      {"P7 without ENDHDR", "P7\nWIDTH 1\nHEIGHT 1\n"s, false, 0},
      {"P5 grey", "P5 1 1 255\nx"s, false, 0},
      {"empty", ""s, false, 0},
  };
  for (const Case& c : cases) {
    THostImage image;
    std::string error;
    EXPECT_EQ(c.ok, ParseNetPbm(c.bytes, image, error)) << c.name << ": " << error;
    if (c.ok) {
      EXPECT_EQ(c.planes, image.Planes) << c.name;
      EXPECT_EQ(std::size_t(image.RowBytes * image.Height), image.Pixels.size()) << c.name;
    } else {
      EXPECT_FALSE(error.empty()) << c.name;
    }
  }
}

TEST(NetPbm, WritesWhatItReads) {
  TScratchFolder folder;
  for (std::int32_t planes : {3, 4}) {
    const THostImage image = Gradient(planes);
    std::string error;
    ASSERT_TRUE(WriteNetPbm(folder / "image", image, error)) << error;
    THostImage back;
    ASSERT_TRUE(ReadNetPbm(folder / "image", back, error)) << error;
    EXPECT_EQ(image.Pixels, back.Pixels);
    EXPECT_EQ(planes, back.Planes);
  }
  EXPECT_EQ(std::vector<std::string>{"image"}, folder.Entries()) << "no temporary file left beside it";
}

class FilterHostProgram : public testing::Test {
protected:
  // The key file names the fake editor; no other configuration folder is searched.
  FilterHostProgram() {
    WriteWholeFile(FFolder / "config/Quillmere/Photo Plugins/Ocuvane", std::string(OCUVANE_FAKE_EDITOR) + "\n");
    std::filesystem::create_directories(FFolder / "tmp");
    std::filesystem::create_directories(FFolder / "nothing");
  }

  TCommandResult Host(const std::string& mode, const std::string& arguments, const std::string& config = "config") {
    return RunShell(FFolder, "XDG_CONFIG_HOME=" + Quoted(FFolder / config) +
                                 " XDG_CONFIG_DIRS=" + Quoted(FFolder / "nothing") + " TMPDIR=" + Quoted(FFolder / "tmp") +
                                 " OCUVANE_FAKE_EDITOR_MODE=" + mode + " " + Quoted(OCUVANE_FILTER_HOST) +
                                 " --plugin " + Quoted(OCUVANE_PLUGIN_MODULE) + " " + arguments);
  }

  std::vector<std::string> TemporaryFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FFolder / "tmp")) names.push_back(entry.path());
    return names;
  }

  TScratchFolder FFolder;
};

TEST_F(FilterHostProgram, RunsThePluginThroughTheEditorAndKeepsAlpha) {
  std::string error;
  const THostImage source = Gradient(4);
  ASSERT_TRUE(WriteNetPbm(FFolder / "in.pam", source, error));
  const TCommandResult run = Host("editor", Quoted(FFolder / "in.pam") + " " + Quoted(FFolder / "out.pam"));
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("processEvent calls: ")) << run.out;
  THostImage result;
  ASSERT_TRUE(ReadNetPbm(FFolder / "out.pam", result, error)) << error;
  ASSERT_EQ(source.Pixels.size(), result.Pixels.size());
  for (std::size_t i = 0; i < source.Pixels.size(); ++i) {
    const bool alpha = i % 4 == 3;
    ASSERT_EQ(alpha ? source.Pixels[i] : std::uint8_t(255 - source.Pixels[i]), result.Pixels[i]) << "byte " << i;
  }
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(FilterHostProgram, ReportsTheFilterResultAndWritesNothingOnFailure) {
  std::string error;
  ASSERT_TRUE(WriteNetPbm(FFolder / "in.ppm", Gradient(3), error));
  const std::string files = Quoted(FFolder / "in.ppm") + " " + Quoted(FFolder / "out.ppm");
  struct Case {
    const char* mode;
    const char* config;
    const char* errorText;
  };
  const Case cases[] = {
      {"exit1", "config", "returned -128"},
      {"crash", "config", "returned -128"},
      {"crop", "config", "Error: Transfer image data error."},
      {"shortheader", "config", "returned -128"},
      {"leave", "nothing", "Error: Execute application \"\" error: 2 (No such file or directory)"},  // no key file anywhere
  };
  for (const Case& c : cases) {
    const TCommandResult run = Host(c.mode, files + " --planes 3", c.config);
    EXPECT_EQ(1, run.status) << c.mode;
    EXPECT_NE(std::string::npos, run.err.find(c.errorText)) << c.mode << ": " << run.err;
    EXPECT_FALSE(std::filesystem::exists(FFolder / "out.ppm")) << c.mode;
    EXPECT_TRUE(TemporaryFiles().empty()) << c.mode;
  }
  const TCommandResult padded = Host("widen", files + " --planes 4 --row-padding 6");
  EXPECT_EQ(0, padded.status) << padded.err;
  const TCommandResult usage = RunShell(FFolder, Quoted(OCUVANE_FILTER_HOST) + " only-one-argument");
  EXPECT_EQ(2, usage.status);
}

TEST(PluginModule, ExportsOnlyTheEntryPointAndCarriesThePropertyList) {
  TScratchFolder folder;
  if (!HaveTool("nm") || !HaveTool("objcopy")) GTEST_SKIP() << "binutils are not installed";
  const TCommandResult symbols = RunShell(folder, "nm -D --defined-only " + Quoted(OCUVANE_PLUGIN_MODULE));
  ASSERT_EQ(0, symbols.status);
  std::vector<std::string> names;
  std::istringstream lines(symbols.out);
  for (std::string line; std::getline(lines, line);) names.push_back(line.substr(line.rfind(' ') + 1));
  EXPECT_EQ(std::vector<std::string>{"ENTRYPOINT"}, names) << symbols.out;

  const TCommandResult dump = RunShell(folder, "objcopy --dump-section pipl=" + Quoted(folder / "pipl") + " " +
                                                   Quoted(OCUVANE_PLUGIN_MODULE) + " " + Quoted(folder / "copy"));
  ASSERT_EQ(0, dump.status) << dump.err;
  const std::string section = ReadWholeFile(folder / "pipl");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(PluginPropertyList.data()), PluginPropertyList.size()), section);
}
