// The image document: area arithmetic of the geometric operations, the change protocol with a
// tool double, the relays to the tools, and the lossless engine's region after a crop.
// (The changed rectangles handed to the engine: test_DocumentChangedRects.cpp.)

#include "QvGraphicsDocument.h"
#include "QvVJPEG.h"

#include <gtest/gtest.h>


#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void EnsureApplications(std::unique_ptr<TQvApplication>& Own) {
  if (!Application) Own = std::make_unique<TQvApplication>();
}

std::string RectText(const TRect& R) {
  return "(" + std::to_string(R.Left) + ", " + std::to_string(R.Top) + ", " + std::to_string(R.Right) +
         ", " + std::to_string(R.Bottom) + ")";
}

// Black image with the pixels of Rect white.
void PaintImage(TQvGraphicsDocument& Doc, int32_t W, int32_t H, const TRect& White) {
  TQvLTBitmap Image;
  ASSERT_TRUE(Image.Allocate(W, H));
  for (int32_t Y = White.Top; Y < White.Bottom; ++Y)
    std::memset(Image.Pixels()->PixelAt(White.Left, Y), 255, size_t(White.Width()) * 3);
  ASSERT_TRUE(Doc.SetImages(*Image.Pixels(), Image.Pixels()));
}

// Bounding box of the non-black pixels.
TRect WhiteBounds(const TQvPixels& P) {
  TRect R{};
  for (int32_t Y = P.Top; Y < P.Top + P.Height; ++Y)
    for (int32_t X = P.Left; X < P.Left + P.Width; ++X)
      if (P.PixelAt(X, Y)[0]) R = UnionRect(R, TRect{X, Y, X + 1, Y + 1});
  return R;
}

bool SamePixels(const TQvPixels& A, const TQvPixels& B) {
  if (A.BoundsRect() != B.BoundsRect() || A.Format != B.Format) return false;
  for (int32_t Y = A.Top; Y < A.Top + A.Height; ++Y)
    if (std::memcmp(A.PixelAt(A.Left, Y), B.PixelAt(A.Left, Y), size_t(A.Width) * A.BytesPerPixel)) return false;
  return true;
}

// A lossless engine that only records what it is told.
class TFakeEngine : public IVJPEG {
 public:
  std::vector<std::string>* Calls = nullptr;
  int32_t LoadFromFile(const QString&, int32_t) override { return 1; }
  int32_t IsLoaded() override { return 1; }
  int32_t GetWidth() override { return 0; }
  int32_t GetHeight() override { return 0; }
  int32_t GetBlockWidth() override { return 16; }
  int32_t GetBlockHeight() override { return 16; }
  int32_t ReadPixels(uint8_t*, int32_t, int32_t) override { return 0; }
  int32_t SaveToFile(const QString&, const TVJPEGSaveOptions&) override { return 0; }
  void SetRegion(int32_t L, int32_t T, int32_t R, int32_t B) override {
    Calls->push_back("SetRegion" + RectText(TRect{L, T, R, B}));
  }
  void FlipHorizontal(int32_t) override { Calls->push_back("FlipHorizontal"); }
  void FlipVertical(int32_t) override { Calls->push_back("FlipVertical"); }
  void RotateLeft(int32_t) override { Calls->push_back("RotateLeft"); }
  void RotateRight(int32_t) override { Calls->push_back("RotateRight"); }
  void WritePixels(const TVJPEGPixels&, int32_t, int32_t, int32_t) override {}
  void SetChangedRects(const std::vector<TRect>& /*rects*/) override {}
  void Close() override {}
  uint16_t GetOrientation() override { return 1; }
  void GetQualityValues(uint16_t V[2]) override { V[0] = V[1] = 0; }
};

