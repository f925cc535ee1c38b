#include "QvGraphicsView.h"

#include "MainForm.h"
#include "QvCursors.h"
#include "QvDemoClickMessage.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsTool.h"
#include "QvParallel.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cstring>
#include <new>

const TQvZoomRatio ZoomSteps[ZoomStepCount] = {{1, 16}, {1, 12}, {1, 8}, {1, 7}, {1, 6}, {1, 5}, {1, 4},
                                               {1, 3},  {1, 2},  {3, 4}, {1, 1}, {3, 2}, {2, 1}, {3, 1},
                                               {4, 1},  {5, 1},  {6, 1}, {7, 1}, {8, 1}, {12, 1}, {16, 1}};

// ---- input ----

int QvVirtualKey(int QtKey, bool Keypad) {
  if (QtKey >= Qt::Key_A && QtKey <= Qt::Key_Z) return QtKey;  // the same numbers as the capitals
  if (QtKey >= Qt::Key_0 && QtKey <= Qt::Key_9) return Keypad ? 96 + (QtKey - Qt::Key_0) : QtKey;
  if (QtKey >= Qt::Key_F1 && QtKey <= Qt::Key_F24) return QvKey::F1 + (QtKey - Qt::Key_F1);
  switch (QtKey) {
    case Qt::Key_Cancel: return QvKey::Cancel;
    case Qt::Key_Backspace: return QvKey::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return QvKey::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return QvKey::Return;
    case Qt::Key_Shift: return QvKey::Shift;
    case Qt::Key_Control: return QvKey::Control;
    case Qt::Key_Alt: return QvKey::Menu;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return QvKey::Escape;
    case Qt::Key_Space: return QvKey::Space;
    case Qt::Key_PageUp: return QvKey::Prior;
    case Qt::Key_PageDown: return QvKey::Next;
    case Qt::Key_End: return QvKey::End;
    case Qt::Key_Home: return QvKey::Home;
    case Qt::Key_Left: return QvKey::Left;
    case Qt::Key_Up: return QvKey::Up;
    case Qt::Key_Right: return QvKey::Right;
    case Qt::Key_Down: return QvKey::Down;
    case Qt::Key_Execute: return QvKey::Execute;
    case Qt::Key_Print: return 44;
    case Qt::Key_Insert: return QvKey::Insert;
    case Qt::Key_Delete: return QvKey::Delete;
    case Qt::Key_Plus: return Keypad ? QvKey::Add : QvKey::OemPlus;
    case Qt::Key_Equal: return QvKey::OemPlus;
    case Qt::Key_Minus: return Keypad ? QvKey::Subtract : QvKey::OemMinus;
    case Qt::Key_Underscore: return QvKey::OemMinus;
    case Qt::Key_Asterisk: return Keypad ? 106 : 0;
    case Qt::Key_Slash: return Keypad ? 111 : 191;
    case Qt::Key_Period: return Keypad ? 110 : 190;
    case Qt::Key_Comma: return 188;
    default: return 0;
  }
}

int QvVirtualKey(const QKeyEvent& Event) {
  return QvVirtualKey(Event.key(), (Event.modifiers() & Qt::KeypadModifier) != 0);
}

TQvShiftState QvShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  TQvShiftState S = 0;
  if (Modifiers & Qt::ShiftModifier) S |= ssShift;
  if (Modifiers & Qt::AltModifier) S |= ssAlt;
  if (Modifiers & Qt::ControlModifier) S |= ssCtrl;
  if (Buttons & Qt::LeftButton) S |= ssLeft;
  if (Buttons & Qt::RightButton) S |= ssRight;
  if (Buttons & Qt::MiddleButton) S |= ssMiddle;
  return S;
}

// ---- zoom ----

int ZoomThousandths(int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  // MulDiv: halves away from zero; zoom ratios are positive.
  const int64_t P = int64_t(1000) * Numerator;
  return int((P + Denominator / 2) / Denominator);
}

