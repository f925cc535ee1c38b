#include "QvViewControls.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Scroll arithmetic
// ---------------------------------------------------------------------------------------------

int ScrollBarStep(int code, int position, int page, int minimum, int maximum, int trackPosition,
                  int lineStep) {
  int step = 0;
  switch (code) {
    case ScrollLineUp: step = -lineStep; break;
    case ScrollLineDown: step = lineStep; break;
    case ScrollPageUp: step = -MulDiv(page, 3, 4); break;
    case ScrollPageDown: step = MulDiv(page, 3, 4); break;
    case ScrollThumbTrack: step = trackPosition - position; break;
    default: return 0;
  }
  const int last = maximum - page + 1;
  if (position + step > last) step = last - position;
  if (position + step < minimum) step = minimum - position;
  return step;
}

int ScrollAxisCorrection(int origin, int overflow) {
  if (overflow < 0) return (-overflow) / 2 - origin;
  if (origin < -overflow) return -overflow - origin;
  if (origin > 0) return -origin;
  return 0;
}

void ScrollCorrection(const TRect& extent, int clientWidth, int clientHeight, const TPoint& origin,
                      int vBarWidth, int hBarHeight, int& dx, int& dy, int& overflowX,
                      int& overflowY) {
  overflowX = extent.Width() - clientWidth;
  overflowY = extent.Height() - clientHeight;
  if (overflowY > 0) {
    overflowX += vBarWidth;
    if (overflowX > 0) overflowY += hBarHeight;
  } else if (overflowX > 0) {
    overflowY += hBarHeight;
    if (overflowY > 0) overflowX += vBarWidth;
  }
  dx = ScrollAxisCorrection(origin.X, overflowX);
  dy = ScrollAxisCorrection(origin.Y, overflowY);
}

int ClampScrollAxis(int delta, int origin, int overflow) {
  if (delta == 0) return 0;
  if (overflow <= 0) return 0;
  if (delta < 0 && origin + overflow + delta < 0) return -origin - overflow;
  if (delta > 0 && origin + delta > 0) return -origin;
  return delta;
}

// ---------------------------------------------------------------------------------------------
// TQvViewControl
// ---------------------------------------------------------------------------------------------

TQvViewControl::TQvViewControl(QWidget* parent)
    : QAbstractScrollArea(parent), FMapMode(&FCanvas.MapMode()) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Every pixel of an exposed area is painted from the off-screen surface: no erasing, and on
  // resize only the newly uncovered part is exposed.
  QWidget* client = viewport();
  client->setAttribute(Qt::WA_OpaquePaintEvent);
  client->setAttribute(Qt::WA_NoSystemBackground);
  client->setAttribute(Qt::WA_StaticContents);
  client->setAutoFillBackground(false);
}

TQvViewControl::~TQvViewControl() { FObjects.Clear(); }

int TQvViewControl::ClientWidth() const { return viewport()->width(); }

int TQvViewControl::ClientHeight() const { return viewport()->height(); }

TPoint TQvViewControl::LogicalToDevice(const TPoint& point) const {
  const QPoint d = FMapMode->LogicalToDevice(ToQPoint(point));
  return TPoint{d.x(), d.y()};
}

TPoint TQvViewControl::DeviceToLogical(const TPoint& point) const {
  const QPoint l = FMapMode->DeviceToLogical(ToQPoint(point));
  return TPoint{l.x(), l.y()};
}

TRect TQvViewControl::LogicalToDevice(const TRect& rect) const {
  return FromQRect(FMapMode->LogicalToDevice(ToQRect(rect)));
}

TRect TQvViewControl::DeviceToLogical(const TRect& rect) const {
  return FromQRect(FMapMode->DeviceToLogical(ToQRect(rect)));
}

void TQvViewControl::InvalidateRect(const TRect& deviceRect) {
  if (!deviceRect.IsEmpty()) viewport()->update(ToQRect(deviceRect));
}

