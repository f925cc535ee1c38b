// ocuvane-cli over JPEG files held by the lossless engine, end to end: turns, flips and crops on
// the block grid decode to exactly what jpegtran -perfect gives; a crop off the grid and a turn of
// partial edge blocks are re-encoded in place, never shifted or trimmed; a red-eye correction
// keeps the DCT coefficients of every block away from the eyes; the metadata stays, the
// orientation tag says 1 and no embedded thumbnail shows the old picture.
//
// jpegtran, djpeg, cjpeg and exiftool are run as programs; a test that needs a missing one skips.

#include "QvGraphicsFormats.h"
#include "QvGraphicsTool.h"
#include "QvVJPEG.h"
#include "RedEyeFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

QString MissingTool(std::initializer_list<const char*> Names) {
  for (const char* Name : Names)
    if (QStandardPaths::findExecutable(QString::fromLatin1(Name)).isEmpty()) return QString::fromLatin1(Name);
  return {};
}

#define SKIP_WITHOUT(...)                                                                  \
  do {                                                                                     \
    const QString Missing = MissingTool({__VA_ARGS__});                                    \
    if (!Missing.isEmpty()) GTEST_SKIP() << Missing.toStdString() << " is not installed"; \
  } while (0)

// A decoded picture: PPM (3 channels) or PGM (1 channel) from djpeg.
struct TPicture {
  int Width = 0, Height = 0, Channels = 0;
  QByteArray Pixels;
  int At(int X, int Y, int C) const { return uint8_t(Pixels[(qsizetype(Y) * Width + X) * Channels + C]); }
};

TPicture Decode(const QString& Jpeg) {
  const TRun R = RunProgram(QStringLiteral("djpeg"), {Jpeg});
  TPicture P;
  const QByteArray& B = R.Out;
  if (R.Code != 0 || B.size() < 2 || B[0] != 'P' || (B[1] != '6' && B[1] != '5')) return P;
  // Header: magic, width, height, maxval, each after white space, then one white-space byte.
  int Fields[3] = {};
  qsizetype I = 2;
  for (int& F : Fields) {
    while (I < B.size() && std::isspace(uchar(B[I]))) ++I;
    while (I < B.size() && std::isdigit(uchar(B[I]))) F = F * 10 + (B[I++] - '0');
  }
  ++I;
  P.Channels = B[1] == '6' ? 3 : 1;
  P.Width = Fields[0];
  P.Height = Fields[1];
  P.Pixels = B.mid(I);
  if (P.Pixels.size() != qsizetype(P.Width) * P.Height * P.Channels) return TPicture{};
  return P;
}

// The part (X, Y, W, H) of a picture, turned a quarter clockwise when Turn.
TPicture Part(const TPicture& S, int X0, int Y0, int W, int H, bool Turn = false) {
  TPicture P{Turn ? H : W, Turn ? W : H, S.Channels, QByteArray(qsizetype(W) * H * S.Channels, 0)};
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X)
      for (int C = 0; C < S.Channels; ++C) {
        const int TX = Turn ? H - 1 - Y : X, TY = Turn ? X : Y;
        P.Pixels[(qsizetype(TY) * P.Width + TX) * P.Channels + C] = char(S.At(X0 + X, Y0 + Y, C));
      }
  return P;
}

double MeanDifference(const TPicture& A, const TPicture& B) {
  if (A.Width != B.Width || A.Height != B.Height || A.Channels != B.Channels || A.Pixels.isEmpty()) return 1e9;
  double Sum = 0;
  for (qsizetype I = 0; I < A.Pixels.size(); ++I) Sum += std::abs(int(uint8_t(A.Pixels[I])) - int(uint8_t(B.Pixels[I])));
  return Sum / double(A.Pixels.size());
}

// A smooth, photo-like picture whose waves make a shift or a wrong turn show.
void WritePpm(const QString& Name, int W, int H) {
  QByteArray B = QByteArray("P6 ") + QByteArray::number(W) + ' ' + QByteArray::number(H) + " 255\n";
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      B.append(char(40 + X * 170 / W));
      B.append(char(128 + int(std::lround(60 * std::sin((X + 2 * Y) / 9.0)))));
      B.append(char(128 + int(std::lround(50 * std::cos((3 * X - Y) / 14.0)))));
    }
  QFile F(Name);
  if (F.open(QIODevice::WriteOnly)) F.write(B);
}

// ---- coefficients ----

struct TComponentBlocks {
  int H = 1, V = 1;  // sampling factors
  int WidthInBlocks = 0, HeightInBlocks = 0;
  std::vector<JCOEF> Coefficients;  // 64 per block, row by row
};

