// The lossless JPEG engine against libjpeg-turbo's own tools: turns, mirrors and cuts must give the
// coefficients jpegtran -perfect gives, edited MCUs are the only ones recompressed, metadata
// follows the picture, and damaged files never get past the engine.

#include "codecs_fixtures.h"

#include "QvJpegEngine.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

using namespace codecs_test;

namespace {

struct TPicture {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Bgr;  // rows of Width × 3 bytes
  const uint8_t* At(int32_t x, int32_t y) const { return Bgr.data() + (size_t(y) * Width + x) * 3; }
};

// A photo-like picture: gradients, a diagonal wave and a little deterministic noise.
std::vector<uint8_t> MakeRgb(int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  uint32_t noise = 2024;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = int(noise >> 28) - 8;
      uint8_t* p = rgb.data() + (size_t(y) * width + x) * 3;
      p[0] = uint8_t(std::clamp(40 + x * 180 / width + n + ((x + 2 * y) % 23) * 3, 0, 255));
      p[1] = uint8_t(std::clamp(30 + y * 190 / height - n, 0, 255));
      p[2] = uint8_t(std::clamp(200 - (x + y) * 150 / (width + height) + ((3 * x + y) % 17) * 4, 0, 255));
    }
  }
  return rgb;
}

QByteArray Encode(int32_t width, int32_t height, int subsampling, bool progressive, int quality = 85) {
  tjhandle handle = tjInitCompress();
  const std::vector<uint8_t> rgb = MakeRgb(width, height);
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int flags = TJFLAG_ACCURATEDCT | (progressive ? TJFLAG_PROGRESSIVE : 0);
  const int result = tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, subsampling, quality, flags);
  QByteArray bytes = result == 0 ? QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size)) : QByteArray();
  tjFree(jpeg);
  tjDestroy(handle);
  return bytes;
}

TPicture Decode(const QByteArray& jpeg) {
  TPicture picture;
  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
  if (tjDecompressHeader3(handle, data, (unsigned long)jpeg.size(), &width, &height, &subsampling, &colorspace) == 0) {
    picture.Width = width;
    picture.Height = height;
    picture.Bgr.resize(size_t(width) * height * 3);
    if (tjDecompress2(handle, data, (unsigned long)jpeg.size(), picture.Bgr.data(), width, 0, height, TJPF_BGR,
                      TJFLAG_ACCURATEDCT) != 0)
      picture = TPicture{};
  }
  tjDestroy(handle);
  return picture;
}

TPicture EngineRead(IVJPEG& engine) {
  TPicture picture;
  picture.Width = engine.GetWidth();
  picture.Height = engine.GetHeight();
  picture.Bgr.assign(size_t(picture.Width) * picture.Height * 3, 0);
  if (engine.ReadPixels(picture.Bgr.data(), picture.Width * 3, 0) == 0) return TPicture{};
  return picture;
}

// Where two pictures first differ, or empty.
std::string FirstDifference(const TPicture& a, const TPicture& b, const std::function<bool(int32_t, int32_t)>& skip = {}) {
  if (a.Width != b.Width || a.Height != b.Height)
    return "size " + std::to_string(a.Width) + "x" + std::to_string(a.Height) + " vs " + std::to_string(b.Width) +
           "x" + std::to_string(b.Height);
  for (int32_t y = 0; y < a.Height; ++y)
    for (int32_t x = 0; x < a.Width; ++x)
      if ((!skip || !skip(x, y)) && std::memcmp(a.At(x, y), b.At(x, y), 3) != 0)
        return "pixel " + std::to_string(x) + "," + std::to_string(y);
  return {};
}

double MeanDifference(const TPicture& a, const TPicture& b) {
  if (a.Bgr.size() != b.Bgr.size() || a.Bgr.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.Bgr.size(); ++i) sum += std::abs(int(a.Bgr[i]) - int(b.Bgr[i]));
  return sum / double(a.Bgr.size());
}

// All DCT coefficients of a file, per component, through libjpeg's coefficient interface.
struct TCoefficients {
  int Components = 0;
  int H[3] = {}, V[3] = {};
  int32_t Wide[3] = {}, High[3] = {};  // blocks that carry picture
  std::vector<JCOEF> Blocks[3];
  const JCOEF* Block(int c, int32_t bx, int32_t by) const { return Blocks[c].data() + (size_t(by) * Wide[c] + bx) * 64; }
};

TCoefficients ReadCoefficients(const QByteArray& jpeg) {
  TCoefficients result;
  jpeg_decompress_struct info;
  jpeg_error_mgr error;
  info.err = jpeg_std_error(&error);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.constData()), (unsigned long)jpeg.size());
  jpeg_read_header(&info, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&info);
  result.Components = info.num_components;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& component = info.comp_info[c];
    result.H[c] = component.h_samp_factor;
    result.V[c] = component.v_samp_factor;
    result.Wide[c] = int32_t(component.width_in_blocks);
    result.High[c] = int32_t(component.height_in_blocks);
    result.Blocks[c].resize(size_t(result.Wide[c]) * result.High[c] * 64);
    for (int32_t y = 0; y < result.High[c]; ++y) {
      JBLOCKARRAY row = (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info), arrays[c], JDIMENSION(y), 1, FALSE);
      std::memcpy(result.Blocks[c].data() + size_t(y) * result.Wide[c] * 64, row[0], size_t(result.Wide[c]) * sizeof(JBLOCK));
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return result;
}

class JpegEngine : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return FDir.filePath(name); }

  QString Write(const QString& name, const QByteArray& bytes) {
    WriteBytes(Path(name), bytes);
    return Path(name);
  }

  // jpegtran's result for one step after another, or empty when a step fails; skips when the tool
  // is missing.
  QByteArray Jpegtran(const QByteArray& source, const std::vector<QStringList>& steps, bool* refused = nullptr) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("jpegtran"));
    if (program.isEmpty()) return QByteArray();
    QByteArray bytes = source;
    for (const QStringList& step : steps) {
      const QString in = Write(QStringLiteral("jpegtran-in.jpg"), bytes);
      QProcess process;
      process.start(program, QStringList{QStringLiteral("-copy"), QStringLiteral("none")} + step + QStringList{in});
      process.waitForFinished(60000);
      if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (refused) *refused = true;
        return QByteArray();
      }
      bytes = process.readAllStandardOutput();
    }
    return bytes;
  }

  // Loads, applies the steps, hands the engine its own pixels and saves.
  QByteArray EngineSave(TQvJpegEngine& engine, const QByteArray& source, const std::function<void(TQvJpegEngine&)>& steps,
                        const std::function<void(TPicture&)>& edit = {}, const std::vector<TRect>& changed = {}) {
    if (!engine.LoadFromFile(Write(QStringLiteral("engine-in.jpg"), source), 0)) return QByteArray();
    if (steps) steps(engine);
    FPixels = EngineRead(engine);
    if (edit) edit(FPixels);
    engine.WritePixels(TVJPEGPixels{FPixels.Bgr.data(), FPixels.Width * 3}, FPixels.Width * 3, 0, 0);
    engine.SetChangedRects(changed);
    const QString out = Path(QStringLiteral("engine-out.jpg"));
    if (!engine.SaveToFile(out, TVJPEGSaveOptions{})) return QByteArray();
    return ReadBytes(out);
  }

  QTemporaryDir FDir;
  TPicture FPixels;  // what the engine was given to save
};

