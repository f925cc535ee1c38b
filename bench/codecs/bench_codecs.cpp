// Speed of the codec layer on a 6000 × 4000 photo-like JPEG (quality 90), against libjpeg used the
// way djpeg and cjpeg use it (in process) and against the djpeg and cjpeg commands themselves
// (whole processes, started from here).
//
// Pairs to compare:
//   LoadJpeg              vs ReferenceDecode   and DjpegCommand
//   SaveJpeg              vs ReferenceEncode   and CjpegCommand
//   ThumbnailScaled       vs ReferenceScaled8  and DjpegScale8Command
//   ThumbnailEmbedded     (target: 5 ms at most)

#include "QvImageCodecs.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <exiv2/exiv2.hpp>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int32_t PhotoWidth = 6000;
constexpr int32_t PhotoHeight = 4000;
constexpr int PhotoQuality = 90;

struct TFixture {
  QTemporaryDir Dir;
  std::unique_ptr<TQvLTBitmap> Photo;
  std::vector<uint8_t> Rgb;  // the same picture as red-green-blue rows, for the references
  QString Jpeg, JpegWithThumbnail, Ppm, Scratch;

  TFixture() {
    Photo = std::make_unique<TQvLTBitmap>();
    Photo->Allocate(PhotoWidth, PhotoHeight, PixelFormat24);
    TQvPixels* pixels = Photo->Pixels();
    Rgb.resize(size_t(PhotoWidth) * PhotoHeight * 3);
    // Smooth gradients with a soft diagonal wave plus a little sensor noise.
    uint32_t noise = 12345;
    for (int32_t y = 0; y < PhotoHeight; ++y) {
      uint8_t* row = pixels->PixelAt(0, y);
      uint8_t* rgb = Rgb.data() + size_t(y) * PhotoWidth * 3;
      for (int32_t x = 0; x < PhotoWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int n = int(noise >> 29) - 4;
        const int wave = int(40 * ((x + y) % 1000 < 500 ? (x + y) % 500 : 500 - (x + y) % 500) / 500);
        const int red = Clamp(60 + x * 150 / PhotoWidth + wave + n, 0, 255);
        const int green = Clamp(40 + y * 160 / PhotoHeight + n, 0, 255);
        const int blue = Clamp(200 - x * 90 / PhotoWidth - y * 60 / PhotoHeight - wave / 2 + n, 0, 255);
        MakeColor(uint8_t(red), uint8_t(green), uint8_t(blue), row + x * 3);
        rgb[x * 3] = uint8_t(red);
        rgb[x * 3 + 1] = uint8_t(green);
        rgb[x * 3 + 2] = uint8_t(blue);
      }
    }
    Jpeg = Dir.filePath("photo.jpg");
    JpegWithThumbnail = Dir.filePath("photo-thumb.jpg");
    Ppm = Dir.filePath("photo.ppm");
    Scratch = Dir.filePath("saved.jpg");
    TQvImageProperties properties;
    TQvSaveSource source;
    source.Pixels = Photo->Pixels();
    source.Properties = &properties;
    source.AskJpegQuality = [](int32_t& quality) {
      quality = PhotoQuality;
      return true;
    };
    QString error;
    if (!SaveImageFile(source, Jpeg, QvFormatId::Jpeg, error)) std::abort();
    QFile::copy(Jpeg, JpegWithThumbnail);
    AddThumbnail();
    QFile ppm(Ppm);
    ppm.open(QIODevice::WriteOnly);
    ppm.write(QByteArray("P6\n") + QByteArray::number(PhotoWidth) + " " + QByteArray::number(PhotoHeight) + "\n255\n");
    ppm.write(reinterpret_cast<const char*>(Rgb.data()), qint64(Rgb.size()));
  }

  // A camera-style 160 × 120 EXIF thumbnail.
  void AddThumbnail() {
    TQvLTBitmap small;
    small.Allocate(160, 120, PixelFormat24);
    TQvImageProperties none;
    TQvSaveSource source;
    source.Pixels = small.Pixels();
    source.Properties = &none;
    const QString thumbnailFile = Dir.filePath("small.jpg");
    QString error;
    SaveImageFile(source, thumbnailFile, QvFormatId::Jpeg, error);
    QFile file(thumbnailFile);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(JpegWithThumbnail.toStdString());
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    exif["Exif.Image.Make"] = "Bench";
    Exiv2::ExifThumb thumbnail(exif);
    thumbnail.setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(bytes.constData()), long(bytes.size()));
    image->writeMetadata();
  }
};