int ZoomInStep(int Numerator, int Denominator) {
  const int Current = ZoomThousandths(Numerator, Denominator);
  for (int I = 0; I < ZoomStepCount; ++I)
    if (ZoomThousandths(ZoomSteps[I].Numerator, ZoomSteps[I].Denominator) > Current) return I;
  return ZoomStepCount - 1;
}

int ZoomOutStep(int Numerator, int Denominator) {
  const int Current = ZoomThousandths(Numerator, Denominator);
  for (int I = ZoomStepCount - 1; I >= 0; --I)
    if (ZoomThousandths(ZoomSteps[I].Numerator, ZoomSteps[I].Denominator) < Current) return I;
  return 0;
}

TQvZoomRatio BestFitRatio(int ViewWidth, int ViewHeight, int ImageWidth, int ImageHeight) {
  // A view without room (hidden, minimised) or an empty image has nothing to fit; a zero extent
  // would make the mapping divide by zero.
  if (ViewWidth <= 0 || ViewHeight <= 0 || ImageWidth <= 0 || ImageHeight <= 0) return {1, 1};
  if (double(ImageHeight) / ViewHeight >= double(ImageWidth) / ViewWidth) return {ViewHeight, ImageHeight};
  return {ViewWidth, ImageWidth};
}

bool AutoFitIsActualSize(int ViewWidth, int ViewHeight, int ImageWidth, int ImageHeight) {
  return ViewWidth >= ImageWidth && ViewHeight >= ImageHeight;
}

// ---- the picture ----

namespace {

constexpr int MaxCacheLevels = 16;

int LevelSize(int Size, int Level) {
  for (int I = 0; I < Level; ++I) Size = (Size + 1) / 2;
  return Size;
}

TRect LevelRect(const TRect& R, int Level) {
  const int32_t Round = (1 << Level) - 1;
  return TRect{R.Left >> Level, R.Top >> Level, (R.Right + Round) >> Level, (R.Bottom + Round) >> Level};
}

// Each pixel of Dirty in Dst (half of Src) becomes the mean of its 2 × 2 block of Src; blocks on
// an odd edge reuse the last row or column.
void Halve(const TQvPixels& Src, TQvPixels& Dst, const TRect& Dirty) {
  const int32_t SW = Src.Width, SH = Src.Height;
  for (int32_t Y = Dirty.Top; Y < Dirty.Bottom; ++Y) {
    const int32_t Y0 = std::min(2 * Y, SH - 1), Y1 = std::min(2 * Y + 1, SH - 1);
    const uint8_t* R0 = Src.Bits + ptrdiff_t(Y0) * Src.Stride;
    const uint8_t* R1 = Src.Bits + ptrdiff_t(Y1) * Src.Stride;
    uint8_t* Out = Dst.Bits + ptrdiff_t(Y) * Dst.Stride + ptrdiff_t(Dirty.Left) * 3;
    int32_t X = Dirty.Left;
    const int32_t Inner = std::min(Dirty.Right, SW / 2);  // blocks wholly inside Src
    for (; X < Inner; ++X, Out += 3) {
      const uint8_t* A = R0 + ptrdiff_t(X) * 6;
      const uint8_t* B = R1 + ptrdiff_t(X) * 6;
      Out[0] = uint8_t((A[0] + A[3] + B[0] + B[3] + 2) >> 2);
      Out[1] = uint8_t((A[1] + A[4] + B[1] + B[4] + 2) >> 2);
      Out[2] = uint8_t((A[2] + A[5] + B[2] + B[5] + 2) >> 2);
    }
    for (; X < Dirty.Right; ++X, Out += 3) {
      const int32_t X0 = std::min(2 * X, SW - 1), X1 = std::min(2 * X + 1, SW - 1);
      for (int C = 0; C < 3; ++C)
        Out[C] = uint8_t((R0[X0 * 3 + C] + R0[X1 * 3 + C] + R1[X0 * 3 + C] + R1[X1 * 3 + C] + 2) >> 2);
    }
  }
}

}  // namespace

TQvGraphicDocumentView::TQvGraphicDocumentView(TQvGraphicsDocument* ADocument) : FDocument(ADocument) {
  InitFlags();
}

