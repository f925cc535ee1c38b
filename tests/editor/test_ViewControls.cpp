// Scroll arithmetic of the scroll view control, and an offscreen scroll view driven through its
// bars.
#include "QvViewControls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QScrollBar>

namespace {

class TPicture : public TQvViewObject {
public:
  explicit TPicture(const TRect& bounds) {
    Flags = ViewObjectVisible | ViewObjectFrame | ViewObjectPaintable;
    Bounds = bounds;
  }
  void PaintFrame(TQvViewCanvas& canvas) override {
    TRect r;
    GetFrameBounds(canvas.MapMode(), r);
    canvas.FillRect(r, MakeColorValue(200, 0, 0));
    canvas.ExcludeClipRect(r);
  }
};

}  // namespace

TEST(ScrollCorrection, OverflowBarsAndOriginCorrection) {
  struct Case {
    const char* what;
    TRect extent;
    int clientWidth, clientHeight;
    TPoint origin;
    int dx, dy, overflowX, overflowY;
  } cases[] = {
      {"smaller than the client: centred", {0, 0, 100, 50}, 300, 200, {0, 0}, 100, 75, -200, -150},
      {"centred already", {100, 75, 200, 125}, 300, 200, {100, 75}, 0, 0, -200, -150},
      {"odd free space rounds down", {0, 0, 100, 50}, 301, 201, {0, 0}, 100, 75, -201, -151},
      {"one pixel wider: horizontal bar; its height makes it taller too",
       {0, 0, 301, 195}, 300, 200, {0, 0}, 0, 0, 16, 10},
      {"one pixel wider, still fits below the bar",
       {0, 0, 301, 180}, 300, 200, {0, 0}, 0, 2, 1, -5},
      {"taller: vertical bar first, then the width overflows",
       {0, 0, 290, 400}, 300, 200, {0, 0}, 0, 0, 5, 215},
      {"scrolled past the end", {-500, -500, 500, 500}, 300, 200, {-900, -900}, 185, 85, 715, 815},
      {"scrolled before the start", {50, 60, 1050, 1060}, 300, 200, {50, 60}, -50, -60, 715, 815},
      {"within range", {-10, -20, 990, 980}, 300, 200, {-10, -20}, 0, 0, 715, 815},
  };
  for (const Case& c : cases) {
    int dx = 0, dy = 0, ox = 0, oy = 0;
    ScrollCorrection(c.extent, c.clientWidth, c.clientHeight, c.origin, 15, 15, dx, dy, ox, oy);
    EXPECT_EQ(ox, c.overflowX) << c.what;
    EXPECT_EQ(oy, c.overflowY) << c.what;
    EXPECT_EQ(dx, c.dx) << c.what;
    EXPECT_EQ(dy, c.dy) << c.what;
  }
}

TEST(ScrollCorrection, BarStepTable) {
  // Range 0 .. 999 with a page of 101: positions 0 .. 899.
  struct Case {
    const char* what;
    int code, position, track, step;
  } cases[] = {
      {"line up", ScrollLineUp, 50, 0, -10},
      {"line down", ScrollLineDown, 50, 0, 10},
      {"line up at the start", ScrollLineUp, 4, 0, -4},
      {"line down at the end", ScrollLineDown, 895, 0, 4},
      {"page down: 3/4 of 101 = 75.75 rounds to 76", ScrollPageDown, 100, 0, 76},
      {"page up", ScrollPageUp, 100, 0, -76},
      {"page up clamped", ScrollPageUp, 30, 0, -30},
      {"thumb track", ScrollThumbTrack, 100, 350, 250},
      {"thumb track past the end", ScrollThumbTrack, 100, 990, 799},
      {"thumb released", ScrollThumbPosition, 100, 350, 0},
      {"top", ScrollTop, 100, 0, 0},
      {"end of scroll", ScrollEndScroll, 100, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ScrollBarStep(c.code, c.position, 101, 0, 999, c.track, 10), c.step) << c.what;
  // Half a unit rounds away from zero: 3/4 of 2 is 1.5.
  EXPECT_EQ(ScrollBarStep(ScrollPageDown, 0, 2, 0, 99, 0, 10), 2);
}

TEST(ScrollCorrection, ClampScrollAxisTable) {
  struct Case {
    const char* what;
    int delta, origin, overflow, expected;
  } cases[] = {
      {"zero stays zero", 0, -50, 100, 0},
      {"no overflow: nothing to scroll", 10, 20, 0, 0},
      {"content smaller", -10, 20, -40, 0},
      {"at the left edge, moving right", 5, 0, 100, 0},
      {"right, within range", 20, -50, 100, 20},
      {"right, past the start", 80, -50, 100, 50},
      {"left, within range", -20, -50, 100, -20},
      {"left, past the end", -80, -50, 100, -50},
      {"at the end, moving left", -1, -100, 100, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClampScrollAxis(c.delta, c.origin, c.overflow), c.expected) << c.what;
}

class ScrollView : public ::testing::Test {
protected:
  void SetUp() override {
    view.resize(320, 240);
    view.show();
    QApplication::processEvents();
  }
  TPicture* SetPicture(int width, int height) {
    view.Objects().Clear();
    auto* picture = static_cast<TPicture*>(
        view.Objects().Add(std::make_unique<TPicture>(TRect{0, 0, width, height})));
    view.UpdateScrollRange();
    return picture;
  }
  QPoint Origin() const { return view.MapMode().DeviceOrigin; }

  TQvScrollViewControl view;
};

TEST_F(ScrollView, SmallPictureIsCentredWithDisabledBars) {
  SetPicture(100, 50);
  const int cw = view.ClientWidth(), ch = view.ClientHeight();
  EXPECT_EQ(Origin(), QPoint((cw - 100) / 2, (ch - 50) / 2));
  for (QScrollBar* bar : {view.horizontalScrollBar(), view.verticalScrollBar()}) {
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->isEnabled());
  }
  const QImage shot = view.viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, MakeColorValue(64, 64, 64));
  EXPECT_EQ(shot.pixel(Origin().x(), Origin().y()) & 0xFFFFFF, MakeColorValue(200, 0, 0));
  EXPECT_EQ(shot.pixel(Origin().x() + 100, Origin().y()) & 0xFFFFFF, MakeColorValue(64, 64, 64));
}

