#include "QvGraphicsDocument.h"

#include "QvApplication.h"
#include "QvBusyProgress.h"
#include "QvPixelSnapshot.h"
#include "QvVJPEG.h"
#include "prResample.h"

#include <QApplication>

#include <cmath>
#include <iterator>

std::function<QWidget*(TQvGraphicsDocument*)> TQvGraphicsDocument::ViewFactory;
std::function<std::unique_ptr<IVJPEG>()> TQvGraphicsDocument::EngineFactory;
bool TQvGraphicsDocument::KeepsOriginal = true;
bool TQvGraphicsDocument::KeepsHistory = true;

namespace {

// ⌈a × b / c⌉ and ⌊a × b / c⌋ for a, b ≥ 0 and c > 0, exact in 64 bits.
int32_t MulDivCeil(int32_t A, int32_t B, int32_t C) {
  const int64_t P = int64_t(A) * B;
  return static_cast<int32_t>((P + C - 1) / C);
}
int32_t MulDivFloor(int32_t A, int32_t B, int32_t C) {
  return static_cast<int32_t>(int64_t(A) * B / C);
}

int64_t PixelCount(const TRect& R) { return R.IsEmpty() ? 0 : int64_t(R.Width()) * R.Height(); }

// What the union of A and B holds beyond A and B (which do not overlap).
int64_t MergeWaste(const TRect& A, const TRect& B) {
  return PixelCount(UnionRect(A, B)) - PixelCount(A) - PixelCount(B);
}

// Whether A and B are better kept as one rectangle: they share a pixel, or they lie side by side
// so that their union holds nothing else.
bool BelongTogether(const TRect& A, const TRect& B) {
  return !IntersectRect(A, B).IsEmpty() || PixelCount(UnionRect(A, B)) <= PixelCount(A) + PixelCount(B);
}

// Adds R to a list of rectangles that do not overlap, keeping it so: every rectangle R shares
// pixels with (or sits flush against) is merged into it, again and again as it grows.
void InsertMerged(std::vector<TRect>& Rects, TRect R) {
  for (bool Merged = true; Merged;) {
    Merged = false;
    for (size_t I = 0; I < Rects.size(); ++I)
      if (BelongTogether(Rects[I], R)) {
        R = UnionRect(Rects[I], R);
        Rects.erase(Rects.begin() + std::ptrdiff_t(I));
        Merged = true;
        break;
      }
  }
  Rects.push_back(R);
}

// A backup and, when Original is given, an original for Image: views of its frozen pixels, which
// cost no memory until someone writes to them, or copies where its block cannot be shared.
// False when not even the copies can be had; Backup and Original are then as they were.
bool ShareImage(TQvLTBitmap& Image, TQvPixelBuffer& Backup, std::unique_ptr<TQvLTBitmap>* Original) {
  const TQvPixels* Pixels = Image.Pixels();
  if (!Pixels) return false;
  const TRect Bounds{0, 0, Image.Width(), Image.Height()};
  const std::shared_ptr<const TQvPixelSnapshot> Snapshot = Image.Freeze();
  TQvPixelBuffer NewBackup;
  if (!(Snapshot && NewBackup.AdoptView(*Snapshot, Pixels->Format, Bounds))) {
    if (!NewBackup.Allocate(Pixels->Format, Bounds)) return false;
    NewBackup.CopyFrom(*Pixels);
  }
  std::unique_ptr<TQvLTBitmap> NewOriginal;
  if (Original) {
    NewOriginal = std::make_unique<TQvLTBitmap>();
    if (!(Snapshot && NewOriginal->AdoptView(*Snapshot, Image.Width(), Image.Height(), Pixels->Format))) {
      NewOriginal = Image.Clone(TQvBlockUse::Own);
      if (!NewOriginal) return false;
    }
    *Original = std::move(NewOriginal);
  }
  Backup.Swap(NewBackup);
  return true;
}

}  // namespace

TQvGraphicsDocument::TQvGraphicsDocument(TQvEditor* AEditor)
    : TQvDocument(AEditor),
      FImage(std::make_unique<TQvLTBitmap>()),
      FOriginal(std::make_unique<TQvLTBitmap>()),
      FProperties(std::make_unique<TQvGraphicsDocumentProperties>()) {
  if (EngineFactory) FEngine = EngineFactory();
}