struct TCoefficientFile {
  int Width = 0, Height = 0, MaxH = 1, MaxV = 1;
  std::vector<TComponentBlocks> Components;
  bool Valid() const { return !Components.empty(); }
};

struct TErrorJump {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

void JumpOnError(j_common_ptr Info) { std::longjmp(reinterpret_cast<TErrorJump*>(Info->err)->Jump, 1); }

TCoefficientFile ReadCoefficients(const QByteArray& Bytes) {
  TCoefficientFile F;
  jpeg_decompress_struct Info{};
  TErrorJump Error{};
  Info.err = jpeg_std_error(&Error.Manager);
  Error.Manager.error_exit = JumpOnError;
  if (setjmp(Error.Jump)) {
    jpeg_destroy_decompress(&Info);
    return TCoefficientFile{};
  }
  jpeg_create_decompress(&Info);
  jpeg_mem_src(&Info, reinterpret_cast<const unsigned char*>(Bytes.constData()), static_cast<unsigned long>(Bytes.size()));
  jpeg_read_header(&Info, TRUE);
  jvirt_barray_ptr* Arrays = jpeg_read_coefficients(&Info);
  F.Width = int(Info.image_width);
  F.Height = int(Info.image_height);
  F.MaxH = Info.max_h_samp_factor;
  F.MaxV = Info.max_v_samp_factor;
  for (int C = 0; C < Info.num_components; ++C) {
    const jpeg_component_info& Comp = Info.comp_info[C];
    TComponentBlocks B;
    B.H = Comp.h_samp_factor;
    B.V = Comp.v_samp_factor;
    B.WidthInBlocks = int(Comp.width_in_blocks);
    B.HeightInBlocks = int(Comp.height_in_blocks);
    for (int Row = 0; Row < B.HeightInBlocks; ++Row) {
      JBLOCKARRAY Blocks = Info.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&Info), Arrays[C], JDIMENSION(Row), 1, FALSE);
      for (int X = 0; X < B.WidthInBlocks; ++X) B.Coefficients.insert(B.Coefficients.end(), Blocks[0][X], Blocks[0][X] + DCTSIZE2);
    }
    F.Components.push_back(std::move(B));
  }
  jpeg_finish_decompress(&Info);
  jpeg_destroy_decompress(&Info);
  return F;
}

QString Exif(const QString& File, const char* Tag) {
  const TRun R = RunProgram(QStringLiteral("exiftool"), {QStringLiteral("-s3"), QStringLiteral("-n"), QLatin1Char('-') + QString::fromLatin1(Tag), File});
  return QString::fromUtf8(R.Out).trimmed();
}

// What encoding a picture once more with cjpeg's defaults (the tables and 4:2:0 sampling of the
// test files) costs on average per sample: the most a re-encode of a part may lose.
double ReencodingLoss(const TPicture& P) {
  QTemporaryDir Dir;
  const QString Ppm = Dir.filePath(QStringLiteral("p.ppm")), Jpeg = Dir.filePath(QStringLiteral("p.jpg"));
  QFile F(Ppm);
  if (!F.open(QIODevice::WriteOnly)) return 0;
  F.write(QByteArray("P6 ") + QByteArray::number(P.Width) + ' ' + QByteArray::number(P.Height) + " 255\n" + P.Pixels);
  F.close();
  if (RunProgram(QStringLiteral("cjpeg"), {QStringLiteral("-sample"), QStringLiteral("2x2"), QStringLiteral("-outfile"), Jpeg, Ppm}).Code != 0)
    return 0;
  return MeanDifference(Decode(Jpeg), P);
}

class EngineCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
  QString Path(const QString& Name) const { return Dir.filePath(Name); }

  // A JPEG made by cjpeg from the test picture with the given options.
  QString MakeJpeg(const QString& Name, int W, int H, const QStringList& Options) {
    const QString Ppm = Path(Name + QStringLiteral(".ppm"));
    WritePpm(Ppm, W, H);
    const QString Jpeg = Path(Name);
    const TRun R = RunProgram(QStringLiteral("cjpeg"), Options + QStringList{QStringLiteral("-outfile"), Jpeg, Ppm});
    EXPECT_EQ(R.Code, 0) << R.Err.constData();
    return Jpeg;
  }

  QTemporaryDir Dir;
};