TFixture& Fixture() {
  static TFixture fixture;
  return fixture;
}

QByteArray ReadAll(const QString& name) {
  QFile file(name);
  file.open(QIODevice::ReadOnly);
  return file.readAll();
}

void RunCommand(benchmark::State& state, const QString& command) {
  for (auto _ : state) {
    if (std::system(command.toLocal8Bit().constData()) != 0) state.SkipWithError("command failed");
  }
}

void LoadJpeg(benchmark::State& state) {
  TFixture& f = Fixture();
  for (auto _ : state) {
    TQvLTBitmap image;
    TQvImageProperties properties;
    TQvLoadTarget target;
    target.Image = &image;
    target.Properties = &properties;
    int32_t formatId = 0;
    QString error;
    if (!LoadImageFile(target, f.Jpeg, formatId, error)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(image.Pixels());
  }
}

// libjpeg as djpeg drives it: the file read, default settings, every row decoded.
void ReferenceDecode(benchmark::State& state) {
  TFixture& f = Fixture();
  const int scale = int(state.range(0));
  std::vector<uint8_t> rows;
  for (auto _ : state) {
    const QByteArray bytes = ReadAll(f.Jpeg);
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = unsigned(scale);
    jpeg_start_decompress(&info);
    const size_t stride = size_t(info.output_width) * 3;
    rows.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = rows.data() + stride * info.output_scanline;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(rows.data());
  }
}

void DjpegCommand(benchmark::State& state) {
  RunCommand(state, QStringLiteral("djpeg -outfile /dev/null '%1'").arg(Fixture().Jpeg));
}

void SaveJpeg(benchmark::State& state) {
  TFixture& f = Fixture();
  TQvImageProperties properties;
  TQvSaveSource source;
  source.Pixels = f.Photo->Pixels();
  source.Properties = &properties;
  source.AskJpegQuality = [](int32_t& quality) {
    quality = PhotoQuality;
    return true;
  };
  for (auto _ : state) {
    QString error;
    if (!SaveImageFile(source, f.Scratch, QvFormatId::Jpeg, error)) state.SkipWithError("save failed");
  }
}

// libjpeg as cjpeg drives it, from rows in memory to a file.
void ReferenceEncode(benchmark::State& state) {
  TFixture& f = Fixture();
  for (auto _ : state) {
    FILE* file = std::fopen(f.Scratch.toLocal8Bit().constData(), "wb");
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = PhotoWidth;
    info.image_height = PhotoHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, PhotoQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = f.Rgb.data() + size_t(info.next_scanline) * PhotoWidth * 3;
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
  }
}

void CjpegCommand(benchmark::State& state) {
  RunCommand(state, QStringLiteral("cjpeg -quality %1 -outfile /dev/null '%2'").arg(PhotoQuality).arg(Fixture().Ppm));
}

void ThumbnailScaled(benchmark::State& state) {
  TFixture& f = Fixture();
  for (auto _ : state) {
    auto thumbnail = CreateThumbnail(f.Jpeg, 160, 120);
    if (!thumbnail) state.SkipWithError("no thumbnail");
    benchmark::DoNotOptimize(thumbnail.get());
  }
}

void DjpegScale8Command(benchmark::State& state) {
  RunCommand(state, QStringLiteral("djpeg -scale 1/8 -outfile /dev/null '%1'").arg(Fixture().Jpeg));
}

void ThumbnailEmbedded(benchmark::State& state) {
  TFixture& f = Fixture();
  for (auto _ : state) {
    auto thumbnail = CreateThumbnail(f.JpegWithThumbnail, 160, 120);
    if (!thumbnail) state.SkipWithError("no thumbnail");
    benchmark::DoNotOptimize(thumbnail.get());
  }
}

}  // namespace

BENCHMARK(LoadJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(ReferenceDecode)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(DjpegCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(SaveJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(ReferenceEncode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(CjpegCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(ThumbnailScaled)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(ReferenceDecode)->Name("ReferenceScaled8")->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(DjpegScale8Command)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(ThumbnailEmbedded)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50);
