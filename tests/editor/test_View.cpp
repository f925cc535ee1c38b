// View objects, the off-screen canvas and the two-pass paint of a view control.
#include "QvViewControls.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

namespace {

// An object that paints its frame as an opaque block (excluding it from the clip, as the
// picture does) and its content as a block of another colour, and logs every call.
class TBlockObject : public TQvViewObject {
public:
  TBlockObject(std::string name, uint8_t flags, const TRect& bounds, uint32_t frameColor,
               uint32_t contentColor, std::vector<std::string>& log)
      : FName(std::move(name)), FFrameColor(frameColor), FContentColor(contentColor), FLog(log) {
    Flags = flags;
    Bounds = bounds;
  }
  TQvMapMode* MapModeForPaint = nullptr;

  void PaintFrame(TQvViewCanvas& canvas) override {
    FLog.push_back(FName + ".frame");
    TRect r;
    GetFrameBounds(canvas.MapMode(), r);
    canvas.FillRect(r, FFrameColor);
    canvas.ExcludeClipRect(r);
  }
  void PaintContent(TQvViewCanvas& canvas) override {
    FLog.push_back(FName + ".content");
    TRect r;
    GetContentBounds(canvas.MapMode(), r);
    canvas.FillRect(r, FContentColor);
  }
  void AfterPaint() override { FLog.push_back(FName + ".after"); }

private:
  std::string FName;
  uint32_t FFrameColor;
  uint32_t FContentColor;
  std::vector<std::string>& FLog;
};

constexpr uint8_t FrameOnly = ViewObjectVisible | ViewObjectFrame | ViewObjectPaintable;
constexpr uint8_t ContentOnly = ViewObjectVisible | ViewObjectContent | ViewObjectPaintable;

uint32_t PixelOf(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TQvMapMode ZoomedMapMode() {
  // Two device pixels per image pixel, image (0, 0) at window (10, 20).
  TQvMapMode m;
  m.DeviceExtent = QPoint(2, 2);
  m.DeviceOrigin = QPoint(10, 20);
  return m;
}

}  // namespace

TEST(ViewObject, DefaultsAndDeviceBoundsFollowTheParts) {
  TQvViewObject object;
  EXPECT_EQ(object.Flags, 15);
  object.Bounds = TRect{1, 2, 5, 6};
  const TQvMapMode m = ZoomedMapMode();
  struct Case {
    uint8_t flags;
    TRect expected;
  } cases[] = {
      {ViewObjectFrame, {12, 24, 20, 32}},
      {ViewObjectContent, {12, 24, 20, 32}},
      {ViewObjectFrame | ViewObjectContent, {12, 24, 20, 32}},
      {ViewObjectVisible, {}},
  };
  for (const Case& c : cases) {
    object.Flags = c.flags;
    TRect r{1, 1, 2, 2};
    object.GetDeviceBounds(m, r);
    EXPECT_EQ(r, c.expected) << "flags " << int(c.flags);
  }
  object.SetVisible(false);
  EXPECT_FALSE(object.IsVisible());
  object.SetVisible(true);
  EXPECT_TRUE(object.IsVisible());
}

TEST(ViewObject, HitTestsInDeviceCoordinates) {
  TQvViewObject object;
  object.Bounds = TRect{0, 0, 10, 5};  // device (10, 20) – (30, 30)
  const TQvMapMode m = ZoomedMapMode();
  struct PointCase {
    TPoint point;
    int tolerance;
    int expected;
  } points[] = {
      {{10, 20}, 0, HitInside},  {{29, 29}, 0, HitInside}, {{30, 29}, 0, HitNone},
      {{30, 29}, 1, HitNear},    {{31, 25}, 2, HitNear},   {{32, 25}, 2, HitNone},
      {{9, 19}, 0, HitNone},     {{8, 18}, 2, HitNear},
  };
  for (const PointCase& c : points)
    EXPECT_EQ(object.HitTestPoint(m, c.point, c.tolerance), c.expected)
        << c.point.X << "," << c.point.Y << " tol " << c.tolerance;
  struct RectCase {
    TRect rect;
    int tolerance;
    int expected;
  } rects[] = {
      {{10, 20, 30, 30}, 0, HitInside},  // the bounds themselves
      {{12, 22, 14, 24}, 0, HitInside},  {{25, 25, 35, 35}, 0, HitOverlap},
      {{0, 0, 50, 50}, 0, HitOverlap},   // encloses the bounds
      {{30, 20, 34, 30}, 0, HitNone},    // touches the excluded right edge
      {{30, 20, 34, 30}, 1, HitNear},    {{31, 20, 34, 30}, 1, HitNone},
  };
  for (const RectCase& c : rects)
    EXPECT_EQ(object.HitTestRect(m, c.rect, c.tolerance), c.expected)
        << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
  EXPECT_FALSE(object.HitTest(15, 25));
}

TEST(ViewObjectList, OwnsAndOrdersBottomToTop) {
  TQvViewObjectList list;
  auto* a = list.Add(std::make_unique<TQvViewObject>());
  auto* c = list.Add(std::make_unique<TQvViewObject>());
  auto* b = list.Insert(1, std::make_unique<TQvViewObject>());
  EXPECT_EQ(list.IndexOf(a), 0);
  EXPECT_EQ(list.IndexOf(b), 1);
  EXPECT_EQ(list.IndexOf(c), 2);
  std::unique_ptr<TQvViewObject> taken = list.Extract(b);
  EXPECT_EQ(taken.get(), b);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Extract(b), nullptr);
  list.Remove(a);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0), c);
}