TQvGraphicDocumentView::~TQvGraphicDocumentView() = default;

void TQvGraphicDocumentView::InitFlags() { Flags = ViewObjectVisible | ViewObjectFrame | ViewObjectPaintable; }

void TQvGraphicDocumentView::ResetCache() {
  FLevels.clear();
  FCachedBits = nullptr;
  FCachedBounds = TRect{};
}

void TQvGraphicDocumentView::InvalidateCache(const TRect& Rect) {
  if (Rect.IsEmpty()) return;
  for (size_t I = 0; I < FLevels.size(); ++I) {
    if (!FLevels[I]) continue;
    const TRect R = IntersectRect(LevelRect(Rect, int(I) + 1), FLevels[I]->Pixels.BoundsRect());
    FLevels[I]->Dirty = UnionRect(FLevels[I]->Dirty, R);
  }
}

const TQvPixels* TQvGraphicDocumentView::Level(int Index) {
  const TQvPixels* Image = FDocument ? FDocument->Pixels() : nullptr;
  if (!Image || Image->IsEmpty() || Index <= 0) return Image;
  // A new image (another buffer or another size) makes every level stale.
  if (Image->Bits != FCachedBits || Image->BoundsRect() != FCachedBounds) {
    ResetCache();
    FCachedBits = Image->Bits;
    FCachedBounds = Image->BoundsRect();
  }
  if (FLevels.size() < size_t(Index)) FLevels.resize(size_t(Index));
  RefreshLevel(Index);
  return &FLevels[size_t(Index) - 1]->Pixels;
}

void TQvGraphicDocumentView::RefreshLevel(int Index) {
  auto& Slot = FLevels[size_t(Index) - 1];
  if (!Slot) {
    const TQvPixels* Image = FDocument->Pixels();
    auto L = std::make_unique<TLevel>();
    const TRect Bounds{0, 0, LevelSize(Image->Width, Index), LevelSize(Image->Height, Index)};
    if (!L->Pixels.Allocate(PixelFormat24, Bounds)) throw std::bad_alloc();
    L->Dirty = Bounds;
    Slot = std::move(L);
  }
  if (Slot->Dirty.IsEmpty()) return;
  const TQvPixels* Source = Level(Index - 1);
  // A whole-image change (a tone step) leaves millions of pixels to halve: both cores share them,
  // each its own band of rows.
  const TRect Dirty = Slot->Dirty;
  const bool Large = int64_t(Dirty.Width()) * Dirty.Height() >= 65536;
  QvParallelFor(Dirty.Height(), Large ? 0 : 1, [&](int Begin, int End) {
    Halve(*Source, Slot->Pixels, TRect{Dirty.Left, Dirty.Top + Begin, Dirty.Right, Dirty.Top + End});
  });
  Slot->Dirty = TRect{};
}

void TQvGraphicDocumentView::PrepareCache(int Numerator, int Denominator) {
  int L = 0;
  while (L < MaxCacheLevels && (int64_t(Numerator) << (L + 1)) <= Denominator) ++L;
  if (L > 0) Level(L);
}

