// The entry point's dispatch, the About box, the host requests and the property list.

#include <cstring>
#include <stdexcept>

#include "ExternalPhotoshopFilter.h"
#include "FilterHost.h"
#include "PluginPropertyList.h"
#include "PluginTestSupport.h"

namespace {

// Records which selector operation ran.
class TRecordingFilter : public TPhotoshopFilter {
public:
  std::string Calls;
  bool ThrowInStart = false;
  std::int16_t About(AboutRecord*) override { return Note('A'); }
  std::int16_t Parameters(FilterRecord*) override { return Note('P'); }
  std::int16_t Prepare(FilterRecord*) override { return Note('R'); }
  std::int16_t Start(FilterRecord*) override {
    if (ThrowInStart) throw std::runtime_error("out of something");
    return Note('S');
  }
  std::int16_t Continue(FilterRecord*) override { return Note('C'); }
  std::int16_t Finish(FilterRecord*) override { return Note('F'); }

private:
  std::int16_t Note(char c) {
    Calls += c;
    return std::int16_t(-1000 - Calls.size());  // a distinct code per call
  }
};

THostImage SolidImage(std::int32_t width, std::int32_t height, std::int32_t planes) {
  THostImage image;
  image.Width = width;
  image.Height = height;
  image.Planes = planes;
  image.RowBytes = std::int64_t(width) * planes;
  image.Pixels.assign(std::size_t(image.RowBytes * height), 0x40);
  return image;
}

std::string Bytes(const std::uint8_t* data, std::size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }

}  // namespace

TEST(DispatchSelector, RoutesSelectorsZeroToFiveAndRefusesOthers) {
  FilterRecord record{};
  std::intptr_t data = 0;
  std::int16_t result = 0;
  ASSERT_EQ(nullptr, CurrentFilter());
  DispatchSelector(filterSelectorStart, &record, &data, &result);
  EXPECT_EQ(filterBadParameters, result) << "no filter object";

  TRecordingFilter filter;
  ASSERT_EQ(&filter, CurrentFilter());
  const std::pair<std::int16_t, char> routes[] = {{0, 'A'}, {1, 'P'}, {2, 'R'}, {3, 'S'}, {4, 'C'}, {5, 'F'}};
  for (const auto& [selector, letter] : routes) {
    DispatchSelector(selector, &record, &data, &result);
    EXPECT_EQ(letter, filter.Calls.back()) << "selector " << selector;
    EXPECT_EQ(std::int16_t(-1000 - filter.Calls.size()), result) << "selector " << selector;
  }
  for (std::int16_t selector : {std::int16_t(-1), std::int16_t(6), std::int16_t(0x7fff)}) {
    result = 0;
    DispatchSelector(selector, &record, &data, &result);
    EXPECT_EQ(filterBadParameters, result) << "selector " << selector;
  }
  EXPECT_EQ("APRSCF", filter.Calls) << "unknown selectors call nothing";
  EXPECT_EQ(0, data) << "the host's data slot is never touched";
}

TEST(DispatchSelector, NoExceptionCrossesTheEntryPoint) {
  TRecordingFilter filter;
  filter.ThrowInStart = true;
  FilterRecord record{};
  std::int16_t result = 0;
  testing::internal::CaptureStderr();
  DispatchSelector(filterSelectorStart, &record, nullptr, &result);
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("out of something"));
  EXPECT_EQ(openErr, result);
}

TEST(TPhotoshopFilter, AboutShowsCaptionAndThreeLines) {
  TExternalPhotoshopFilter filter("/usr/bin/ocuvane", "Ocuvane Plug-in\nVersion: 3.13.0\nThird line",
                                  "About Ocuvane Plug-in");
  TFilterHost host(SolidImage(1, 1, 3));
  testing::internal::CaptureStderr();
  EXPECT_EQ(noErr, host.Call(&DispatchSelector, filterSelectorAbout));
  EXPECT_EQ("About Ocuvane Plug-in\nOcuvane Plug-in\nVersion: 3.13.0\nThird line\n",
            testing::internal::GetCapturedStderr());
}