TEST(ViewCanvas, EmptyRegionStartsNoPass) {
  TQvViewCanvas canvas;
  QImage target(20, 20, QImage::Format_RGB32);
  EXPECT_FALSE(canvas.BeginPaintPass(&target, QRegion()));
  EXPECT_FALSE(canvas.InPaintPass());
  EXPECT_EQ(canvas.Painter(), nullptr);
  EXPECT_TRUE(canvas.Pixels().IsEmpty());
}

TEST(ViewCanvas, StatesRestoreTheClipInReverseOrder) {
  TQvViewCanvas canvas;
  QImage target(40, 40, QImage::Format_RGB32);
  ASSERT_TRUE(canvas.BeginPaintPass(&target, QRegion(0, 0, 40, 40)));
  TQvViewObject first, second;
  canvas.PushState(&first);
  canvas.ExcludeClipRect(TRect{0, 0, 20, 40});
  canvas.PushState(&second);
  canvas.ExcludeClipRect(TRect{20, 0, 40, 40});
  EXPECT_TRUE(canvas.ClipRegion().isEmpty());
  TQvViewObject* object = nullptr;
  ASSERT_TRUE(canvas.PopState(object));
  EXPECT_EQ(object, &second);
  EXPECT_EQ(canvas.ClipRegion(), QRegion(20, 0, 20, 40));
  ASSERT_TRUE(canvas.PopState(object));
  EXPECT_EQ(object, &first);
  EXPECT_EQ(canvas.ClipRegion(), QRegion(0, 0, 40, 40));
  EXPECT_FALSE(canvas.PopState(object));
  canvas.EndPaintPass();
}

