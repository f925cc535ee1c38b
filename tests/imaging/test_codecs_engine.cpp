// The codec layer's conversation with a lossless JPEG engine, through a scripted stand-in.

#include "codecs_fixtures.h"

#include "QvVJPEG.h"

#include <QDir>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace codecs_test;

namespace {

class TScriptedEngine : public IVJPEG {
 public:
  // What the engine answers.
  bool Loads = true;
  bool Throws = false;
  bool ReadFails = false;  // takes the header but cannot decode the scan
  uint16_t Orientation = 1;
  int32_t Width = 6, Height = 4;
  int FailingSaves = 0;  // how many SaveToFile calls fail before one succeeds
  QByteArray SavedBytes;  // what SaveToFile writes
  uint16_t Quality[2] = {85, 90};
  // What it was told.
  QStringList Calls;
  std::vector<TVJPEGSaveOptions> Options;
  TRect Region;
  std::vector<TRect> Changed;
  bool Loaded = false;
  // The file as the engine holds it when it keeps a copy (KeepsBytes), with "Maker" made "Baker"
  // to tell it from the file; Close wipes it, as freed memory would be.
  bool KeepsBytes = false;
  QByteArray Held;

  int32_t LoadFromFile(const QString& fileName, int32_t) override {
    Calls << "Load";
    if (Throws) throw std::runtime_error("engine failure");
    Loaded = Loads;
    if (Loads && KeepsBytes) Held = ReadBytes(fileName).replace("Maker", "Baker");
    return Loads ? 1 : 0;
  }
  std::pair<const uint8_t*, uint64_t> LoadedFileBytes() override {
    if (!Loaded || Held.isEmpty()) return {nullptr, 0};
    return {reinterpret_cast<const uint8_t*>(Held.constData()), uint64_t(Held.size())};
  }
  int32_t IsLoaded() override { return Loaded ? 1 : 0; }
  int32_t GetWidth() override { return Width; }
  int32_t GetHeight() override { return Height; }
  int32_t GetBlockWidth() override { return 16; }
  int32_t GetBlockHeight() override { return 16; }
  int32_t ReadPixels(uint8_t* firstPixel, int32_t stride, int32_t) override {
    if (ReadFails) return 0;
    for (int32_t y = 0; y < Height; ++y)
      for (int32_t x = 0; x < Width; ++x) MakeColor(uint8_t(x * 40), uint8_t(y * 60), 7, firstPixel + y * stride + x * 3);
    return 1;
  }
  int32_t SaveToFile(const QString& fileName, const TVJPEGSaveOptions& options) override {
    Calls << "Save";
    Options.push_back(options);
    if (FailingSaves-- > 0) return 0;
    WriteBytes(fileName, SavedBytes);
    return 1;
  }
  void SetRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) override { Region = TRect{left, top, right, bottom}; }
  void FlipHorizontal(int32_t) override { Calls << "FlipH"; }
  void FlipVertical(int32_t) override { Calls << "FlipV"; }
  void RotateLeft(int32_t) override { Calls << "Left"; std::swap(Width, Height); }
  void RotateRight(int32_t) override { Calls << "Right"; std::swap(Width, Height); }
  void WritePixels(const TVJPEGPixels&, int32_t, int32_t, int32_t) override { Calls << "Write"; }
  void SetChangedRects(const std::vector<TRect>& rects) override { Changed = rects; }
  void Close() override {
    Calls << "Close";
    Loaded = false;
    Held.fill('\0');
  }
  uint16_t GetOrientation() override { return Orientation; }
  void GetQualityValues(uint16_t values[2]) override {
    values[0] = Quality[0];
    values[1] = Quality[1];
  }
};

class CodecEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    auto bitmap = MakeBitmap(6, 4);
    TQvImageProperties properties;
    const uint8_t orientation[2] = {6, 0};
    properties.SetValue(QvPropertyTag::Orientation, QvPropertyTypeCode::Short, 2, orientation);
    properties.SetValue(QvPropertyTag::Make, QvPropertyTypeCode::Ascii, 6, "Maker");
    ASSERT_TRUE(Save(*bitmap, properties, Path("photo.jpg"), QvFormatId::Jpeg));
    FEngine.SavedBytes = ReadBytes(Path("photo.jpg"));
  }
  QString Path(const QString& name) const { return FDir.filePath(name); }

  std::unique_ptr<TLoaded> LoadWithEngine(const QString& name) {
    auto loaded = std::make_unique<TLoaded>();
    TQvLoadTarget target;
    target.Image = &loaded->Image;
    target.Properties = &loaded->Properties;
    target.Engine = &FEngine;
    loaded->Ok = LoadImageFile(target, name, loaded->FormatId, loaded->Error);
    return loaded;
  }

  QTemporaryDir FDir;
  TScriptedEngine FEngine;
};

