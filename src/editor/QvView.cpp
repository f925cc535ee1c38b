#include "QvView.h"

#include <QPaintDevice>

#include <algorithm>
#include <cstring>

namespace {

TRect MapToDevice(const TQvMapMode& mapMode, const TRect& rect) {
  return FromQRect(mapMode.LogicalToDevice(ToQRect(rect)));
}

bool RectInside(const TRect& inner, const TRect& outer) {
  return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right <= outer.Right &&
         inner.Bottom <= outer.Bottom;
}

bool RectsMeet(const TRect& a, const TRect& b) { return !IntersectRect(a, b).IsEmpty(); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TQvViewObject
// ---------------------------------------------------------------------------------------------

TQvViewObject::TQvViewObject() { InitFlags(); }

void TQvViewObject::SetVisible(bool value) {
  if (value)
    Flags |= ViewObjectVisible;
  else
    Flags &= uint8_t(~ViewObjectVisible);
}

void TQvViewObject::SetBounds(const TRect& rect) { Bounds = rect; }

void TQvViewObject::InitFlags() {
  Flags = ViewObjectVisible | ViewObjectFrame | ViewObjectContent | ViewObjectPaintable;
}

void TQvViewObject::GetDeviceBounds(const TQvMapMode& mapMode, TRect& rect) const {
  rect = TRect{};
  if (Flags & ViewObjectFrame) {
    GetFrameBounds(mapMode, rect);
    if (Flags & ViewObjectContent) {
      TRect content;
      GetContentBounds(mapMode, content);
      rect = UnionRect(rect, content);
    }
  } else if (Flags & ViewObjectContent) {
    GetContentBounds(mapMode, rect);
  }
}

void TQvViewObject::GetFrameBounds(const TQvMapMode& mapMode, TRect& rect) const {
  rect = MapToDevice(mapMode, Bounds);
}

void TQvViewObject::GetContentBounds(const TQvMapMode& mapMode, TRect& rect) const {
  rect = MapToDevice(mapMode, Bounds);
}

bool TQvViewObject::CanPaint(TQvViewCanvas&) const { return IsVisible(); }

void TQvViewObject::PaintFrame(TQvViewCanvas&) {}

void TQvViewObject::PaintContent(TQvViewCanvas&) {}

void TQvViewObject::AfterPaint() {}

void TQvViewObject::Paint(TQvViewCanvas& canvas) {
  if (!(Flags & ViewObjectPaintable) || !CanPaint(canvas)) return;
  if (Flags & ViewObjectFrame) PaintFrame(canvas);
  if (Flags & ViewObjectContent) PaintContent(canvas);
  AfterPaint();
}

bool TQvViewObject::HitTest(int32_t, int32_t) const { return false; }

int TQvViewObject::HitTestPoint(const TQvMapMode& mapMode, const TPoint& point,
                                int32_t tolerance) const {
  const TRect b = MapToDevice(mapMode, Bounds);
  if (b.Contains(point.X, point.Y)) return HitInside;
  if (tolerance > 0 && InflateRect(b, tolerance, tolerance).Contains(point.X, point.Y))
    return HitNear;
  return HitNone;
}

int TQvViewObject::HitTestRect(const TQvMapMode& mapMode, const TRect& rect,
                               int32_t tolerance) const {
  const TRect b = MapToDevice(mapMode, Bounds);
  if (RectInside(rect, b)) return HitInside;
  if (RectsMeet(rect, b)) return HitOverlap;
  if (tolerance >= 1 && RectsMeet(rect, InflateRect(b, tolerance, tolerance))) return HitNear;
  return HitNone;
}

// ---------------------------------------------------------------------------------------------
// TQvViewObjectList
// ---------------------------------------------------------------------------------------------

TQvViewObject* TQvViewObjectList::Add(std::unique_ptr<TQvViewObject> object) {
  FItems.push_back(std::move(object));
  return FItems.back().get();
}

TQvViewObject* TQvViewObjectList::Insert(int index, std::unique_ptr<TQvViewObject> object) {
  index = std::clamp(index, 0, Count());
  return FItems.insert(FItems.begin() + index, std::move(object))->get();
}

std::unique_ptr<TQvViewObject> TQvViewObjectList::Extract(TQvViewObject* object) {
  const int index = IndexOf(object);
  if (index < 0) return nullptr;
  std::unique_ptr<TQvViewObject> result = std::move(FItems[size_t(index)]);
  FItems.erase(FItems.begin() + index);
  return result;
}

void TQvViewObjectList::Remove(TQvViewObject* object) { Extract(object).reset(); }

void TQvViewObjectList::Clear() {
  // Top-most first, each taken out before it is freed, so that a destructor that looks at the
  // list finds only live objects.
  while (!FItems.empty()) {
    std::unique_ptr<TQvViewObject> last = std::move(FItems.back());
    FItems.pop_back();
  }
}

int TQvViewObjectList::IndexOf(const TQvViewObject* object) const {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FItems[i].get() == object) return int(i);
  return -1;
}

// ---------------------------------------------------------------------------------------------
// TQvViewCanvas
// ---------------------------------------------------------------------------------------------

TQvViewCanvas::TQvViewCanvas() : FMapMode(std::make_unique<TQvMapMode>()) {}

TQvViewCanvas::~TQvViewCanvas() {
  if (FPainter.isActive()) FPainter.end();
}

bool TQvViewCanvas::EnsureSurface(int32_t width, int32_t height) {
  if (FSurface.Width >= width && FSurface.Height >= height && !FSurface.IsEmpty()) return true;
  // Grow with some room so that a window that is being enlarged does not rebuild the surface on
  // every step.
  const int32_t newWidth = std::max(width, FSurface.Width);
  const int32_t newHeight = std::max(height, FSurface.Height);
  return FSurface.CreateSection(newWidth + newWidth / 8, newHeight + newHeight / 8);
}

bool TQvViewCanvas::BeginPaintPass(QPaintDevice* window, const QRegion& region) {
  if (region.isEmpty() || !window || FWindow) return false;
  const TRect box = FromQRect(region.boundingRect());
  if (box.Right <= 0 || box.Bottom <= 0) return false;
  if (!EnsureSurface(box.Right, box.Bottom)) return false;
  FWindow = window;
  FUpdateRegion = region;
  FUpdateBox = box;
  FPixels.InitPixels(TRect{0, 0, box.Right, box.Bottom}, FSurface.Bits, PixelFormat24,
                     FSurface.Stride);
  FPainter.begin(&FSurface.Image());
  FClip = region.intersected(QRect(0, 0, box.Right, box.Bottom));
  ApplyClip();
  FStateDepth = 0;
  return true;
}

void TQvViewCanvas::EndPaintPass() {
  if (!FWindow) return;
  if (FPainter.isActive()) FPainter.end();
  {
    QPainter window(FWindow);
    const QRect box = ToQRect(FUpdateBox);
    window.drawImage(box.topLeft(), FSurface.Image(), box);
  }
  FWindow = nullptr;
  FUpdateRegion = QRegion();
  FUpdateBox = TRect{};
  FClip = QRegion();
  FPixels.InitPixels(TRect{}, nullptr, 0, 0);
  // States left over by an interrupted pass drop their objects; the records stay for reuse.
  for (int i = 0; i < FStateDepth; ++i) {
    FStates[size_t(i)].Object = nullptr;
    FStates[size_t(i)].Clip = QRegion();
  }
  FStateDepth = 0;
}

void TQvViewCanvas::ApplyClip() {
  if (FPainter.isActive()) FPainter.setClipRegion(FClip);
}

void TQvViewCanvas::SetClipRegion(const QRegion& region) {
  FClip = region;
  ApplyClip();
}

void TQvViewCanvas::ExcludeClipRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  FClip -= ToQRect(rect);
  ApplyClip();
}