// The pixels of one changed rectangle before and after, as the tools' states keep them.
class TPixelState : public TQvCommandState {
 public:
  TPixelState(TQvGraphicsDocument* Doc, const TRect& R) : FDoc(Doc) {
    FBefore.Allocate(Doc->Backup().Format, R);
    FBefore.CopyFrom(Doc->Backup());
    FAfter.Allocate(Doc->Pixels()->Format, R);
    FAfter.CopyFrom(*Doc->Pixels());
  }
  void Undo() override { Put(FBefore); }
  void Redo() override { Put(FAfter); }

 private:
  void Put(const TQvPixelBuffer& B) {
    FDoc->Pixels()->CopyFrom(B);
    FDoc->SyncBackup();
  }
  TQvGraphicsDocument* FDoc;
  TQvPixelBuffer FBefore, FAfter;
};

// A tool double: follows the tools' side of the change protocol and logs what it hears.
class TFakeTool : public QObject, public IQvGraphicsToolEvents {
 public:
  explicit TFakeTool(std::vector<std::string>* Log = nullptr, std::string Name = "tool")
      : FLog(Log), FName(std::move(Name)) {}

  void BeginChange(TQvGraphicsDocument* Doc) {
    Doc->BeginModification(this);
    FDocument = Doc;
  }
  void Fill(const TRect& R, uint8_t Value) {
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
      std::memset(FDocument->Pixels()->PixelAt(R.Left, Y), Value, size_t(R.Width()) * 3);
    FDocument->AddChangedRect(R, false);
  }
  void EndChange() override {
    Log("EndChange");
    if (!FDocument) return;
    const TRect R = FDocument->ChangedRect();
    if (!R.IsEmpty()) {
      FDocument->AddCommandState(std::make_unique<TPixelState>(FDocument, R));
      FDocument->CommitBackup(R);
    }
    if (FDocument->Modifying()) FDocument->EndModification(this);
    FDocument = nullptr;
  }
  void DocumentOpened(TQvGraphicsDocument*) override { Log("DocumentOpened"); }
  void DocumentClosing(TQvGraphicsDocument*) override { Log("DocumentClosing"); }
  void DocumentSaving(TQvGraphicsDocument*) override { Log("DocumentSaving"); }
  void BeforeUndo(TQvCommandState* S) override { Log(S ? "BeforeUndo(state)" : "BeforeUndo(nil)"); }
  void AfterUndo(TQvCommandState* S) override { Log(S ? "AfterUndo(state)" : "AfterUndo(nil)"); }
  void BeforeRedo(TQvCommandState* S) override { Log(S ? "BeforeRedo(state)" : "BeforeRedo(nil)"); }
  void AfterRedo(TQvCommandState* S) override { Log(S ? "AfterRedo(state)" : "AfterRedo(nil)"); }
  void ImageChanged(TQvGraphicsDocument*, IQvGraphicsToolEvents* Tool, const TRect& R) override {
    Log("ImageChanged" + RectText(R) + (Tool == this ? " self" : " other"));
  }

  TQvGraphicsDocument* FDocument = nullptr;

 private:
  void Log(const std::string& Text) {
    if (FLog) FLog->push_back(FName + ":" + Text);
  }
  std::vector<std::string>* FLog;
  std::string FName;
};

// An image view double: identity mapping, remembers the bounds it was given.
class TFakeView : public QWidget, public IQvGraphicsDocumentView {
 public:
  void InvalidateImage(const TRect&) override {}
  void ImageBoundsChanged(const TRect& B) override {
    Bounds = B;
    ++Updates;
  }
  TRect Bounds{};
  int Updates = 0;
};

class GraphicsDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplications(FOwnApplication);
    Doc = std::make_unique<TQvGraphicsDocument>();
  }
  void TearDown() override {
    Doc.reset();
    TQvGraphicsDocument::EngineFactory = nullptr;
    TQvGraphicsDocument::ViewFactory = nullptr;
    FOwnApplication.reset();
  }
  std::unique_ptr<TQvGraphicsDocument> Doc;

 private:
  std::unique_ptr<TQvApplication> FOwnApplication;
};