TQvGraphicsDocument::~TQvGraphicsDocument() = default;

void TQvGraphicsDocument::CreateView(QWidget*& View) {
  View = ViewFactory ? ViewFactory(this) : nullptr;
  // Without an image view factory the editor still gets a widget to place; a run without widgets
  // (the command-line tool) gets none.
  if (!View && qobject_cast<QApplication*>(QCoreApplication::instance())) View = new QWidget;
}

template <class F>
void TQvGraphicsDocument::ForEachTool(F&& Call) {
  if (!Application) return;
  for (int I = 0; I < Application->ComponentCount(); ++I)
    if (auto* Tool = dynamic_cast<IQvGraphicsToolEvents*>(Application->Components(I))) Call(Tool);
}

void TQvGraphicsDocument::BeforeClose() {
  ForEachTool([this](IQvGraphicsToolEvents* Tool) { Tool->DocumentClosing(this); });
}

void TQvGraphicsDocument::BeforeSave() {
  ForEachTool([this](IQvGraphicsToolEvents* Tool) { Tool->DocumentSaving(this); });
}

void TQvGraphicsDocument::AfterOpen() {
  ForEachTool([this](IQvGraphicsToolEvents* Tool) { Tool->DocumentOpened(this); });
}

// ---- change protocol ----

void TQvGraphicsDocument::BeginModification(IQvGraphicsToolEvents* Tool) {
  if (FModifying) EndModification(this);
  FOriginalIsImage = false;
  FChangedRect = TRect{};
  FModifyingTool = Tool;
  FModifying = true;
}

void TQvGraphicsDocument::EndModification(const QObject* Sender) {
  FModifying = false;
  // The tool commits from FChangedRect, so it is emptied only afterwards.
  if (Sender == this && FModifyingTool) FModifyingTool->EndChange();
  FChangedRect = TRect{};
}

void TQvGraphicsDocument::ClearModification() {
  FModifying = false;
  FModifyingTool = nullptr;
  FChangedRect = TRect{};
}

void TQvGraphicsDocument::AddChangedRect(const TRect& Rect, bool Replace) {
  if (Replace || FChangedRect.IsEmpty())
    FChangedRect = Rect;
  else
    FChangedRect = UnionRect(FChangedRect, Rect);
  // A replaced rectangle forgets earlier ones for the tool's undo step, but their pixels may
  // still differ from the file's.
  AddToChangedRects(Rect);
  InvalidateImageRect(Rect);
}

void TQvGraphicsDocument::InvalidateImageRect(const TRect& Rect) {
  if (auto* Mapper = dynamic_cast<IQvGraphicsDocumentView*>(View())) Mapper->InvalidateImage(Rect);
}

// ---- changed rectangles ----

void TQvGraphicsDocument::AddToChangedRects(const TRect& Rect) {
  FOriginalIsImage = false;
  const TRect R = IntersectRect(Rect, TRect{0, 0, Width(), Height()});
  if (R.IsEmpty()) return;
  InsertMerged(FChangedRects, R);
  // Over the cap: merge the pair whose union adds the fewest unchanged pixels, so two eyes far
  // apart stay two rectangles as long as anything closer can be joined instead.
  while (FChangedRects.size() > MaxChangedRects) {
    size_t BestI = 0, BestJ = 1;
    int64_t BestWaste = -1;
    for (size_t I = 0; I < FChangedRects.size(); ++I)
      for (size_t J = I + 1; J < FChangedRects.size(); ++J) {
        const int64_t Waste = MergeWaste(FChangedRects[I], FChangedRects[J]);
        if (BestWaste < 0 || Waste < BestWaste) {
          BestWaste = Waste;
          BestI = I;
          BestJ = J;
        }
      }
    const TRect Joined = UnionRect(FChangedRects[BestI], FChangedRects[BestJ]);
    FChangedRects.erase(FChangedRects.begin() + std::ptrdiff_t(BestJ));
    FChangedRects.erase(FChangedRects.begin() + std::ptrdiff_t(BestI));
    InsertMerged(FChangedRects, Joined);
  }
}