struct TKind {
  const char* Name;
  int Subsampling;
  bool Progressive;
};

const TKind Kinds[] = {
    {"4:4:4", TJSAMP_444, false}, {"4:2:2", TJSAMP_422, false},         {"4:2:0", TJSAMP_420, false},
    {"grey", TJSAMP_GRAY, false}, {"4:2:0 progressive", TJSAMP_420, true}, {"4:4:0", TJSAMP_440, false},
};

struct TStep {
  const char* Name;
  std::function<void(TQvJpegEngine&)> Apply;
  std::vector<QStringList> Jpegtran;
};

const std::vector<TStep>& Steps() {
  static const std::vector<TStep> steps = {
      {"right", [](TQvJpegEngine& e) { e.RotateRight(0); }, {{"-perfect", "-rotate", "90"}}},
      {"left", [](TQvJpegEngine& e) { e.RotateLeft(0); }, {{"-perfect", "-rotate", "270"}}},
      {"flip h", [](TQvJpegEngine& e) { e.FlipHorizontal(0); }, {{"-perfect", "-flip", "horizontal"}}},
      {"flip v", [](TQvJpegEngine& e) { e.FlipVertical(0); }, {{"-perfect", "-flip", "vertical"}}},
      {"half turn", [](TQvJpegEngine& e) { e.RotateRight(0); e.RotateRight(0); }, {{"-perfect", "-rotate", "180"}}},
      {"right then flip h (orientation 5)", [](TQvJpegEngine& e) { e.RotateRight(0); e.FlipHorizontal(0); },
       {{"-perfect", "-transpose"}}},
      {"left then flip h (orientation 7)", [](TQvJpegEngine& e) { e.RotateLeft(0); e.FlipHorizontal(0); },
       {{"-perfect", "-transverse"}}},
      {"four turns", [](TQvJpegEngine& e) { for (int i = 0; i < 4; ++i) e.RotateLeft(0); }, {{"-perfect"}}},
      {"crop on the grid", [](TQvJpegEngine& e) { e.SetRegion(16, 32, 61, 59); }, {{"-perfect", "-crop", "45x27+16+32"}}},
      {"right then crop", [](TQvJpegEngine& e) { e.RotateRight(0); e.SetRegion(16, 16, 53, 90); },
       {{"-perfect", "-rotate", "90"}, {"-perfect", "-crop", "37x74+16+16"}}},
      {"crop then flip v then crop", [](TQvJpegEngine& e) { e.SetRegion(0, 16, 96, 64); e.FlipVertical(0); e.SetRegion(16, 0, 80, 33); },
       {{"-perfect", "-crop", "96x48+0+16"}, {"-perfect", "-flip", "vertical"}, {"-perfect", "-crop", "64x33+16+0"}}},
  };
  return steps;
}

TEST_F(JpegEngine, TurnsMirrorsAndGridCropsDecodeExactlyAsJpegtranPerfect) {
  if (QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty()) GTEST_SKIP() << "jpegtran missing";
  for (const TKind& kind : Kinds) {
    const QByteArray source = Encode(96, 64, kind.Subsampling, kind.Progressive);
    ASSERT_FALSE(source.isEmpty());
    for (const TStep& step : Steps()) {
      SCOPED_TRACE(std::string(kind.Name) + ", " + step.Name);
      TQvJpegEngine engine;
      const QByteArray saved = EngineSave(engine, source, step.Apply);
      ASSERT_FALSE(saved.isEmpty());
      const QByteArray expected = Jpegtran(source, step.Jpegtran);
      ASSERT_FALSE(expected.isEmpty());
      EXPECT_EQ(FirstDifference(Decode(saved), Decode(expected)), "");
      // What the engine showed is the same picture (decoded in another order, so within rounding).
      EXPECT_LT(MeanDifference(FPixels, Decode(expected)), 1.0);
      EXPECT_TRUE(engine.IsLoaded());
    }
  }
}

TEST_F(JpegEngine, SizeAndBlocksFollowTheTurns) {
  const QByteArray source = Encode(96, 64, TJSAMP_422, false);  // MCU 16 wide, 8 high
  TQvJpegEngine engine;
  ASSERT_TRUE(engine.LoadFromFile(Write("422.jpg", source), 0));
  EXPECT_EQ(engine.GetWidth(), 96);
  EXPECT_EQ(engine.GetHeight(), 64);
  EXPECT_EQ(engine.GetBlockWidth(), 16);
  EXPECT_EQ(engine.GetBlockHeight(), 8);
  engine.RotateLeft(0);
  EXPECT_EQ(engine.GetWidth(), 64);
  EXPECT_EQ(engine.GetHeight(), 96);
  EXPECT_EQ(engine.GetBlockWidth(), 8);
  EXPECT_EQ(engine.GetBlockHeight(), 16);
  engine.SetRegion(8, 16, 40, 50);
  EXPECT_EQ(engine.GetWidth(), 32);
  EXPECT_EQ(engine.GetHeight(), 34);
  engine.Close();
  EXPECT_FALSE(engine.IsLoaded());
  EXPECT_EQ(engine.GetWidth(), 0);
}

TEST_F(JpegEngine, QualityIsEstimatedFromTheTables) {
  for (int quality : {30, 50, 75, 90, 100}) {
    SCOPED_TRACE(quality);
    TQvJpegEngine engine;
    ASSERT_TRUE(engine.LoadFromFile(Write("q.jpg", Encode(32, 32, TJSAMP_420, false, quality)), 0));
    uint16_t values[2] = {};
    engine.GetQualityValues(values);
    EXPECT_EQ(values[0], quality);
    EXPECT_EQ(values[1], quality);
    // A quarter turn transposes the tables; the estimate stays.
    const QByteArray turned = EngineSave(engine, Encode(32, 32, TJSAMP_420, false, quality), [](TQvJpegEngine& e) { e.RotateRight(0); });
    ASSERT_FALSE(turned.isEmpty());
    engine.GetQualityValues(values);
    EXPECT_EQ(values[0], quality);
  }
}

