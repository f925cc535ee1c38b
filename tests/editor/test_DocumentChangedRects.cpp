// The rectangles of the image that changed since the file was read or last written by the lossless
// engine: how they are gathered from the change protocol and from undo and redo, how they follow
// the pixels through turns, flips, crops and resizes, and how the format registry hands them to the
// engine and forgets them once the engine has written the file.

#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"
#include "QvGraphicsTool.h"
#include "QvVJPEG.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string RectText(const TRect& R) {
  return "(" + std::to_string(R.Left) + ", " + std::to_string(R.Top) + ", " + std::to_string(R.Right) +
         ", " + std::to_string(R.Bottom) + ")";
}

// The rectangles in reading order, so a test does not depend on how the list is kept.
std::string RectsText(std::vector<TRect> Rects) {
  std::sort(Rects.begin(), Rects.end(), [](const TRect& A, const TRect& B) {
    return A.Top != B.Top ? A.Top < B.Top : A.Left != B.Left ? A.Left < B.Left : A.Right < B.Right;
  });
  std::string Text;
  for (const TRect& R : Rects) Text += (Text.empty() ? "" : " ") + RectText(R);
  return Text;
}

void Fill(TQvPixels& P, const TRect& R, uint8_t Value) {
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) std::memset(P.PixelAt(R.Left, Y), Value, size_t(R.Width()) * 3);
}

class DocumentChangedRectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Application) FOwnApplication = std::make_unique<TQvApplication>();
    Doc = std::make_unique<TQvGraphicsDocument>();
  }
  void TearDown() override {
    Doc.reset();
    TQvGraphicsDocument::EngineFactory = nullptr;
    FOwnApplication.reset();
  }

  // A black W × H image that, as far as the document knows, is just as it was read.
  void Blank(int32_t W, int32_t H) {
    TQvLTBitmap Image;
    ASSERT_TRUE(Image.Allocate(W, H));
    ASSERT_TRUE(Doc->SetImages(*Image.Pixels(), Image.Pixels()));
    Doc->ClearChangedRects();
  }

  // One tool change as the tool framework makes it: pixels written and reported while the change
  // runs, then committed as an undo step.
  void Change(const TRect& R, uint8_t Value = 255) {
    Doc->BeginModification(nullptr);
    Fill(*Doc->Pixels(), IntersectRect(R, Doc->Pixels()->BoundsRect()), Value);
    Doc->AddChangedRect(R, false);
    const TRect Committed = IntersectRect(Doc->ChangedRect(), Doc->Pixels()->BoundsRect());
    if (!Committed.IsEmpty()) {
      Doc->AddCommandState(std::make_unique<TQvGraphicsCommandState>(nullptr, Doc.get(), Committed));
      Doc->CommitBackup(Committed);
    }
    Doc->EndModification(nullptr);
  }

  // Whether the changed rectangles hold exactly the white pixels of the image.
  ::testing::AssertionResult RectsHoldExactlyTheWhitePixels() const {
    const TQvPixels& P = *Doc->Pixels();
    for (int32_t Y = 0; Y < P.Height; ++Y)
      for (int32_t X = 0; X < P.Width; ++X) {
        const bool White = P.PixelAt(X, Y)[0] != 0;
        const bool Listed = std::any_of(Doc->ChangedRects().begin(), Doc->ChangedRects().end(),
                                        [X, Y](const TRect& R) { return R.Contains(X, Y); });
        if (White != Listed)
          return ::testing::AssertionFailure()
                 << "pixel (" << X << ", " << Y << ") is " << (White ? "white" : "black") << " but "
                 << (Listed ? "listed" : "not listed") << "; rects " << RectsText(Doc->ChangedRects());
      }
    return ::testing::AssertionSuccess();
  }

  std::unique_ptr<TQvGraphicsDocument> Doc;

 private:
  std::unique_ptr<TQvApplication> FOwnApplication;
};

