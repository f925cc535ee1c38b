// A whole filter run in-process: TFilterHost drives TExternalPhotoshopFilter, which starts the
// fake editor on the exchange file. TMPDIR points at a scratch folder that must end up empty.

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "ExternalPhotoshopFilter.h"
#include "FilterHost.h"
#include "PluginTestSupport.h"

namespace {

enum class TExpect { Unchanged, Inverted };

// Width 5, height 3; every byte differs, the host's row padding holds 0xC3.
THostImage TestImage(std::int32_t planes, std::int64_t padding) {
  THostImage image;
  image.Width = 5;
  image.Height = 3;
  image.Planes = planes;
  image.RowBytes = 5 * planes + padding;
  image.Pixels.assign(std::size_t(image.RowBytes * 3), 0xC3);
  for (std::int64_t y = 0; y < 3; ++y)
    for (std::int64_t x = 0; x < 5 * planes; ++x) image.Pixels[std::size_t(y * image.RowBytes + x)] = std::uint8_t(1 + y * 40 + x);
  return image;
}

THostImage Inverted(THostImage image) {
  for (std::int64_t y = 0; y < image.Height; ++y)
    for (std::int64_t x = 0; x < image.Width; ++x)
      for (int c = 0; c < 3; ++c) {
        std::uint8_t& byte = image.Pixels[std::size_t(y * image.RowBytes + x * image.Planes + c)];
        byte = std::uint8_t(255 - byte);
      }
  return image;
}

class RoundTrip : public testing::Test {
protected:
  RoundTrip()
      : FTmp("TMPDIR", FTemporary.Path()),
        FMode("OCUVANE_FAKE_EDITOR_MODE", std::nullopt),
        FLog("OCUVANE_FAKE_EDITOR_LOG", std::nullopt) {}

  // Runs the filter on Image with the fake editor in Mode; returns the result and, through
  // Errors, what the filter printed.
  std::int16_t Run(TFilterHost& host, const std::string& mode, std::string& errors,
                   const std::string& editor = OCUVANE_FAKE_EDITOR) {
    TScopedEnv modeEnv("OCUVANE_FAKE_EDITOR_MODE", mode);
    TExternalPhotoshopFilter filter(editor, "", "About Ocuvane Plug-in");
    testing::internal::CaptureStderr();
    const std::int16_t result = host.Run(&DispatchSelector);
    errors = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(host.HasRequests()) << "Start must end with every request rectangle cleared";
    EXPECT_TRUE(FTemporary.Entries().empty()) << "the exchange file must not outlive the run";
    return result;
  }

  TScratchFolder FTemporary;
  TScopedEnv FTmp, FMode, FLog;
};

}  // namespace