void TQvViewCanvas::IntersectClipRect(const TRect& rect) {
  FClip &= rect.IsEmpty() ? QRect() : ToQRect(rect);
  ApplyClip();
}

bool TQvViewCanvas::RectVisible(const TRect& rect) const {
  return !rect.IsEmpty() && FClip.intersects(ToQRect(rect));
}

void TQvViewCanvas::PushState(TQvViewObject* object) {
  if (FStateDepth == int(FStates.size())) FStates.emplace_back();
  TQvViewState& state = FStates[size_t(FStateDepth++)];
  state.Object = object;
  state.Clip = FClip;
}

bool TQvViewCanvas::PopState(TQvViewObject*& object) {
  if (FStateDepth == 0) return false;
  TQvViewState& state = FStates[size_t(--FStateDepth)];
  object = state.Object;
  FClip = std::move(state.Clip);
  state.Clip = QRegion();
  state.Object = nullptr;
  ApplyClip();
  return true;
}

void TQvViewCanvas::FillRect(const TRect& rect, uint32_t color) {
  if (FPixels.IsEmpty() || rect.IsEmpty()) return;
  const TRect limit = IntersectRect(rect, FPixels.BoundsRect());
  if (limit.IsEmpty()) return;
  const uint8_t pattern[3] = {ColorBlue(color), ColorGreen(color), ColorRed(color)};
  const QRegion area = FClip.intersected(ToQRect(limit));
  for (const QRect& q : area) {
    const TRect r = FromQRect(q);
    uint8_t* first = FPixels.PixelAt(r.Left, r.Top);
    for (int32_t x = 0; x < r.Width(); ++x) std::memcpy(first + 3 * x, pattern, 3);
    const size_t rowBytes = size_t(r.Width()) * 3;
    for (int32_t y = r.Top + 1; y < r.Bottom; ++y)
      std::memcpy(FPixels.PixelAt(r.Left, y), first, rowBytes);
  }
}

void TQvViewCanvas::InvertRect(const TRect& rect) {
  if (FPixels.IsEmpty() || rect.IsEmpty()) return;
  const TRect limit = IntersectRect(rect, FPixels.BoundsRect());
  if (limit.IsEmpty()) return;
  const QRegion area = FClip.intersected(ToQRect(limit));
  for (const QRect& q : area) {
    const TRect r = FromQRect(q);
    const size_t rowBytes = size_t(r.Width()) * 3;
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
      uint8_t* p = FPixels.PixelAt(r.Left, y);
      for (size_t i = 0; i < rowBytes; ++i) p[i] = uint8_t(~p[i]);
    }
  }
}