TEST_F(EngineCli, TurnsFlipsAndCropsOnTheGridDecodeToThePixelsOfJpegtranPerfect) {
  SKIP_WITHOUT("cjpeg", "djpeg", "jpegtran");
  const struct {
    const char* Name;
    QStringList Options;
  } Files[] = {
      {"420.jpg", {QStringLiteral("-sample"), QStringLiteral("2x2")}},
      {"422.jpg", {QStringLiteral("-sample"), QStringLiteral("2x1")}},
      {"444.jpg", {QStringLiteral("-sample"), QStringLiteral("1x1")}},
      {"grey.jpg", {QStringLiteral("-grayscale")}},
      {"progressive.jpg", {QStringLiteral("-progressive"), QStringLiteral("-sample"), QStringLiteral("2x2")}},
      {"restarts.jpg", {QStringLiteral("-restart"), QStringLiteral("1B"), QStringLiteral("-sample"), QStringLiteral("2x1")}},
  };
  const struct {
    QStringList Cli;
    QStringList Jpegtran;
  } Operations[] = {
      {{QStringLiteral("rotate"), QStringLiteral("--left")}, {QStringLiteral("-rotate"), QStringLiteral("270")}},
      {{QStringLiteral("rotate"), QStringLiteral("--right")}, {QStringLiteral("-rotate"), QStringLiteral("90")}},
      {{QStringLiteral("rotate"), QStringLiteral("--flip-h")}, {QStringLiteral("-flip"), QStringLiteral("horizontal")}},
      {{QStringLiteral("rotate"), QStringLiteral("--flip-v")}, {QStringLiteral("-flip"), QStringLiteral("vertical")}},
      {{QStringLiteral("crop"), QStringLiteral("--rect=16,16,80,48")}, {QStringLiteral("-crop"), QStringLiteral("64x32+16+16")}},
      // Right and bottom edges inside a block: the last blocks are kept partial, as jpegtran does.
      {{QStringLiteral("crop"), QStringLiteral("--rect=32,16,85,59")}, {QStringLiteral("-crop"), QStringLiteral("53x43+32+16")}},
  };
  for (const auto& F : Files) {
    const QString In = MakeJpeg(QString::fromLatin1(F.Name), 96, 64, F.Options);
    for (const auto& Op : Operations) {
      SCOPED_TRACE(std::string(F.Name) + " " + Op.Cli.join(QLatin1Char(' ')).toStdString());
      const QString Out = Path(QStringLiteral("out.jpg"));
      const QString Reference = Path(QStringLiteral("reference.jpg"));
      QFile::remove(Out);
      const TRun Cli = RunCli(QStringList{Op.Cli[0], In, Out} + Op.Cli.mid(1));
      ASSERT_EQ(Cli.Code, 0) << Cli.Err.constData();
      const TRun Tran = RunProgram(QStringLiteral("jpegtran"),
                            QStringList{QStringLiteral("-perfect")} + Op.Jpegtran + QStringList{QStringLiteral("-outfile"), Reference, In});
      ASSERT_EQ(Tran.Code, 0) << Tran.Err.constData();
      const TPicture Got = Decode(Out), Want = Decode(Reference);
      ASSERT_GT(Want.Width, 0);
      EXPECT_EQ(Got.Width, Want.Width);
      EXPECT_EQ(Got.Height, Want.Height);
      EXPECT_EQ(Got.Channels, Want.Channels);
      EXPECT_TRUE(Got.Pixels == Want.Pixels) << "mean difference " << MeanDifference(Got, Want);
    }
  }
}

TEST_F(EngineCli, ACropOffTheGridAndATurnOfPartialBlocksAreReencodedInPlace) {
  SKIP_WITHOUT("cjpeg", "djpeg");
  const QString Aligned = MakeJpeg(QStringLiteral("aligned.jpg"), 96, 64, {QStringLiteral("-sample"), QStringLiteral("2x2")});
  const TPicture Source = Decode(Aligned);
  ASSERT_EQ(Source.Width, 96);

  // The corner (13, 21) is off the 16 × 16 grid: the saved picture starts there, not at (0, 16).
  const QString Cropped = Path(QStringLiteral("cropped.jpg"));
  const TRun C = RunCli({QStringLiteral("crop"), Aligned, Cropped, QStringLiteral("--rect"), QStringLiteral("13,21,77,53")});
  ASSERT_EQ(C.Code, 0) << C.Err.constData();
  const TPicture Got = Decode(Cropped);
  ASSERT_EQ(Got.Width, 64);
  ASSERT_EQ(Got.Height, 32);
  const double InPlace = MeanDifference(Got, Part(Source, 13, 21, 64, 32));
  const double Shifted = MeanDifference(Got, Part(Source, 0, 16, 64, 32));
  EXPECT_LT(InPlace, ReencodingLoss(Part(Source, 13, 21, 64, 32)) * 1.5 + 0.5);
  EXPECT_GT(Shifted, 4 * InPlace + 5);

  // 100 × 60 in 16 × 16 blocks: a quarter turn cannot be perfect; nothing is trimmed.
  const QString Partial = MakeJpeg(QStringLiteral("partial.jpg"), 100, 60, {QStringLiteral("-sample"), QStringLiteral("2x2")});
  const QString Turned = Path(QStringLiteral("turned.jpg"));
  const TRun T = RunCli({QStringLiteral("rotate"), Partial, Turned, QStringLiteral("--right")});
  ASSERT_EQ(T.Code, 0) << T.Err.constData();
  const TPicture PartialSource = Decode(Partial);
  const TPicture TurnedPicture = Decode(Turned);
  EXPECT_EQ(TurnedPicture.Width, 60);
  EXPECT_EQ(TurnedPicture.Height, 100);
  const TPicture Upright = Part(PartialSource, 0, 0, 100, 60, true);
  EXPECT_LT(MeanDifference(TurnedPicture, Upright), ReencodingLoss(Upright) * 1.5 + 0.5);
}

