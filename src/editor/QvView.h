#pragma once
// View objects and the off-screen canvas they paint on.
//
// A view shows a stack of view objects: index 0 is the bottom-most (the picture), the last index
// the top-most (tool overlays). An object has bounds in logical (image) coordinates and up to two
// parts: an opaque frame part, painted top-down with occlusion, and a content part (an overlay),
// painted afterwards bottom-up over everything beneath it.
//
// The canvas is the off-screen 24-bit surface of one paint pass: program-owned rows in
// PixelFormat24 seen by Qt as QImage::Format_BGR888. It covers the window from (0, 0) to the
// bottom-right corner of the update box, is kept between passes (grown when a pass needs more),
// and reaches the window in one copy of the update box.

#include "QvBitmap.h"
#include "QvMapMode.h"
#include "QvTypes.h"

#include <QPainter>
#include <QRegion>

#include <cstdint>
#include <memory>
#include <vector>

class QPaintDevice;
class TQvViewCanvas;

// Bits of TQvViewObject::Flags.
constexpr uint8_t ViewObjectVisible = 1;
constexpr uint8_t ViewObjectFrame = 2;      // has an opaque frame part
constexpr uint8_t ViewObjectContent = 4;    // has an overlay (content) part
constexpr uint8_t ViewObjectPaintable = 8;  // Paint does something
constexpr uint8_t ViewObjectNoExtent = 16;  // left out of the scroll extent

// Results of the hit tests.
constexpr int HitNone = 0;
constexpr int HitOverlap = 1;  // the rectangle meets the bounds but is not wholly inside
constexpr int HitNear = 2;     // within the tolerance around the bounds
constexpr int HitInside = 3;

class TQvViewObject {
public:
  uint8_t Flags = 0;
  TRect Bounds;  // logical coordinates

  TQvViewObject();
  virtual ~TQvViewObject() = default;
  TQvViewObject(const TQvViewObject&) = delete;
  TQvViewObject& operator=(const TQvViewObject&) = delete;

  virtual void SetVisible(bool value);
  virtual void SetBounds(const TRect& rect);
  virtual void InitFlags();
  // Frame bounds (united with the content bounds when there is a content part too), the content
  // bounds when there is only a content part, empty otherwise. Device coordinates.
  virtual void GetDeviceBounds(const TQvMapMode& mapMode, TRect& rect) const;
  virtual void GetFrameBounds(const TQvMapMode& mapMode, TRect& rect) const;
  virtual void GetContentBounds(const TQvMapMode& mapMode, TRect& rect) const;
  virtual bool CanPaint(TQvViewCanvas& canvas) const;
  virtual void PaintFrame(TQvViewCanvas& canvas);
  virtual void PaintContent(TQvViewCanvas& canvas);
  virtual void AfterPaint();
  // Frame, content, AfterPaint, for an object that is paintable and CanPaint.
  virtual void Paint(TQvViewCanvas& canvas);
  virtual bool HitTest(int32_t x, int32_t y) const;
  // point in device coordinates: HitInside, HitNear (tolerance > 0) or HitNone.
  virtual int HitTestPoint(const TQvMapMode& mapMode, const TPoint& point, int32_t tolerance) const;
  // rect in device coordinates: HitInside, HitOverlap, HitNear (tolerance ≥ 1) or HitNone.
  virtual int HitTestRect(const TQvMapMode& mapMode, const TRect& rect, int32_t tolerance) const;

  bool IsVisible() const { return (Flags & ViewObjectVisible) != 0; }
};

// The objects of one view, owned; index 0 is the bottom-most.
class TQvViewObjectList {
public:
  // Appends on top; returns the object.
  TQvViewObject* Add(std::unique_ptr<TQvViewObject> object);
  TQvViewObject* Insert(int index, std::unique_ptr<TQvViewObject> object);
  // Takes the object out of the list without freeing it (nullptr when it is not there).
  std::unique_ptr<TQvViewObject> Extract(TQvViewObject* object);
  // Frees the object when it is in the list.
  void Remove(TQvViewObject* object);
  void Clear();
  int IndexOf(const TQvViewObject* object) const;
  int Count() const { return int(FItems.size()); }
  TQvViewObject* Items(int index) const { return FItems[size_t(index)].get(); }

private:
  std::vector<std::unique_ptr<TQvViewObject>> FItems;
};

// One saved paint state: the object whose content part waits, and the clip at its turn.
class TQvViewState {
public:
  TQvViewObject* Object = nullptr;  // not owned
  QRegion Clip;
};

class TQvViewCanvas {
public:
  // Fills what no object covers: red = green = blue = 64.
  uint32_t BackgroundColor = MakeColorValue(64, 64, 64);

  TQvViewCanvas();
  ~TQvViewCanvas();
  TQvViewCanvas(const TQvViewCanvas&) = delete;
  TQvViewCanvas& operator=(const TQvViewCanvas&) = delete;

  TQvMapMode& MapMode() { return *FMapMode; }
  const TQvMapMode& MapMode() const { return *FMapMode; }
  // The surface of the current pass in device coordinates, (0, 0) to the update box's bottom-
  // right corner; empty outside a pass. Direct writes must stay inside ClipRegion().
  TQvCanvasPixels& Pixels() { return FPixels; }
  // A painter on the surface, clipped to the current clip; nullptr outside a pass. A user that
  // changes its transform or clip restores them before returning.
  QPainter* Painter() { return FPainter.isActive() ? &FPainter : nullptr; }
  bool InPaintPass() const { return FWindow != nullptr; }

  // False, and nothing else, when region is empty. Otherwise the pass starts: the surface covers
  // at least the box of region, and the clip is region.
  bool BeginPaintPass(QPaintDevice* window, const QRegion& region);
  // Copies the update box to the window at the same position and closes the pass.
  void EndPaintPass();
  const TRect& UpdateBox() const { return FUpdateBox; }

  // Clip of the current pass, device coordinates.
  const QRegion& ClipRegion() const { return FClip; }
  void SetClipRegion(const QRegion& region);
  void ExcludeClipRect(const TRect& rect);
  void IntersectClipRect(const TRect& rect);
  TRect ClipBox() const { return FromQRect(FClip.boundingRect()); }
  bool RectVisible(const TRect& rect) const;

  // Saves the current clip with object.
  void PushState(TQvViewObject* object);
  // The most recently pushed state: its clip becomes current again. False when none is left.
  bool PopState(TQvViewObject*& object);
  int StateDepth() const { return FStateDepth; }

  // Writes color into rect ∩ clip of the surface.
  void FillRect(const TRect& rect, uint32_t color);
  // Inverts every channel of rect ∩ clip (the raster-op way to draw a mark that a second call
  // removes again).
  void InvertRect(const TRect& rect);
  // Bytes of the current surface, for tests and benchmarks (0 outside of a pass or before one).
  size_t SurfaceBytes() const { return size_t(FSurface.Stride) * size_t(FSurface.Height); }

private:
  void ApplyClip();
  bool EnsureSurface(int32_t width, int32_t height);

  std::unique_ptr<TQvMapMode> FMapMode;
  TQvCanvasPixels FPixels;
  QPainter FPainter;
  std::vector<TQvViewState> FStates;  // reused between passes
  int FStateDepth = 0;
  QPaintDevice* FWindow = nullptr;
  TDIBSection FSurface;  // kept between passes; grown, never rebuilt per pass
  QRegion FUpdateRegion;
  TRect FUpdateBox;
  QRegion FClip;
};