void TQvViewControl::InvalidateLogicalRect(const TRect& logicalRect) {
  InvalidateRect(LogicalToDevice(logicalRect));
}

void TQvViewControl::InvalidateObject(const TQvViewObject& object) {
  TRect r;
  object.GetDeviceBounds(*FMapMode, r);
  InvalidateRect(r);
}

void TQvViewControl::InvalidateView() { viewport()->update(); }

void TQvViewControl::PaintView(QPaintDevice* target, const QRegion& region) {
  TQvViewCanvas& canvas = FCanvas;
  if (!canvas.BeginPaintPass(target, region)) return;
  const TQvMapMode& mapMode = *FMapMode;
  for (int i = FObjects.Count(); i-- > 0;) {
    TQvViewObject* object = FObjects.Items(i);
    if (!object->IsVisible()) continue;
    TRect bounds;
    object->GetDeviceBounds(mapMode, bounds);
    if (!canvas.RectVisible(bounds) || !object->CanPaint(canvas)) continue;
    bool pushed = false;
    if (object->Flags & ViewObjectContent) {
      object->GetContentBounds(mapMode, bounds);
      if (canvas.RectVisible(bounds)) {
        canvas.PushState(object);
        pushed = true;
      }
    }
    if (object->Flags & ViewObjectFrame) {
      object->GetFrameBounds(mapMode, bounds);
      if (canvas.RectVisible(bounds)) object->PaintFrame(canvas);
    }
    if (!pushed) object->AfterPaint();
  }
  if (!canvas.ClipRegion().isEmpty()) canvas.FillRect(canvas.ClipBox(), canvas.BackgroundColor);
  TQvViewObject* object = nullptr;
  while (canvas.PopState(object)) {
    object->PaintContent(canvas);
    object->AfterPaint();
  }
  canvas.EndPaintPass();
}

void TQvViewControl::paintEvent(QPaintEvent* event) { PaintView(viewport(), event->region()); }

void TQvViewControl::wheelEvent(QWheelEvent* event) { event->ignore(); }

void TQvViewControl::keyPressEvent(QKeyEvent* event) { event->ignore(); }

// ---------------------------------------------------------------------------------------------
// TQvScrollViewControl
// ---------------------------------------------------------------------------------------------

TQvScrollViewControl::TQvScrollViewControl(QWidget* parent) : TQvViewControl(parent) {
  // Both bars stay visible, disabled when not needed, so the client area does not jump when
  // one of them becomes necessary.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setRange(0, 0);
    bar->setEnabled(false);
    bar->setSingleStep(LineStep);
  }
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { BarAction(Qt::Horizontal, action); });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { BarAction(Qt::Vertical, action); });
}

void TQvScrollViewControl::GetExtent(TRect& rect) {
  const TPoint origin = LogicalToDevice(TPoint{0, 0});
  rect = TRect{origin.X, origin.Y, origin.X, origin.Y};
  for (int i = 0; i < Objects().Count(); ++i) {
    const TQvViewObject* object = Objects().Items(i);
    if (!object->IsVisible() || (object->Flags & ViewObjectNoExtent)) continue;
    TRect bounds;
    object->GetDeviceBounds(MapMode(), bounds);
    rect = UnionRect(rect, bounds);
  }
}

void TQvScrollViewControl::GetScrollCorrection(int& dx, int& dy, int& overflowX, int& overflowY) {
  TRect extent;
  GetExtent(extent);
  const QPoint origin = MapMode().DeviceOrigin;
  // The bars are always shown and already lie outside the client area, so a needed bar takes no
  // further room from it.
  ScrollCorrection(extent, ClientWidth(), ClientHeight(), TPoint{origin.x(), origin.y()}, 0, 0, dx,
                   dy, overflowX, overflowY);
}