TEST_F(JpegEngine, ImperfectTurnsAndOffGridCropsAreReencodedAtFullSize) {
  struct TCase {
    const char* Name;
    std::function<void(TQvJpegEngine&)> Apply;
    int32_t Width, Height;
    bool Lossless;
  };
  // 61 × 45 in 4:2:0: the right column and the bottom row of MCUs are partial.
  const TCase cases[] = {
      {"right", [](TQvJpegEngine& e) { e.RotateRight(0); }, 45, 61, false},
      {"flip h", [](TQvJpegEngine& e) { e.FlipHorizontal(0); }, 61, 45, false},
      {"flip v", [](TQvJpegEngine& e) { e.FlipVertical(0); }, 61, 45, false},
      {"left", [](TQvJpegEngine& e) { e.RotateLeft(0); }, 45, 61, false},
      {"crop off the grid", [](TQvJpegEngine& e) { e.SetRegion(5, 3, 50, 40); }, 45, 37, false},
      {"crop on the grid, partial edges", [](TQvJpegEngine& e) { e.SetRegion(16, 16, 61, 45); }, 45, 29, true},
      // The mirror moves 3 padding columns to the left: a cut 13 pixels in lies on the grid again.
      {"flip h then crop back onto the grid", [](TQvJpegEngine& e) { e.FlipHorizontal(0); e.SetRegion(13, 0, 61, 45); }, 48, 45, true},
      {"flip h twice", [](TQvJpegEngine& e) { e.FlipHorizontal(0); e.FlipHorizontal(0); }, 61, 45, true},
  };
  const QByteArray source = Encode(61, 45, TJSAMP_420, false);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQvJpegEngine engine;
    ASSERT_TRUE(engine.LoadFromFile(Write("odd.jpg", source), 0));
    c.Apply(engine);
    EXPECT_EQ(engine.SaveIsLossless(), c.Lossless);
    TQvJpegEngine again;
    const QByteArray saved = EngineSave(again, source, c.Apply);
    ASSERT_FALSE(saved.isEmpty());
    const TPicture decoded = Decode(saved);
    EXPECT_EQ(decoded.Width, c.Width);
    EXPECT_EQ(decoded.Height, c.Height);
    // One more generation of loss on a noisy picture; a turned or shifted picture would be far off.
    EXPECT_LT(MeanDifference(decoded, FPixels), 6.0);
    // The source's own tables: the estimate is unchanged.
    uint16_t values[2] = {};
    again.GetQualityValues(values);
    EXPECT_EQ(values[0], 85);
  }
  bool refused = false;
  if (!QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty()) {
    Jpegtran(source, {{"-perfect", "-rotate", "90"}}, &refused);
    EXPECT_TRUE(refused) << "the fixture must need the re-encode path";
  }
}

// The MCUs of a picture that a rectangle meets, grown by `grow` MCUs.
std::function<bool(int32_t, int32_t)> NearRect(const TRect& r, int32_t mcuWidth, int32_t mcuHeight, int32_t grow) {
  const TRect near{(r.Left / mcuWidth - grow) * mcuWidth, (r.Top / mcuHeight - grow) * mcuHeight,
                   ((r.Right + mcuWidth - 1) / mcuWidth + grow) * mcuWidth,
                   ((r.Bottom + mcuHeight - 1) / mcuHeight + grow) * mcuHeight};
  return [near](int32_t x, int32_t y) { return near.Contains(x, y); };
}

TEST_F(JpegEngine, OnlyTheChangedMcusAreRecompressed) {
  if (QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty()) GTEST_SKIP() << "jpegtran missing";
  struct TCase {
    const char* Name;
    int Subsampling;
    bool Progressive;
    std::function<void(TQvJpegEngine&)> Apply;
    std::vector<QStringList> Jpegtran;
    int32_t Mcu;
  };
  const TCase cases[] = {
      {"4:2:0", TJSAMP_420, false, {}, {{"-perfect"}}, 16},
      {"4:4:4 turned right", TJSAMP_444, false, [](TQvJpegEngine& e) { e.RotateRight(0); }, {{"-perfect", "-rotate", "90"}}, 8},
      {"grey flipped", TJSAMP_GRAY, false, [](TQvJpegEngine& e) { e.FlipVertical(0); }, {{"-perfect", "-flip", "vertical"}}, 8},
      {"4:2:0 progressive cut", TJSAMP_420, true, [](TQvJpegEngine& e) { e.SetRegion(32, 16, 150, 100); },
       {{"-perfect", "-crop", "118x84+32+16"}}, 16},
  };
  const std::vector<TRect> changed = {TRect{40, 50, 70, 61}, TRect{90, 20, 93, 23}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const QByteArray source = Encode(160, 128, c.Subsampling, c.Progressive);
    const QByteArray reference = Jpegtran(source, c.Jpegtran);  // the unchanged blocks as they must stay
    ASSERT_FALSE(reference.isEmpty());
    TQvJpegEngine engine;
    const QByteArray saved = EngineSave(engine, source, c.Apply, [&](TPicture& p) {
      for (const TRect& r : changed)
        for (int32_t y = r.Top; y < r.Bottom; ++y)
          for (int32_t x = r.Left; x < r.Right; ++x) {
            uint8_t* px = p.Bgr.data() + (size_t(y) * p.Width + x) * 3;
            px[0] = 20;
            px[1] = 30;
            px[2] = 230;
          }
    }, changed);
    ASSERT_FALSE(saved.isEmpty());
    const TCoefficients before = ReadCoefficients(reference), after = ReadCoefficients(saved);
    ASSERT_EQ(before.Components, after.Components);
    int changedBlocks = 0;
    for (int comp = 0; comp < before.Components; ++comp) {
      ASSERT_EQ(before.Wide[comp], after.Wide[comp]);
      ASSERT_EQ(before.High[comp], after.High[comp]);
      for (int32_t by = 0; by < before.High[comp]; ++by) {
        for (int32_t bx = 0; bx < before.Wide[comp]; ++bx) {
          // The block's MCU, in pixels of the result.
          const int32_t mcuX = bx / before.H[comp] * c.Mcu, mcuY = by / before.V[comp] * c.Mcu;
          bool met = false;
          for (const TRect& r : changed)
            met = met || !IntersectRect(r, TRect{mcuX, mcuY, mcuX + c.Mcu, mcuY + c.Mcu}).IsEmpty();
          const bool same = std::memcmp(before.Block(comp, bx, by), after.Block(comp, bx, by), 64 * sizeof(JCOEF)) == 0;
          if (!met) {
            EXPECT_TRUE(same) << "block " << bx << "," << by << " of component " << comp;
          }
          if (!same) ++changedBlocks;
        }
      }
    }
    EXPECT_GT(changedBlocks, 0);
    // Outside the changed MCUs grown by one MCU the decoded pixels are the reference's.
    const TPicture a = Decode(reference), b = Decode(saved);
    EXPECT_EQ(FirstDifference(a, b, [&](int32_t x, int32_t y) {
                return NearRect(changed[0], c.Mcu, c.Mcu, 1)(x, y) || NearRect(changed[1], c.Mcu, c.Mcu, 1)(x, y);
              }), "");
    // Inside, the edit shows (as its luminance, 88, in grey).
    const uint8_t* red = b.At(55, 55);
    if (c.Subsampling == TJSAMP_GRAY) {
      EXPECT_NEAR(red[1], 88, 12);
    } else {
      EXPECT_GT(red[2], 180);
      EXPECT_LT(red[1], 80);
    }
  }
}

