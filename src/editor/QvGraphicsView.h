#pragma once
// The image view: a scrolling view bound to one image document. Its bottom object is the picture
// (TQvGraphicDocumentView); the objects above it are the tools' view controls, which get the
// view's mouse and key events from the top one down until one handles them.

#include "QvGraphicsDocument.h"
#include "QvViewControls.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <vector>

class QKeyEvent;
class TQvGraphicsEditor;
class TQvGraphicsToolControl;
class TQvGraphicsView;

// ---- input as the tools see it ----

// Bits of a shift state: the modifier keys and the mouse buttons held during an event.
using TQvShiftState = uint32_t;
inline constexpr TQvShiftState ssShift = 1;
inline constexpr TQvShiftState ssAlt = 2;
inline constexpr TQvShiftState ssCtrl = 4;
inline constexpr TQvShiftState ssLeft = 8;
inline constexpr TQvShiftState ssRight = 16;
inline constexpr TQvShiftState ssMiddle = 32;

enum class TQvMouseButton { mbLeft, mbRight, mbMiddle };

// Key codes the tools compare against (the classic virtual-key numbers).
namespace QvKey {
inline constexpr int Cancel = 3;
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Return = 13;
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Menu = 18;  // Alt
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Prior = 33;
inline constexpr int Next = 34;
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Execute = 43;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int Add = 107;       // numeric-pad plus
inline constexpr int Subtract = 109;  // numeric-pad minus
inline constexpr int F1 = 112;
inline constexpr int OemPlus = 187;   // the main keyboard's plus/equals key
inline constexpr int OemMinus = 189;  // the main keyboard's minus key
}  // namespace QvKey

// The key code of a Qt key: letters as their capitals (65..90), digits as 48..57, the rest by the
// table above; 0 for a key without a code. Keypad tells the numeric-pad keys apart.
int QvVirtualKey(int QtKey, bool Keypad);
int QvVirtualKey(const QKeyEvent& Event);
TQvShiftState QvShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

// ---- zoom ----

struct TQvZoomRatio {
  int Numerator;
  int Denominator;
};

inline constexpr int ZoomStepCount = 21;
extern const TQvZoomRatio ZoomSteps[ZoomStepCount];

// A ratio in thousandths, as zoom ratios are compared: MulDiv(1000, numerator, denominator).
int ZoomThousandths(int Numerator, int Denominator);
// The step Zoom In goes to from the zoom Numerator/Denominator: the first whose ratio exceeds it,
// else the last.
int ZoomInStep(int Numerator, int Denominator);
// The step Zoom Out goes to: the first from the top whose ratio is below it, else the first.
int ZoomOutStep(int Numerator, int Denominator);
// Best fit of an ImageWidth × ImageHeight image into a ViewWidth × ViewHeight view: the ratio
// ViewHeight/ImageHeight when the height is the tighter side, else ViewWidth/ImageWidth.
TQvZoomRatio BestFitRatio(int ViewWidth, int ViewHeight, int ImageWidth, int ImageHeight);
// Whether AutoFit shows the image at actual size: it fits the view in both directions.
bool AutoFitIsActualSize(int ViewWidth, int ViewHeight, int ImageWidth, int ImageHeight);

// ---- the picture ----

// The document's current image, painted as the view's bottom object. Below 1:1 the pixels come
// from a cache of halved copies (each level half the size of the one below it), so a repaint reads
// about as many pixels as it writes; at 1:1 and above each window pixel takes the nearest image
// pixel. The cache follows image changes rectangle by rectangle (InvalidateCache).
class TQvGraphicDocumentView : public TQvViewObject {
 public:
  explicit TQvGraphicDocumentView(TQvGraphicsDocument* ADocument);
  ~TQvGraphicDocumentView() override;

  void InitFlags() override;
  void PaintFrame(TQvViewCanvas& Canvas) override;

  // Image pixels in Rect changed: the cached reductions over Rect are rebuilt when next needed.
  void InvalidateCache(const TRect& Rect);
  // The whole image was replaced (new size or new pixels).
  void ResetCache();
  // Builds every cache level a zoom of Numerator/Denominator reads, now rather than at the next
  // paint.
  void PrepareCache(int Numerator, int Denominator);