TEST(TExternalPhotoshopFilter, DirectoryIsThePartBeforeTheLastSlashOfTheFirstPath) {
  struct Case {
    const char* path;
    const char* directory;
  };
  const Case cases[] = {{"/opt/ocuvane/bin/ocuvane", "/opt/ocuvane/bin"}, {"ocuvane", ""}, {"", ""}, {"/ocuvane", ""}};
  for (const Case& c : cases) {
    TExternalPhotoshopFilter filter(c.path, "", "");
    EXPECT_EQ(c.path, filter.Application());
    EXPECT_EQ(c.directory, filter.Directory()) << c.path;
  }
  TExternalPhotoshopFilter filter("/first/ocuvane", "", "");
  filter.SetApplication("/second/ocuvane");
  EXPECT_EQ("/second/ocuvane", filter.Application());
  EXPECT_EQ("/first", filter.Directory()) << "only the first path sets the folder";
}

TEST(TPhotoshopFilter, RequestInDataDescribesTheFilterArea) {
  TRecordingFilter filter;
  TFilterHost host(SolidImage(120, 80, 4));
  FilterRecord& record = host.Record();
  record.filterRect = {20, 10, 70, 110};  // top, left, bottom, right
  record.maskRect = record.outRect = {1, 1, 2, 2};
  TPhotoshopDataInfo info;
  void* data = nullptr;
  ASSERT_TRUE(filter.RequestInData(&record, info, data));
  EXPECT_EQ(32, info.HeaderSize);
  EXPECT_EQ(3, info.ImageMode);
  EXPECT_EQ(10, info.Left);
  EXPECT_EQ(20, info.Top);
  EXPECT_EQ(100, info.Width);
  EXPECT_EQ(50, info.Height);
  EXPECT_EQ(480, info.RowBytes);
  EXPECT_EQ(4, info.Planes);
  EXPECT_EQ(host.Source().data() + 20 * 480 + 10 * 4, data);
  EXPECT_EQ(0, record.inLoPlane);
  EXPECT_EQ(3, record.inHiPlane);
  EXPECT_EQ(0, record.outRect.bottom);
  EXPECT_EQ(0, record.maskRect.right);

  ASSERT_TRUE(filter.RequestOutData(&record, info, data));
  EXPECT_EQ(nullptr, record.inData);
  EXPECT_EQ(host.Destination().Pixels.data() + 20 * 480 + 10 * 4, data);

  TPhotoshopFilter::ClearRects(&record);
  EXPECT_FALSE(host.HasRequests());

  host.SetAdvanceState(false);
  EXPECT_FALSE(filter.RequestInData(&record, info, data)) << "no advanceState, no data";
  host.SetAdvanceState(true);
  host.RefuseIn = true;
  EXPECT_FALSE(filter.RequestInData(&record, info, data));
}

TEST(PluginPropertyList, HoldsTheEightPropertiesByteForByte) {
  using namespace std::string_literals;
  const std::string head = "\x01\x00"s "\0\0\0\0"s "\x08\0\0\0"s;
  const auto property = [](const char* key, const std::string& data) {
    std::string length(4, '\0');
    length[0] = char(data.size());
    return "MIB8"s + key + "\0\0\0\0"s + length + data;
  };
  const std::string expected = head + property("dnik", "MFB8") + property("eman", "\x0aOcuvane...\0"s) +
                               property("gtac", "\x09Quillmere\0\0"s) + property("srev", "\x05\0\x02\0"s) +
                               property("68xw", "ENTRYPOINT\0\0"s) + property("edom", "\x10\0\0\0"s) +
                               property("lbne", "in (PSHOP_ImageMode,RGBMode)\0\0\0\0"s) +
                               property("icif", std::string(7 * 4, '\0').replace(0, 28, [] {
                                 std::string cases;
                                 for (int i = 0; i < 7; ++i) cases += "\x01\x01\x06\0"s;
                                 return cases;
                               }()));
  ASSERT_EQ(246u, expected.size());
  EXPECT_EQ(expected, Bytes(PluginPropertyList.data(), PluginPropertyList.size()));
}