// Reading only some rows gives, in those rows, exactly what a whole decode gives: after skipped
// rows, in every sampling, mirrored and cut, at the picture's edges; and a save from such pixels
// with changes inside the rows read is byte for byte the save from the whole picture.
TEST_F(JpegEngine, RowsReadInPartAreThoseOfTheWholeDecodeAndSaveTheSame) {
  struct TGeometry {
    const char* Name;
    std::function<void(TQvJpegEngine&)> Apply;
  };
  const TGeometry geometries[] = {
      {"as stored", {}},
      {"flipped vertically", [](TQvJpegEngine& e) { e.FlipVertical(0); }},
      {"cut", [](TQvJpegEngine& e) { e.SetRegion(16, 32, 150, 290); }},
      {"flipped horizontally (blocks moved off the grid: read whole)", [](TQvJpegEngine& e) { e.FlipHorizontal(0); }},
      {"turned (read whole)", [](TQvJpegEngine& e) { e.RotateRight(0); }},
  };
  const std::vector<std::pair<int32_t, int32_t>> rows = {{-20, 3}, {41, 42}, {150, 190}, {160, 170}, {240, 400}};
  const auto inRows = [&](int32_t y) {
    for (const auto& [top, bottom] : rows)
      if (y >= top && y < bottom) return true;
    return false;
  };
  const std::vector<TRect> changed = {TRect{20, 160, 31, 171}};
  for (const TKind& kind : Kinds) {
    const QByteArray source = Encode(173, 304, kind.Subsampling, kind.Progressive);
    ASSERT_FALSE(source.isEmpty());
    const QString in = Write(QStringLiteral("rows.jpg"), source);
    for (const TGeometry& geometry : geometries) {
      SCOPED_TRACE(std::string(kind.Name) + ", " + geometry.Name);
      TQvJpegEngine whole, part;
      ASSERT_TRUE(whole.LoadFromFile(in, 0));
      ASSERT_TRUE(part.LoadFromFile(in, 0));
      if (geometry.Apply) {
        geometry.Apply(whole);
        geometry.Apply(part);
      }
      const TPicture full = EngineRead(whole);
      ASSERT_FALSE(full.Bgr.empty());
      TPicture partial = full;
      std::fill(partial.Bgr.begin(), partial.Bgr.end(), uint8_t(0));
      ASSERT_TRUE(part.ReadPixelRows(partial.Bgr.data(), partial.Width * 3, rows));
      EXPECT_EQ(FirstDifference(full, partial, [&](int32_t, int32_t y) { return !inRows(y); }), "");

      // The same correction inside the rows read, saved from either.
      TPicture edited[2] = {full, partial};
      QByteArray saved[2];
      TQvJpegEngine* engines[2] = {&whole, &part};
      for (int i = 0; i < 2; ++i) {
        for (int32_t y = changed[0].Top; y < std::min(changed[0].Bottom, edited[i].Height); ++y)
          for (int32_t x = changed[0].Left; x < changed[0].Right; ++x) std::memset(edited[i].Bgr.data() + (size_t(y) * edited[i].Width + x) * 3, 40, 3);
        engines[i]->WritePixels(TVJPEGPixels{edited[i].Bgr.data(), edited[i].Width * 3}, edited[i].Width * 3, 0, 0);
        engines[i]->SetChangedRects(changed);
        const QString out = Path(QStringLiteral("rows-out-%1.jpg").arg(i));
        ASSERT_TRUE(engines[i]->SaveToFile(out, TVJPEGSaveOptions{}));
        saved[i] = ReadBytes(out);
      }
      EXPECT_TRUE(saved[0] == saved[1]);
    }
  }
  // Pixels read in part are never encoded afresh: a cut off the block grid afterwards makes the
  // save fail and leaves the target alone.
  const QString in = Write(QStringLiteral("rows.jpg"), Encode(64, 64, TJSAMP_420, false));
  TQvJpegEngine engine;
  ASSERT_TRUE(engine.LoadFromFile(in, 0));
  std::vector<uint8_t> pixels(size_t(64) * 64 * 3, 0);
  ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), 64 * 3, {{0, 16}}));
  engine.SetRegion(3, 0, 64, 64);
  engine.WritePixels(TVJPEGPixels{pixels.data(), 61 * 3}, 64 * 3, 0, 0);
  const QString out = Write(QStringLiteral("rows-kept.jpg"), "old");
  EXPECT_FALSE(engine.SaveToFile(out, TVJPEGSaveOptions{}));
  EXPECT_EQ(ReadBytes(out), QByteArray("old"));
}

// A read of a few rows starts reading the coefficients for the save on another thread. They
// belong to that source only: a new load in the meantime saves the new picture, and damage the
// rows read never reached fails the save, leaving the target as it was.
TEST_F(JpegEngine, CoefficientsReadAheadServeOnlyTheirOwnSourceAndItsDamageFailsTheSave) {
  const QString first = Write(QStringLiteral("first.jpg"), Encode(320, 240, TJSAMP_420, false));
  const QByteArray secondBytes = Encode(160, 96, TJSAMP_444, false, 60);
  const QString second = Write(QStringLiteral("second.jpg"), secondBytes);
  {
    TQvJpegEngine engine;
    std::vector<uint8_t> pixels(size_t(320) * 240 * 3, 0);
    ASSERT_TRUE(engine.LoadFromFile(first, 0));
    ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), 320 * 3, {{0, 16}}));
    ASSERT_TRUE(engine.LoadFromFile(second, 0));
    ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), 160 * 3, {{0, 16}}));
    engine.WritePixels(TVJPEGPixels{pixels.data(), 160 * 3}, 160 * 3, 0, 0);
    engine.SetChangedRects({TRect{0, 0, 8, 8}});
    const QString out = Path(QStringLiteral("second-out.jpg"));
    ASSERT_TRUE(engine.SaveToFile(out, TVJPEGSaveOptions{}));
    const TPicture saved = Decode(ReadBytes(out)), want = Decode(secondBytes);
    ASSERT_EQ(saved.Width, 160);
    ASSERT_EQ(saved.Height, 96);
    // Outside the first MCU row (the changed block and its neighbours) the second picture as it was.
    EXPECT_EQ(FirstDifference(saved, want, [](int32_t, int32_t y) { return y < 16; }), "");
    // Read ahead and then left: the engine goes with its thread unjoined by any save.
    ASSERT_TRUE(engine.LoadFromFile(first, 0));
    ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), 320 * 3, {{0, 16}}));
  }
  // A restart marker that the file never declared, two thirds into the entropy-coded data: the
  // top rows still decode. In a tall picture the reader holds only a ring of rows and meets the
  // damage only as the save goes.
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{1024, 2000}}) {
    SCOPED_TRACE(height);
    QByteArray damaged = Encode(width, height, TJSAMP_420, false);
    damaged[damaged.size() * 2 / 3] = char(0xFF);
    damaged[damaged.size() * 2 / 3 + 1] = char(0xD3);
    const QString in = Write(QStringLiteral("damaged.jpg"), damaged);
    TQvJpegEngine engine;
    ASSERT_TRUE(engine.LoadFromFile(in, 0));
    std::vector<uint8_t> pixels(size_t(width) * height * 3, 0);
    ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), width * 3, {{0, 16}}));
    engine.WritePixels(TVJPEGPixels{pixels.data(), width * 3}, width * 3, 0, 0);
    engine.SetChangedRects({TRect{0, 0, 8, 8}});
    const QString out = Write(QStringLiteral("damaged-out.jpg"), "old");
    EXPECT_FALSE(engine.SaveToFile(out, TVJPEGSaveOptions{}));
    EXPECT_EQ(ReadBytes(out), QByteArray("old"));
  }
}