  TQvGraphicsDocument* FDocument;

 private:
  struct TLevel {
    TQvPixelBuffer Pixels;
    TRect Dirty;  // in this level's coordinates; empty when the level is up to date
  };
  // Level 1 is half the image, level 2 a quarter, ...; brought up to date on the way.
  const TQvPixels* Level(int Index);
  void RefreshLevel(int Index);

  std::vector<std::unique_ptr<TLevel>> FLevels;  // FLevels[0] stands for level 1
  const uint8_t* FCachedBits = nullptr;         // the image the levels were made from
  TRect FCachedBounds;
  std::vector<int32_t> FColumnTable;  // per window column: byte offset of its source pixel
};

// ---- the view ----

class TQvGraphicsView : public TQvScrollViewControl, public IQvDocumentObserver, public IQvGraphicsDocumentView {
  Q_OBJECT

 public:
  explicit TQvGraphicsView(TQvGraphicsDocument* ADocument, QWidget* Parent = nullptr);
  ~TQvGraphicsView() override;

  TQvGraphicsDocument* Document() const { return FDocument; }
  TQvGraphicDocumentView* DocumentView() const { return FDocumentView; }
  bool Hovered() const { return FHovered; }
  TQvGraphicsEditor* Editor() const;

  // The current zoom: the mapping's device extent over its logical extent.
  int ZoomNumerator() const { return MapMode().DeviceExtent.x(); }
  int ZoomDenominator() const { return MapMode().LogicalExtent.x(); }
  // Sets the extents only (no centring, no repaint); SetZoom of the editor does the rest.
  void SetZoomExtents(int Numerator, int Denominator);

  // Takes the keyboard focus when the main window is active and the view does not have it yet.
  void SetFocus();
  // Asks the tool controls for the cursor again, as if the pointer had moved.
  void UpdateCursor();
  // The pointer's position in client (window) coordinates.
  TPoint GetMousePos() const;
  // Shows the image point under Point (client coordinates) and its colour in the status fields.
  void ShowPointStatus(const TPoint& Point);

  // The view's event steps, also driven directly by tests and demonstrations. Points are client
  // coordinates.
  void DoMouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point);
  void DoMouseMove(TQvShiftState Shift, const TPoint& Point);
  void DoMouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point);
  // Offers a wheel step (−1 or +1) to the tool controls; true when one handled it.
  bool DoMouseWheel(TQvShiftState Shift, int Direction, const TPoint& Point);
  bool DoKeyDown(int Key, TQvShiftState Shift);
  bool DoKeyUp(int Key, TQvShiftState Shift);
  void DoMouseEnter();
  void DoMouseLeave();
  // The cursor number the tool controls ask for at Point (0: the arrow).
  int QueryCursor(TQvShiftState Shift, const TPoint& Point);

  // The tool controls of this view, bottom first.
  std::vector<TQvGraphicsToolControl*> ToolControls() const;

  // IQvDocumentObserver
  void DocumentChanged(TQvDocument* Doc) override;
  void DocumentClosed(TQvDocument* Doc) override;
  // IQvGraphicsDocumentView
  void InvalidateImage(const TRect& Rect) override;
  void ImageBoundsChanged(const TRect& Bounds) override;

  TQvGraphicDocumentView* FDocumentView = nullptr;  // also Objects().Items(0)
  bool FRecordPressed = false;
  TPoint FRecordPos;
  bool FHovered = false;
  TQvGraphicsDocument* FDocument;
  // The fit was chosen before the view had its final size (the window was not shown yet): it is
  // chosen again once the view is shown or resized for the first time.
  bool FFitPending = false;

 protected:
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  bool event(QEvent* Event) override;
  bool viewportEvent(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void keyReleaseEvent(QKeyEvent* Event) override;

 private:
  void RecordLine(const QString& Line);
  QString PositionText(const TPoint& ImagePoint) const;
  void ApplyCursor(int Number);
};