template <class F>
void TQvGraphicsDocument::MapChangedRects(F&& Map) {
  std::vector<TRect> Mapped;
  Mapped.reserve(FChangedRects.size());
  for (const TRect& R : FChangedRects) {
    const TRect M = Map(R);
    if (!M.IsEmpty()) Mapped.push_back(M);
  }
  FChangedRects = std::move(Mapped);
}

void TQvGraphicsDocument::MarkWholeImageChanged() {
  FChangedRects.clear();
  if (Width() > 0 && Height() > 0) FChangedRects.push_back(TRect{0, 0, Width(), Height()});
}

// ---- pixels ----

bool TQvGraphicsDocument::BackupFitsImage() const {
  const TQvPixels* Current = FImage->Pixels();
  return Current && FBackup.BoundsRect() == Current->BoundsRect() && FBackup.Format == Current->Format;
}

const TQvPixelBuffer& TQvGraphicsDocument::Backup() const {
  if (!FStaleBackup.IsEmpty()) {
    // Only ever put off at a commit, and read again at the next change's start or later: the
    // current image then still holds exactly what was committed there.
    const TRect Stale = FStaleBackup;
    FStaleBackup = TRect{};
    if (BackupFitsImage()) {
      const TQvPixels* Current = FImage->Pixels();
      const TRect R = IntersectRect(Stale, Current->BoundsRect());
      if (!R.IsEmpty()) FBackup.CopyRect(R.Left, R.Top, *Current, R);
    }
  }
  return FBackup;
}

void TQvGraphicsDocument::DeferBackupCommit(const TRect& Rect) {
  if (!BackupFitsImage()) {
    CommitBackup(Rect);
    return;
  }
  const TRect R = IntersectRect(Rect, FImage->Pixels()->BoundsRect());
  if (R.IsEmpty()) return;
  FStaleBackup = FStaleBackup.IsEmpty() ? R : UnionRect(FStaleBackup, R);
}

void TQvGraphicsDocument::CommitBackup(const TRect& Rect) {
  const TQvPixels* Current = FImage->Pixels();
  if (!Current) return;
  Backup();
  if (BackupFitsImage()) {
    // A rectangle beyond the image (a state made before a crop, a click beside the picture) has
    // no pixels there to copy.
    const TRect R = IntersectRect(Rect, Current->BoundsRect());
    if (!R.IsEmpty()) FBackup.CopyRect(R.Left, R.Top, *Current, R);
  } else {
    SyncBackup();
  }
}

bool TQvGraphicsDocument::SyncBackup() {
  FStaleBackup = TRect{};
  if (!FImage->Pixels()) {
    FBackup.Release();
    return true;
  }
  return ShareImage(*FImage, FBackup, nullptr);
}

// ---- geometry ----

bool TQvGraphicsDocument::EngineLoaded() const { return FEngine && FEngine->IsLoaded(); }

void TQvGraphicsDocument::EngineSetRegion(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  if (EngineLoaded()) FEngine->SetRegion(Left, Top, Right, Bottom);
}

namespace {

// One turn or flip: what it does to a bitmap, where a rectangle goes, what the engine does and
// which operation undoes it.
struct TOperationInfo {
  TQvTurn Turn;
  TRect (*Map)(const TRect& A, int32_t W, int32_t H);
  void (IVJPEG::*Engine)(int32_t Flags);
  TQvImageOperation Inverse;
};

const TOperationInfo* OperationInfo(TQvImageOperation Operation) {
  static const TOperationInfo Table[] = {
      {TQvTurn::Left, [](const TRect& A, int32_t W, int32_t) { return TRect{A.Top, W - A.Right, A.Bottom, W - A.Left}; },
       &IVJPEG::RotateLeft, TQvImageOperation::RotateRight},
      {TQvTurn::Right, [](const TRect& A, int32_t, int32_t H) { return TRect{H - A.Bottom, A.Left, H - A.Top, A.Right}; },
       &IVJPEG::RotateRight, TQvImageOperation::RotateLeft},
      {TQvTurn::FlipHorizontal, [](const TRect& A, int32_t W, int32_t) { return TRect{W - A.Right, A.Top, W - A.Left, A.Bottom}; },
       &IVJPEG::FlipHorizontal, TQvImageOperation::FlipHorizontal},
      {TQvTurn::FlipVertical, [](const TRect& A, int32_t, int32_t H) { return TRect{A.Left, H - A.Bottom, A.Right, H - A.Top}; },
       &IVJPEG::FlipVertical, TQvImageOperation::FlipVertical},
  };
  const int Index = int(Operation) - 1;
  return Index >= 0 && Index < int(std::size(Table)) ? &Table[Index] : nullptr;
}

}  // namespace