TEST(ViewCanvas, SurfaceCoversTheBoxFromTheWindowCornerAndIsKept) {
  TQvViewCanvas canvas;
  QImage target(100, 80, QImage::Format_RGB32);
  target.fill(Qt::white);
  ASSERT_TRUE(canvas.BeginPaintPass(&target, QRegion(30, 20, 10, 10)));
  EXPECT_EQ(canvas.Pixels().BoundsRect(), (TRect{0, 0, 40, 30}));
  EXPECT_EQ(canvas.UpdateBox(), (TRect{30, 20, 40, 30}));
  canvas.FillRect(TRect{0, 0, 100, 100}, MakeColorValue(1, 2, 3));
  canvas.EndPaintPass();
  // Only the update box reaches the window.
  EXPECT_EQ(PixelOf(target, 30, 20), MakeColorValue(1, 2, 3));
  EXPECT_EQ(PixelOf(target, 39, 29), MakeColorValue(1, 2, 3));
  EXPECT_EQ(PixelOf(target, 29, 20), 0xFFFFFFu);
  EXPECT_EQ(PixelOf(target, 40, 29), 0xFFFFFFu);
  const size_t bytes = canvas.SurfaceBytes();
  ASSERT_TRUE(canvas.BeginPaintPass(&target, QRegion(0, 0, 20, 20)));
  EXPECT_EQ(canvas.SurfaceBytes(), bytes) << "a smaller pass rebuilt the surface";
  canvas.EndPaintPass();
}

TEST(ViewCanvas, PainterAndDirectPixelsShareOneSurfaceAndClip) {
  TQvViewCanvas canvas;
  QImage target(30, 10, QImage::Format_RGB32);
  ASSERT_TRUE(canvas.BeginPaintPass(&target, QRegion(0, 0, 30, 10)));
  canvas.FillRect(TRect{0, 0, 30, 10}, MakeColorValue(1, 1, 1));
  canvas.ExcludeClipRect(TRect{0, 0, 10, 10});
  ASSERT_NE(canvas.Painter(), nullptr);
  canvas.Painter()->fillRect(QRect(0, 0, 20, 10), QColor(200, 100, 50));
  canvas.EndPaintPass();
  EXPECT_EQ(PixelOf(target, 9, 5), MakeColorValue(1, 1, 1)) << "painter ignored the clip";
  EXPECT_EQ(PixelOf(target, 10, 5), MakeColorValue(200, 100, 50));
  EXPECT_EQ(PixelOf(target, 20, 5), MakeColorValue(1, 1, 1));
}

TEST(ViewCanvas, InvertTwiceRestoresAndStaysInsideTheClip) {
  TQvViewCanvas canvas;
  QImage target(10, 10, QImage::Format_RGB32);
  ASSERT_TRUE(canvas.BeginPaintPass(&target, QRegion(0, 0, 10, 10)));
  canvas.FillRect(TRect{0, 0, 10, 10}, MakeColorValue(10, 20, 30));
  canvas.ExcludeClipRect(TRect{0, 0, 5, 10});
  canvas.InvertRect(TRect{0, 0, 10, 10});
  EXPECT_EQ(PixelColor(canvas.Pixels().PixelAt(4, 4)), MakeColorValue(10, 20, 30));
  EXPECT_EQ(PixelColor(canvas.Pixels().PixelAt(5, 4)), MakeColorValue(245, 235, 225));
  canvas.InvertRect(TRect{0, 0, 10, 10});
  EXPECT_EQ(PixelColor(canvas.Pixels().PixelAt(5, 4)), MakeColorValue(10, 20, 30));
  canvas.EndPaintPass();
}

class ViewPaint : public ::testing::Test {
protected:
  void SetUp() override {
    view.resize(60, 40);
    target = QImage(60, 40, QImage::Format_RGB32);
    target.fill(Qt::white);
  }
  TBlockObject* AddBlock(std::string name, uint8_t flags, const TRect& bounds, uint32_t frame,
                         uint32_t content) {
    return static_cast<TBlockObject*>(view.Objects().Add(
        std::make_unique<TBlockObject>(std::move(name), flags, bounds, frame, content, log)));
  }

  TQvViewControl view;
  QImage target;
  std::vector<std::string> log;
};

constexpr uint32_t Red = MakeColorValue(255, 0, 0);
constexpr uint32_t Green = MakeColorValue(0, 255, 0);
constexpr uint32_t Blue = MakeColorValue(0, 0, 255);
constexpr uint32_t Grey = MakeColorValue(64, 64, 64);