void TQvGraphicDocumentView::PaintFrame(TQvViewCanvas& Canvas) {
  const TQvPixels* Image = FDocument ? FDocument->Pixels() : nullptr;
  if (!Image || Image->IsEmpty()) return;
  TRect Area;
  FDocument->GetAreaOrBounds(Area);
  Area = IntersectRect(Area, Image->BoundsRect());
  if (Area.IsEmpty()) return;
  const TQvMapMode& M = Canvas.MapMode();
  const TRect Dest = FromQRect(M.LogicalToDevice(ToQRect(Area)));
  if (Dest.IsEmpty()) return;

  if (Image->BytesPerPixel != 3) {
    // Not the program's own format: let the bitmap paint itself.
    if (QPainter* P = Canvas.Painter()) {
      const TRect Clip = Canvas.ClipBox();
      FDocument->Image().Paint(P, Dest, &Area, &Clip);
    }
    Canvas.ExcludeClipRect(Dest);
    return;
  }

  const int N = M.DeviceExtent.x(), D = M.LogicalExtent.x();
  int L = 0;
  while (L < MaxCacheLevels && (int64_t(N) << (L + 1)) <= D && LevelSize(Image->Width, L + 1) > 1 &&
         LevelSize(Image->Height, L + 1) > 1)
    ++L;
  const TQvPixels* Source = Level(L);
  if (!Source) return;
  const int32_t SW = Source->Width, SH = Source->Height;
  TQvCanvasPixels& Out = Canvas.Pixels();
  const TRect OutBounds = Out.BoundsRect();
  const QRegion Region = Canvas.ClipRegion() & ToQRect(IntersectRect(Dest, OutBounds));

  for (const QRect& QR : Region) {
    const TRect R = FromQRect(QR);
    const int32_t W = R.Width();
    if (W <= 0) continue;
    FColumnTable.resize(size_t(W));
    for (int32_t X = R.Left; X < R.Right; ++X) {
      int32_t LX = TQvMapMode::Map(X, M.DeviceOrigin.x(), M.DeviceExtent.x(), M.LogicalOrigin.x(), M.LogicalExtent.x());
      LX = std::clamp(LX, Area.Left, Area.Right - 1);
      FColumnTable[size_t(X - R.Left)] = std::min(LX >> L, SW - 1) * 3;
    }
    // At 1:1 a row of the window is a run of the image row.
    const bool Straight = L == 0 && N == D && FColumnTable.back() - FColumnTable.front() == (W - 1) * 3;
    int32_t PreviousSY = -1;
    const uint8_t* PreviousRow = nullptr;
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
      int32_t LY = TQvMapMode::Map(Y, M.DeviceOrigin.y(), M.DeviceExtent.y(), M.LogicalOrigin.y(), M.LogicalExtent.y());
      LY = std::clamp(LY, Area.Top, Area.Bottom - 1);
      const int32_t SY = std::min(LY >> L, SH - 1);
      uint8_t* Dst = Out.PixelAt(R.Left, Y);
      if (SY == PreviousSY && PreviousRow) {
        // Magnified: the window row repeats the one above it.
        std::memcpy(Dst, PreviousRow, size_t(W) * 3);
      } else {
        const uint8_t* Row = Source->Bits + ptrdiff_t(SY) * Source->Stride;
        if (Straight) {
          std::memcpy(Dst, Row + FColumnTable.front(), size_t(W) * 3);
        } else {
          const int32_t* Column = FColumnTable.data();
          uint8_t* O = Dst;
          for (int32_t I = 0; I < W; ++I, O += 3) {
            const uint8_t* S = Row + Column[I];
            O[0] = S[0];
            O[1] = S[1];
            O[2] = S[2];
          }
        }
      }
      PreviousSY = SY;
      PreviousRow = Dst;
    }
  }
  Canvas.ExcludeClipRect(Dest);
}

// ---- the view ----

TQvGraphicsView::TQvGraphicsView(TQvGraphicsDocument* ADocument, QWidget* Parent)
    : TQvScrollViewControl(Parent), FDocument(ADocument) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  if (FDocument) FDocument->AddObserver(this);
  auto Picture = std::make_unique<TQvGraphicDocumentView>(ADocument);
  FDocumentView = Picture.get();
  // Hidden until the editor has attached the view and fitted the zoom, so the first paint does
  // not show the image at a zoom about to change.
  FDocumentView->Flags &= uint8_t(~ViewObjectVisible);
  if (FDocument && FDocument->Pixels()) FDocumentView->SetBounds(TRect{0, 0, FDocument->Width(), FDocument->Height()});
  Objects().Insert(0, std::move(Picture));
}

TQvGraphicsView::~TQvGraphicsView() {
  // The document may already be in its base destructor (it deletes its view there).
  if (FDocument) static_cast<TQvDocument*>(FDocument)->RemoveObserver(this);
  // The controls go before the picture and the document; each leaves its tool on the way.
  Objects().Clear();
  FDocumentView = nullptr;
}

