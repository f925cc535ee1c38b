// The exchange file's header, its validation against the file size, the trailer and the probe.

#include <sys/stat.h>

#include <cstring>

#include "PhotoshopDataInfo.h"
#include "PluginTestSupport.h"

namespace {

TPhotoshopDataInfo Header(std::int32_t width, std::int32_t height, std::int32_t rowBytes, std::int32_t planes) {
  return TPhotoshopDataInfo{32, 3, 0, 0, width, height, rowBytes, planes};
}

// An exchange file in memory: magic, header, pixels (byte i of the block is i % 251).
std::vector<std::uint8_t> ExchangeBytes(const TPhotoshopDataInfo& header, std::size_t extra = 0) {
  std::vector<std::uint8_t> bytes(std::size_t(ExchangeFileSize(header)) + extra);
  std::memcpy(bytes.data(), "PSPF", 4);
  EncodeDataInfo(header, bytes.data() + 4);
  for (std::size_t i = 36; i < bytes.size(); ++i) bytes[i] = std::uint8_t((i - 36) % 251);
  return bytes;
}

}  // namespace

TEST(ExchangeHeader, EncodesEightLittleEndianFieldsInOrder) {
  const TPhotoshopDataInfo info{32, 3, -1, 2, 0x01020304, 5, 0x7fffffff, 4};
  std::uint8_t bytes[32];
  EncodeDataInfo(info, bytes);
  const std::uint8_t expected[32] = {32, 0, 0, 0, 3, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 2, 0, 0, 0,
                                     4,  3, 2, 1, 5, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f, 4, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(bytes, expected, 32));
  const TPhotoshopDataInfo back = DecodeDataInfo(expected);
  EXPECT_EQ(0, std::memcmp(&back, &info, sizeof info));
}

TEST(ExchangeHeader, ValidationAgainstFileSize) {
  struct Case {
    const char* name;
    TPhotoshopDataInfo header;
    std::uint64_t fileSize;
    bool valid;
  };
  const Case cases[] = {
      {"exact fit", Header(5, 3, 16, 3), 36 + 48, true},
      {"trailing bytes allowed", Header(5, 3, 16, 3), 36 + 48 + 600, true},
      {"rows padded beyond width x planes", Header(5, 3, 40, 4), 36 + 120, true},
      {"last row one byte short", Header(5, 3, 16, 3), 36 + 47, false},
      {"header size not 32", TPhotoshopDataInfo{36, 3, 0, 0, 5, 3, 16, 3}, 1000, false},
      {"two planes", Header(5, 3, 16, 2), 1000, false},
      {"row bytes below width x planes", Header(5, 3, 14, 3), 1000, false},
      {"zero width", Header(0, 3, 16, 3), 1000, false},
      {"negative height", Header(5, -3, 16, 3), 1000, false},
      {"negative row bytes", Header(5, 3, -16, 3), 1000, false},
      {"width x planes beyond 32 bits", Header(0x40000000, 1, 0x7fffffff, 4), std::uint64_t(1) << 40, false},
      // 196608 x 21846 = 2^32 + 131072: a 32-bit product would wrap to 131072 and pass.
      {"row bytes x height wraps in 32 bits", Header(65536, 21846, 196608, 3), 36 + 131072, false},
      {"largest header values", Header(0x7fffffff / 3, 0x7fffffff, 0x7fffffff, 3), 1 << 20, false},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(c.valid, ValidateExchangeHeader(c.header, c.fileSize, &error)) << c.name;
    EXPECT_EQ(c.valid, error.empty()) << c.name << ": " << error;
  }
}

TEST(ExchangeHeader, ParseSeparatesForeignFilesFromBrokenOnes) {
  const std::vector<std::uint8_t> good = ExchangeBytes(Header(5, 3, 16, 3));
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    TExchangeParse expected;
  };
  std::vector<std::uint8_t> wrongMagic = good;
  wrongMagic[3] = 'f';  // letter case counts
  std::vector<std::uint8_t> shortPixels(good.begin(), good.end() - 1);
  const Case cases[] = {
      {"empty", {}, TExchangeParse::NotExchange},
      {"three bytes of the magic", {'P', 'S', 'P'}, TExchangeParse::NotExchange},
      {"other magic", wrongMagic, TExchangeParse::NotExchange},
      {"ends inside the header", std::vector<std::uint8_t>(good.begin(), good.begin() + 20), TExchangeParse::Invalid},
      {"ends inside the pixels", shortPixels, TExchangeParse::Invalid},
      {"complete", good, TExchangeParse::Ok},
  };
  for (const Case& c : cases) {
    TExchangeView view;
    std::string error;
    EXPECT_EQ(c.expected, ParseExchangeFile(c.bytes.data(), c.bytes.size(), view, &error)) << c.name;
  }
  TExchangeView view;
  ASSERT_EQ(TExchangeParse::Ok, ParseExchangeFile(good.data(), good.size(), view));
  EXPECT_EQ(good.data() + 36, view.Pixels);
  EXPECT_EQ(48u, view.PixelBytes);
}

