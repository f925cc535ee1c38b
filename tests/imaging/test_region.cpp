#include "QvPixelRegion.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>
#include <utility>

// Readable rectangles in failure messages.
static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "(" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

namespace {

using TPixelSet = std::set<std::pair<int, int>>;  // (y, x), so iteration runs row by row

TQvPixelRegion FromSet(const TPixelSet& pixels) {
  TQvPixelRegion region;
  for (const auto& [y, x] : pixels)
    region.Unite(TQvPixelRegion::FromRect(TRect{x, y, x + 1, y + 1}));
  return region;
}

// Membership over a frame that holds both operands with room to spare.
TPixelSet ToSet(const TQvPixelRegion& region) {
  TPixelSet pixels;
  for (int y = -20; y < 40; ++y)
    for (int x = -20; x < 40; ++x)
      if (region.Contains(x, y))
        pixels.insert({y, x});
  return pixels;
}

TPixelSet RectSet(int left, int top, int right, int bottom) {
  TPixelSet pixels;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      pixels.insert({y, x});
  return pixels;
}

TPixelSet Plus(const TPixelSet& a, const TPixelSet& b) {
  TPixelSet r = a;
  r.insert(b.begin(), b.end());
  return r;
}

// The tight box of a reference set, the all-zero rectangle when empty.
TRect BoxOf(const TPixelSet& pixels) {
  if (pixels.empty())
    return TRect{};
  TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const auto& [y, x] : pixels) {
    box.Left = std::min(box.Left, x);
    box.Top = std::min(box.Top, y);
    box.Right = std::max(box.Right, x + 1);
    box.Bottom = std::max(box.Bottom, y + 1);
  }
  return box;
}

struct TShapes {
  const char* name;
  TPixelSet a, b;
};

// Overlapping, nested, disjoint, touching, holed and empty operands: every way the two boxes can
// lie that forces the union box to grow or the result box to shrink.
std::vector<TShapes> Shapes() {
  const TPixelSet ring = [] {
    TPixelSet r = RectSet(0, 0, 7, 7);
    for (const auto& p : RectSet(2, 2, 5, 5))
      r.erase(p);
    return r;
  }();
  return {
      {"overlapping", RectSet(0, 0, 5, 4), RectSet(3, 2, 9, 8)},
      {"nested", RectSet(-3, -3, 10, 10), RectSet(2, 1, 4, 6)},
      {"disjoint", RectSet(0, 0, 2, 2), RectSet(10, -5, 12, -1)},
      {"touching", RectSet(0, 0, 3, 3), RectSet(3, 0, 6, 3)},
      {"ring and centre", ring, RectSet(1, 1, 6, 6)},
      {"diagonal pixels", TPixelSet{{0, 0}, {5, 5}, {2, 7}}, TPixelSet{{5, 5}, {-4, 3}}},
      {"empty right", RectSet(0, 0, 3, 3), TPixelSet{}},
      {"empty left", TPixelSet{}, RectSet(0, 0, 3, 3)},
  };
}

} // namespace

TEST(PixelRegion, EmptyRegionHasNoPixelsAndAZeroBox) {
  TQvPixelRegion region;
  EXPECT_TRUE(region.IsEmpty());
  EXPECT_FALSE(region.Contains(0, 0));
  EXPECT_EQ(region.Bounds(), TRect{});
  EXPECT_TRUE(region.Rects().empty());
  EXPECT_TRUE(region.ToQRegion().isEmpty());
  EXPECT_TRUE(TQvPixelRegion::FromRect(TRect{5, 5, 5, 9}).IsEmpty());
  EXPECT_TRUE(TQvPixelRegion::FromRect(TRect{5, 5, 2, 9}).IsEmpty());
}

TEST(PixelRegion, SetOperationsMatchAReferenceSet) {
  using TOp = std::function<void(TQvPixelRegion&, const TQvPixelRegion&)>;
  using TRef = std::function<TPixelSet(const TPixelSet&, const TPixelSet&)>;
  const struct {
    const char* name;
    TOp op;
    TRef ref;
  } ops[] = {
      {"union", [](TQvPixelRegion& r, const TQvPixelRegion& o) { r.Unite(o); }, Plus},
      {"intersection", [](TQvPixelRegion& r, const TQvPixelRegion& o) { r.Intersect(o); },
       [](const TPixelSet& a, const TPixelSet& b) {
         TPixelSet r;
         for (const auto& p : a)
           if (b.count(p))
             r.insert(p);
         return r;
       }},
      {"difference", [](TQvPixelRegion& r, const TQvPixelRegion& o) { r.Subtract(o); },
       [](const TPixelSet& a, const TPixelSet& b) {
         TPixelSet r;
         for (const auto& p : a)
           if (!b.count(p))
             r.insert(p);
         return r;
       }},
  };
  for (const auto& shapes : Shapes())
    for (const auto& op : ops) {
      SCOPED_TRACE(std::string(shapes.name) + " " + op.name);
      TQvPixelRegion region = FromSet(shapes.a);
      op.op(region, FromSet(shapes.b));
      const TPixelSet expected = op.ref(shapes.a, shapes.b);
      EXPECT_EQ(ToSet(region), expected);
      EXPECT_EQ(region.Bounds(), BoxOf(expected)) << "the box must stay tight";
      EXPECT_EQ(region.PixelCount(), int64_t(expected.size()));
      EXPECT_EQ(region, FromSet(expected));
    }
}