TQvImageOperation InverseOperation(TQvImageOperation Operation) {
  const TOperationInfo* Info = OperationInfo(Operation);
  return Info ? Info->Inverse : TQvImageOperation::None;
}

TRect MapRectThrough(TQvImageOperation Operation, const TRect& Rect, int32_t Width, int32_t Height) {
  const TOperationInfo* Info = OperationInfo(Operation);
  return Info ? Info->Map(Rect, Width, Height) : Rect;
}

void TQvGraphicsDocument::ForgetOriginalTurns() const {
  FOriginalTurns = 0;
  FOriginalMirror = false;
}

bool TQvGraphicsDocument::SettleOriginal() const {
  if (FOriginalTurns == 0 && !FOriginalMirror) return true;
  if (!FOriginal->Pixels()) {
    ForgetOriginalTurns();
    return true;
  }
  // At most two steps; every one builds a new copy, so a failure leaves the original as it was.
  std::vector<TQvTurn> Steps;
  if (FOriginalTurns == 2 && FOriginalMirror) {
    Steps = {TQvTurn::FlipVertical};  // a half turn and a mirror left to right
  } else {
    if (FOriginalTurns == 1) Steps.push_back(TQvTurn::Right);
    if (FOriginalTurns == 2) Steps = {TQvTurn::FlipHorizontal, TQvTurn::FlipVertical};
    if (FOriginalTurns == 3) Steps.push_back(TQvTurn::Left);
    if (FOriginalMirror) Steps.push_back(TQvTurn::FlipHorizontal);
  }
  TQvBusyProgress Busy;
  std::unique_ptr<TQvLTBitmap> Settled;
  for (const TQvTurn Turn : Steps) {
    std::unique_ptr<TQvLTBitmap> Next = (Settled ? *Settled : *FOriginal).TurnedCopy(Turn, TQvBlockUse::Own);
    if (!Next) return false;
    Settled = std::move(Next);
  }
  FOriginal->Swap(*Settled);
  ForgetOriginalTurns();
  return true;
}

TQvLTBitmap& TQvGraphicsDocument::Original() const {
  if (SettleOriginal()) return *FOriginal;
  // For want of memory nothing to compare with for now, rather than the original the wrong way up.
  static TQvLTBitmap None;
  return None;
}

bool TQvGraphicsDocument::Transform(TQvImageOperation Operation) {
  const TOperationInfo* Info = OperationInfo(Operation);
  if (!Info) return false;
  TQvBusyProgress Busy;
  const int32_t W = Width();
  const int32_t H = Height();
  // Every new image is made before any is replaced, so a turn that cannot be had in full leaves
  // the document as it was. An original that is still the current image is not turned a second
  // time but shares the turned pixels; one kept apart is turned only when it is next looked at
  // (its turns add up, and a turn and its undo cancel out); one that was let go (as the
  // command-line program does) has nothing to turn.
  std::unique_ptr<TQvLTBitmap> NewImage = FImage->TurnedCopy(Info->Turn);
  if (!NewImage) return false;
  std::unique_ptr<TQvLTBitmap> NewOriginal;
  TQvPixelBuffer NewBackup;
  if (!ShareImage(*NewImage, NewBackup, FOriginalIsImage ? &NewOriginal : nullptr)) return false;
  if (!FOriginalIsImage && FOriginal->Pixels()) {
    switch (Operation) {
      case TQvImageOperation::RotateRight: FOriginalTurns += FOriginalMirror ? 3 : 1; break;
      case TQvImageOperation::RotateLeft: FOriginalTurns += FOriginalMirror ? 1 : 3; break;
      case TQvImageOperation::FlipHorizontal: FOriginalMirror = !FOriginalMirror; break;
      case TQvImageOperation::FlipVertical:  // a half turn, then a mirror left to right
        FOriginalTurns += 2;
        FOriginalMirror = !FOriginalMirror;
        break;
      case TQvImageOperation::None: break;
    }
    FOriginalTurns %= 4;
  }
  FImage->Swap(*NewImage);
  if (NewOriginal) {
    FOriginal->Swap(*NewOriginal);
    ForgetOriginalTurns();
  }
  FBackup.Swap(NewBackup);
  FStaleBackup = TRect{};
  const auto Map = [Info, W, H](const TRect& A) { return Info->Map(A, W, H); };
  if (!FArea.IsEmpty()) FArea = Map(FArea);
  MapChangedRects(Map);
  if (EngineLoaded()) ((*FEngine).*(Info->Engine))(0);
  UpdateViewAndStatus();
  return true;
}