// A save right behind the reader gives back the rows it has written as it goes (whole arrays: the
// rows read span most of the picture, too many for a ring). Big enough for that to happen many
// times over, the saved picture is still the source everywhere but at the changed blocks, in
// every sampling.
TEST_F(JpegEngine, ASaveBehindTheReaderLosesNoRowItGaveBack) {
  for (const int sampling : {TJSAMP_420, TJSAMP_444, TJSAMP_GRAY}) {
    SCOPED_TRACE(sampling);
    const QByteArray source = Encode(2400, 1600, sampling, false);
    const QString in = Write(QStringLiteral("big.jpg"), source);
    TQvJpegEngine engine;
    ASSERT_TRUE(engine.LoadFromFile(in, 0));
    std::vector<uint8_t> pixels(size_t(2400) * 1600 * 3, 0);
    ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), 2400 * 3, {{0, 1200}}));
    for (int32_t x = 0; x < 64 * 3; ++x) pixels[size_t(816) * 2400 * 3 + size_t(x)] = 255;
    engine.WritePixels(TVJPEGPixels{pixels.data(), 2400 * 3}, 2400 * 3, 0, 0);
    engine.SetChangedRects({TRect{0, 816, 64, 817}});
    const QString out = Path(QStringLiteral("big-out.jpg"));
    ASSERT_TRUE(engine.SaveToFile(out, TVJPEGSaveOptions{}));
    const TPicture saved = Decode(ReadBytes(out)), want = Decode(source);
    ASSERT_EQ(saved.Width, 2400);
    ASSERT_EQ(saved.Height, 1600);
    EXPECT_EQ(FirstDifference(saved, want, [](int32_t x, int32_t y) { return x < 96 && y >= 784 && y < 848; }), "");
  }
}

// Short spans of rows put the blocks in a ring of a few rows that the reader fills as the save
// writes. Whatever the spans and the changed blocks (at the top, at the bottom, several, or a
// caller changing more rows than it read, which the ring cannot hold), the file is the one a
// whole read saves; an engine left with its reader waiting goes without a save.
TEST_F(JpegEngine, ARingOfRowsSavesWhatAWholeReadSaves) {
  const QByteArray source = Encode(1024, 2000, TJSAMP_420, false);
  const QString in = Write(QStringLiteral("tall.jpg"), source);
  struct TCase {
    const char* Name;
    std::vector<std::pair<int32_t, int32_t>> Spans;
    std::vector<TRect> Changed;
  } cases[] = {
      {"top", {{0, 40}}, {TRect{0, 0, 16, 16}, TRect{37, 20, 41, 23}}},
      {"bottom", {{1970, 2000}}, {TRect{1008, 1984, 1024, 2000}}},
      {"several", {{500, 600}, {1500, 1540}, {560, 624}}, {TRect{96, 512, 304, 592}, TRect{0, 1504, 32, 1536}, TRect{600, 608, 616, 620}}},
      {"taller than the ring", {{500, 520}}, {TRect{0, 304, 16, 896}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQvJpegEngine whole, part;
    ASSERT_TRUE(whole.LoadFromFile(in, 0));
    ASSERT_TRUE(part.LoadFromFile(in, 0));
    std::vector<uint8_t> pixels[2] = {std::vector<uint8_t>(size_t(1024) * 2000 * 3, 0),
                                      std::vector<uint8_t>(size_t(1024) * 2000 * 3, 0)};
    ASSERT_TRUE(whole.ReadPixels(pixels[0].data(), 1024 * 3, 0));
    ASSERT_TRUE(part.ReadPixelRows(pixels[1].data(), 1024 * 3, c.Spans));
    TQvJpegEngine* engines[2] = {&whole, &part};
    QByteArray saved[2];
    for (int i = 0; i < 2; ++i) {
      for (const TRect& r : c.Changed)
        for (int32_t y = r.Top; y < r.Bottom; ++y)
          std::memset(pixels[i].data() + (size_t(y) * 1024 + size_t(r.Left)) * 3, 40, size_t(r.Right - r.Left) * 3);
      engines[i]->WritePixels(TVJPEGPixels{pixels[i].data(), 1024 * 3}, 1024 * 3, 0, 0);
      engines[i]->SetChangedRects(c.Changed);
      const QString out = Path(QStringLiteral("ring-%1.jpg").arg(i));
      ASSERT_TRUE(engines[i]->SaveToFile(out, TVJPEGSaveOptions{}));
      saved[i] = ReadBytes(out);
    }
    EXPECT_TRUE(saved[0] == saved[1]);
  }
  TQvJpegEngine left;
  ASSERT_TRUE(left.LoadFromFile(in, 0));
  std::vector<uint8_t> pixels(size_t(1024) * 2000 * 3, 0);
  ASSERT_TRUE(left.ReadPixelRows(pixels.data(), 1024 * 3, {{1000, 1010}}));
  ASSERT_TRUE(left.LoadFromFile(in, 0));
}

// Pixels read in part give a whole-picture thumbnail, made from the source's blocks as the save
// reads them, not from the rows left zero: every sampling, grey and progressive sources alike.
TEST_F(JpegEngine, AThumbnailAfterAPartialReadShowsTheWholePicture) {
  if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) GTEST_SKIP() << "exiftool missing";
  const QString thumbFile = Write(QStringLiteral("t.jpg"), Encode(32, 24, TJSAMP_420, false));
  struct TCase {
    const char* Name;
    int Sampling;
    bool Progressive;
  } cases[] = {{"4:2:0", TJSAMP_420, false}, {"4:4:4", TJSAMP_444, false}, {"4:2:2 progressive", TJSAMP_422, true},
               {"grey", TJSAMP_GRAY, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const QString in = Write(QStringLiteral("thumbed.jpg"), Encode(320, 240, c.Sampling, c.Progressive));
    QProcess tag;
    tag.start(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                           QStringLiteral("-ThumbnailImage<=") + thumbFile, in});
    ASSERT_TRUE(tag.waitForFinished(60000));
    ASSERT_EQ(tag.exitCode(), 0);
    TQvJpegEngine engine;
    ASSERT_TRUE(engine.LoadFromFile(in, 0));
    std::vector<uint8_t> pixels(size_t(320) * 240 * 3, 0);
    ASSERT_TRUE(engine.ReadPixelRows(pixels.data(), 320 * 3, {{100, 120}}));
    engine.WritePixels(TVJPEGPixels{pixels.data(), 320 * 3}, 320 * 3, 0, 0);
    engine.SetChangedRects({TRect{0, 104, 16, 112}});
    const QString out = Path(QStringLiteral("thumbed-out.jpg"));
    ASSERT_TRUE(engine.SaveToFile(out, TVJPEGSaveOptions{}));
    QProcess read;
    read.start(QStringLiteral("exiftool"), {QStringLiteral("-b"), QStringLiteral("-ThumbnailImage"), out});
    ASSERT_TRUE(read.waitForFinished(60000));
    const TPicture shown = Decode(read.readAllStandardOutput());
    ASSERT_GT(shown.Width, 0);
    // The picture's gradient reaches every corner; rows left zero (or colours mixed up) would
    // show on a grid across the whole thumbnail.
    const TPicture source = Decode(ReadBytes(in));
    for (int gy = 0; gy < 4; ++gy)
      for (int gx = 0; gx < 4; ++gx) {
        const int x = gx * (shown.Width - 1) / 3, y = gy * (shown.Height - 1) / 3;
        const uint8_t* got = shown.At(x, y);
        // The source's mean over the 8 × 8 block there: the picture has fine texture.
        const int bx = std::min(x * 320 / shown.Width, 319) / 8 * 8, by = std::min(y * 240 / shown.Height, 239) / 8 * 8;
        for (int k = 0; k < 3; ++k) {
          int sum = 0;
          for (int dy = 0; dy < 8; ++dy)
            for (int dx = 0; dx < 8; ++dx) sum += source.At(bx + dx, by + dy)[k];
          EXPECT_NEAR(got[k], sum / 64, 30) << x << "," << y << " channel " << k;
        }
      }
  }
}

TEST_F(JpegEngine, ASecondSaveStartsFromTheFirst) {
  const QByteArray source = Encode(128, 96, TJSAMP_420, false);
  TQvJpegEngine engine;
  const QByteArray first = EngineSave(engine, source, [](TQvJpegEngine& e) { e.RotateRight(0); });
  ASSERT_FALSE(first.isEmpty());
  ASSERT_TRUE(engine.IsLoaded());
  EXPECT_EQ(engine.GetWidth(), 96);
  EXPECT_EQ(engine.GetHeight(), 128);
  // More edits on the same engine, as the document does after a save.
  TPicture pixels = EngineRead(engine);
  const TRect changed{0, 0, 10, 10};
  for (int32_t y = 0; y < 10; ++y) std::memset(pixels.Bgr.data() + size_t(y) * pixels.Width * 3, 255, 30);
  engine.WritePixels(TVJPEGPixels{pixels.Bgr.data(), pixels.Width * 3}, pixels.Width * 3, 0, 0);
  engine.SetChangedRects({changed});
  ASSERT_TRUE(engine.SaveToFile(Path("second.jpg"), TVJPEGSaveOptions{}));
  const QByteArray second = ReadBytes(Path("second.jpg"));
  const TPicture a = Decode(first), b = Decode(second);
  EXPECT_EQ(b.Width, 96);
  EXPECT_EQ(FirstDifference(a, b, NearRect(changed, 16, 16, 1)), "");
  EXPECT_GT(b.At(2, 2)[0], 230);
}

TEST_F(JpegEngine, ARegionLargerThanThePictureMeansResizedPixels) {
  const QByteArray source = Encode(64, 48, TJSAMP_420, false);
  TQvJpegEngine engine;
  ASSERT_TRUE(engine.LoadFromFile(Write("small.jpg", source), 0));
  engine.SetRegion(0, 0, 100, 75);
  EXPECT_EQ(engine.GetWidth(), 100);
  EXPECT_EQ(engine.GetHeight(), 75);
  EXPECT_FALSE(engine.SaveIsLossless());
  std::vector<uint8_t> grey(100 * 75 * 3, 128);
  engine.WritePixels(TVJPEGPixels{grey.data(), 300}, 300, 0, 0);
  ASSERT_TRUE(engine.SaveToFile(Path("resized.jpg"), TVJPEGSaveOptions{}));
  const TPicture decoded = Decode(ReadBytes(Path("resized.jpg")));
  EXPECT_EQ(decoded.Width, 100);
  EXPECT_EQ(decoded.Height, 75);
  EXPECT_LT(std::abs(int(decoded.At(50, 40)[1]) - 128), 3);

  // Shrunk: indistinguishable from a cut at the origin, so the document marks every pixel
  // changed, and then nothing of the source's blocks may survive.
  ASSERT_TRUE(engine.LoadFromFile(Write("small.jpg", source), 0));
  engine.SetRegion(0, 0, 32, 24);
  std::vector<uint8_t> dark(32 * 24 * 3, 40);
  engine.WritePixels(TVJPEGPixels{dark.data(), 96}, 96, 0, 0);
  engine.SetChangedRects({TRect{0, 0, 32, 24}});
  ASSERT_TRUE(engine.SaveToFile(Path("shrunk.jpg"), TVJPEGSaveOptions{}));
  const TPicture shrunk = Decode(ReadBytes(Path("shrunk.jpg")));
  ASSERT_EQ(shrunk.Width, 32);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{31, 23}, std::pair{16, 12}})
    EXPECT_LT(std::abs(int(shrunk.At(x, y)[0]) - 40), 3) << x << "," << y;
}

