// The readers' variants (BMP, PNG, TIFF, JPEG), file descriptions and thumbnails.

#include "codecs_fixtures.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <tiffio.h>

using namespace codecs_test;

namespace {

class CodecReaders : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return FDir.filePath(name); }
  QTemporaryDir FDir;
};

// ---- BMP ----

uint32_t PaletteColor(uint32_t i) { return MakeColorValue(uint8_t(i * 20), uint8_t(255 - i * 20), uint8_t(i * 7)); }

void Put(QByteArray& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.append(char(v >> (8 * i)));
}

QByteArray Bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t paletteCount,
               const QByteArray& pixels, const std::vector<uint32_t>& masks = {}) {
  QByteArray b("BM");
  const uint32_t offset = 14 + 40 + uint32_t(masks.size()) * 4 + paletteCount * 4;
  Put(b, offset + uint32_t(pixels.size()), 4);
  Put(b, 0, 4);
  Put(b, offset, 4);
  Put(b, 40, 4);
  Put(b, uint32_t(width), 4);
  Put(b, uint32_t(height), 4);
  Put(b, 1, 2);
  Put(b, bits, 2);
  Put(b, compression, 4);
  Put(b, uint32_t(pixels.size()), 4);
  Put(b, 2835, 4);  // 72 dpi
  Put(b, 2835, 4);
  Put(b, paletteCount, 4);
  Put(b, 0, 4);
  for (uint32_t m : masks) Put(b, m, 4);
  for (uint32_t i = 0; i < paletteCount; ++i) Put(b, PaletteColor(i), 4);
  return b + pixels;
}

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values) b.append(char(v));
  return b;
}