TEST(PixelRegion, CombiningWithItself) {
  const TPixelSet shape = Plus(RectSet(0, 0, 4, 2), RectSet(6, 3, 8, 5));
  TQvPixelRegion region = FromSet(shape);
  region.Unite(region);
  EXPECT_EQ(ToSet(region), shape);
  region.Intersect(region);
  EXPECT_EQ(ToSet(region), shape);
  region.Subtract(region);
  EXPECT_TRUE(region.IsEmpty());
}

TEST(PixelRegion, IntersectionWithARectangleTrimsTheBox) {
  TQvPixelRegion region = FromSet(Plus(RectSet(0, 0, 3, 3), RectSet(10, 10, 12, 12)));
  region.Intersect(TRect{1, 1, 11, 5});
  EXPECT_EQ(ToSet(region), RectSet(1, 1, 3, 3));
  EXPECT_EQ(region.Bounds(), (TRect{1, 1, 3, 3}));
  region.Intersect(TRect{20, 20, 30, 30});
  EXPECT_TRUE(region.IsEmpty());
}

TEST(PixelRegion, OffsetMovesEveryPixel) {
  const TPixelSet shape = Plus(RectSet(0, 0, 3, 1), TPixelSet{{4, 2}});
  TQvPixelRegion region = FromSet(shape);
  region.Offset(-5, 7);
  TPixelSet moved;
  for (const auto& [y, x] : shape)
    moved.insert({y + 7, x - 5});
  EXPECT_EQ(ToSet(region), moved);
  EXPECT_EQ(region.Bounds(), (TRect{-5, 7, -2, 12}));
}

// Guards against signed overflow (UB) when a region is moved to the end of the coordinate range.
TEST(PixelRegion, OffsetPastTheIntRangeDropsThosePixels) {
  TQvPixelRegion region = TQvPixelRegion::FromRect(TRect{0, 0, 4, 1});
  region.Offset(INT_MAX - 3, 0);  // the last pixel's right edge would pass INT_MAX
  EXPECT_EQ(region.Bounds(), (TRect{INT_MAX - 3, 0, INT_MAX, 1}));
  region.Offset(INT_MIN, 0);
  EXPECT_EQ(region.Bounds(), (TRect{-4, 0, -1, 1}));
  region.Offset(INT_MIN, 0);  // everything would fall below INT_MIN
  EXPECT_TRUE(region.IsEmpty());
}

TEST(PixelRegion, RunsListEachRowLeftToRight) {
  // Row 0: two runs; row 1: one run spanning both; row 2: a hole in a run.
  const TPixelSet shape = Plus(Plus(Plus(RectSet(0, 0, 2, 1), RectSet(4, 0, 5, 1)), RectSet(0, 1, 5, 2)),
                               Plus(RectSet(1, 2, 2, 3), RectSet(3, 2, 4, 3)));
  const TQvPixelRegion region = FromSet(shape);
  const std::vector<TRect> expected = {{0, 0, 2, 1}, {4, 0, 5, 1}, {0, 1, 5, 2},
                                       {1, 2, 2, 3}, {3, 2, 4, 3}};
  EXPECT_EQ(region.Rects(), expected);

  // The runs rebuild the same set: what an undo copy made from them would restore.
  TQvPixelRegion rebuilt;
  region.ForEachRun([&](int y, int left, int right) {
    rebuilt.Unite(TQvPixelRegion::FromRect(TRect{left, y, right, y + 1}));
  });
  EXPECT_EQ(rebuilt, region);

  // Rows read beside, across and past the box come back as 0 / 1 bytes.
  uint8_t bytes[9];
  region.GetRow(2, -2, 9, bytes);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 9), (std::vector<uint8_t>{0, 0, 0, 1, 0, 1, 0, 0, 0}));
  region.GetRow(3, -2, 9, bytes);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 9), std::vector<uint8_t>(9, 0));
  region.GetRow(1, INT64_C(-5000000000), 9, bytes);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 9), std::vector<uint8_t>(9, 0));

  QRegion expectedQ;
  for (const TRect& r : expected)
    expectedQ += QRect(r.Left, r.Top, r.Width(), r.Height());
  EXPECT_EQ(region.ToQRegion(), expectedQ);
}

TEST(PixelRegion, FromMaskKeepsNonZeroBytesAndTightensTheBox) {
  // 4 x 3 mask with padding bytes (9) at the end of each row that must be ignored.
  const uint8_t mask[] = {0, 0, 0, 0, 9,  //
                          0, 255, 0, 1, 9,  //
                          0, 0, 0, 0, 9};
  const TQvPixelRegion region = TQvPixelRegion::FromMask(10, 20, 4, 3, mask, 5);
  EXPECT_EQ(ToSet(region), (TPixelSet{{21, 11}, {21, 13}}));
  EXPECT_EQ(region.Bounds(), (TRect{11, 21, 14, 22}));
}

TEST(PixelRegion, CopiesAreIndependent) {
  TQvPixelRegion region = TQvPixelRegion::FromRect(TRect{0, 0, 3, 3});
  const TQvPixelRegion kept = region;  // what an undo state holds
  region.Subtract(TQvPixelRegion::FromRect(TRect{1, 1, 2, 2}));
  region.Offset(1, 0);
  EXPECT_EQ(kept, TQvPixelRegion::FromRect(TRect{0, 0, 3, 3}));
}