// The document's changed rectangles follow a turn, flip or crop exactly as the engine's blocks
// do: after a change and one of them, the saved file has the coefficients of jpegtran -perfect's
// result everywhere but in the MCUs of the (moved) change.
TEST_F(EngineCli, AChangeThenATurnOrCropRecompressesOnlyTheMovedChange) {
  SKIP_WITHOUT("cjpeg", "djpeg", "jpegtran");
  const QString In = MakeJpeg(QStringLiteral("in.jpg"), 96, 64, {QStringLiteral("-sample"), QStringLiteral("2x2")});
  const TRect Change{36, 20, 46, 30};
  const struct {
    const char* Name;
    bool (*Operation)(TQvGraphicsDocument&);
    QStringList Jpegtran;
    TRect Moved;  // where the change lies afterwards
  } Cases[] = {
      {"RotateRight", [](TQvGraphicsDocument& D) { return D.RotateRight(); }, {QStringLiteral("-rotate"), QStringLiteral("90")}, {34, 36, 44, 46}},
      {"RotateLeft", [](TQvGraphicsDocument& D) { return D.RotateLeft(); }, {QStringLiteral("-rotate"), QStringLiteral("270")}, {20, 50, 30, 60}},
      {"FlipHorizontal", [](TQvGraphicsDocument& D) { return D.FlipHorizontal(); }, {QStringLiteral("-flip"), QStringLiteral("horizontal")}, {50, 20, 60, 30}},
      {"FlipVertical", [](TQvGraphicsDocument& D) { return D.FlipVertical(); }, {QStringLiteral("-flip"), QStringLiteral("vertical")}, {36, 34, 46, 44}},
      {"Crop", [](TQvGraphicsDocument& D) { return D.Crop(TRect{16, 16, 80, 48}); }, {QStringLiteral("-crop"), QStringLiteral("64x32+16+16")}, {20, 4, 30, 14}},
  };
  TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
  struct TForgetEngine {
    ~TForgetEngine() { TQvGraphicsDocument::EngineFactory = nullptr; }
  } Forget;
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TQvGraphicsFormats Formats;
    TQvGraphicsDocument Doc;
    int Id = -1;
    QString Error;
    ASSERT_TRUE(Formats.LoadDocument(&Doc, In, Id, Error)) << Error.toStdString();
    ASSERT_TRUE(Doc.Engine() && Doc.Engine()->IsLoaded());
    // A grey patch, made and committed the way a tool does it.
    Doc.BeginModification(nullptr);
    for (int32_t Y = Change.Top; Y < Change.Bottom; ++Y)
      std::memset(Doc.Pixels()->PixelAt(Change.Left, Y), 128, size_t(Change.Width()) * 3);
    Doc.AddChangedRect(Change, false);
    Doc.AddCommandState(std::make_unique<TQvGraphicsCommandState>(nullptr, &Doc, Change));
    Doc.CommitBackup(Change);
    Doc.EndModification(nullptr);
    ASSERT_TRUE(C.Operation(Doc));
    const QString Out = Path(QStringLiteral("changed.jpg"));
    ASSERT_TRUE(Formats.SaveDocument(&Doc, Out, QvFormatId::Jpeg, Error)) << Error.toStdString();

    const QString Reference = Path(QStringLiteral("changed-reference.jpg"));
    ASSERT_EQ(RunProgram(QStringLiteral("jpegtran"),
                         QStringList{QStringLiteral("-perfect")} + C.Jpegtran + QStringList{QStringLiteral("-outfile"), Reference, In})
                  .Code,
              0);
    const TCoefficientFile Want = ReadCoefficients(FileBytes(Reference));
    const TCoefficientFile Got = ReadCoefficients(FileBytes(Out));
    ASSERT_TRUE(Want.Valid());
    ASSERT_TRUE(Got.Valid());
    ASSERT_EQ(Got.Width, Want.Width);
    ASSERT_EQ(Got.Height, Want.Height);
    const int McuW = 8 * Want.MaxH, McuH = 8 * Want.MaxV;
    const TRect Mcus{C.Moved.Left / McuW * McuW, C.Moved.Top / McuH * McuH, (C.Moved.Right + McuW - 1) / McuW * McuW,
                     (C.Moved.Bottom + McuH - 1) / McuH * McuH};
    int Inside = 0;
    for (size_t K = 0; K < Want.Components.size(); ++K) {
      const TComponentBlocks& W = Want.Components[K];
      const TComponentBlocks& G = Got.Components[K];
      ASSERT_EQ(G.WidthInBlocks, W.WidthInBlocks);
      ASSERT_EQ(G.HeightInBlocks, W.HeightInBlocks);
      const int PixelW = McuW / W.H, PixelH = McuH / W.V;
      for (int Y = 0; Y < W.HeightInBlocks; ++Y)
        for (int X = 0; X < W.WidthInBlocks; ++X) {
          const size_t At = (size_t(Y) * W.WidthInBlocks + X) * DCTSIZE2;
          const bool Same = std::equal(W.Coefficients.begin() + At, W.Coefficients.begin() + At + DCTSIZE2, G.Coefficients.begin() + At);
          const bool InChange = !IntersectRect(Mcus, TRect{X * PixelW, Y * PixelH, (X + 1) * PixelW, (Y + 1) * PixelH}).IsEmpty();
          if (InChange)
            Inside += !Same;
          else
            EXPECT_TRUE(Same) << "component " << K << " block " << X << "," << Y;
        }
    }
    EXPECT_GT(Inside, 0);
    // And the patch is where the document has it.
    const TPicture Saved = Decode(Out);
    ASSERT_GT(Saved.Width, 0);
    const int CX = (C.Moved.Left + C.Moved.Right) / 2, CY = (C.Moved.Top + C.Moved.Bottom) / 2;
    for (int K = 0; K < 3; ++K) EXPECT_NEAR(Saved.At(CX, CY, K), 128, 12);
  }
}