TEST_F(GraphicsDocumentTest, RotationsAndFlipsMoveAreaWithThePixels) {
  using TOp = bool (TQvGraphicsDocument::*)();
  const struct {
    const char* Name;
    TOp Op;
    int32_t NewW, NewH;
    TRect NewArea;
  } Cases[] = {
      {"RotateLeft", &TQvGraphicsDocument::RotateLeft, 30, 40, {5, 20, 15, 30}},
      {"RotateRight", &TQvGraphicsDocument::RotateRight, 30, 40, {15, 10, 25, 20}},
      {"FlipHorizontal", &TQvGraphicsDocument::FlipHorizontal, 40, 30, {20, 5, 30, 15}},
      {"FlipVertical", &TQvGraphicsDocument::FlipVertical, 40, 30, {10, 15, 20, 25}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    const TRect Area{10, 5, 20, 15};
    PaintImage(*Doc, 40, 30, Area);
    Doc->SetArea(Area);
    ASSERT_TRUE((Doc.get()->*C.Op)());
    EXPECT_EQ(Doc->Width(), C.NewW);
    EXPECT_EQ(Doc->Height(), C.NewH);
    EXPECT_EQ(RectText(Doc->Area()), RectText(C.NewArea));
    // The area still covers the same pixels, in all three images.
    EXPECT_EQ(RectText(WhiteBounds(*Doc->Pixels())), RectText(C.NewArea));
    EXPECT_EQ(RectText(WhiteBounds(*Doc->OriginalPixels())), RectText(C.NewArea));
    EXPECT_TRUE(SamePixels(Doc->Backup(), *Doc->Pixels()));
  }
}

TEST_F(GraphicsDocumentTest, FourTurnsAndTwoFlipsGiveBackTheSameImage) {
  PaintImage(*Doc, 7, 5, TRect{1, 1, 3, 2});
  TQvPixelBuffer Before;
  Doc->GetImages(Before, nullptr);
  Doc->SetArea(TRect{0, 1, 4, 5});
  for (int I = 0; I < 4; ++I) Doc->RotateRight();
  Doc->FlipHorizontal();
  Doc->FlipHorizontal();
  for (int I = 0; I < 4; ++I) Doc->RotateLeft();
  EXPECT_TRUE(SamePixels(*Doc->Pixels(), Before));
  EXPECT_EQ(RectText(Doc->Area()), RectText(TRect{0, 1, 4, 5}));
}

TEST_F(GraphicsDocumentTest, SetAreaKeepsOnlyAPartOfTheImage) {
  PaintImage(*Doc, 40, 30, TRect{});
  const struct {
    TRect Given, Kept;
  } Cases[] = {
      {{0, 0, 40, 30}, {}},            // the whole image means no area
      {{-5, -5, 50, 50}, {}},          // so does anything covering it
      {{-5, 10, 20, 50}, {0, 10, 20, 30}},
      {{50, 50, 60, 60}, {}},          // outside
      {{10, 10, 10, 20}, {}},          // empty
      {{1, 2, 3, 4}, {1, 2, 3, 4}},
  };
  for (const auto& C : Cases) {
    Doc->SetArea(C.Given);
    EXPECT_EQ(RectText(Doc->Area()), RectText(C.Kept)) << RectText(C.Given);
    TRect R;
    Doc->GetAreaOrBounds(R);
    EXPECT_EQ(RectText(R), RectText(C.Kept.IsEmpty() ? TRect{0, 0, 40, 30} : C.Kept));
  }
}

TEST_F(GraphicsDocumentTest, CropKeepsTheRectangleAndClearsTheArea) {
  PaintImage(*Doc, 40, 30, TRect{12, 8, 14, 9});
  Doc->SetArea(TRect{1, 1, 5, 5});
  // Entirely outside: nothing at all changes, not even the area.
  EXPECT_FALSE(Doc->Crop(TRect{40, 0, 60, 30}));
  EXPECT_EQ(Doc->Width(), 40);
  EXPECT_EQ(RectText(Doc->Area()), RectText(TRect{1, 1, 5, 5}));

  ASSERT_TRUE(Doc->Crop(TRect{10, 5, 100, 20}));
  EXPECT_EQ(Doc->Width(), 30);
  EXPECT_EQ(Doc->Height(), 15);
  EXPECT_FALSE(Doc->HasArea());
  EXPECT_EQ(RectText(WhiteBounds(*Doc->Pixels())), RectText(TRect{2, 3, 4, 4}));
  EXPECT_EQ(RectText(WhiteBounds(*Doc->OriginalPixels())), RectText(TRect{2, 3, 4, 4}));
  EXPECT_TRUE(SamePixels(Doc->Backup(), *Doc->Pixels()));
}

TEST_F(GraphicsDocumentTest, EngineFollowsGeometryAndIsCutToTheVeryRectangle) {
  std::vector<std::string> Calls;
  TQvGraphicsDocument::EngineFactory = [&Calls] {
    auto E = std::make_unique<TFakeEngine>();
    E->Calls = &Calls;
    return std::unique_ptr<IVJPEG>(std::move(E));
  };
  auto WithEngine = std::make_unique<TQvGraphicsDocument>();
  ASSERT_NE(WithEngine->Engine(), nullptr);
  PaintImage(*WithEngine, 200, 160, TRect{});
  Calls.clear();
  // A corner off the 16 × 16 grid is not moved onto it (that would save a shifted picture): the
  // engine gets the very rectangle and re-encodes; one on the grid is the same rectangle anyway.
  WithEngine->Crop(TRect{13, 21, 113, 121});
  WithEngine->RotateLeft();
  WithEngine->FlipVertical();
  WithEngine->Crop(TRect{16, 32, 80, 96});
  WithEngine->Resize(50, 40, true, true);
  const std::vector<std::string> Expected = {"SetRegion(13, 21, 113, 121)", "RotateLeft", "FlipVertical",
                                             "SetRegion(16, 32, 80, 96)", "SetRegion(0, 0, 50, 40)"};
  EXPECT_EQ(Calls, Expected);
  // Without an engine object the same operations just skip it.
  PaintImage(*Doc, 200, 160, TRect{});
  EXPECT_EQ(Doc->Engine(), nullptr);
  EXPECT_TRUE(Doc->Crop(TRect{13, 21, 113, 121}));
}

TEST_F(GraphicsDocumentTest, ResizeScalesAreaAndOriginal) {
  const struct {
    const char* Name;
    int32_t W, H, OW, OH;  // image and original before
    TRect Area;
    int32_t NewW, NewH;
    TRect NewArea;
    int32_t NewOW, NewOH;
  } Cases[] = {
      {"area at origin shrinks inward", 300, 200, 300, 200, {0, 0, 101, 51}, 150, 100, {0, 0, 50, 25}, 150, 100},
      {"offset area is cropped first", 300, 200, 300, 200, {30, 20, 130, 120}, 50, 50, {}, 50, 50},
      {"larger original keeps its ratio", 300, 200, 600, 400, {}, 150, 100, {}, 300, 200},
      {"original size ties round to even", 2, 2, 5, 3, {}, 1, 1, {}, 2, 2},
      {"original never below one pixel", 100, 100, 3, 3, {}, 10, 10, {}, 1, 1},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Name);
    TQvLTBitmap Image, Original;
    ASSERT_TRUE(Image.Allocate(C.W, C.H));
    ASSERT_TRUE(Original.Allocate(C.OW, C.OH));
    ASSERT_TRUE(Doc->SetImages(*Image.Pixels(), Original.Pixels()));
    Doc->SetArea(C.Area);
    ASSERT_TRUE(Doc->Resize(C.NewW, C.NewH, true, true));
    EXPECT_EQ(Doc->Width(), C.NewW);
    EXPECT_EQ(Doc->Height(), C.NewH);
    EXPECT_EQ(RectText(Doc->Area()), RectText(C.NewArea));
    EXPECT_EQ(Doc->Original().Width(), C.NewOW);
    EXPECT_EQ(Doc->Original().Height(), C.NewOH);
    EXPECT_EQ(RectText(Doc->Backup().BoundsRect()), RectText(TRect{0, 0, C.NewW, C.NewH}));
  }
  EXPECT_FALSE(Doc->Resize(0, 10, true, true));
  EXPECT_FALSE(Doc->Resize(10, -1, true, true));
  EXPECT_EQ(Doc->Width(), 10);
}