TEST_F(DocumentChangedRectsTest, RectanglesFollowThePixelsThroughTurnsFlipsAndCrops) {
  enum TOp { Left, Right, FlipH, FlipV, CropA, CropB };
  const struct {
    const char* Name;
    std::vector<TOp> Ops;
    const char* Expected;  // empty: only the pixels are checked
  } Cases[] = {
      {"RotateLeft", {Left}, "(20, 5, 28, 10) (3, 34, 8, 38)"},
      {"RotateRight", {Right}, "(22, 2, 27, 6) (2, 30, 10, 35)"},
      {"FlipHorizontal", {FlipH}, "(34, 3, 38, 8) (5, 20, 10, 28)"},
      {"FlipVertical", {FlipV}, "(30, 2, 35, 10) (2, 22, 6, 27)"},
      // Cuts through both: what is left of each, moved with the corner.
      {"Crop through both", {CropA}, "(0, 0, 2, 3) (26, 15, 28, 20)"},
      // Misses the second change altogether.
      {"Crop around one", {CropB}, "(2, 3, 6, 8)"},
      {"Turn, flip, crop, turn back", {Right, FlipV, CropA, Left}, ""},
      {"Four turns", {Right, Right, Right, Right}, "(2, 3, 6, 8) (30, 20, 35, 28)"},
      {"Two flips and two turns", {FlipH, Left, FlipV, Left}, ""},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Blank(40, 30);
    Change(TRect{2, 3, 6, 8});
    Change(TRect{30, 20, 35, 28});
    for (TOp Op : C.Ops) {
      switch (Op) {
        case Left: ASSERT_TRUE(Doc->RotateLeft()); break;
        case Right: ASSERT_TRUE(Doc->RotateRight()); break;
        case FlipH: ASSERT_TRUE(Doc->FlipHorizontal()); break;
        case FlipV: ASSERT_TRUE(Doc->FlipVertical()); break;
        case CropA: ASSERT_TRUE(Doc->Crop(TRect{4, 5, 32, 25})); break;
        case CropB: ASSERT_TRUE(Doc->Crop(TRect{0, 0, 20, 20})); break;
      }
    }
    if (*C.Expected) {
      EXPECT_EQ(RectsText(Doc->ChangedRects()), C.Expected);
    }
    EXPECT_TRUE(RectsHoldExactlyTheWhitePixels());
  }
}

TEST_F(DocumentChangedRectsTest, RectanglesThatMeetAreMergedAndOthersKeptApart) {
  const struct {
    const char* Name;
    std::vector<TRect> Added;
    const char* Expected;
  } Cases[] = {
      {"overlapping", {{10, 10, 20, 20}, {15, 15, 30, 30}}, "(10, 10, 30, 30)"},
      {"inside another", {{10, 10, 30, 30}, {12, 12, 14, 14}}, "(10, 10, 30, 30)"},
      {"around another", {{12, 12, 14, 14}, {10, 10, 30, 30}}, "(10, 10, 30, 30)"},
      {"two eyes far apart", {{10, 10, 20, 20}, {70, 10, 80, 20}}, "(10, 10, 20, 20) (70, 10, 80, 20)"},
      {"flush and aligned", {{10, 10, 20, 20}, {20, 10, 30, 20}}, "(10, 10, 30, 20)"},
      {"flush, not aligned", {{10, 10, 20, 20}, {20, 15, 30, 30}}, "(10, 10, 20, 20) (20, 15, 30, 30)"},
      {"a bridge joins two", {{0, 0, 10, 10}, {20, 0, 30, 10}, {5, 2, 25, 8}}, "(0, 0, 30, 10)"},
      {"a merge that reaches a third", {{0, 0, 10, 10}, {12, 12, 20, 20}, {5, 5, 15, 15}}, "(0, 0, 20, 20)"},
      {"cut to the image", {{90, -5, 120, 10}}, "(90, 0, 100, 10)"},
      {"outside or empty", {{100, 0, 120, 10}, {5, 5, 5, 9}, {-9, -9, 0, 0}}, ""},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    Blank(100, 100);
    Doc->BeginModification(nullptr);
    for (const TRect& R : C.Added) Doc->AddChangedRect(R, false);
    Doc->ClearModification();
    EXPECT_EQ(RectsText(Doc->ChangedRects()), C.Expected);
  }
}

TEST_F(DocumentChangedRectsTest, ARectangleThatReplacesTheToolsStillKeepsTheEarlierOnes) {
  Blank(100, 100);
  Doc->BeginModification(nullptr);
  Doc->AddChangedRect(TRect{10, 10, 20, 20}, false);
  Doc->AddChangedRect(TRect{60, 60, 70, 70}, true);
  EXPECT_EQ(RectText(Doc->ChangedRect()), RectText(TRect{60, 60, 70, 70}));
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(10, 10, 20, 20) (60, 60, 70, 70)");
}