// Undoing a crop or a resize puts the engine back as it was: its next save is again a copy of the
// source's coefficients, not a re-encoding of a picture it takes for resized.
TEST_F(JpegEngine, APendingStatePutBackUndoesCutsAndResizes) {
  const QByteArray source = Encode(96, 64, TJSAMP_420, false);
  TQvJpegEngine engine;
  ASSERT_TRUE(engine.LoadFromFile(Write("state.jpg", source), 0));
  engine.RotateRight(0);
  const std::any turned = engine.GetPendingState();
  engine.SetRegion(16, 16, 48, 80);   // the crop
  engine.SetRegion(0, 0, 64, 96);     // its undo hands the whole image back: taken for a resize
  EXPECT_FALSE(engine.SaveIsLossless());
  ASSERT_TRUE(engine.SetPendingState(turned));
  EXPECT_TRUE(engine.SaveIsLossless());
  EXPECT_EQ(engine.GetWidth(), 64);
  EXPECT_EQ(engine.GetHeight(), 96);
  const QByteArray saved = EngineSave(engine, source, [&](TQvJpegEngine& e) {
    e.RotateRight(0);
    const std::any before = e.GetPendingState();
    e.SetRegion(0, 0, 30, 30);
    e.SetRegion(0, 0, 64, 96);
    e.SetPendingState(before);
  });
  const QByteArray expected = Jpegtran(source, {{"-perfect", "-rotate", "90"}});
  if (!expected.isEmpty()) {
    const TCoefficients a = ReadCoefficients(saved), b = ReadCoefficients(expected);
    ASSERT_EQ(a.Components, b.Components);
    for (int c = 0; c < a.Components; ++c) EXPECT_EQ(a.Blocks[c], b.Blocks[c]) << "component " << c;
  }
  // The save made its output the source: a state of the old source no longer applies.
  EXPECT_FALSE(engine.SetPendingState(turned));
  EXPECT_FALSE(engine.SetPendingState(std::any()));
  TQvJpegEngine other;
  EXPECT_FALSE(other.SetPendingState(turned));
}