// Saved twice with a turn between: the second save starts from what the first wrote, so the first
// change stays and only the second one's MCUs differ from jpegtran's turn of the first file.
TEST_F(EngineCli, ASecondSaveKeepsWhatTheFirstWroteAndRecompressesOnlyTheNewChange) {
  SKIP_WITHOUT("cjpeg", "djpeg", "jpegtran");
  const QString In = MakeJpeg(QStringLiteral("in.jpg"), 96, 64, {QStringLiteral("-sample"), QStringLiteral("2x2")});
  TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
  struct TForgetEngine {
    ~TForgetEngine() { TQvGraphicsDocument::EngineFactory = nullptr; }
  } Forget;
  TQvGraphicsFormats Formats;
  TQvGraphicsDocument Doc;
  int Id = -1;
  QString Error;
  ASSERT_TRUE(Formats.LoadDocument(&Doc, In, Id, Error)) << Error.toStdString();
  const auto Patch = [&Doc](const TRect& R, uint8_t Value) {
    Doc.BeginModification(nullptr);
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y) std::memset(Doc.Pixels()->PixelAt(R.Left, Y), Value, size_t(R.Width()) * 3);
    Doc.AddChangedRect(R, false);
    Doc.AddCommandState(std::make_unique<TQvGraphicsCommandState>(nullptr, &Doc, R));
    Doc.CommitBackup(R);
    Doc.EndModification(nullptr);
  };
  Patch(TRect{4, 4, 12, 12}, 40);
  const QString First = Path(QStringLiteral("first.jpg")), Second = Path(QStringLiteral("second.jpg"));
  ASSERT_TRUE(Formats.SaveDocument(&Doc, First, QvFormatId::Jpeg, Error)) << Error.toStdString();
  ASSERT_TRUE(Doc.Engine()->IsLoaded());
  ASSERT_TRUE(Doc.RotateRight());
  Patch(TRect{40, 70, 50, 80}, 200);
  ASSERT_TRUE(Formats.SaveDocument(&Doc, Second, QvFormatId::Jpeg, Error)) << Error.toStdString();

  const QString Reference = Path(QStringLiteral("first-turned.jpg"));
  ASSERT_EQ(RunProgram(QStringLiteral("jpegtran"), {QStringLiteral("-perfect"), QStringLiteral("-rotate"), QStringLiteral("90"),
                                                     QStringLiteral("-outfile"), Reference, First})
                .Code,
            0);
  const TCoefficientFile Want = ReadCoefficients(FileBytes(Reference));
  const TCoefficientFile Got = ReadCoefficients(FileBytes(Second));
  ASSERT_TRUE(Want.Valid());
  ASSERT_TRUE(Got.Valid());
  ASSERT_EQ(Got.Width, 64);
  ASSERT_EQ(Got.Height, 96);
  const TRect NewMcus{32, 64, 64, 80};  // (40, 70, 50, 80) on the 16 × 16 grid
  for (size_t K = 0; K < Want.Components.size(); ++K) {
    const TComponentBlocks& W = Want.Components[K];
    const int PixelW = 8 * Want.MaxH / W.H, PixelH = 8 * Want.MaxV / W.V;
    for (int Y = 0; Y < W.HeightInBlocks; ++Y)
      for (int X = 0; X < W.WidthInBlocks; ++X) {
        if (!IntersectRect(NewMcus, TRect{X * PixelW, Y * PixelH, (X + 1) * PixelW, (Y + 1) * PixelH}).IsEmpty()) continue;
        const size_t At = (size_t(Y) * W.WidthInBlocks + X) * DCTSIZE2;
        EXPECT_TRUE(std::equal(W.Coefficients.begin() + At, W.Coefficients.begin() + At + DCTSIZE2,
                               Got.Components[K].Coefficients.begin() + At))
            << "component " << K << " block " << X << "," << Y;
      }
  }
  // Both patches are in the second file: the first turned to (52, 4, 60, 12).
  const TPicture Saved = Decode(Second);
  ASSERT_EQ(Saved.Width, 64);
  EXPECT_NEAR(Saved.At(56, 8, 1), 40, 12);
  EXPECT_NEAR(Saved.At(45, 75, 1), 200, 12);
}