TEST(ExchangeTrailer, FoundOnlyPastTheThresholdAndInsideTheFile) {
  const TPhotoshopDataInfo header = Header(2, 2, 8, 3);
  const auto withTrailer = [&](std::size_t after, std::int32_t length) {
    std::vector<std::uint8_t> bytes = ExchangeBytes(header, after);
    std::uint8_t* p = bytes.data() + 36 + 16;
    std::memcpy(p, "EXIF", 4);
    const auto u = std::uint32_t(length);
    const std::uint8_t le[4] = {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16), std::uint8_t(u >> 24)};
    std::memcpy(p + 4, le, 4);
    return bytes;
  };
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool ok;
    std::uint64_t metadataSize;  // 0: no trailer seen
  };
  const Case cases[] = {
      {"no trailer", ExchangeBytes(header), true, 0},
      {"exactly 496 bytes after the pixels are ignored", withTrailer(496, 100), true, 0},
      {"497 bytes, length fits", withTrailer(497, 489), true, 489},
      {"length one past the end", withTrailer(497, 490), false, 0},
      {"negative length", withTrailer(600, -1), false, 0},
      {"largest length", withTrailer(600, 0x7fffffff), false, 0},
  };
  for (const Case& c : cases) {
    TExchangeView view;
    ASSERT_EQ(TExchangeParse::Ok, ParseExchangeFile(c.bytes.data(), c.bytes.size(), view)) << c.name;
    TExchangeTrailer trailer;
    std::string error;
    EXPECT_EQ(c.ok, LocateExchangeTrailer(c.bytes.data(), c.bytes.size(), view, trailer, &error)) << c.name;
    EXPECT_EQ(c.metadataSize, trailer.Size) << c.name;
    if (c.metadataSize) {
      EXPECT_EQ(c.bytes.data() + 36 + 16 + 8, trailer.Metadata) << c.name;
    }
  }
}

TEST(ExchangeToBGR24, SwapsColourOrderSkipsFurtherPlanesAndPadding) {
  // Two pixels of four planes in a 10-byte row: padding 0x77 must not show up.
  TPhotoshopDataInfo header = Header(2, 1, 10, 4);
  std::vector<std::uint8_t> bytes = ExchangeBytes(header);
  const std::uint8_t pixels[10] = {10, 20, 30, 99, 40, 50, 60, 99, 0x77, 0x77};
  std::memcpy(bytes.data() + 36, pixels, sizeof pixels);
  TExchangeView view;
  ASSERT_EQ(TExchangeParse::Ok, ParseExchangeFile(bytes.data(), bytes.size(), view));
  std::uint8_t image[8];
  std::memset(image, 0xAA, sizeof image);
  ExchangeToBGR24(view, image, 8);
  const std::uint8_t expected[8] = {30, 20, 10, 60, 50, 40, 0xAA, 0xAA};
  EXPECT_EQ(0, std::memcmp(image, expected, sizeof image));
}

TEST(HasExchangeMagic, ProbesReadOnlyAndCreatesNothing) {
  TScratchFolder folder;
  const std::string missing = folder / "missing.jpg";
  EXPECT_FALSE(HasExchangeMagic(missing));
  EXPECT_FALSE(std::filesystem::exists(missing)) << "the probe must not create the file";

  // A read-only exchange file is still recognised and keeps its time stamp.
  const std::string readOnly = folder / "readonly";
  WriteWholeFile(readOnly, "PSPF and more");
  ::chmod(readOnly.c_str(), 0400);
  const auto before = std::filesystem::last_write_time(readOnly);
  EXPECT_TRUE(HasExchangeMagic(readOnly));
  EXPECT_EQ(before, std::filesystem::last_write_time(readOnly));

  WriteWholeFile(folder / "jpeg", "\xFF\xD8\xFF\xE0");
  WriteWholeFile(folder / "short", "PSP");
  WriteWholeFile(folder / "lower", "pspf");
  EXPECT_FALSE(HasExchangeMagic(folder / "jpeg"));
  EXPECT_FALSE(HasExchangeMagic(folder / "short"));
  EXPECT_FALSE(HasExchangeMagic(folder / "lower"));
  EXPECT_FALSE(HasExchangeMagic(folder.Path()));
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  EXPECT_FALSE(HasExchangeMagic(fifo)) << "a FIFO is no exchange file, and probing it must not block";
}