void TQvScrollViewControl::SetScrollBars(int overflowX, int overflowY) {
  const int width = ClientWidth();
  const int height = ClientHeight();
  if (width < 1 || height < 1) return;
  const QPoint origin = MapMode().DeviceOrigin;
  FSettingBars = true;
  const auto set = [this](QScrollBar* bar, int client, int overflow, int position) {
    // Range 0 .. client + overflow − 1 with a page of client: the thumb may go up to overflow.
    bar->setRange(0, std::max(0, overflow));
    bar->setPageStep(client);
    bar->setSingleStep(LineStep);
    bar->setValue(position);
    bar->setEnabled(overflow > 0);
  };
  set(horizontalScrollBar(), width, overflowX, -origin.x());
  set(verticalScrollBar(), height, overflowY, -origin.y());
  FSettingBars = false;
}

void TQvScrollViewControl::UpdateScrollRange() {
  int dx = 0, dy = 0, overflowX = 0, overflowY = 0;
  GetScrollCorrection(dx, dy, overflowX, overflowY);
  if (dx != 0 || dy != 0) MoveOrigin(dx, dy);
  SetScrollBars(overflowX, overflowY);
  InvalidateView();
}

void TQvScrollViewControl::MoveOrigin(int dx, int dy) {
  MapMode().DeviceOrigin += QPoint(dx, dy);
}

void TQvScrollViewControl::ScrollContent(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  MoveOrigin(dx, dy);
  viewport()->scroll(dx, dy);
}

void TQvScrollViewControl::ScrollView(int dx, int dy) {
  ScrollContent(dx, dy);
  int cx = 0, cy = 0, overflowX = 0, overflowY = 0;
  GetScrollCorrection(cx, cy, overflowX, overflowY);
  SetScrollBars(overflowX, overflowY);
}

void TQvScrollViewControl::ClampScrollDelta(int& dx, int& dy) {
  int cx = 0, cy = 0, overflowX = 0, overflowY = 0;
  GetScrollCorrection(cx, cy, overflowX, overflowY);
  const QPoint origin = MapMode().DeviceOrigin;
  dx = ClampScrollAxis(dx, origin.x(), overflowX);
  dy = ClampScrollAxis(dy, origin.y(), overflowY);
}

void TQvScrollViewControl::CenterOn(const TPoint& logicalPoint) {
  const TPoint d = LogicalToDevice(logicalPoint);
  MoveOrigin(ClientWidth() / 2 - d.X, ClientHeight() / 2 - d.Y);
  int dx = 0, dy = 0, overflowX = 0, overflowY = 0;
  GetScrollCorrection(dx, dy, overflowX, overflowY);
  if (dx != 0 || dy != 0) MoveOrigin(dx, dy);
  SetScrollBars(overflowX, overflowY);
  InvalidateView();
}

void TQvScrollViewControl::resizeEvent(QResizeEvent* event) {
  TQvViewControl::resizeEvent(event);
  int dx = 0, dy = 0, overflowX = 0, overflowY = 0;
  GetScrollCorrection(dx, dy, overflowX, overflowY);
  ScrollContent(dx, dy);
  SetScrollBars(overflowX, overflowY);
}

void TQvScrollViewControl::scrollContentsBy(int dx, int dy) {
  // The bars' value moved: by the user (the picture follows) or by SetScrollBars (it already
  // matches the origin).
  if (FSettingBars) return;
  Scrolling = true;
  ScrollContent(dx, dy);
  Scrolling = false;
}

void TQvScrollViewControl::BarAction(Qt::Orientation orientation, int action) {
  QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
  int code = -1;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = ScrollLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = ScrollLineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = ScrollPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = ScrollPageDown; break;
    case QAbstractSlider::SliderMove: code = ScrollThumbTrack; break;
    default: break;
  }
  const int position = bar->value();
  const int page = bar->pageStep();
  // The bar's own maximum is the last thumb position; the step table counts the whole range.
  const int step = ScrollBarStep(code, position, page, bar->minimum(), bar->maximum() + page - 1,
                                 bar->sliderPosition(), LineStep);
  // The bar has already moved its slider by its own rule; put it where ours says. The value,
  // and with it the picture, follows when this signal returns.
  bar->setSliderPosition(position + step);
}