TQvGraphicsEditor* TQvGraphicsView::Editor() const { return GraphicsEditor; }

void TQvGraphicsView::SetZoomExtents(int Numerator, int Denominator) {
  MapMode().DeviceExtent = QPoint(Numerator, Numerator);
  MapMode().LogicalExtent = QPoint(Denominator, Denominator);
}

void TQvGraphicsView::SetFocus() {
  QWidget* Main = window();
  if (Main && Main->isActiveWindow() && !hasFocus()) setFocus(Qt::MouseFocusReason);
}

TPoint TQvGraphicsView::GetMousePos() const {
  const QPoint P = viewport()->mapFromGlobal(QCursor::pos());
  return TPoint{P.x(), P.y()};
}

std::vector<TQvGraphicsToolControl*> TQvGraphicsView::ToolControls() const {
  std::vector<TQvGraphicsToolControl*> Result;
  auto& List = const_cast<TQvGraphicsView*>(this)->Objects();
  for (int I = 0; I < List.Count(); ++I)
    if (auto* C = dynamic_cast<TQvGraphicsToolControl*>(List.Items(I))) Result.push_back(C);
  return Result;
}

// Offers an event to the tool controls from the top one down; the first that handles it ends it.
// The list is taken first: a handler may add or remove controls (a tool switch).
template <class F>
static bool OfferTopDown(const TQvGraphicsView& View, F&& Call) {
  const std::vector<TQvGraphicsToolControl*> Controls = View.ToolControls();
  for (auto I = Controls.rbegin(); I != Controls.rend(); ++I)
    if (Call(*I)) return true;
  return false;
}

QString TQvGraphicsView::PositionText(const TPoint& ImagePoint) const {
  return QString::number(ImagePoint.X) + QStringLiteral(", ") + QString::number(ImagePoint.Y);
}

void TQvGraphicsView::RecordLine(const QString& Line) {
  if (TQvGraphicsEditor* E = Editor(); E && E->Recorder) E->Recorder->RecordLine(Line);
}

void TQvGraphicsView::ShowPointStatus(const TPoint& Point) {
  TQvGraphicsEditor* E = Editor();
  if (!E) return;
  const TPoint P = DeviceToLogical(Point);
  E->SetPositionText(QString::number(P.X), QString::number(P.Y));
  int Red = 0, Green = 0, Blue = 0;
  const TQvPixels* Image = FDocument ? FDocument->Pixels() : nullptr;
  if (Image && !Image->IsEmpty() && Image->BoundsRect().Contains(P.X, P.Y) && Image->BytesPerPixel >= 3) {
    const uint8_t* Pixel = Image->PixelAt(P.X, P.Y);
    Blue = Pixel[0];
    Green = Pixel[1];
    Red = Pixel[2];
  }
  E->SetColorText(QString::number(Red), QString::number(Green), QString::number(Blue));
}

void TQvGraphicsView::DoMouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) {
  TQvGraphicsEditor* E = Editor();
  if (E && E->Recorder && Button != TQvMouseButton::mbMiddle) {
    const TPoint P = DeviceToLogical(Point);
    FRecordPos = P;
    RecordLine((FRecordPressed ? QStringLiteral("MouseMove Image, ") : QStringLiteral("MouseCurvedMove Image, ")) +
               PositionText(P));
    // The click's explanation, between the move and the press.
    if (auto* Message = dynamic_cast<IQvDemoClickMessage*>(FindDemoRegistry()))
      TQvDemoLines::Message(E->Recorder, Message->MessageText());
    RecordLine((Button == TQvMouseButton::mbLeft ? QStringLiteral("MouseDown Image, ")
                                                 : QStringLiteral("MouseRightDown Image, ")) +
               PositionText(P));
    FRecordPressed = true;
  }
  OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->MouseDown(Button, Shift, Point); });
}