// A file with every kind of metadata a camera or editor leaves: EXIF with orientation 6, pixel
// dimensions and a thumbnail, XMP with the orientation, an ICC profile and a comment.
QByteArray WithMetadata(const QString& fileName, const QByteArray& jpeg) {
  WriteBytes(fileName, jpeg);
  AddExif(fileName, {{"Exif.Image.Orientation", "6"}, {"Exif.Image.Make", "Quillmere"},
                     {"Exif.Photo.PixelXDimension", "96"}, {"Exif.Photo.PixelYDimension", "64"}},
          Encode(24, 16, TJSAMP_420, false, 70));
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(fileName.toStdString());
  image->readMetadata();
  image->xmpData()["Xmp.tiff.Orientation"] = "6";
  const std::string icc(600, 'c');
  Exiv2::DataBuf profile(reinterpret_cast<const Exiv2::byte*>(icc.data()), long(icc.size()));
  image->setIccProfile(profile, false);
  image->setComment("kept as it was");
  image->writeMetadata();
  return ReadBytes(fileName);
}

std::vector<TJpegSegment> Segments(const QByteArray& jpeg) {
  std::vector<TJpegSegment> segments;
  ReadJpegSegments(reinterpret_cast<const uint8_t*>(jpeg.constData()), uint64_t(jpeg.size()), segments);
  return segments;
}

const TJpegSegment* FindSegment(const std::vector<TJpegSegment>& segments, uint8_t code, const char* prefix) {
  for (const TJpegSegment& segment : segments)
    if (segment.Code == code && segment.Payload.size() >= std::strlen(prefix) &&
        std::memcmp(segment.Payload.data(), prefix, std::strlen(prefix)) == 0)
      return &segment;
  return nullptr;
}

TEST_F(JpegEngine, MetadataFollowsThePicture) {
  const QByteArray source = WithMetadata(Path("meta.jpg"), Encode(96, 64, TJSAMP_420, false));
  {
    TQvJpegEngine engine;
    ASSERT_TRUE(engine.LoadFromFile(Path("meta.jpg"), 0));
    EXPECT_EQ(engine.GetOrientation(), 6);
  }
  struct TCase {
    const char* Name;
    std::function<void(TQvJpegEngine&)> Apply;
    std::vector<TRect> Changed;
    int Orientation;
    int32_t Width, Height;
    int32_t ThumbnailWidth, ThumbnailHeight;  // the source's is 24 × 16
  };
  const TCase cases[] = {
      {"turned upright", [](TQvJpegEngine& e) { e.RotateRight(0); }, {}, 1, 64, 96, 80, 120},
      {"cut", [](TQvJpegEngine& e) { e.SetRegion(16, 16, 80, 64); }, {}, 6, 64, 48, 160, 120},
      {"edited", {}, {TRect{1, 1, 5, 5}}, 6, 96, 64, 160, 107},
      {"untouched", {}, {}, 6, 96, 64, 24, 16},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQvJpegEngine engine;
    const QByteArray saved = EngineSave(engine, source, c.Apply, {}, c.Changed);
    ASSERT_FALSE(saved.isEmpty());
    TQvImageProperties properties;
    ReadImageProperties(properties, reinterpret_cast<const uint8_t*>(saved.constData()), uint64_t(saved.size()), 0, 0);
    EXPECT_EQ(ReadOrientationProperty(properties), c.Orientation);
    EXPECT_EQ(ReadAsciiProperty(properties, QvPropertyTag::Make), "Quillmere");
    // The thumbnail shows the saved picture, not the one that was opened.
    const TPicture thumbnail = Decode(ReadEmbeddedJpegThumbnail(reinterpret_cast<const uint8_t*>(saved.constData()), uint64_t(saved.size())));
    EXPECT_EQ(thumbnail.Width, c.ThumbnailWidth);
    EXPECT_EQ(thumbnail.Height, c.ThumbnailHeight);
    const TPicture picture = Decode(saved);
    if (thumbnail.Width == c.ThumbnailWidth && c.ThumbnailWidth > 24) {
      for (const auto& [fx, fy] : {std::pair{0.2, 0.2}, std::pair{0.8, 0.3}, std::pair{0.5, 0.9}}) {
        const uint8_t* small = thumbnail.At(int32_t(fx * thumbnail.Width), int32_t(fy * thumbnail.Height));
        const uint8_t* large = picture.At(int32_t(fx * picture.Width), int32_t(fy * picture.Height));
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(small[k], large[k], 30) << fx << "," << fy;
      }
    }
    const auto before = Segments(source), after = Segments(saved);
    for (const char* prefix : {"ICC_PROFILE", "kept as it was"}) {
      const uint8_t code = prefix[0] == 'I' ? 0xE2 : 0xFE;
      const TJpegSegment* was = FindSegment(before, code, prefix);
      const TJpegSegment* is = FindSegment(after, code, prefix);
      ASSERT_TRUE(was && is) << prefix;
      EXPECT_EQ(was->Payload, is->Payload) << prefix;
    }
    const TJpegSegment* xmp = FindSegment(after, 0xE1, "http://ns.adobe.com/xap/1.0/");
    ASSERT_TRUE(xmp);
    const std::string packet(xmp->Payload.begin(), xmp->Payload.end());
    EXPECT_NE(packet.find("Orientation=\"" + std::to_string(c.Orientation) + "\""), std::string::npos);
    const auto tags = Exiftool(Path("engine-out.jpg"), {"Orientation", "ExifImageWidth", "ExifImageHeight", "Warning"});
    if (!tags.empty()) {
      // No complaint about the structure beyond what the source already draws (its toy ICC profile).
      auto warnings = Exiftool(Path("meta.jpg"), {"Warning"});
      EXPECT_EQ(tags.count("Warning") ? tags.at("Warning") : "", warnings.count("Warning") ? warnings.at("Warning") : "");
      EXPECT_EQ(tags.at("Orientation"), std::to_string(c.Orientation));
      EXPECT_EQ(tags.at("ExifImageWidth"), std::to_string(c.Width));
      EXPECT_EQ(tags.at("ExifImageHeight"), std::to_string(c.Height));
    }
  }
}

TEST_F(JpegEngine, FilesItCannotKeepLosslesslyAreLeftToTheDecoder) {
  const QByteArray good = Encode(40, 30, TJSAMP_420, false);
  QByteArray cmyk;
  {
    tjhandle handle = tjInitCompress();
    std::vector<uint8_t> ink(40 * 30 * 4, 100);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, ink.data(), 40, 0, 30, TJPF_CMYK, &jpeg, &size, TJSAMP_444, 80, 0) == 0)
      cmyk = QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    tjFree(jpeg);
    tjDestroy(handle);
  }
  ASSERT_FALSE(cmyk.isEmpty());
  // A zero quantisation value decodes, but an encoder would divide by it.
  QByteArray zeroQuant = good;
  const qsizetype dqt = zeroQuant.indexOf(QByteArray("\xFF\xDB", 2));
  ASSERT_GE(dqt, 0);
  zeroQuant[dqt + 5] = '\0';
  const struct {
    const char* Name;
    QByteArray Bytes;
  } cases[] = {
      {"cut in half", good.left(good.size() / 2)},
      {"header only", good.left(200)},
      {"not a JPEG", QByteArray("PNG and more bytes than a header needs")},
      {"CMYK", cmyk},
      {"a zero in a quantisation table", zeroQuant},
      {"empty", QByteArray()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TQvJpegEngine engine;
    EXPECT_EQ(engine.LoadFromFile(Write("refused.jpg", c.Bytes), 0), 0);
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(engine.ReadPixels(nullptr, 0, 0), 0);
  }
}