TEST_F(GraphicsDocumentTest, TwoStrokesMakeOneUndoStepThatUndoesAndRedoesExactly) {
  PaintImage(*Doc, 40, 40, TRect{});
  TFakeTool Tool;
  Tool.BeginChange(Doc.get());
  EXPECT_TRUE(Doc->Modifying());
  Tool.Fill(TRect{10, 10, 20, 20}, 100);
  Tool.Fill(TRect{15, 15, 30, 30}, 200);
  EXPECT_EQ(RectText(Doc->ChangedRect()), RectText(TRect{10, 10, 30, 30}));
  // The backup still holds the committed image while the change is under way.
  EXPECT_EQ(Doc->Backup().PixelAt(15, 15)[0], 0);
  TQvPixelBuffer After;
  Doc->GetImages(After, nullptr);
  Tool.EndChange();
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_TRUE(Doc->ChangedRect().IsEmpty());
  ASSERT_EQ(Doc->History.Count(), 1);
  EXPECT_TRUE(SamePixels(Doc->Backup(), *Doc->Pixels()));

  Doc->History.Undo();
  EXPECT_EQ(RectText(WhiteBounds(*Doc->Pixels())), RectText(TRect{}));
  Doc->History.Redo();
  EXPECT_TRUE(SamePixels(*Doc->Pixels(), After));
}