TEST_F(ViewPaint, FramesTopDownBackgroundThenContentsBottomUp) {
  AddBlock("picture", FrameOnly, TRect{10, 10, 40, 30}, Red, 0);
  AddBlock("lower", ContentOnly, TRect{5, 5, 20, 20}, 0, Green);
  AddBlock("upper", ContentOnly, TRect{15, 15, 25, 25}, 0, Blue);
  view.PaintView(&target, QRegion(0, 0, 60, 40));
  EXPECT_EQ(log, (std::vector<std::string>{"picture.frame", "picture.after", "lower.content",
                                            "lower.after", "upper.content", "upper.after"}));
  // The overlays lie over the picture even though the picture excluded its area from the clip.
  EXPECT_EQ(PixelOf(target, 0, 0), Grey);
  EXPECT_EQ(PixelOf(target, 39, 29), Red);
  EXPECT_EQ(PixelOf(target, 6, 6), Green);
  EXPECT_EQ(PixelOf(target, 12, 12), Green);
  EXPECT_EQ(PixelOf(target, 16, 16), Blue);
  EXPECT_EQ(PixelOf(target, 24, 24), Blue);
}

TEST_F(ViewPaint, UpperFrameHidesWhatLiesBeneath) {
  AddBlock("picture", FrameOnly, TRect{0, 0, 30, 30}, Red, 0);
  AddBlock("lower", ContentOnly, TRect{0, 0, 10, 10}, 0, Green);
  AddBlock("cover", FrameOnly, TRect{0, 0, 20, 20}, Blue, 0);
  view.PaintView(&target, QRegion(0, 0, 60, 40));
  // The content part waits with the clip of its turn: the cover's area is no longer in it.
  EXPECT_EQ(PixelOf(target, 5, 5), Blue);
  EXPECT_EQ(PixelOf(target, 25, 25), Red);
  EXPECT_EQ(PixelOf(target, 50, 5), Grey);
}

TEST_F(ViewPaint, ObjectsOutsideTheExposedAreaAreSkipped) {
  AddBlock("left", FrameOnly, TRect{0, 0, 10, 40}, Red, 0);
  AddBlock("right", FrameOnly | ViewObjectContent, TRect{50, 0, 60, 40}, Red, Green);
  AddBlock("hidden", FrameOnly & ~ViewObjectVisible, TRect{0, 0, 60, 40}, Blue, 0);
  view.PaintView(&target, QRegion(0, 0, 20, 40));
  EXPECT_EQ(log, (std::vector<std::string>{"left.frame", "left.after"}));
  EXPECT_EQ(PixelOf(target, 15, 5), Grey);
  EXPECT_EQ(PixelOf(target, 55, 5), 0xFFFFFFu) << "outside the update region";
}

TEST_F(ViewPaint, EmptyRegionPaintsNothing) {
  AddBlock("picture", FrameOnly, TRect{0, 0, 60, 40}, Red, 0);
  view.PaintView(&target, QRegion());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(PixelOf(target, 5, 5), 0xFFFFFFu);
}

TEST_F(ViewPaint, ZoomedMappingPlacesThePicture) {
  view.MapMode().DeviceExtent = QPoint(2, 2);
  view.MapMode().DeviceOrigin = QPoint(4, 6);
  AddBlock("picture", FrameOnly, TRect{0, 0, 5, 5}, Red, 0);
  view.PaintView(&target, QRegion(0, 0, 60, 40));
  EXPECT_EQ(PixelOf(target, 3, 6), Grey);
  EXPECT_EQ(PixelOf(target, 4, 6), Red);
  EXPECT_EQ(PixelOf(target, 13, 15), Red);
  EXPECT_EQ(PixelOf(target, 14, 15), Grey);
  EXPECT_EQ(view.DeviceToLogical(TPoint{13, 15}), (TPoint{4, 4}));
  EXPECT_EQ(view.LogicalToDevice(TRect{1, 1, 2, 2}), (TRect{6, 8, 8, 10}));
}
