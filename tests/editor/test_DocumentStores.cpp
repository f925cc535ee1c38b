// The document's three images when the original and the backup share the current image's memory:
// writing into the current image never shows in the other two, the original and the backup stay
// exactly what they must be across changes, undo, redo, turns, crops and resizes, and an
// allocation that fails at any point of an operation leaves all three as they were.

#include "QvGraphicsDocument.h"
#include "QvPixelSnapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A plain copy of an image, for comparing.
struct TPicture {
  int32_t W = 0, H = 0;
  std::vector<uint8_t> Bytes;  // rows of W × 3 bytes
  bool operator==(const TPicture&) const = default;
};

TPicture Take(const TQvPixels* P) {
  TPicture R;
  if (!P || P->IsEmpty()) return R;
  R.W = P->Width;
  R.H = P->Height;
  for (int32_t Y = 0; Y < P->Height; ++Y) {
    const uint8_t* Row = P->Bits + ptrdiff_t(Y) * P->Stride;
    R.Bytes.insert(R.Bytes.end(), Row, Row + ptrdiff_t(P->Width) * 3);
  }
  return R;
}

const uint8_t* At(const TPicture& P, int32_t X, int32_t Y) { return &P.Bytes[(size_t(Y) * P.W + X) * 3]; }

// The reference turns, written pixel by pixel from the mappings the bitmap promises.
TPicture Turned(const TPicture& P, TQvImageOperation Op) {
  const bool Across = Op == TQvImageOperation::RotateLeft || Op == TQvImageOperation::RotateRight;
  TPicture R{Across ? P.H : P.W, Across ? P.W : P.H, std::vector<uint8_t>(P.Bytes.size())};
  for (int32_t Y = 0; Y < P.H; ++Y)
    for (int32_t X = 0; X < P.W; ++X) {
      int32_t NX = X, NY = Y;
      switch (Op) {
        case TQvImageOperation::RotateLeft: NX = Y, NY = P.W - 1 - X; break;
        case TQvImageOperation::RotateRight: NX = P.H - 1 - Y, NY = X; break;
        case TQvImageOperation::FlipHorizontal: NX = P.W - 1 - X; break;
        case TQvImageOperation::FlipVertical: NY = P.H - 1 - Y; break;
        default: break;
      }
      std::memcpy(&R.Bytes[(size_t(NY) * R.W + NX) * 3], At(P, X, Y), 3);
    }
  return R;
}

TPicture Cropped(const TPicture& P, const TRect& C) {
  TPicture R{C.Width(), C.Height(), {}};
  for (int32_t Y = C.Top; Y < C.Bottom; ++Y) R.Bytes.insert(R.Bytes.end(), At(P, C.Left, Y), At(P, C.Left, Y) + C.Width() * 3);
  return R;
}

std::unique_ptr<TQvLTBitmap> Bitmap(const TPicture& P) {
  auto B = std::make_unique<TQvLTBitmap>();
  if (!B->Allocate(P.W, P.H)) return nullptr;
  for (int32_t Y = 0; Y < P.H; ++Y) std::memcpy(B->Pixels()->PixelAt(0, Y), At(P, 0, Y), size_t(P.W) * 3);
  return B;
}

TPicture Resized(const TPicture& P, int32_t W, int32_t H) {
  return Take(Bitmap(P)->ResizedCopy(W, H, TRect{0, 0, P.W, P.H})->Pixels());
}

TPicture Photo(int32_t W, int32_t H) {
  TPicture P{W, H, std::vector<uint8_t>(size_t(W) * H * 3)};
  for (size_t I = 0; I < P.Bytes.size(); ++I) P.Bytes[I] = uint8_t(I * 31 + I / 997);
  return P;
}

// The pixels of one rectangle before and after, restored through the backup as the tools do.
class TRectState : public TQvCommandState {
 public:
  TRectState(TQvGraphicsDocument* Doc, const TRect& R) : FDoc(Doc), FRect(R) {
    FBefore.Allocate(PixelFormat24, R);
    FBefore.CopyFrom(Doc->Backup());
    FAfter.Allocate(PixelFormat24, R);
    FAfter.CopyFrom(*Doc->Pixels());
  }
  void Undo() override { Put(FBefore); }
  void Redo() override { Put(FAfter); }

 private:
  void Put(const TQvPixelBuffer& B) {
    FDoc->Pixels()->CopyFrom(B);
    FDoc->CommitBackup(FRect);
    FDoc->NotifyImageChanged(nullptr, FRect);
  }
  TQvGraphicsDocument* FDoc;
  TRect FRect;
  TQvPixelBuffer FBefore, FAfter;
};