TEST_F(GraphicsDocumentTest, ChangedRectUnitesOrReplaces) {
  PaintImage(*Doc, 40, 40, TRect{});
  Doc->BeginModification(nullptr);
  Doc->AddChangedRect(TRect{10, 10, 20, 20}, false);
  Doc->AddChangedRect(TRect{15, 15, 30, 30}, false);
  EXPECT_EQ(RectText(Doc->ChangedRect()), RectText(TRect{10, 10, 30, 30}));
  Doc->AddChangedRect(TRect{1, 2, 3, 4}, true);
  EXPECT_EQ(RectText(Doc->ChangedRect()), RectText(TRect{1, 2, 3, 4}));
  Doc->ClearModification();
  EXPECT_FALSE(Doc->Modifying());
  EXPECT_EQ(Doc->ModifyingTool(), nullptr);
  EXPECT_TRUE(Doc->ChangedRect().IsEmpty());
}

TEST_F(GraphicsDocumentTest, SecondBeginModificationCommitsTheFirstToolsChange) {
  PaintImage(*Doc, 40, 40, TRect{});
  std::vector<std::string> Log;
  TFakeTool First(&Log, "first"), Second(&Log, "second");
  First.BeginChange(Doc.get());
  First.Fill(TRect{0, 0, 5, 5}, 50);
  Second.BeginChange(Doc.get());
  EXPECT_EQ(Log, std::vector<std::string>{"first:EndChange"});
  EXPECT_EQ(Doc->History.Count(), 1);
  EXPECT_EQ(Doc->ModifyingTool(), &Second);
  EXPECT_TRUE(Doc->Modifying());
  EXPECT_TRUE(Doc->ChangedRect().IsEmpty());
  // A tool ending its own change is not asked to commit again; it stays the modifying tool.
  Second.Fill(TRect{6, 6, 8, 8}, 9);
  Doc->EndModification(&Second);
  EXPECT_EQ(Log.size(), 1u);
  EXPECT_EQ(Doc->ModifyingTool(), &Second);
  // A change with nothing changed leaves no undo step.
  TFakeTool Idle;
  Idle.BeginChange(Doc.get());
  Idle.EndChange();
  EXPECT_EQ(Doc->History.Count(), 1);
}