TEST_F(EngineCli, WithoutAQualityAJpegIsCopiedLosslesslyAndWithOneItIsEncodedAfresh) {
  SKIP_WITHOUT("cjpeg", "djpeg");
  const QString In = MakeJpeg(QStringLiteral("in.jpg"), 96, 64, {QStringLiteral("-quality"), QStringLiteral("92")});
  const QString Kept = Path(QStringLiteral("kept.jpg"));
  const QString Fresh = Path(QStringLiteral("fresh.jpg"));
  ASSERT_EQ(RunCli({QStringLiteral("convert"), In, Kept}).Code, 0);
  ASSERT_EQ(RunCli({QStringLiteral("rotate"), In, Fresh, QStringLiteral("--flip-v"), QStringLiteral("--quality"), QStringLiteral("30")}).Code, 0);
  const TCoefficientFile Source = ReadCoefficients(FileBytes(In));
  const TCoefficientFile Copy = ReadCoefficients(FileBytes(Kept));
  ASSERT_TRUE(Source.Valid());
  ASSERT_TRUE(Copy.Valid());
  for (size_t C = 0; C < Source.Components.size(); ++C)
    EXPECT_TRUE(Source.Components[C].Coefficients == Copy.Components[C].Coefficients) << "component " << C;
  // Quality 30 quantises far more coarsely than 92: a fresh encoding, much smaller.
  EXPECT_LT(FileBytes(Fresh).size(), FileBytes(In).size() * 3 / 4);
}

