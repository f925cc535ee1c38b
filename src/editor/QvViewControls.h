#pragma once
// The window controls that own a stack of view objects: TQvViewControl paints them through the
// off-screen canvas in two passes; TQvScrollViewControl adds scroll bars whose range follows the
// objects' extent, centres content smaller than the window and keeps the origin valid.
//
// The client area is the scroll area's viewport. Zoom and scrolling are nothing but changes of
// the canvas's mapping mode: logical coordinates are image pixels, device coordinates window
// pixels.

#include "QvView.h"

#include <QAbstractScrollArea>

class QPaintDevice;

// Scroll-bar request codes, in the numbering the step table uses.
enum TQvScrollCode : int {
  ScrollLineUp = 0,  // line left for the horizontal bar
  ScrollLineDown = 1,
  ScrollPageUp = 2,
  ScrollPageDown = 3,
  ScrollThumbPosition = 4,
  ScrollThumbTrack = 5,
  ScrollTop = 6,
  ScrollBottom = 7,
  ScrollEndScroll = 8,
};

// How far a scroll-bar request moves the position: ∓lineStep, ∓MulDiv(page, 3, 4),
// trackPosition − position while the thumb is dragged, 0 for anything else; clamped so that
// position + step stays within [minimum, maximum − page + 1]. maximum is the last unit of the
// whole range (client size + overflow − 1).
int ScrollBarStep(int code, int position, int page, int minimum, int maximum, int trackPosition,
                  int lineStep);

// The origin correction of one axis: centres content smaller than the client (overflow < 0),
// else brings origin back into [−overflow, 0].
int ScrollAxisCorrection(int origin, int overflow);

// Overflows of extent over the client area, with the room of a scroll bar added on the other
// axis when a bar is needed (vBarWidth, hBarHeight: what a bar takes that is not already outside
// the client area), and the origin correction of each axis.
void ScrollCorrection(const TRect& extent, int clientWidth, int clientHeight, const TPoint& origin,
                      int vBarWidth, int hBarHeight, int& dx, int& dy, int& overflowX,
                      int& overflowY);

// One axis of ClampScrollDelta: the part of delta that keeps origin within [−overflow, 0].
int ClampScrollAxis(int delta, int origin, int overflow);

class TQvViewControl : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit TQvViewControl(QWidget* parent = nullptr);
  ~TQvViewControl() override;

  TQvViewObjectList& Objects() { return FObjects; }
  TQvViewCanvas& Canvas() { return FCanvas; }
  TQvMapMode& MapMode() { return *FMapMode; }
  const TQvMapMode& MapMode() const { return *FMapMode; }

  int ClientWidth() const;
  int ClientHeight() const;

  TPoint LogicalToDevice(const TPoint& point) const;
  TPoint DeviceToLogical(const TPoint& point) const;
  TRect LogicalToDevice(const TRect& rect) const;
  TRect DeviceToLogical(const TRect& rect) const;

  // Schedules a repaint of a device rectangle, of a logical rectangle, of an object's device
  // bounds, of the whole client area.
  void InvalidateRect(const TRect& deviceRect);
  void InvalidateLogicalRect(const TRect& logicalRect);
  void InvalidateObject(const TQvViewObject& object);
  void InvalidateView();

  // One paint pass over region of target (the client area, or any device of at least the
  // region's size): frame parts top-down with occlusion, the background where nothing opaque
  // lies, then the saved content parts bottom-up.
  void PaintView(QPaintDevice* target, const QRegion& region);

protected:
  void paintEvent(QPaintEvent* event) override;
  // The view has no wheel behaviour of its own: the event goes on to the window around it.
  void wheelEvent(QWheelEvent* event) override;
  // Nor keyboard scrolling: arrow and page keys belong to the tools.
  void keyPressEvent(QKeyEvent* event) override;

private:
  TQvViewObjectList FObjects;
  TQvViewCanvas FCanvas;
  TQvMapMode* FMapMode;  // the canvas's
};

class TQvScrollViewControl : public TQvViewControl {
  Q_OBJECT

public:
  int LineStep = 10;       // pixels moved by a scroll-bar arrow
  bool Scrolling = false;  // true while a scroll-bar request is being handled

  explicit TQvScrollViewControl(QWidget* parent = nullptr);

  // The device rectangle that the objects cover (visible ones without ViewObjectNoExtent),
  // starting from the logical origin.
  virtual void GetExtent(TRect& rect);
  virtual void GetScrollCorrection(int& dx, int& dy, int& overflowX, int& overflowY);
  virtual void SetScrollBars(int overflowX, int overflowY);
  // Corrects the origin, sets the bars, repaints. Run it after the objects' extent changed.
  virtual void UpdateScrollRange();

  // Adds (dx, dy) to the device origin; nothing else.
  void MoveOrigin(int dx, int dy);
  // Moves the origin and the window's pixels by (dx, dy); only the uncovered strip is repainted.
  void ScrollContent(int dx, int dy);
  // ScrollContent, then the bars follow.
  void ScrollView(int dx, int dy);
  // Limits a wanted scroll so that the origin stays within its valid range.
  void ClampScrollDelta(int& dx, int& dy);
  // Moves the origin so that logicalPoint appears at the centre of the client area, then
  // corrects it as UpdateScrollRange does.
  void CenterOn(const TPoint& logicalPoint);

protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

private:
  void BarAction(Qt::Orientation orientation, int action);

  bool FSettingBars = false;  // bar values being set by the program, not by the user
};