bool TQvGraphicsDocument::Crop(const TRect& Rect) {
  const TRect R = IntersectRect(Rect, TRect{0, 0, Width(), Height()});
  if (R.IsEmpty() || !SettleOriginal()) return false;
  std::unique_ptr<TQvLTBitmap> NewImage = FImage->CroppedCopy(R);
  if (!NewImage) return false;
  std::unique_ptr<TQvLTBitmap> NewOriginal;
  TQvPixelBuffer NewBackup;
  if (!ShareImage(*NewImage, NewBackup, FOriginalIsImage ? &NewOriginal : nullptr)) return false;
  // An original of another size (resized apart from the image) that the rectangle misses stays.
  if (!FOriginalIsImage && !IntersectRect(R, TRect{0, 0, FOriginal->Width(), FOriginal->Height()}).IsEmpty()) {
    NewOriginal = FOriginal->CroppedCopy(R, TQvBlockUse::Own);
    if (!NewOriginal) return false;
  }
  FImage->Swap(*NewImage);
  if (NewOriginal) FOriginal->Swap(*NewOriginal);
  FBackup.Swap(NewBackup);
  FStaleBackup = TRect{};
  FArea = TRect{};
  MapChangedRects([&R](const TRect& C) { return OffsetRect(IntersectRect(C, R), -R.Left, -R.Top); });
  // The engine is cut to the very rectangle the pixels were. Moving its corner onto the block grid
  // would save a picture shifted against what the user sees; off the grid the engine re-encodes.
  EngineSetRegion(R.Left, R.Top, R.Right, R.Bottom);
  UpdateViewAndStatus();
  return true;
}