TEST_F(RoundTrip, OutcomesOfTheEditorSession) {
  struct Case {
    const char* mode;
    std::int32_t planes;
    std::int64_t padding;
    std::int16_t result;
    const char* message;  // "" when nothing may be shown
    TExpect pixels;
  };
  const Case cases[] = {
      {"leave", 3, 0, noErr, "", TExpect::Unchanged},
      {"leave", 4, 3, noErr, "", TExpect::Unchanged},
      {"invert", 3, 0, noErr, "", TExpect::Inverted},
      {"invert", 4, 0, noErr, "", TExpect::Inverted},
      // The editor's own layout: 3 planes, rows padded to 4; a 4-plane host keeps its 4th byte.
      {"editor", 3, 0, noErr, "", TExpect::Inverted},
      {"editor", 3, 7, noErr, "", TExpect::Inverted},
      {"editor", 4, 0, noErr, "", TExpect::Inverted},
      // Result rows longer than the host's: each row copy is cut to the host's row.
      {"widen", 3, 0, noErr, "", TExpect::Inverted},
      {"widen", 4, 5, noErr, "", TExpect::Inverted},
      {"crop", 3, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
      {"mode", 3, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
      {"exit1", 3, 0, userCanceledErr, "", TExpect::Unchanged},
      {"cancel", 3, 0, userCanceledErr, "", TExpect::Unchanged},
      {"crash", 4, 0, userCanceledErr, "", TExpect::Unchanged},
      {"delete", 3, 0, userCanceledErr, "", TExpect::Unchanged},
      {"folder", 3, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
      {"badmagic", 3, 0, userCanceledErr, "", TExpect::Unchanged},
      {"badheader", 3, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
      {"planes2", 4, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
      {"shortheader", 3, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
      {"shortpixels", 3, 0, userCanceledErr, "Error: Transfer image data error.\n", TExpect::Unchanged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + ", " + std::to_string(c.planes) + " planes, padding " +
                 std::to_string(c.padding));
    const THostImage source = TestImage(c.planes, c.padding);
    TFilterHost host(source);
    std::string errors;
    EXPECT_EQ(c.result, Run(host, c.mode, errors));
    EXPECT_EQ(c.message, errors);
    const THostImage expected = c.pixels == TExpect::Inverted ? Inverted(source) : source;
    EXPECT_EQ(expected.Pixels, host.Destination().Pixels)
        << "colours change as the editor left them; further planes and row padding never do";
  }
}

TEST_F(RoundTrip, EditorGetsOneArgumentItsFolderAndNothingElseOfTheHost) {
  const std::string log = FTemporary.Path() + "-editor.log";
  TScopedEnv logEnv("OCUVANE_FAKE_EDITOR_LOG", log);
  // A descriptor the host left inheritable must not reach the editor.
  const int leaked = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(leaked, 0);
  TFilterHost host(TestImage(3, 0));
  std::string errors;
  EXPECT_EQ(noErr, Run(host, "leave", errors));
  ::close(leaked);
  const std::string text = ReadWholeFile(log);
  std::remove(log.c_str());
  const std::string editor = OCUVANE_FAKE_EDITOR;
  EXPECT_NE(std::string::npos, text.find("argc=2\n")) << text;
  EXPECT_NE(std::string::npos, text.find("arg1=" + FTemporary.Path() + "/PSPF")) << text;
  EXPECT_NE(std::string::npos, text.find("cwd=" + editor.substr(0, editor.rfind('/')) + "\n")) << text;
  EXPECT_NE(std::string::npos, text.find("perm=384\n")) << "mode 0600: " << text;
  EXPECT_NE(std::string::npos, text.find("extrafds=0\n")) << text;
}

TEST_F(RoundTrip, WaitingLetsTheHostProcessEvents) {
  TFilterHost host(TestImage(3, 0));
  std::string errors;
  EXPECT_EQ(noErr, Run(host, "slow", errors));
  EXPECT_GT(host.ProcessEventCalls, 5) << "a 300 ms editor run with 10 ms pauses";

  TFilterHost quiet(TestImage(3, 0));
  quiet.SetProcessEvent(false);
  EXPECT_EQ(noErr, Run(quiet, "slow", errors)) << "without the callback the filter only sleeps";
  EXPECT_EQ(0, quiet.ProcessEventCalls);
}

TEST_F(RoundTrip, FailuresBeforeTheEditorRuns) {
  struct Case {
    const char* name;
    std::int32_t planes;
    bool refuseIn, refuseOut, noAdvanceState;
    std::string editor;
    std::string temporary;  // TMPDIR for this case; "" keeps the scratch folder
    std::int16_t result;
    std::string message;
  };
  const Case cases[] = {
      {"host refuses the source", 3, true, false, false, OCUVANE_FAKE_EDITOR, "", openErr,
       "Error: Get image data error.\n"},
      {"host has no advanceState", 3, false, false, true, OCUVANE_FAKE_EDITOR, "", openErr,
       "Error: Get image data error.\n"},
      {"host refuses the destination", 3, false, true, false, OCUVANE_FAKE_EDITOR, "", userCanceledErr,
       "Error: Get out image data error.\n"},
      {"editor missing", 3, false, false, false, "/nonexistent/ocuvane", "", openErr,
       "Error: Execute application \"/nonexistent/ocuvane\" error: 2 (No such file or directory)\n"},
      {"no editor configured", 3, false, false, false, "", "", openErr, "Error: Execute application \"\" error: 2 (No such file or directory)\n"},
      {"no temporary folder", 3, false, false, false, OCUVANE_FAKE_EDITOR, "/nonexistent/tmp", openErr,
       "Error: Create temp file error.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TScopedEnv tmp("TMPDIR", c.temporary.empty() ? FTemporary.Path() : c.temporary);
    const THostImage source = TestImage(c.planes, 0);
    TFilterHost host(source);
    host.RefuseIn = c.refuseIn;
    host.RefuseOut = c.refuseOut;
    host.SetAdvanceState(!c.noAdvanceState);
    std::string errors;
    EXPECT_EQ(c.result, Run(host, "invert", errors, c.editor));
    EXPECT_EQ(c.message, errors);
    EXPECT_EQ(source.Pixels, host.Destination().Pixels);
  }
}

TEST_F(RoundTrip, HostsWithFewerThanThreePlanesAreRefused) {
  for (std::int32_t planes : {1, 2}) {
    THostImage image;
    image.Width = 4;
    image.Height = 2;
    image.Planes = planes;
    image.RowBytes = 4 * planes;
    image.Pixels.assign(std::size_t(image.RowBytes * 2), 0x11);
    TFilterHost host(image);
    std::string errors;
    EXPECT_EQ(openErr, Run(host, "invert", errors));
    EXPECT_NE(std::string::npos, errors.find("planes")) << errors;
    EXPECT_EQ(image.Pixels, host.Destination().Pixels);
    EXPECT_EQ(0, host.AdvanceStateCalls) << "nothing is requested from such a host";
  }
}

TEST(CopyExchangeResult, WritesOnlyPixelBytesOfTheHostRows) {
  // Equal plane counts, a result with wide rows, and a host buffer that ends right after its
  // last pixel (a window into a larger image): the copy must stop at Width x Planes per row.
  const TPhotoshopDataInfo header{32, 3, 0, 0, 2, 2, 20, 3};
  std::vector<std::uint8_t> file(std::size_t(ExchangeFileSize(header)), 0xEE);
  std::memcpy(file.data(), "PSPF", 4);
  EncodeDataInfo(header, file.data() + 4);
  for (int i = 0; i < 6; ++i) file[36 + i] = file[36 + 20 + i] = std::uint8_t(i + 1);
  std::vector<std::uint8_t> host(10 + 6, 0x55);  // stride 10, last row 6 bytes
  const THostBuffer out{host.data(), 10, 2, 2, 3, 3};
  ASSERT_EQ(TCopyBack::Copied, CopyExchangeResult(file.data(), file.size(), out));
  const std::vector<std::uint8_t> expected{1, 2, 3, 4, 5, 6, 0x55, 0x55, 0x55, 0x55, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(expected, host);
}