TEST_F(DocumentChangedRectsTest, ManySmallChangesStayFewRectanglesWithoutSwallowingTheGapBetweenEyes) {
  Blank(1000, 400);
  // A brush's dabs around one eye, each apart from the others, then one change at the other eye.
  std::vector<TRect> Dabs;
  for (int32_t I = 0; I < 60; ++I) {
    const int32_t X = 100 + (I % 10) * 6, Y = 100 + (I / 10) * 6;
    Dabs.push_back(TRect{X, Y, X + 4, Y + 4});
  }
  for (const TRect& R : Dabs) Change(R);
  Change(TRect{850, 120, 870, 140});
  const std::vector<TRect>& Rects = Doc->ChangedRects();
  EXPECT_LE(Rects.size(), TQvGraphicsDocument::MaxChangedRects);
  for (const TRect& Dab : Dabs)
    EXPECT_TRUE(std::any_of(Rects.begin(), Rects.end(),
                            [&Dab](const TRect& R) { return IntersectRect(R, Dab) == Dab; }))
        << RectText(Dab) << " is not covered";
  // Nothing between the two eyes counts as changed.
  for (const TRect& R : Rects) EXPECT_TRUE(IntersectRect(R, TRect{200, 0, 800, 400}).IsEmpty()) << RectText(R);
  // No two listed rectangles overlap.
  for (size_t I = 0; I < Rects.size(); ++I)
    for (size_t J = I + 1; J < Rects.size(); ++J)
      EXPECT_TRUE(IntersectRect(Rects[I], Rects[J]).IsEmpty()) << RectText(Rects[I]) << RectText(Rects[J]);
}

TEST_F(DocumentChangedRectsTest, UndoAndRedoCountAsChangesOfTheirRectangle) {
  Blank(50, 50);
  Change(TRect{5, 5, 15, 15});
  Change(TRect{30, 30, 40, 45});
  // As after a save through the engine: the file now holds both changes.
  Doc->ClearChangedRects();
  Doc->History.Undo();
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(30, 30, 40, 45)");
  Doc->ClearChangedRects();
  Doc->History.Redo();
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(30, 30, 40, 45)");
  Doc->History.Undo();
  Doc->History.Undo();
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(5, 5, 15, 15) (30, 30, 40, 45)");
}

TEST_F(DocumentChangedRectsTest, ResizeAndReplacedImagesChangeEverything) {
  Blank(40, 30);
  Change(TRect{1, 1, 3, 3});
  ASSERT_TRUE(Doc->Resize(20, 10, true, true));
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(0, 0, 20, 10)");

  Doc->ClearChangedRects();
  TQvLTBitmap Other;
  ASSERT_TRUE(Other.Allocate(7, 9));
  ASSERT_TRUE(Doc->SetImages(*Other.Pixels(), nullptr));
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(0, 0, 7, 9)");

  // A freshly read image differs from its file nowhere.
  auto Image = std::make_unique<TQvLTBitmap>();
  ASSERT_TRUE(Image->Allocate(8, 8));
  auto Properties = std::make_unique<TQvGraphicsDocumentProperties>();
  ASSERT_TRUE(Doc->AdoptLoadedImage(Image, Properties));
  EXPECT_TRUE(Doc->ChangedRects().empty());
}

// ---- the hand-over to the engine ----

// An engine double that "holds" any file as a grey 32 × 24 picture and writes a token file.
struct TEngineLog {
  std::vector<std::vector<TRect>> ChangedRects;  // one entry per save
  int Saves = 0;
  bool FailSaves = false;
};

class TRecordingEngine : public IVJPEG {
 public:
  explicit TRecordingEngine(TEngineLog* Log) : FLog(Log) {}
  int32_t LoadFromFile(const QString&, int32_t) override { return FLoaded = 1; }
  int32_t IsLoaded() override { return FLoaded; }
  int32_t GetWidth() override { return FTurned ? 24 : 32; }
  int32_t GetHeight() override { return FTurned ? 32 : 24; }
  int32_t GetBlockWidth() override { return 8; }
  int32_t GetBlockHeight() override { return 8; }
  int32_t ReadPixels(uint8_t* First, int32_t Stride, int32_t) override {
    for (int32_t Y = 0; Y < GetHeight(); ++Y) std::memset(First + int64_t(Y) * Stride, 128, size_t(GetWidth()) * 3);
    return 1;
  }
  int32_t SaveToFile(const QString& Name, const TVJPEGSaveOptions&) override {
    ++FLog->Saves;
    FLog->ChangedRects.push_back(FChanged);
    if (FLog->FailSaves) return 0;
    QFile File(Name);
    return File.open(QIODevice::WriteOnly) && File.write("\xFF\xD8\xFF\xD9", 4) == 4 ? 1 : 0;
  }
  void SetRegion(int32_t, int32_t, int32_t, int32_t) override {}
  void FlipHorizontal(int32_t) override {}
  void FlipVertical(int32_t) override {}
  void RotateLeft(int32_t) override { FTurned = !FTurned; }
  void RotateRight(int32_t) override { FTurned = !FTurned; }
  void WritePixels(const TVJPEGPixels&, int32_t, int32_t, int32_t) override {}
  void SetChangedRects(const std::vector<TRect>& Rects) override { FChanged = Rects; }
  void Close() override { FLoaded = 0; }
  uint16_t GetOrientation() override { return 1; }
  void GetQualityValues(uint16_t V[2]) override { V[0] = V[1] = 90; }