TEST_F(ScrollView, LargePictureScrollsThroughItsBars) {
  SetPicture(2000, 1000);
  const int cw = view.ClientWidth(), ch = view.ClientHeight();
  QScrollBar* h = view.horizontalScrollBar();
  QScrollBar* v = view.verticalScrollBar();
  EXPECT_EQ(Origin(), QPoint(0, 0));
  EXPECT_TRUE(h->isEnabled());
  EXPECT_EQ(h->maximum(), 2000 - cw);
  EXPECT_EQ(v->maximum(), 1000 - ch);
  EXPECT_EQ(h->pageStep(), cw);

  h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Origin().x(), -10);
  h->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(Origin().x(), -10 - MulDiv(cw, 3, 4));
  EXPECT_EQ(h->value(), 10 + MulDiv(cw, 3, 4));
  v->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(Origin().y(), 0);

  // Dragging the thumb: every slider position moves the picture.
  h->setSliderDown(true);
  h->setSliderPosition(500);
  EXPECT_EQ(Origin().x(), -500);
  h->setSliderPosition(h->maximum() + 50);
  EXPECT_EQ(Origin().x(), -h->maximum());
  h->setSliderDown(false);
  EXPECT_FALSE(view.Scrolling);

  // The exposed strip after a scroll shows the picture, not stale pixels.
  const QImage shot = view.viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(cw - 1, ch - 1) & 0xFFFFFF, MakeColorValue(200, 0, 0));
}

TEST_F(ScrollView, ClampAndCentreKeepTheOriginValid) {
  SetPicture(2000, 1000);
  int dx = 5, dy = 5;
  view.ClampScrollDelta(dx, dy);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(dy, 0);
  dx = -5000;
  dy = -3;
  view.ClampScrollDelta(dx, dy);
  EXPECT_EQ(dx, -(2000 - view.ClientWidth()));
  EXPECT_EQ(dy, -3);

  view.CenterOn(TPoint{1000, 500});
  EXPECT_EQ(view.LogicalToDevice(TPoint{1000, 500}),
            (TPoint{view.ClientWidth() / 2, view.ClientHeight() / 2}));
  EXPECT_EQ(view.horizontalScrollBar()->value(), -Origin().x());
  view.CenterOn(TPoint{1990, 995});  // near the corner: held at the end
  EXPECT_EQ(Origin(), QPoint(view.ClientWidth() - 2000, view.ClientHeight() - 1000));

  view.ScrollView(50, 0);
  EXPECT_EQ(view.horizontalScrollBar()->value(), -Origin().x());
}

TEST_F(ScrollView, ZoomedExtentAndResizeFollow) {
  SetPicture(100, 100);
  view.MapMode().DeviceExtent = QPoint(4, 4);  // 400 × 400 device pixels
  view.UpdateScrollRange();
  EXPECT_TRUE(view.horizontalScrollBar()->isEnabled());
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 400 - view.ClientHeight());
  view.CenterOn(TPoint{100, 100});
  view.resize(600, 600);
  QApplication::processEvents();
  // Now smaller than the client: centred again, bars disabled.
  EXPECT_EQ(Origin(), QPoint((view.ClientWidth() - 400) / 2, (view.ClientHeight() - 400) / 2));
  EXPECT_FALSE(view.verticalScrollBar()->isEnabled());
}

TEST_F(ScrollView, ObjectsOutsideTheExtentDoNotWidenIt) {
  SetPicture(100, 100);
  auto overlay = std::make_unique<TQvViewObject>();
  overlay->Flags |= ViewObjectNoExtent;
  overlay->Bounds = TRect{-5000, -5000, 5000, 5000};
  view.Objects().Add(std::move(overlay));
  TRect extent;
  view.GetExtent(extent);
  EXPECT_EQ(extent.Width(), 100);
  EXPECT_EQ(extent.Height(), 100);
}

TEST_F(ScrollView, KeysAndWheelDoNotScroll) {
  SetPicture(2000, 1000);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QApplication::sendEvent(&view, &key);
  QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
  QApplication::sendEvent(&view, &right);
  QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &wheel);
  EXPECT_EQ(Origin(), QPoint(0, 0));
}