class DocumentStores : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Application) FOwnApplication = std::make_unique<TQvApplication>();
    Doc = std::make_unique<TQvGraphicsDocument>();
    Open(Photo(97, 61));
  }
  void TearDown() override {
    QvSetAllocationFailure({});
    Doc.reset();
    FOwnApplication.reset();
  }

  void Open(const TPicture& P) {
    auto Image = Bitmap(P);
    ASSERT_TRUE(Image);
    auto Properties = std::make_unique<TQvGraphicsDocumentProperties>();
    ASSERT_TRUE(Doc->AdoptLoadedImage(Image, Properties));
    Current = Original = P;
  }

  // A tool's change: writes Value into R of the current image, then commits it as one state.
  void Paint(const TRect& R, uint8_t Value) {
    Doc->BeginModification(nullptr);
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y) std::memset(Doc->Pixels()->PixelAt(R.Left, Y), Value, size_t(R.Width()) * 3);
    Doc->AddChangedRect(R, false);
    // Written, not yet committed: the backup and the original still hold what was there.
    EXPECT_EQ(Take(&Doc->Backup()), Current) << "writing into the image changed the backup";
    EXPECT_EQ(Take(Doc->OriginalPixels()), Original) << "writing into the image changed the original";
    Doc->AddCommandState(std::make_unique<TRectState>(Doc.get(), R));
    Doc->CommitBackup(R);
    Doc->EndModification(nullptr);
    Current = Take(Doc->Pixels());
  }

  void ExpectStores(const std::string& Step) {
    EXPECT_EQ(Take(Doc->Pixels()), Current) << Step << ": current image";
    EXPECT_EQ(Take(&Doc->Backup()), Current) << Step << ": the backup is not the current image";
    EXPECT_EQ(Take(Doc->OriginalPixels()), Original) << Step << ": original";
  }

  std::unique_ptr<TQvApplication> FOwnApplication;
  std::unique_ptr<TQvGraphicsDocument> Doc;
  TPicture Current, Original;
};

TEST_F(DocumentStores, OriginalAndBackupStayWhatTheyMustBeThroughEveryKindOfChange) {
  ExpectStores("open");
  // Turns and a crop while nothing was changed: the original follows the image.
  for (TQvImageOperation Op : {TQvImageOperation::RotateLeft, TQvImageOperation::FlipVertical}) {
    ASSERT_TRUE(Doc->Transform(Op));
    Current = Original = Turned(Current, Op);
    ExpectStores("pristine turn");
  }
  ASSERT_TRUE(Doc->Crop(TRect{3, 5, 50, 90}));
  Current = Original = Cropped(Current, TRect{3, 5, 50, 90});
  ExpectStores("pristine crop");

  Paint(TRect{10, 10, 30, 20}, 0xA0);
  ExpectStores("change");
  const TPicture Changed = Current;
  Doc->History.Undo();
  Current = Cropped(Turned(Turned(Photo(97, 61), TQvImageOperation::RotateLeft), TQvImageOperation::FlipVertical),
                    TRect{3, 5, 50, 90});
  ExpectStores("undo");
  Doc->History.Redo();
  Current = Changed;
  ExpectStores("redo");

  // Once changed, the original turns on its own and keeps its own pixels.
  for (TQvImageOperation Op : {TQvImageOperation::RotateRight, TQvImageOperation::FlipHorizontal}) {
    ASSERT_TRUE(Doc->Transform(Op));
    Current = Turned(Current, Op);
    Original = Turned(Original, Op);
    ExpectStores("turn after a change");
  }
  Paint(TRect{0, 0, 5, 5}, 0x11);
  ASSERT_TRUE(Doc->Crop(TRect{2, 1, 80, 40}));
  Current = Cropped(Current, TRect{2, 1, 80, 40});
  Original = Cropped(Original, TRect{2, 1, 80, 40});
  ExpectStores("crop after a change");
  ASSERT_TRUE(Doc->Resize(40, 20, false, true));
  Current = Resized(Current, 40, 20);
  Original = Resized(Original, 40, 20);
  ExpectStores("resize of both");
}

// An original kept apart is turned only when it is looked at: whatever turns and mirrors came
// before, one at a time or several between looks, it is then what turning it each time gives.
TEST_F(DocumentStores, TheOriginalsWaitingTurnsAddUpToEveryTurnDoneToIt) {
  const TQvImageOperation Ops[] = {TQvImageOperation::RotateLeft, TQvImageOperation::RotateRight,
                                   TQvImageOperation::FlipHorizontal, TQvImageOperation::FlipVertical};
  for (const TQvImageOperation A : Ops)
    for (const TQvImageOperation B : Ops)
      for (const TQvImageOperation C : Ops) {
        Open(Photo(9, 5));
        Paint(TRect{1, 1, 3, 2}, 0x42);
        for (const TQvImageOperation Op : {A, B, C}) {
          ASSERT_TRUE(Doc->Transform(Op));
          Current = Turned(Current, Op);
          Original = Turned(Original, Op);
        }
        ExpectStores("turns " + std::to_string(int(A)) + " " + std::to_string(int(B)) + " " + std::to_string(int(C)));
      }
  // A turn and its undo leave nothing to do; a look in between settles them.
  Open(Photo(9, 5));
  Paint(TRect{1, 1, 3, 2}, 0x42);
  ASSERT_TRUE(Doc->RotateRight());
  ASSERT_TRUE(Doc->RotateLeft());
  ExpectStores("turned and back");
}