// Damaged entropy data: the engine may take the header, but it never decodes or saves a picture
// that is not what the file holds, never reads out of bounds, and the codec layer then lets the
// decoder report the damage.
TEST_F(JpegEngine, DamagedFilesNeverCrashAndFallBackToTheDecoder) {
  const QByteArray good = WithMetadata(Path("fuzz-base.jpg"), Encode(48, 40, TJSAMP_420, false));
  uint32_t seed = 7;
  for (int round = 0; round < 300; ++round) {
    QByteArray bytes = good;
    const int changes = 1 + round % 4;
    for (int i = 0; i < changes; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const int at = int((seed >> 8) % uint32_t(bytes.size()));
      bytes[at] = char(seed >> 24);
    }
    if (round % 7 == 0) bytes.truncate(int((seed >> 4) % uint32_t(bytes.size())));
    TQvJpegEngine engine;
    if (!engine.LoadFromFile(Write("fuzz.jpg", bytes), 0)) continue;
    engine.RotateRight(0);
    const int32_t width = engine.GetWidth(), height = engine.GetHeight();
    ASSERT_GT(width, 0);
    if (int64_t(width) * height > 4000000) continue;  // a damaged size field; big but harmless
    std::vector<uint8_t> pixels(size_t(width) * height * 3 + 3);
    engine.ReadPixels(pixels.data(), width * 3, 0);
    engine.WritePixels(TVJPEGPixels{pixels.data(), width * 3}, width * 3, 0, 0);
    engine.SetChangedRects({TRect{0, 0, 9, 9}});
    engine.SaveToFile(Path("fuzz-out.jpg"), TVJPEGSaveOptions{});
  }
  // Through the codec layer: a damaged scan opens through the decoder, which reports it.
  // Cut in the middle of the scan, with the end marker put back so the structure looks whole.
  const QByteArray damaged = Encode(64, 64, TJSAMP_420, false).left(400) + QByteArray("\xFF\xD9", 2);
  auto engine = CreateVJPEGObject();
  auto loaded = std::make_unique<TLoaded>();
  TQvLoadTarget target;
  target.Image = &loaded->Image;
  target.Properties = &loaded->Properties;
  target.Engine = engine.get();
  loaded->Ok = LoadImageFile(target, Write("damaged.jpg", damaged), loaded->FormatId, loaded->Error);
  EXPECT_FALSE(engine->IsLoaded());
  EXPECT_FALSE(loaded->Ok);
  EXPECT_FALSE(loaded->Error.isEmpty());
}

// The whole way through the codec layer: a camera file turned upright on opening, a red-eye sized
// change, and the save: lossless, upright tag, no stale thumbnail, the engine still holding it.
TEST_F(JpegEngine, CodecLayerOpensTurnsAndSavesThroughTheEngine) {
  if (QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty()) GTEST_SKIP() << "jpegtran missing";
  const QByteArray source = WithMetadata(Path("camera.jpg"), Encode(96, 64, TJSAMP_420, false));
  auto engine = CreateVJPEGObject();
  TQvLTBitmap image;
  TQvImageProperties properties;
  TQvLoadTarget target;
  target.Image = &image;
  target.Properties = &properties;
  target.Engine = engine.get();
  int32_t formatId = -2;
  QString error;
  ASSERT_TRUE(LoadImageFile(target, Path("camera.jpg"), formatId, error)) << error.toStdString();
  EXPECT_EQ(formatId, QvFormatId::Jpeg);
  ASSERT_EQ(image.Width(), 64);
  ASSERT_EQ(image.Height(), 96);
  const TRect changed{20, 30, 32, 42};
  for (int32_t y = changed.Top; y < changed.Bottom; ++y)
    for (int32_t x = changed.Left; x < changed.Right; ++x) MakeColor(0, 0, 0, image.Pixels()->PixelAt(x, y));

  TQvSaveSource save;
  save.Pixels = image.Pixels();
  save.Properties = &properties;
  save.Engine = engine.get();
  save.ChangedRects = {changed};
  ASSERT_TRUE(SaveImageFile(save, Path("saved.jpg"), QvFormatId::Jpeg, error)) << error.toStdString();
  EXPECT_TRUE(engine->IsLoaded());
  const QByteArray saved = ReadBytes(Path("saved.jpg"));
  const QByteArray turned = Jpegtran(source, {{"-perfect", "-rotate", "90"}});
  EXPECT_EQ(FirstDifference(Decode(turned), Decode(saved), NearRect(changed, 16, 16, 1)), "");
  const TPicture decoded = Decode(saved);
  EXPECT_LT(decoded.At(26, 36)[1], 40);
  TQvImageProperties reread;
  ReadImageProperties(reread, reinterpret_cast<const uint8_t*>(saved.constData()), uint64_t(saved.size()), 0, 0);
  EXPECT_EQ(ReadOrientationProperty(reread), 1);
  // Rebuilt upright from the saved picture (the camera's was 24 × 16).
  const TPicture thumbnail = Decode(ReadEmbeddedJpegThumbnail(reinterpret_cast<const uint8_t*>(saved.constData()), uint64_t(saved.size())));
  EXPECT_EQ(thumbnail.Width, 80);
  EXPECT_EQ(thumbnail.Height, 120);

  // A saved area is a part: the engine lets go, the next save goes through the encoder.
  save.Area = TRect{0, 0, 32, 32};
  save.ChangedRects.clear();
  ASSERT_TRUE(SaveImageFile(save, Path("part.jpg"), QvFormatId::Jpeg, error)) << error.toStdString();
  EXPECT_FALSE(engine->IsLoaded());
  EXPECT_EQ(Decode(ReadBytes(Path("part.jpg"))).Width, 32);
}

}  // namespace

namespace {

// The bundled sample photo (311 × 136, 4:2:0: partial MCUs on the right and at the bottom).
TEST_F(JpegEngine, TheSamplePhotoCropsLosslesslyAndTurnsByReencoding) {
  if (QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty()) GTEST_SKIP() << "jpegtran missing";
  const QByteArray source = ReadBytes(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"));
  ASSERT_FALSE(source.isEmpty());
  TQvJpegEngine engine;
  const QByteArray cut = EngineSave(engine, source, [](TQvJpegEngine& e) { e.SetRegion(32, 16, 311, 136); });
  EXPECT_EQ(FirstDifference(Decode(cut), Decode(Jpegtran(source, {{"-perfect", "-crop", "279x120+32+16"}}))), "");
  bool refused = false;
  Jpegtran(source, {{"-perfect", "-rotate", "90"}}, &refused);
  EXPECT_TRUE(refused);
  const QByteArray turned = EngineSave(engine, source, [](TQvJpegEngine& e) { e.RotateRight(0); });
  const TPicture decoded = Decode(turned);
  EXPECT_EQ(decoded.Width, 136);
  EXPECT_EQ(decoded.Height, 311);
  EXPECT_LT(MeanDifference(decoded, FPixels), 3.0);
}

}  // namespace