 private:
  TEngineLog* FLog;
  int32_t FLoaded = 0;
  bool FTurned = false;
  std::vector<TRect> FChanged;
};

// A tool that still holds a change when the document is saved and commits it on hearing that.
class TLateTool : public QObject, public IQvGraphicsToolEvents {
 public:
  void DocumentSaving(TQvGraphicsDocument* Document) override {
    Document->BeginModification(this);
    Document->AddChangedRect(TRect{0, 20, 4, 24}, false);
    Document->NotifyImageChanged(this, TRect{0, 20, 4, 24});
    Document->ClearModification();
  }
};

class EngineHandOverTest : public DocumentChangedRectsTest {
 protected:
  void SetUp() override {
    DocumentChangedRectsTest::SetUp();
    ASSERT_TRUE(FDir.isValid());
    TQvGraphicsDocument::EngineFactory = [this] { return std::make_unique<TRecordingEngine>(&Log); };
    Doc = std::make_unique<TQvGraphicsDocument>();
    QFile In(Path("in.jpg"));
    ASSERT_TRUE(In.open(QIODevice::WriteOnly));
    In.write("\xFF\xD8\xFF\xE0 not really a picture");
    In.close();
    int Id = -2;
    QString Error;
    ASSERT_TRUE(Formats.LoadDocument(Doc.get(), Path("in.jpg"), Id, Error)) << Error.toStdString();
    ASSERT_EQ(Id, QvFormatId::Jpeg);
    Formats.QualityAsker = [](int32_t&) { return true; };
  }
  QString Path(const char* Name) const { return FDir.filePath(QString::fromLatin1(Name)); }
  bool Save(const char* Name, int FormatId) {
    QString Error;
    return Formats.SaveDocument(Doc.get(), Path(Name), FormatId, Error);
  }

  TEngineLog Log;
  TQvGraphicsFormats Formats;
  QTemporaryDir FDir;
};

TEST_F(EngineHandOverTest, TheEngineGetsTheTurnedRectanglesAndTheyAreForgottenOnceItHasSaved) {
  EXPECT_TRUE(Doc->ChangedRects().empty());
  Change(TRect{2, 3, 6, 8});
  ASSERT_TRUE(Doc->RotateRight());  // 32 × 24 becomes 24 × 32
  ASSERT_TRUE(Save("out.jpg", QvFormatId::Jpeg));
  ASSERT_EQ(Log.Saves, 1);
  EXPECT_EQ(RectsText(Log.ChangedRects[0]), "(16, 2, 21, 6)");
  EXPECT_TRUE(Doc->ChangedRects().empty());

  // Nothing changed since: the next save recompresses nothing.
  ASSERT_TRUE(Save("again.jpg", QvFormatId::Jpeg));
  EXPECT_EQ(RectsText(Log.ChangedRects[1]), "");
}

TEST_F(EngineHandOverTest, OnlyASaveTheEngineMadeForgetsTheChanges) {
  Change(TRect{2, 3, 6, 8});
  // The engine's source stays the file that was read: the change still has to be written later.
  ASSERT_TRUE(Save("out.png", QvFormatId::Png));
  EXPECT_EQ(Log.Saves, 0);
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(2, 3, 6, 8)");

  Log.FailSaves = true;
  EXPECT_FALSE(Save("failed.jpg", QvFormatId::Jpeg));
  EXPECT_GE(Log.Saves, 1);
  EXPECT_EQ(RectsText(Doc->ChangedRects()), "(2, 3, 6, 8)");
}

TEST_F(EngineHandOverTest, AChangeCommittedWhenTheToolsHearOfTheSaveIsWrittenToo) {
  TLateTool* Tool = nullptr;
  Application->CreateModule(Tool);
  const bool Saved = Save("out.jpg", QvFormatId::Jpeg);
  Application->RemoveComponent(Tool);
  delete Tool;
  ASSERT_TRUE(Saved);
  ASSERT_EQ(Log.Saves, 1);
  EXPECT_EQ(RectsText(Log.ChangedRects[0]), "(0, 20, 4, 24)");
  EXPECT_TRUE(Doc->ChangedRects().empty());
}

}  // namespace