// The turns the original waits for need memory when it is looked at: without, there is no
// original for now (nothing the wrong way up), and the next look, with memory, has it right. A
// crop or resize that cannot have it turned first changes nothing.
TEST_F(DocumentStores, AnOriginalThatCannotBeTurnedYetIsNotShownTheWrongWayUp) {
  Paint(TRect{20, 20, 40, 30}, 0x55);
  ASSERT_TRUE(Doc->RotateRight());
  Current = Turned(Current, TQvImageOperation::RotateRight);
  Original = Turned(Original, TQvImageOperation::RotateRight);
  QvSetAllocationFailure([](size_t) { return true; });
  EXPECT_EQ(Doc->OriginalPixels(), nullptr);
  EXPECT_FALSE(Doc->Crop(TRect{4, 4, 30, 40}));
  EXPECT_FALSE(Doc->Resize(20, 30, false, true));
  QvSetAllocationFailure({});
  ExpectStores("after the memory came back");
}

TEST_F(DocumentStores, AResizeOfAnUnchangedImageGivesTheOriginalTheSamePixels) {
  for (const bool ResizeOriginal : {true, false}) {
    Open(Photo(97, 61));
    ASSERT_TRUE(Doc->Resize(50, 31, false, ResizeOriginal));
    Current = Resized(Photo(97, 61), 50, 31);
    if (ResizeOriginal) Original = Current;
    ExpectStores(ResizeOriginal ? "with the original" : "without the original");
    // A change after the resize stays out of the original shared with it.
    Paint(TRect{1, 1, 9, 9}, 0x33);
    ExpectStores("change after the resize");
  }
}

TEST_F(DocumentStores, AFailedAllocationAtAnyPointLeavesAllThreeImagesAsTheyWere) {
  struct TCase {
    const char* Name;
    bool Changed;  // a change first, so that the original no longer follows the image
    std::function<bool(TQvGraphicsDocument&)> Run;
  };
  const TCase Cases[] = {
      {"turn", false, [](TQvGraphicsDocument& D) { return D.RotateLeft(); }},
      {"turn after a change", true, [](TQvGraphicsDocument& D) { return D.RotateRight(); }},
      {"flip after a change", true, [](TQvGraphicsDocument& D) { return D.FlipHorizontal(); }},
      {"crop", false, [](TQvGraphicsDocument& D) { return D.Crop(TRect{4, 4, 60, 50}); }},
      {"crop after a change", true, [](TQvGraphicsDocument& D) { return D.Crop(TRect{4, 4, 60, 50}); }},
      {"resize", false, [](TQvGraphicsDocument& D) { return D.Resize(30, 20, false, true); }},
      {"resize after a change", true, [](TQvGraphicsDocument& D) { return D.Resize(30, 20, false, true); }},
      {"replace", true,
       [](TQvGraphicsDocument& D) {
         auto B = Bitmap(Photo(20, 10));
         return D.SetImages(*B->Pixels(), B->Pixels());
       }},
      {"open", true,
       [](TQvGraphicsDocument& D) {
         auto B = Bitmap(Photo(33, 44));
         auto Properties = std::make_unique<TQvGraphicsDocumentProperties>();
         return D.AdoptLoadedImage(B, Properties);
       }},
  };
  for (const TCase& C : Cases) {
    bool Succeeded = false;
    for (int FailAt = 1; FailAt < 20 && !Succeeded; ++FailAt) {
      Open(Photo(97, 61));
      if (C.Changed) Paint(TRect{20, 20, 40, 30}, 0x55);
      int Count = 0;
      QvSetAllocationFailure([&Count, FailAt](size_t) { return ++Count == FailAt; });
      Succeeded = C.Run(*Doc);
      QvSetAllocationFailure({});
      if (!Succeeded) ExpectStores(std::string(C.Name) + ", allocation " + std::to_string(FailAt) + " failed");
      // Success while an allocation failed: what the operation made instead must still be right.
      if (Succeeded && Count >= FailAt) {
        EXPECT_EQ(Take(&Doc->Backup()), Take(Doc->Pixels())) << C.Name << ": backup after a fallback";
        Succeeded = false;
      }
      if (Count < FailAt) Succeeded = true;
    }
    EXPECT_TRUE(Succeeded) << C.Name << " never succeeded";
  }
}

}  // namespace