bool TQvGraphicsDocument::Resize(int32_t AWidth, int32_t AHeight, bool ScaleArea, bool ResizeOriginal) {
  if (AWidth <= 0 || AHeight <= 0 || FImage->Width() <= 0 || FImage->Height() <= 0 || !SettleOriginal())
    return false;
  TQvBusyProgress Busy;
  // An area away from the top left is cut out first. Both new images are resampled from the old
  // ones before anything is replaced, so a size that cannot be had leaves the document as it was.
  const TRect Bounds{0, 0, Width(), Height()};
  const bool CutFirst = !FArea.IsEmpty() && (FArea.Left > 0 || FArea.Top > 0);
  const TRect Source = CutFirst ? IntersectRect(FArea, Bounds) : Bounds;
  if (Source.IsEmpty()) return false;
  const int32_t W = Source.Width();
  const int32_t H = Source.Height();
  const TRect OriginalBounds{0, 0, FOriginal->Width(), FOriginal->Height()};
  const TRect OriginalSource = CutFirst ? IntersectRect(Source, OriginalBounds) : OriginalBounds;
  const int32_t OW = OriginalSource.Width();
  const int32_t OH = OriginalSource.Height();
  const auto Scaled = [](int32_t Size, int32_t New, int32_t Old) {
    return std::max<int32_t>(1, static_cast<int32_t>(std::nearbyint(double(Size) * double(New) / double(Old))));
  };
  const bool SameSize = OW == W && OH == H;
  const int32_t NewOW = SameSize ? AWidth : Scaled(OW, AWidth, W);
  const int32_t NewOH = SameSize ? AHeight : Scaled(OH, AHeight, H);
  // An original that is still the current image would be resampled to the very same pixels: it
  // shares the new image's instead.
  const bool OriginalFollows = ResizeOriginal && FOriginalIsImage;
  const bool ResampleOriginal = ResizeOriginal && !OriginalFollows && !OriginalSource.IsEmpty();
  // Each image resampled is its share of the one bar, by the pixels it is given.
  const int64_t ImagePixels = int64_t(AWidth) * AHeight;
  const int64_t Total = ImagePixels + (ResampleOriginal ? int64_t(NewOW) * NewOH : 0);
  std::unique_ptr<TQvLTBitmap> NewImage;
  {
    TQvProgressPart Part(0, ImagePixels, Total);
    NewImage = FImage->ResizedCopy(AWidth, AHeight, Source);
  }
  if (!NewImage) return false;
  std::unique_ptr<TQvLTBitmap> NewOriginal;
  TQvPixelBuffer NewBackup;
  if (!ShareImage(*NewImage, NewBackup, OriginalFollows ? &NewOriginal : nullptr)) return false;
  if (ResampleOriginal) {
    TQvProgressPart Part(ImagePixels, Total - ImagePixels, Total);
    NewOriginal = FOriginal->ResizedCopy(NewOW, NewOH, OriginalSource, TQvBlockUse::Own);
    if (!NewOriginal) return false;
  } else if (!OriginalFollows && CutFirst && !OriginalSource.IsEmpty()) {
    NewOriginal = FOriginal->CroppedCopy(OriginalSource, TQvBlockUse::Own);
    if (!NewOriginal) return false;
  }
  if (CutFirst) {
    FArea = TRect{};
    EngineSetRegion(Source.Left, Source.Top, Source.Right, Source.Bottom);
  }
  FImage = std::move(NewImage);
  if (NewOriginal) FOriginal = std::move(NewOriginal);
  if (ScaleArea && !FArea.IsEmpty())
    FArea = TRect{MulDivCeil(FArea.Left, AWidth, W), MulDivCeil(FArea.Top, AHeight, H),
                  MulDivFloor(FArea.Right, AWidth, W), MulDivFloor(FArea.Bottom, AHeight, H)};
  FBackup.Swap(NewBackup);
  FStaleBackup = TRect{};
  // Every pixel was resampled.
  MarkWholeImageChanged();
  FOriginalIsImage = OriginalFollows;
  EngineSetRegion(0, 0, AWidth, AHeight);
  UpdateViewAndStatus();
  return true;
}

TQvGraphicsDocument::TLosslessState TQvGraphicsDocument::GetLosslessState() const {
  TLosslessState State;
  if (EngineLoaded()) State.Engine = FEngine->GetPendingState();
  State.ChangedRects = FChangedRects;
  State.Width = Width();
  State.Height = Height();
  return State;
}

bool TQvGraphicsDocument::SetLosslessState(const TLosslessState& State) {
  if (State.Width != Width() || State.Height != Height()) return false;
  if (EngineLoaded() && !FEngine->SetPendingState(State.Engine)) return false;
  FChangedRects = State.ChangedRects;
  return true;
}

void TQvGraphicsDocument::GetImages(TQvPixelBuffer& Current, TQvPixelBuffer* Original) const {
  TQvLTBitmap::CopyToBuffer(*FImage, Current);
  if (Original) {
    if (SettleOriginal()) TQvLTBitmap::CopyToBuffer(*FOriginal, *Original);
    else Original->Release();
  }
}

bool TQvGraphicsDocument::SetImages(const TQvPixels& Current, const TQvPixels* Original) {
  // Build both replacements first so a failure leaves the document as it was.
  auto NewImage = std::make_unique<TQvLTBitmap>();
  if (!NewImage->AssignBuffer(Current)) return false;
  std::unique_ptr<TQvLTBitmap> NewOriginal;
  if (Original) {
    NewOriginal = std::make_unique<TQvLTBitmap>();
    if (!NewOriginal->AssignBuffer(*Original, TQvBlockUse::Own)) return false;
  }
  FImage = std::move(NewImage);
  if (NewOriginal) {
    FOriginal = std::move(NewOriginal);
    ForgetOriginalTurns();
  }
  FOriginalIsImage = false;
  // A whole new picture (the undo or redo of a crop or resize): the engine's blocks no longer
  // stand for it, so all of it is written from the pixels, at its own size.
  MarkWholeImageChanged();
  SyncBackup();
  EngineSetRegion(0, 0, Width(), Height());
  UpdateViewAndStatus();
  return true;
}