TEST_F(CodecEngine, EngineLoadTurnsTheImageAndTheTagSaysSo) {
  struct TCase {
    uint16_t Orientation;
    QStringList Calls;
  };
  const TCase cases[] = {
      {1, {"Load"}},
      {3, {"Load", "FlipH", "FlipV"}},
      {6, {"Load", "Right"}},
      {8, {"Load", "Left"}},
      {5, {"Load", "Right", "FlipH"}},
      {7, {"Load", "Left", "FlipH"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Orientation);
    FEngine = TScriptedEngine{};
    FEngine.Orientation = c.Orientation;
    auto loaded = LoadWithEngine(Path("photo.jpg"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    EXPECT_EQ(FEngine.Calls, c.Calls);
    EXPECT_EQ(loaded->FormatId, QvFormatId::Jpeg);
    EXPECT_EQ(loaded->Image.Width(), FEngine.Width);
    EXPECT_EQ(PixelAt(loaded->Image, 1, 1), MakeColorValue(40, 60, 7));
    EXPECT_EQ(ReadAsciiProperty(loaded->Properties, QvPropertyTag::Make), "Maker");
    EXPECT_EQ(ReadOrientationProperty(loaded->Properties), 1);
  }
}

TEST_F(CodecEngine, AnEngineThatThrowsOrDeclinesLeavesTheFileToTheDecoder) {
  struct TCase {
    const char* Name;
    bool Throws, Loads, ReadFails, KeepsBytes;
  } cases[] = {{"throws", true, false, false, false},
               {"refuses the file", false, false, false, false},
               {"cannot decode it", false, true, true, false},
               // The loader let its own copy go for the engine's, which is gone with the engine's
               // Close: the decoder reads the file afresh.
               {"cannot decode the copy it kept", false, true, true, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FEngine = TScriptedEngine{};
    FEngine.Throws = c.Throws;
    FEngine.Loads = c.Loads;
    FEngine.ReadFails = c.ReadFails;
    FEngine.KeepsBytes = c.KeepsBytes;
    auto loaded = LoadWithEngine(Path("photo.jpg"));
    ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
    // The decoder applied orientation 6 itself.
    EXPECT_EQ(loaded->Image.Width(), 4);
    EXPECT_EQ(loaded->Image.Height(), 6);
    EXPECT_EQ(ReadAsciiProperty(loaded->Properties, QvPropertyTag::Make), "Maker");
  }
}

// An engine that keeps the file is the only copy in memory: the metadata come from it (its copy
// here says "Baker" where the file says "Maker").
TEST_F(CodecEngine, TheMetadataComeFromTheCopyTheEngineKeeps) {
  FEngine.KeepsBytes = true;
  auto loaded = LoadWithEngine(Path("photo.jpg"));
  ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
  EXPECT_EQ(loaded->FormatId, QvFormatId::Jpeg);
  EXPECT_EQ(ReadAsciiProperty(loaded->Properties, QvPropertyTag::Make), "Baker");
}

TEST_F(CodecEngine, SaveGoesThroughTheEngineWithoutAskingAndRetriesOnce) {
  FEngine.Loaded = true;
  FEngine.FailingSaves = 1;
  auto bitmap = MakeBitmap(6, 4);
  TQvImageProperties properties;
  TQvSaveSource source;
  source.Pixels = bitmap->Pixels();
  source.Properties = &properties;
  source.Area = TRect{1, 1, 5, 3};
  source.Engine = &FEngine;
  source.ChangedRects = {TRect{0, 0, 3, 2}, TRect{4, 2, 9, 9}, TRect{5, 0, 6, 1}};
  bool asked = false;
  source.AskJpegQuality = [&asked](int32_t&) { return asked = true; };
  QString error;
  ASSERT_TRUE(SaveImageFile(source, Path("out.jpg"), QvFormatId::Jpeg, error)) << error.toStdString();
  EXPECT_FALSE(asked);
  EXPECT_EQ(FEngine.Region, (TRect{1, 1, 5, 3}));
  // In the saved area's coordinates and cut to it; a rectangle outside the area is left out.
  EXPECT_EQ(FEngine.Changed, (std::vector<TRect>{TRect{0, 0, 2, 1}, TRect{3, 1, 4, 2}}));
  EXPECT_EQ(FEngine.Calls, (QStringList{"Write", "Save", "Save", "Close"}));
  ASSERT_EQ(FEngine.Options.size(), 2u);
  EXPECT_EQ(FEngine.Options[0].Values[7], 2);
  EXPECT_EQ(FEngine.Options[0].Values[8], 90);
  EXPECT_EQ(FEngine.Options[1].Values[7], 0);
  EXPECT_EQ(ReadBytes(Path("out.jpg")), FEngine.SavedBytes);

  // QVI through the engine: the engine's JPEG with its header hidden.
  FEngine.Loaded = true;
  ASSERT_TRUE(SaveImageFile(source, Path("out.qvi"), QvFormatId::Qvi, error));
  QByteArray hidden = ReadBytes(Path("out.qvi"));
  ASSERT_TRUE(RevealHeader(reinterpret_cast<uint8_t*>(hidden.data()), uint64_t(hidden.size())));
  EXPECT_EQ(hidden, FEngine.SavedBytes);
}

TEST_F(CodecEngine, AfterSavingTheWholePictureTheEngineKeepsTheSavedFile) {
  FEngine.Loaded = true;
  auto bitmap = MakeBitmap(6, 4);
  TQvImageProperties properties;
  TQvSaveSource source;
  source.Pixels = bitmap->Pixels();
  source.Properties = &properties;
  source.Engine = &FEngine;
  QString error;
  ASSERT_TRUE(SaveImageFile(source, Path("whole.jpg"), QvFormatId::Jpeg, error)) << error.toStdString();
  EXPECT_EQ(FEngine.Calls, (QStringList{"Write", "Save"}));
  EXPECT_TRUE(FEngine.IsLoaded());
  EXPECT_EQ(FEngine.Region, (TRect{0, 0, 6, 4}));
}

TEST_F(CodecEngine, AScanTheEngineCannotDecodeGoesToTheDecoder) {
  FEngine.ReadFails = true;
  FEngine.Orientation = 6;
  auto loaded = LoadWithEngine(Path("photo.jpg"));
  ASSERT_TRUE(loaded->Ok) << loaded->Error.toStdString();
  EXPECT_EQ(FEngine.Calls, (QStringList{"Load", "Right", "Close"}));
  EXPECT_FALSE(FEngine.IsLoaded());
  // The decoder turned it by the tag itself.
  EXPECT_EQ(loaded->Image.Width(), 4);
  EXPECT_EQ(loaded->Image.Height(), 6);
}

TEST_F(CodecEngine, FailedEngineSaveKeepsTheOldFile) {
  WriteBytes(Path("old.jpg"), "old contents");
  FEngine.Loaded = true;
  FEngine.FailingSaves = 2;
  auto bitmap = MakeBitmap(6, 4);
  TQvImageProperties properties;
  TQvSaveSource source;
  source.Pixels = bitmap->Pixels();
  source.Properties = &properties;
  source.Engine = &FEngine;
  QString error;
  EXPECT_FALSE(SaveImageFile(source, Path("old.jpg"), QvFormatId::Jpeg, error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(ReadBytes(Path("old.jpg")), "old contents");
  EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // photo.jpg, old.jpg
}

TEST(CodecEngineOptions, QualityValueFromTheEngine) {
  const struct {
    uint16_t First, Second;
    int32_t Q;
  } cases[] = {{85, 90, 90}, {95, 20, 95}, {1001, 5, 200}, {1000, 5, 1000}};
  for (const auto& c : cases) {
    const uint16_t values[2] = {c.First, c.Second};
    const TVJPEGSaveOptions options = MakeVJPEGSaveOptions(values);
    EXPECT_EQ(options.Values[8], c.Q) << c.First << " " << c.Second;
    EXPECT_EQ(options.Values[1], 100);
    EXPECT_EQ(options.Values[4], -1);
  }
}

}  // namespace