TEST_F(EngineCli, MetadataStaysTheOrientationSaysOneAndNoThumbnailShowsTheOldPicture) {
  SKIP_WITHOUT("cjpeg", "djpeg", "exiftool", "jpegtran");
  // A landscape thumbnail: red on the left, blue on the right.
  const QString ThumbPpm = Path(QStringLiteral("thumb.ppm"));
  {
    QByteArray B("P6 48 32 255\n");
    for (int Y = 0; Y < 32; ++Y)
      for (int X = 0; X < 48; ++X) B.append(X < 24 ? QByteArray("\xff\x00\x00", 3) : QByteArray("\x00\x00\xff", 3));
    QFile F(ThumbPpm);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(B);
  }
  const QString Thumb = Path(QStringLiteral("thumb.jpg"));
  ASSERT_EQ(RunProgram(QStringLiteral("cjpeg"), {QStringLiteral("-outfile"), Thumb, ThumbPpm}).Code, 0);

  const struct {
    const char* Name;
    int Orientation;
    QStringList Cli;
    QStringList Jpegtran;  // what the stored blocks must become; empty: no comparison
  } Cases[] = {
      // Stored turned: the document shows it upright, and a turn back is the stored picture again.
      {"tagged 6, turned left", 6, {QStringLiteral("rotate"), QStringLiteral("--left")}, {QStringLiteral("-copy"), QStringLiteral("none")}},
      {"tagged 6, turned right", 6, {QStringLiteral("rotate"), QStringLiteral("--right")}, {QStringLiteral("-rotate"), QStringLiteral("180")}},
      {"upright, turned right", 1, {QStringLiteral("rotate"), QStringLiteral("--right")}, {QStringLiteral("-rotate"), QStringLiteral("90")}},
      {"upright, mirrored", 1, {QStringLiteral("rotate"), QStringLiteral("--flip-h")}, {QStringLiteral("-flip"), QStringLiteral("horizontal")}},
      {"upright, cropped", 1, {QStringLiteral("crop"), QStringLiteral("--rect=16,0,48,64")}, {QStringLiteral("-crop"), QStringLiteral("32x64+16+0")}},
      {"tagged 8, red eye", 8, {QStringLiteral("redeye"), QStringLiteral("--at=5,5")}, {}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const QString In = MakeJpeg(QStringLiteral("tagged.jpg"), 96, 64, {QStringLiteral("-sample"), QStringLiteral("2x2")});
    const TRun Tag = RunProgram(QStringLiteral("exiftool"),
                         {QStringLiteral("-q"), QStringLiteral("-overwrite_original"), QStringLiteral("-Make=Quillfield"),
                          QStringLiteral("-Model=QF 7"), QStringLiteral("-DateTimeOriginal=2024:05:06 07:08:09"),
                          QStringLiteral("-Artist=Ann Example"), QStringLiteral("-Orientation#=") + QString::number(C.Orientation),
                          QStringLiteral("-ThumbnailImage<=") + Thumb, In});
    ASSERT_EQ(Tag.Code, 0) << Tag.Err.constData();
    const QString Out = Path(QStringLiteral("tagged-out.jpg"));
    QFile::remove(Out);
    const TRun R = RunCli(QStringList{C.Cli[0], In, Out} + C.Cli.mid(1));
    ASSERT_EQ(R.Code, 0) << R.Err.constData();

    EXPECT_EQ(Exif(Out, "Make"), QStringLiteral("Quillfield"));
    EXPECT_EQ(Exif(Out, "Model"), QStringLiteral("QF 7"));
    EXPECT_EQ(Exif(Out, "DateTimeOriginal"), QStringLiteral("2024:05:06 07:08:09"));
    EXPECT_EQ(Exif(Out, "Artist"), QStringLiteral("Ann Example"));
    const QString Orientation = Exif(Out, "Orientation");
    EXPECT_TRUE(Orientation.isEmpty() || Orientation == QStringLiteral("1")) << Orientation.toStdString();

    if (!C.Jpegtran.isEmpty()) {
      const QString Reference = Path(QStringLiteral("tagged-reference.jpg"));
      ASSERT_EQ(RunProgram(QStringLiteral("jpegtran"),
                    QStringList{QStringLiteral("-perfect")} + C.Jpegtran + QStringList{QStringLiteral("-outfile"), Reference, In})
                    .Code,
                0);
      const TPicture Got = Decode(Out), Want = Decode(Reference);
      EXPECT_EQ(Got.Width, Want.Width);
      EXPECT_EQ(Got.Height, Want.Height);
      EXPECT_TRUE(Got.Pixels == Want.Pixels) << "mean difference " << MeanDifference(Got, Want);
    }

    // A thumbnail that is still there must show the saved picture: its shape and where the red is.
    const QByteArray ThumbBytes =
        RunProgram(QStringLiteral("exiftool"), {QStringLiteral("-b"), QStringLiteral("-ThumbnailImage"), Out}).Out;
    if (!ThumbBytes.isEmpty()) {
      const QImage Shown = QImage::fromData(ThumbBytes);
      const TPicture Saved = Decode(Out);
      ASSERT_FALSE(Shown.isNull());
      EXPECT_EQ(Shown.width() > Shown.height(), Saved.Width > Saved.Height)
          << "thumbnail " << Shown.width() << "x" << Shown.height() << ", picture " << Saved.Width << "x" << Saved.Height;
      // The red rises from left to right in the stored picture: each quarter of the thumbnail
      // has about the red of the same quarter of the saved picture, whichever way it was turned.
      for (int Q = 0; Q < 4; ++Q) {
        const int QX = Q % 2, QY = Q / 2;
        double ThumbRed = 0, SavedRed = 0;
        int ThumbCount = 0, SavedCount = 0;
        for (int Y = QY * Shown.height() / 2; Y < (QY + 1) * Shown.height() / 2; ++Y)
          for (int X = QX * Shown.width() / 2; X < (QX + 1) * Shown.width() / 2; ++X, ++ThumbCount)
            ThumbRed += qRed(Shown.pixel(X, Y));
        for (int Y = QY * Saved.Height / 2; Y < (QY + 1) * Saved.Height / 2; ++Y)
          for (int X = QX * Saved.Width / 2; X < (QX + 1) * Saved.Width / 2; ++X, ++SavedCount)
            SavedRed += uint8_t(Saved.Pixels[(qsizetype(Y) * Saved.Width + X) * Saved.Channels]);
        EXPECT_NEAR(ThumbRed / ThumbCount, SavedRed / SavedCount, 12) << "quarter " << Q;
      }
    } else {
      // Only a red-eye change may drop it: a turn or cut makes a new one from the blocks.
      EXPECT_EQ(C.Cli[0], QStringLiteral("redeye")) << "the thumbnail was dropped";
    }
  }
}

// The sample photograph's eyes corrected by the command line; the editor, told the same, says
// which rectangles it changed. Every block whose MCU meets none of them keeps its coefficients.
TEST_F(RedEyeWorld, CliRedeyeRecompressesOnlyTheBlocksOfTheEyes) {
  SKIP_WITHOUT("djpeg");
  Open(SamplePath());
  Tool->SetAreaSize(176);
  Tool->SetBrightness(50);
  Tool->SetFormula(0);
  Tool->SetBorder(0);
  Click(LeftPupil);
  Click(RightPupil);
  const std::vector<TRect> Changed = Doc->ChangedRects();
  ASSERT_FALSE(Changed.empty());

  const QString Out = Dir.filePath(QStringLiteral("eyes.jpg"));
  const TRun R = RunCli({QStringLiteral("redeye"), SamplePath(), Out, QStringLiteral("--at=82,81"), QStringLiteral("--at=232,33"),
                         QStringLiteral("--area=176"), QStringLiteral("--brightness=50"), QStringLiteral("--formula=1"),
                         QStringLiteral("--border=0")});
  ASSERT_EQ(R.Code, 0) << R.Err.constData();
  const TCoefficientFile Before = ReadCoefficients(FileBytes(SamplePath()));
  const TCoefficientFile After = ReadCoefficients(FileBytes(Out));
  ASSERT_TRUE(Before.Valid());
  ASSERT_TRUE(After.Valid());
  ASSERT_EQ(After.Width, Before.Width);
  ASSERT_EQ(After.Height, Before.Height);
  ASSERT_EQ(After.Components.size(), Before.Components.size());
  const int McuW = 8 * Before.MaxH, McuH = 8 * Before.MaxV;
  // The changed rectangles grown to whole MCUs, and those grown by one more MCU.
  std::vector<TRect> ChangedMcus, Grown;
  for (const TRect& Rect : Changed) {
    const TRect M{Rect.Left / McuW * McuW, Rect.Top / McuH * McuH, (Rect.Right + McuW - 1) / McuW * McuW,
                  (Rect.Bottom + McuH - 1) / McuH * McuH};
    ChangedMcus.push_back(M);
    Grown.push_back(InflateRect(M, McuW, McuH));
  }
  const auto Meets = [](const std::vector<TRect>& Rects, const TRect& R) {
    for (const TRect& C : Rects)
      if (!IntersectRect(C, R).IsEmpty()) return true;
    return false;
  };
  int Recompressed = 0;
  for (size_t C = 0; C < Before.Components.size(); ++C) {
    const TComponentBlocks& B = Before.Components[C];
    const TComponentBlocks& A = After.Components[C];
    ASSERT_EQ(A.WidthInBlocks, B.WidthInBlocks);
    ASSERT_EQ(A.HeightInBlocks, B.HeightInBlocks);
    const int PixelW = 8 * Before.MaxH / B.H, PixelH = 8 * Before.MaxV / B.V;  // one block in image pixels
    for (int Y = 0; Y < B.HeightInBlocks; ++Y)
      for (int X = 0; X < B.WidthInBlocks; ++X) {
        const size_t At = (size_t(Y) * B.WidthInBlocks + X) * DCTSIZE2;
        const bool Same = std::equal(B.Coefficients.begin() + At, B.Coefficients.begin() + At + DCTSIZE2, A.Coefficients.begin() + At);
        if (Same) continue;
        ++Recompressed;
        const TRect Block{X * PixelW, Y * PixelH, (X + 1) * PixelW, (Y + 1) * PixelH};
        EXPECT_TRUE(Meets(ChangedMcus, Block)) << "component " << C << " block " << X << "," << Y << " changed";
      }
  }
  EXPECT_GT(Recompressed, 0);

  // Decoded, the pixels away from the changed blocks (one MCU more, for smoothed chroma) are the same.
  const TPicture Was = Decode(SamplePath()), Is = Decode(Out);
  ASSERT_EQ(Is.Width, Was.Width);
  ASSERT_EQ(Is.Height, Was.Height);
  int Different = 0;
  for (int Y = 0; Y < Was.Height; ++Y)
    for (int X = 0; X < Was.Width; ++X)
      if (!Meets(Grown, TRect{X, Y, X + 1, Y + 1}))
        for (int C = 0; C < Was.Channels; ++C) Different += Was.At(X, Y, C) != Is.At(X, Y, C);
  EXPECT_EQ(Different, 0);
}

}  // namespace