TEST_F(CodecReaders, BmpVariants) {
  const uint32_t black = 0, white = 0xFFFFFF;
  const uint32_t p1 = PaletteColor(1), p2 = PaletteColor(2), p3 = PaletteColor(3), p4 = PaletteColor(4),
                 p5 = PaletteColor(5), p6 = PaletteColor(6), p7 = PaletteColor(7), p8 = PaletteColor(8);
  const uint32_t r = 0xFF0000, g = 0x00FF00, bl = 0x0000FF, y = 0xFFFF00;
  struct TCase {
    const char* Name;
    QByteArray File;
    std::vector<uint32_t> Upright;  // 4 × 2, top row first
  };
  const TCase cases[] = {
      {"1 bit", Bmp(4, 2, 1, 0, 2, Bytes({0x10, 0, 0, 0, 0xB0, 0, 0, 0})),
       {p1, PaletteColor(0), p1, p1, PaletteColor(0), PaletteColor(0), PaletteColor(0), p1}},
      {"4 bit", Bmp(4, 2, 4, 0, 16, Bytes({0x56, 0x78, 0, 0, 0x12, 0x34, 0, 0})), {p1, p2, p3, p4, p5, p6, p7, p8}},
      {"8 bit, short palette", Bmp(4, 2, 8, 0, 9, Bytes({5, 6, 7, 8, 1, 2, 3, 4})), {p1, p2, p3, p4, p5, p6, p7, p8}},
      {"8 bit, index past the palette", Bmp(4, 2, 8, 0, 2, Bytes({1, 1, 1, 1, 5, 0, 1, 5})), {black, PaletteColor(0), p1, black, p1, p1, p1, p1}},
      {"24 bit bottom-up",
       Bmp(4, 2, 24, 0, 0, Bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255})),
       {bl, g, r, y, r, g, bl, y}},
      {"24 bit top-down",
       Bmp(4, -2, 24, 0, 0, Bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255})),
       {r, g, bl, y, bl, g, r, y}},
      {"32 bit", Bmp(4, 2, 32, 0, 0, Bytes({0, 0, 255, 9, 0, 255, 0, 9, 255, 0, 0, 9, 0, 255, 255, 9,
                                             0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9, 255, 255, 255, 9})),
       {black, black, black, white, r, g, bl, y}},
      {"16 bit 5-5-5", Bmp(4, 2, 16, 0, 0, Bytes({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F,
                                                    0x00, 0x7C, 0x00, 0x7C, 0x00, 0x7C, 0x00, 0x7C})),
       {r, r, r, r, r, g, bl, white}},
      // Red in the first byte, blue in the third.
      {"32 bit bit fields", Bmp(4, 2, 32, 3, 0, Bytes({255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0,
                                                         255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0}),
                                {0x000000FF, 0x0000FF00, 0x00FF0000}),
       {r, r, r, r, r, g, bl, black}},
      // RLE8: bottom row one run of index 5; top row an absolute run 1 2 3 (padded) and a run of 4.
      {"RLE8", Bmp(4, 2, 8, 1, 9, Bytes({4, 5, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1})), {p1, p2, p3, p4, p5, p5, p5, p5}},
      // RLE4: bottom row alternates 5 and 6; top row an absolute run of 1 2 3 4.
      {"RLE4", Bmp(4, 2, 4, 2, 16, Bytes({4, 0x56, 0, 0, 0, 4, 0x12, 0x34, 0, 1})), {p1, p2, p3, p4, p5, p6, p5, p6}},
      // A delta skips the rest of the bottom row; skipped pixels show palette entry 0.
      {"RLE8 with delta", Bmp(4, 2, 8, 1, 9, Bytes({2, 7, 0, 2, 2, 1, 0, 0, 4, 3, 0, 1})),
       {PaletteColor(0), PaletteColor(0), PaletteColor(0), PaletteColor(0), p7, p7, PaletteColor(0), PaletteColor(0)}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteBytes(Path("v.bmp"), c.File);
    auto loaded = Load(Path("v.bmp"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    EXPECT_EQ(loaded->FormatId, QvFormatId::Bmp);
    ASSERT_EQ(loaded->Image.Width(), 4);
    ASSERT_EQ(loaded->Image.Height(), 2);
    std::vector<uint32_t> seen;
    for (int yy = 0; yy < 2; ++yy)
      for (int x = 0; x < 4; ++x) seen.push_back(PixelAt(loaded->Image, x, yy));
    EXPECT_EQ(seen, c.Upright);
    EXPECT_EQ(loaded->Properties.FResolutionX, 72);
  }
}

TEST_F(CodecReaders, BmpRefusesWhatDoesNotAddUp) {
  const QByteArray cases[] = {
      Bmp(4, 2, 8, 1, 9, Bytes({4, 5, 0, 0, 4, 5})),                 // RLE without its end code
      Bmp(4, 2, 8, 1, 9, Bytes({0, 9, 1, 2})),                       // absolute run past the data
      Bmp(4, -2, 8, 1, 9, Bytes({4, 5, 0, 1})),                      // top-down RLE does not exist
      Bmp(4, 2, 24, 0, 0, QByteArray(20, 0)),                        // rows missing
      Bmp(0, 2, 24, 0, 0, QByteArray(8, 0)),                         // no width
      Bmp(70000, 70000, 24, 0, 0, QByteArray(8, 0)),                 // absurd size, tiny file
      Bmp(4, 2, 7, 0, 0, QByteArray(16, 0)),                         // no such depth
      Bmp(4, 2, 24, 4, 0, QByteArray(24, 0)),                        // embedded JPEG
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    WriteBytes(Path("bad.bmp"), cases[i]);
    auto loaded = Load(Path("bad.bmp"));
    EXPECT_FALSE(loaded->Ok);
    EXPECT_FALSE(loaded->Error.isEmpty());
  }
}

// ---- PNG ----

TEST_F(CodecReaders, PngVariants) {
  struct TCase {
    const char* Name;
    QImage Image;
    uint32_t Expected;  // colour of pixel (1, 1)
    TQvPixelFormat Source;
  };
  QImage palette(3, 3, QImage::Format_Indexed8);
  palette.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
  palette.fill(1);
  QImage grey(3, 3, QImage::Format_Grayscale8);
  grey.fill(QColor(77, 77, 77));
  QImage grey16(3, 3, QImage::Format_Grayscale16);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) reinterpret_cast<uint16_t*>(grey16.scanLine(y))[x] = 0x8080;
  QImage rgb16(3, 3, QImage::Format_RGBX64);
  rgb16.fill(QColor::fromRgba64(0xC0C0, 0x4040, 0x2020));
  QImage alpha(3, 3, QImage::Format_ARGB32);
  alpha.fill(qRgba(200, 100, 50, 128));
  const TCase cases[] = {
      {"palette", palette, MakeColorValue(200, 100, 50), PixelFormat24},
      {"grey", grey, MakeColorValue(77, 77, 77), PixelFormat24},
      {"grey 16 bit", grey16, MakeColorValue(0x80, 0x80, 0x80), PixelFormat24},
      {"RGB 16 bit", rgb16, MakeColorValue(0xC0, 0x40, 0x20), PixelFormat24},
      {"alpha", alpha, MakeColorValue(200, 100, 50), PixelFormat32Alpha},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(c.Image.save(Path("v.png"), "PNG"));
    auto loaded = Load(Path("v.png"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    EXPECT_EQ(loaded->FormatId, QvFormatId::Png);
    EXPECT_EQ(loaded->SourceFormat, c.Source);
    EXPECT_EQ(PixelAt(loaded->Image, 1, 1), c.Expected);
  }
}

// ---- TIFF ----

struct TTiffLayout {
  uint16_t Samples, Bits, Photometric;
  bool Tiled;
  uint32_t Width, Height;
};

// Every pixel gets the same sample values (both bytes alike for 16 bits).
void WriteTiff(const QString& path, const TTiffLayout& layout, const std::vector<uint8_t>& pixel) {
  TIFF* tiff = TIFFOpen(path.toLocal8Bit().constData(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, layout.Width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, layout.Height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.Samples);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.Bits);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.Photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  if (layout.Photometric == PHOTOMETRIC_PALETTE) {
    std::vector<uint16_t> red(256, 0), green(256, 0), blue(256, 0);
    red[3] = 0xC800;
    green[3] = 0x6400;
    blue[3] = 0x3200;
    TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  const size_t bytesPerPixel = size_t(layout.Samples) * layout.Bits / 8;
  auto fill = [&](std::vector<uint8_t>& buffer) {
    for (size_t i = 0; i < buffer.size(); i += bytesPerPixel)
      for (size_t s = 0; s < layout.Samples; ++s) {
        if (layout.Bits == 16) {
          buffer[i + s * 2] = pixel[s];  // 0xABAB is exactly 0xAB in 8 bits
          buffer[i + s * 2 + 1] = pixel[s];
        } else {
          buffer[i + s] = pixel[s];
        }
      }
  };
  if (layout.Tiled) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
    std::vector<uint8_t> tile(16 * 16 * bytesPerPixel);
    fill(tile);
    for (uint32_t y = 0; y < layout.Height; y += 16)
      for (uint32_t x = 0; x < layout.Width; x += 16) TIFFWriteTile(tiff, tile.data(), x, y, 0, 0);
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3);
    std::vector<uint8_t> row(layout.Width * bytesPerPixel);
    fill(row);
    for (uint32_t y = 0; y < layout.Height; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
  }
  TIFFClose(tiff);
}

TEST_F(CodecReaders, TiffVariants) {
  struct TCase {
    const char* Name;
    TTiffLayout Layout;
    std::vector<uint8_t> Pixel;
    uint32_t Expected;
  };
  const TCase cases[] = {
      {"RGB strips", {3, 8, PHOTOMETRIC_RGB, false, 20, 18}, {200, 100, 50}, MakeColorValue(200, 100, 50)},
      {"RGB tiles", {3, 8, PHOTOMETRIC_RGB, true, 20, 18}, {200, 100, 50}, MakeColorValue(200, 100, 50)},
      {"RGB 16 bit", {3, 16, PHOTOMETRIC_RGB, false, 20, 18}, {0xC0, 0x40, 0x20}, MakeColorValue(0xC0, 0x40, 0x20)},
      {"grey", {1, 8, PHOTOMETRIC_MINISBLACK, false, 20, 18}, {77}, MakeColorValue(77, 77, 77)},
      {"grey 16 bit tiles", {1, 16, PHOTOMETRIC_MINISBLACK, true, 20, 18}, {0x90}, MakeColorValue(0x90, 0x90, 0x90)},
      {"palette", {1, 8, PHOTOMETRIC_PALETTE, false, 20, 18}, {3}, MakeColorValue(200, 100, 50)},
      {"CMYK", {4, 8, PHOTOMETRIC_SEPARATED, false, 20, 18}, {255, 0, 0, 0}, MakeColorValue(0, 255, 255)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteTiff(Path("v.tif"), c.Layout, c.Pixel);
    auto loaded = Load(Path("v.tif"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    EXPECT_EQ(loaded->FormatId, QvFormatId::Tiff);
    ASSERT_EQ(loaded->Image.Width(), 20);
    ASSERT_EQ(loaded->Image.Height(), 18);
    // Corners of partial tiles and strips too.
    for (auto [x, y] : {std::pair{0, 0}, std::pair{19, 17}, std::pair{17, 2}})
      EXPECT_EQ(PixelAt(loaded->Image, x, y), c.Expected) << x << "," << y;
  }
}

// ---- JPEG ----

struct TJpegLayout {
  int Components;
  J_COLOR_SPACE Space;
  bool Progressive;
  bool AdobeMarker;
  J_COLOR_SPACE Stored = JCS_UNKNOWN;  // JCS_UNKNOWN: the library's default for the input
};

void WriteJpeg(const QString& path, const TJpegLayout& layout, int width, int height, const std::vector<uint8_t>& pixel) {
  FILE* file = std::fopen(path.toLocal8Bit().constData(), "wb");
  jpeg_compress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = layout.Components;
  info.in_color_space = layout.Space;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  if (layout.Stored != JCS_UNKNOWN) jpeg_set_colorspace(&info, layout.Stored);
  if (layout.Progressive) jpeg_simple_progression(&info);
  info.write_Adobe_marker = layout.AdobeMarker ? TRUE : FALSE;
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(width) * layout.Components);
  for (size_t i = 0; i < row.size(); ++i) row[i] = pixel[i % pixel.size()];
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

TEST_F(CodecReaders, JpegVariants) {
  struct TCase {
    const char* Name;
    TJpegLayout Layout;
    std::vector<uint8_t> Pixel;
    int Red, Green, Blue;
  };
  const TCase cases[] = {
      {"baseline", {3, JCS_RGB, false, false}, {200, 100, 50}, 200, 100, 50},
      {"progressive", {3, JCS_RGB, true, false}, {200, 100, 50}, 200, 100, 50},
      {"greyscale", {1, JCS_GRAYSCALE, false, false}, {77}, 77, 77, 77},
      // Red ink-free: magenta and yellow full. Adobe files keep the inks inverted.
      {"CMYK", {4, JCS_CMYK, false, false}, {0, 255, 255, 0}, 255, 0, 0},
      {"inverted CMYK (Adobe)", {4, JCS_CMYK, false, true}, {255, 0, 0, 255}, 255, 0, 0},
      {"YCCK (Adobe)", {4, JCS_CMYK, true, true, JCS_YCCK}, {255, 255, 0, 255}, 255, 255, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TJpegLayout layout = c.Layout;
    WriteJpeg(Path("v.jpg"), layout, 24, 16, c.Pixel);
    auto loaded = Load(Path("v.jpg"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    EXPECT_EQ(loaded->FormatId, QvFormatId::Jpeg);
    const uint32_t color = PixelAt(loaded->Image, 5, 5);
    EXPECT_NEAR(ColorRed(color), c.Red, 3);
    EXPECT_NEAR(ColorGreen(color), c.Green, 3);
    EXPECT_NEAR(ColorBlue(color), c.Blue, 3);
  }
}

// ---- properties ----

TEST(CodecProperties, AsciiItemsAreReadWithinTheirLength) {
  TQvImageProperties properties;
  properties.SetValue(QvPropertyTag::Make, QvPropertyTypeCode::Ascii, 5, "Canon");  // no terminator
  properties.SetValue(QvPropertyTag::Model, QvPropertyTypeCode::Ascii, 5, "Ab\0cd");
  EXPECT_EQ(ReadAsciiProperty(properties, QvPropertyTag::Make), "Canon");
  EXPECT_EQ(ReadAsciiProperty(properties, QvPropertyTag::Model), "Ab");
  EXPECT_EQ(ReadAsciiProperty(properties, QvPropertyTag::DateTime), "");
}

TEST(CodecProperties, TranslationTableRoundTrips) {
  struct TCase {
    uint32_t Id;
    const char* Group;
    uint16_t Tag;
  };
  const TCase cases[] = {
      {271, "Image", 271},      {274, "Image", 274},      {306, "Image", 306},       {33434, "Photo", 33434},
      {36867, "Photo", 36867},  {37500, "Photo", 37500},  {2, "GPSInfo", 2},         {0, "GPSInfo", 0},
      {0x5029, "Thumbnail", 274}, {0x503B, "Thumbnail", 33432}, {0x5023, "Thumbnail", 259},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Id);
    std::string group;
    uint16_t tag = 0;
    ASSERT_TRUE(PropertyIdToExifKey(c.Id, group, tag));
    EXPECT_EQ(group, c.Group);
    EXPECT_EQ(tag, c.Tag);
    uint32_t id = 0;
    ASSERT_TRUE(ExifKeyToPropertyId(group, tag, id));
    EXPECT_EQ(id, c.Id);
  }
  // Kept elsewhere or not kept at all.
  std::string group;
  uint16_t tag = 0;
  for (uint32_t id : {uint32_t(QvPropertyTag::IccProfile), uint32_t(QvPropertyTag::XmpPacket), 0x501Au, 0x501Bu, 273u, 34665u})
    EXPECT_FALSE(PropertyIdToExifKey(id, group, tag)) << id;
}

// ---- description ----

TEST_F(CodecReaders, DescriptionLines) {
  auto bitmap = MakeBitmap(40, 30);
  TQvImageProperties none;
  ASSERT_TRUE(Save(*bitmap, none, Path("d.png"), QvFormatId::Png));
  EXPECT_EQ(DescribeImageFile(Path("d.png")), "Format: PNG\nSize: 40 x 30");

  struct TCase {
    const char* Orientation;
    const char* Make;
    const char* Expected;
  };
  const TCase cases[] = {
      {"6", "Quillcam", "Format: JPEG\nSize: 40 x 30\nDate: 2024:05:01 10:20:30\nOrientation: 90°\nCamera: Quillcam QX"},
      {"1", "", "Format: JPEG\nSize: 40 x 30\nDate: 2024:05:01 10:20:30\nOrientation: 0°\nCamera: QX"},
      {"5", "Q", "Format: JPEG\nSize: 40 x 30\nDate: 2024:05:01 10:20:30\nOrientation: 90°, mirrored\nCamera: Q QX"},
      {"4", "Q", "Format: JPEG\nSize: 40 x 30\nDate: 2024:05:01 10:20:30\nOrientation: 180°, mirrored\nCamera: Q QX"},
      {"9", "Q", "Format: JPEG\nSize: 40 x 30\nDate: 2024:05:01 10:20:30\nOrientation: 9\nCamera: Q QX"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Orientation);
    ASSERT_TRUE(Save(*bitmap, none, Path("d.jpg"), QvFormatId::Jpeg));
    AddExif(Path("d.jpg"), {{"Exif.Image.Orientation", c.Orientation},
                            {"Exif.Image.Make", c.Make},
                            {"Exif.Image.Model", "QX"},
                            {"Exif.Image.DateTime", "2024:05:01 10:20:30"}});
    EXPECT_EQ(DescribeImageFile(Path("d.jpg")).toStdString(), c.Expected);
  }

  ASSERT_TRUE(Save(*bitmap, none, Path("d.qvi"), QvFormatId::Qvi));
  EXPECT_EQ(DescribeImageFile(Path("d.qvi")), "Format: JPEG\nSize: 40 x 30");
  WriteBytes(Path("junk.jpg"), QByteArray("\xFF\xD8\xFF junk", 9));
  EXPECT_EQ(DescribeImageFile(Path("junk.jpg")), "");
  EXPECT_EQ(DescribeImageFile(Path("none.jpg")), "");
}

// ---- thumbnails ----

std::unique_ptr<TQvLTBitmap> HalfRedHalfBlue(int32_t width, int32_t height) {
  auto bitmap = MakeSolid(width, height, 0, 0, 255);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width / 2; ++x) MakeColor(255, 0, 0, bitmap->Pixels()->PixelAt(x, y));
  return bitmap;
}

bool IsNear(QRgb pixel, int red, int green, int blue) {
  return std::abs(qRed(pixel) - red) < 24 && std::abs(qGreen(pixel) - green) < 24 && std::abs(qBlue(pixel) - blue) < 24;
}

TEST_F(CodecReaders, ThumbnailsOfEveryFormatKeepTheirLayout) {
  auto bitmap = HalfRedHalfBlue(300, 200);
  TQvImageProperties none;
  for (const auto& [name, formatId] : {std::pair{"t.jpg", QvFormatId::Jpeg}, std::pair{"t.png", QvFormatId::Png},
                                       std::pair{"t.tif", QvFormatId::Tiff}, std::pair{"t.bmp", QvFormatId::Bmp},
                                       std::pair{"t.qvi", QvFormatId::Qvi}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Save(*bitmap, none, Path(name), formatId));
    auto thumbnail = CreateThumbnail(Path(name), 160, 120);
    ASSERT_NE(thumbnail, nullptr);
    const QImage& image = thumbnail->Image();
    EXPECT_EQ(image.width(), 160);
    EXPECT_EQ(image.height(), 107);
    EXPECT_TRUE(IsNear(image.pixel(5, 50), 255, 0, 0));
    EXPECT_TRUE(IsNear(image.pixel(154, 50), 0, 0, 255));
  }
  WriteBytes(Path("empty.png"), QByteArray());
  EXPECT_EQ(CreateThumbnail(Path("empty.png"), 160, 120), nullptr);
  QByteArray half = ReadBytes(Path("t.png"));
  WriteBytes(Path("half.png"), half.left(half.size() / 2));
  EXPECT_EQ(CreateThumbnail(Path("half.png"), 160, 120), nullptr);
}

TEST_F(CodecReaders, EmbeddedThumbnailIsUsedWhenLargeEnough) {
  // The photo is blue, its embedded thumbnail red: the colour tells which one was used.
  auto photo = MakeSolid(400, 300, 0, 0, 255);
  auto small = MakeSolid(160, 120, 255, 0, 0);
  TQvImageProperties none;
  ASSERT_TRUE(Save(*small, none, Path("small.jpg"), QvFormatId::Jpeg));
  ASSERT_TRUE(Save(*photo, none, Path("photo.jpg"), QvFormatId::Jpeg));
  AddExif(Path("photo.jpg"), {{"Exif.Image.Orientation", "6"}}, ReadBytes(Path("small.jpg")));

  auto thumbnail = CreateThumbnail(Path("photo.jpg"), 160, 120);
  ASSERT_NE(thumbnail, nullptr);
  // Orientation 6: fitted into the turned box, then turned upright.
  EXPECT_EQ(thumbnail->Image().width(), 90);
  EXPECT_EQ(thumbnail->Image().height(), 120);
  EXPECT_TRUE(IsNear(thumbnail->Image().pixel(45, 60), 255, 0, 0));

  auto large = CreateThumbnail(Path("photo.jpg"), 400, 400);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(large->Image().width(), 300);
  EXPECT_EQ(large->Image().height(), 400);
  EXPECT_TRUE(IsNear(large->Image().pixel(150, 200), 0, 0, 255));
}

TEST(CodecThumbnails, PaintCentresWithoutScaling) {
  TQvImageThumbnail thumbnail(QImage(160, 107, QImage::Format_BGR888));
  TRect painted;
  EXPECT_TRUE(PaintThumbnail(thumbnail, nullptr, TRect{10, 10, 210, 210}, painted));
  EXPECT_EQ(painted, (TRect{30, 56, 190, 163}));
  // Larger than the target: the offset goes negative, rounded toward zero.
  EXPECT_TRUE(PaintThumbnail(thumbnail, nullptr, TRect{0, 0, 99, 100}, painted));
  EXPECT_EQ(painted, (TRect{-30, -3, 130, 104}));
}

}  // namespace

namespace {

// Files larger than the part read first for a JPEG's markers.
TEST_F(CodecReaders, DescriptionOfLargeFiles) {
  TQvLTBitmap noise;
  noise.Allocate(700, 500, PixelFormat24);
  uint32_t state = 1;
  for (int32_t y = 0; y < 500; ++y)
    for (int32_t x = 0; x < 700 * 3; ++x) {
      state = state * 1664525u + 1013904223u;
      noise.Pixels()->PixelAt(0, y)[x] = uint8_t(state >> 24);
    }
  TQvImageProperties none;
  ASSERT_TRUE(Save(noise, none, Path("big.jpg"), QvFormatId::Jpeg, nullptr, 100));
  ASSERT_TRUE(Save(noise, none, Path("big.tif"), QvFormatId::Tiff));
  ASSERT_GT(QFileInfo(Path("big.jpg")).size(), 300 * 1024);
  AddExif(Path("big.jpg"), {{"Exif.Image.Make", "Big"}, {"Exif.Image.Model", "One"}});
  EXPECT_EQ(DescribeImageFile(Path("big.jpg")).toStdString(), "Format: JPEG\nSize: 700 x 500\nCamera: Big One");
  // The program's TIFF files state their orientation.
  EXPECT_EQ(DescribeImageFile(Path("big.tif")).toStdString(), "Format: TIFF\nSize: 700 x 500\nOrientation: 0°");
}

}  // namespace