void TQvGraphicsView::DoMouseMove(TQvShiftState Shift, const TPoint& Point) {
  TQvGraphicsEditor* E = Editor();
  if (E && E->Recorder && FRecordPressed) {
    const TPoint P = DeviceToLogical(Point);
    if (!(P == FRecordPos)) {
      FRecordPos = P;
      RecordLine(QStringLiteral("MouseTo Image, ") + PositionText(P));
    }
  }
  if (!FHovered) DoMouseEnter();
  ShowPointStatus(Point);
  OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->MouseMove(Shift, Point); });
}

void TQvGraphicsView::DoMouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) {
  TQvGraphicsEditor* E = Editor();
  if (E && E->Recorder) {
    const TPoint P = DeviceToLogical(Point);
    if (Button != TQvMouseButton::mbMiddle) {
      RecordLine((Button == TQvMouseButton::mbLeft ? QStringLiteral("MouseUp Image, ")
                                                   : QStringLiteral("MouseRightUp Image, ")) +
                 PositionText(P));
      FRecordPressed = false;
    }
    RecordLine(QStringLiteral("Pause 0.5"));
  }
  OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->MouseUp(Button, Shift, Point); });
}

bool TQvGraphicsView::DoMouseWheel(TQvShiftState Shift, int Direction, const TPoint& Point) {
  return OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->MouseWheel(Shift, Direction, Point); });
}

bool TQvGraphicsView::DoKeyDown(int Key, TQvShiftState Shift) {
  return OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->KeyDown(Key, Shift); });
}

bool TQvGraphicsView::DoKeyUp(int Key, TQvShiftState Shift) {
  return OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->KeyUp(Key, Shift); });
}

void TQvGraphicsView::DoMouseEnter() {
  FHovered = true;
  for (TQvGraphicsToolControl* C : ToolControls()) C->MouseEnter();
  // The leave notice comes from the toolkit's Leave event; the focus follows the pointer so the
  // tools' keys (space, O) work without a click first.
  SetFocus();
}

void TQvGraphicsView::DoMouseLeave() {
  if (!FHovered) return;
  FHovered = false;
  for (TQvGraphicsToolControl* C : ToolControls()) C->MouseLeave();
}

int TQvGraphicsView::QueryCursor(TQvShiftState Shift, const TPoint& Point) {
  int Id = 0;
  OfferTopDown(*this, [&](TQvGraphicsToolControl* C) { return C->GetCursor(Shift, Point, Id); });
  return Id;
}

void TQvGraphicsView::ApplyCursor(int Number) {
  if (Number == 0)
    viewport()->unsetCursor();
  else
    viewport()->setCursor(GetCursor(Number));
}

void TQvGraphicsView::UpdateCursor() {
  const TPoint P = GetMousePos();
  if (!viewport()->rect().contains(QPoint(P.X, P.Y)) && !FHovered) return;
  ApplyCursor(QueryCursor(QvShiftState(QApplication::keyboardModifiers(), QApplication::mouseButtons()), P));
}

void TQvGraphicsView::DocumentChanged(TQvDocument*) { UpdateScrollRange(); }

void TQvGraphicsView::DocumentClosed(TQvDocument*) {}

void TQvGraphicsView::InvalidateImage(const TRect& Rect) {
  // The reduced copies are stale in that rectangle from now on. The picture is painted on the
  // viewport, in the viewport's coordinates, not on the frame around it.
  if (FDocumentView) FDocumentView->InvalidateCache(Rect);
  viewport()->update(ToQRect(InflateRect(LogicalToDevice(Rect), 1, 1)));
}

void TQvGraphicsView::ImageBoundsChanged(const TRect& Bounds) {
  // Loads, crops, rotations and flips may replace or rewrite the whole image.
  FDocumentView->ResetCache();
  FDocumentView->SetBounds(Bounds);
  UpdateScrollRange();
  if (TQvGraphicsEditor* E = Editor(); E && E->ActiveDocument() == FDocument) {
    E->SetWidthText(QString::number(Bounds.Width()));
    E->SetHeightText(QString::number(Bounds.Height()));
  }
}

// ---- window events ----