// ---- area ----

void TQvGraphicsDocument::GetAreaOrBounds(TRect& Rect) const {
  Rect = FArea.IsEmpty() ? TRect{0, 0, Width(), Height()} : FArea;
}

void TQvGraphicsDocument::SetArea(const TRect& Rect) {
  const TRect Bounds{0, 0, Width(), Height()};
  FArea = IntersectRect(Rect, Bounds);
  if (FArea == Bounds) FArea = TRect{};
  UpdateViewAndStatus();
}

std::unique_ptr<TQvLTBitmap> TQvGraphicsDocument::CreateThumbnail(int32_t MaxSize) const {
  const TQvPixels* Source = FImage->Pixels();
  int32_t TW = 0, TH = 0;
  if (!Source || !FitSize(Width(), Height(), MaxSize, MaxSize, TW, TH)) return nullptr;
  TW = std::max(TW, 1);
  TH = std::max(TH, 1);
  auto Thumbnail = std::make_unique<TQvLTBitmap>();
  if (!Thumbnail->Allocate(TW, TH, PixelFormat24)) return nullptr;
  const TRect Target{0, 0, TW, TH};
  Resample(*Thumbnail->Pixels(), Target, Target, *Source, TRect{0, 0, Width(), Height()},
           TLanczosResampler());
  return Thumbnail;
}

void TQvGraphicsDocument::UpdateViewAndStatus() {
  if (auto* Mapper = dynamic_cast<IQvGraphicsDocumentView*>(View()))
    Mapper->ImageBoundsChanged(TRect{0, 0, Width(), Height()});
}

bool TQvGraphicsDocument::AdoptLoadedImage(std::unique_ptr<TQvLTBitmap>& Image,
                                           std::unique_ptr<TQvGraphicsDocumentProperties>& Properties) {
  if (!Image || !Image->Pixels()) return false;
  std::unique_ptr<TQvLTBitmap> Original;
  TQvPixelBuffer Backup;
  if (!ShareImage(*Image, Backup, KeepsOriginal ? &Original : nullptr)) return false;
  FImage.swap(Image);
  FBackup.Swap(Backup);
  FStaleBackup = TRect{};
  if (Original)
    FOriginal = std::move(Original);
  else
    FOriginal->Release();
  ForgetOriginalTurns();
  FOriginalIsImage = KeepsOriginal;
  Image.reset();
  if (Properties) FProperties.swap(Properties);
  FArea = TRect{};
  FChangedRects.clear();
  ClearModification();
  UpdateViewAndStatus();
  return true;
}

// ---- relays ----

void TQvGraphicsDocument::NotifyBeforeUndo() {
  TQvCommandState* State = History.LastUndoState();
  ForEachTool([State](IQvGraphicsToolEvents* Tool) { Tool->BeforeUndo(State); });
}

void TQvGraphicsDocument::NotifyAfterUndo() {
  TQvCommandState* State = History.LastUndoState();
  ForEachTool([State](IQvGraphicsToolEvents* Tool) { Tool->AfterUndo(State); });
}

void TQvGraphicsDocument::NotifyBeforeRedo() {
  TQvCommandState* State = History.NextRedoState();
  ForEachTool([State](IQvGraphicsToolEvents* Tool) { Tool->BeforeRedo(State); });
}

void TQvGraphicsDocument::NotifyAfterRedo() {
  TQvCommandState* State = History.NextRedoState();
  ForEachTool([State](IQvGraphicsToolEvents* Tool) { Tool->AfterRedo(State); });
}

void TQvGraphicsDocument::NotifyImageChanged(IQvGraphicsToolEvents* Tool, const TRect& Rect, bool PixelsWritten) {
  // Made, undone or redone: either way the state's pixels were written into the image.
  if (PixelsWritten) AddToChangedRects(Rect);
  ForEachTool([this, Tool, &Rect](IQvGraphicsToolEvents* Each) { Each->ImageChanged(this, Tool, Rect); });
}