TEST_F(GraphicsDocumentTest, RelaysReachEveryToolInRegistryOrder) {
  std::vector<std::string> Log;
  TFakeTool* A = nullptr;
  TFakeTool* B = nullptr;
  Application->CreateModule(A, &Log, "A");
  Application->CreateModule(B, &Log, "B");
  PaintImage(*Doc, 10, 10, TRect{});
  A->BeginChange(Doc.get());
  A->Fill(TRect{0, 0, 2, 2}, 1);
  A->EndChange();
  Log.clear();
  Doc->AfterOpen();
  Doc->BeforeSave();
  Doc->BeforeClose();
  Doc->NotifyBeforeUndo();
  Doc->History.Undo();
  Doc->NotifyAfterUndo();
  Doc->NotifyBeforeRedo();
  Doc->History.Redo();
  Doc->NotifyAfterRedo();
  Doc->NotifyImageChanged(A, TRect{0, 0, 2, 2});
  const std::vector<std::string> Expected = {
      "A:DocumentOpened", "B:DocumentOpened", "A:DocumentSaving", "B:DocumentSaving",
      "A:DocumentClosing", "B:DocumentClosing", "A:BeforeUndo(state)", "B:BeforeUndo(state)",
      "A:AfterUndo(nil)", "B:AfterUndo(nil)", "A:BeforeRedo(state)", "B:BeforeRedo(state)",
      "A:AfterRedo(nil)", "B:AfterRedo(nil)", "A:ImageChanged(0, 0, 2, 2) self",
      "B:ImageChanged(0, 0, 2, 2) other"};
  EXPECT_EQ(Log, Expected);
  Application->RemoveComponent(A);
  Application->RemoveComponent(B);
  delete A;
  delete B;
}

TEST_F(GraphicsDocumentTest, ViewHearsNewBoundsAndGeometryLeavesModifiedAlone) {
  TQvGraphicsDocument::ViewFactory = [](TQvGraphicsDocument*) { return new TFakeView; };
  auto* View = dynamic_cast<TFakeView*>(Doc->GetView());
  ASSERT_NE(View, nullptr);
  PaintImage(*Doc, 40, 30, TRect{});
  Doc->MarkSaved();
  Doc->RotateRight();
  EXPECT_EQ(RectText(View->Bounds), RectText(TRect{0, 0, 30, 40}));
  Doc->Crop(TRect{0, 0, 10, 10});
  Doc->Resize(5, 5, true, true);
  EXPECT_EQ(RectText(View->Bounds), RectText(TRect{0, 0, 5, 5}));
  EXPECT_FALSE(Doc->Modified());
}

TEST_F(GraphicsDocumentTest, ThumbnailFitsTheBoxAndKeepsTheColour) {
  PaintImage(*Doc, 400, 100, TRect{0, 0, 400, 100});
  std::unique_ptr<TQvLTBitmap> Thumb = Doc->CreateThumbnail(64);
  ASSERT_NE(Thumb, nullptr);
  EXPECT_EQ(Thumb->Width(), 64);
  EXPECT_EQ(Thumb->Height(), 16);
  EXPECT_EQ(Thumb->Pixels()->PixelAt(32, 8)[1], 255);  // white in, white out
  TQvGraphicsDocument Empty;
  EXPECT_EQ(Empty.CreateThumbnail(64), nullptr);
}

}  // namespace