namespace {

bool ButtonOf(Qt::MouseButton Qt, TQvMouseButton& Button) {
  switch (Qt) {
    case Qt::LeftButton: Button = TQvMouseButton::mbLeft; return true;
    case Qt::RightButton: Button = TQvMouseButton::mbRight; return true;
    case Qt::MiddleButton: Button = TQvMouseButton::mbMiddle; return true;
    default: return false;
  }
}

TPoint PointOf(const QMouseEvent& Event) {
  const QPoint P = Event.position().toPoint();
  return TPoint{P.x(), P.y()};
}

// Keys the view keeps for its tools instead of letting menu shortcuts or focus moves take them.
bool ClaimedKey(int Key) {
  return Key == QvKey::Cancel || Key == QvKey::Return || Key == QvKey::Escape ||
         (Key >= QvKey::Left && Key <= QvKey::Down) || Key == QvKey::Execute;
}

}  // namespace

bool TQvGraphicsView::event(QEvent* Event) {
  if (Event->type() == QEvent::ShortcutOverride) {
    auto* K = static_cast<QKeyEvent*>(Event);
    if (ClaimedKey(QvVirtualKey(*K))) {
      Event->accept();
      return true;
    }
  }
  return TQvScrollViewControl::event(Event);
}

void TQvGraphicsView::resizeEvent(QResizeEvent* Event) {
  TQvScrollViewControl::resizeEvent(Event);
  if (FFitPending && isVisible() && Editor()) Editor()->AutoFit(FDocument, this);
}

void TQvGraphicsView::showEvent(QShowEvent* Event) {
  TQvScrollViewControl::showEvent(Event);
  if (FFitPending && Editor()) Editor()->AutoFit(FDocument, this);
}

bool TQvGraphicsView::viewportEvent(QEvent* Event) {
  if (Event->type() == QEvent::Leave) DoMouseLeave();
  return TQvScrollViewControl::viewportEvent(Event);
}

void TQvGraphicsView::mousePressEvent(QMouseEvent* Event) {
  TQvScrollViewControl::mousePressEvent(Event);
  TQvMouseButton Button;
  if (!ButtonOf(Event->button(), Button)) return;
  DoMouseDown(Button, QvShiftState(Event->modifiers(), Event->buttons()), PointOf(*Event));
  Event->accept();
}

void TQvGraphicsView::mouseMoveEvent(QMouseEvent* Event) {
  TQvScrollViewControl::mouseMoveEvent(Event);
  const TQvShiftState Shift = QvShiftState(Event->modifiers(), Event->buttons());
  const TPoint P = PointOf(*Event);
  DoMouseMove(Shift, P);
  ApplyCursor(QueryCursor(Shift, P));
  Event->accept();
}

void TQvGraphicsView::mouseReleaseEvent(QMouseEvent* Event) {
  TQvScrollViewControl::mouseReleaseEvent(Event);
  TQvMouseButton Button;
  if (!ButtonOf(Event->button(), Button)) return;
  DoMouseUp(Button, QvShiftState(Event->modifiers(), Event->buttons()), PointOf(*Event));
  Event->accept();
}

void TQvGraphicsView::keyPressEvent(QKeyEvent* Event) {
  // The scroll area's own key handling would scroll on the arrows, which belong to the tools.
  const int Key = QvVirtualKey(*Event);
  if (Key != 0 && DoKeyDown(Key, QvShiftState(Event->modifiers(), QApplication::mouseButtons())))
    Event->accept();
  else
    Event->ignore();
  UpdateCursor();
}

void TQvGraphicsView::keyReleaseEvent(QKeyEvent* Event) {
  // A held key repeats as release and press pairs; only the real release counts, or holding the
  // space bar would switch the hand tool off and on with every repeat.
  if (Event->isAutoRepeat()) {
    Event->accept();
    return;
  }
  const int Key = QvVirtualKey(*Event);
  if (Key != 0 && DoKeyUp(Key, QvShiftState(Event->modifiers(), QApplication::mouseButtons())))
    Event->accept();
  else
    Event->ignore();
  UpdateCursor();
}
