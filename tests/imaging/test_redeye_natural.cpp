#include "RedEyeNatural.h"
#include "RedEyeSynthetic.h"

#include "QvImageCodecs.h"

#include <gtest/gtest.h>

#include <string>

using namespace synth;

namespace {

constexpr int kThreshold = 255 - 176;  // the tool's default area size
constexpr int kBrightness = 50;

// What one natural click did to the pixels around a pupil of known centre and radius.
struct TOutcome {
  int RedBefore = 0, RedAfter = 0;  // clearly red pixels within radius + 3, before and after
  int Members = 0;
  double Spread = 0;                // mean channel spread of the corrected members
  int CatchLightLoss = 0;           // largest luminance loss of a catch-light pixel
  int CatchLights = 0;
  int ChangedOutsideBounds = 0;
  int ChangedFarAway = 0;           // beyond radius + far
  TRect Bounds;
};

TOutcome Click(const TImage& original, TPoint seed, double cx, double cy, double r, double far,
               int threshold = kThreshold, int border = 0, int formula = TRedEyeSelection::FormulaCubic) {
  TImage work(original);
  TRedEyeSelection selection;
  SelectNatural(selection, original, seed, threshold, border, formula);
  CorrectRedEyeNatural(work, selection, kBrightness);
  TOutcome o;
  o.Bounds = selection.GetBounds();
  for (int y = 0; y < original.Height; ++y)
    for (int x = 0; x < original.Width; ++x) {
      const TRgb a = original.Get(x, y), b = work.Get(x, y);
      const double d = Distance(x, y, cx, cy);
      if (d <= r + 3 && ClearlyRed(a)) {
        ++o.RedBefore;
        o.RedAfter += ClearlyRed(b) ? 1 : 0;
      }
      if (d <= r && std::min(a.Green, a.Blue) >= 150) {
        ++o.CatchLights;
        o.CatchLightLoss = std::max(o.CatchLightLoss, Luma(a) - Luma(b));
      }
      if (selection.Region().Contains(x, y)) {
        ++o.Members;
        o.Spread += Spread(b);
      }
      if (!(a == b)) {
        o.ChangedOutsideBounds += o.Bounds.Contains(x, y) ? 0 : 1;
        o.ChangedFarAway += d > r + far ? 1 : 0;
      }
    }
  if (o.Members > 0)
    o.Spread /= o.Members;
  return o;
}

struct TPupilCase {
  const char* Name;
  TRgb Pupil;
  bool Rim;
  bool CatchLight;
};

class NaturalPupil : public ::testing::TestWithParam<TPupilCase> {};

} // namespace

// One eye on skin: the pupil ends neutral and dark, the rim goes with it, a catch-light keeps its
// luminance, and nothing changes beyond the eye or outside the selection's bounds.
TEST_P(NaturalPupil, IsNeutralDarkAndStaysInTheEye) {
  const TPupilCase& c = GetParam();
  TImage image(120, 90, kSkin);
  const double cx = 60.5, cy = 45.5, r = 6;
  image.Ellipse(cx, cy, 4.2 * r, 2.2 * r, kWhite);
  image.Disc(cx, cy, 2.2 * r, kIris);
  if (c.Rim)
    image.Disc(cx, cy, r + 2, kRim);
  image.Disc(cx, cy, r, c.Pupil);
  if (c.CatchLight)
    image.Fill(TRect{59, 42, 62, 45}, kCatchLight);

  const TOutcome o = Click(image, TPoint{60, 46}, cx, cy, r, 4);
  ASSERT_GT(o.Members, 0);
  EXPECT_EQ(o.ChangedOutsideBounds, 0);
  EXPECT_EQ(o.ChangedFarAway, 0);
  EXPECT_LE(o.Spread, 1.0);
  if (c.Rim) {
    EXPECT_LE(o.RedAfter * 100, 3 * o.RedBefore) << o.RedAfter << " of " << o.RedBefore << " still red";
    // The fixture's rim is one the plain correction leaves.
    TImage plain(image);
    TRedEyeSelection selection;
    selection.Select(image, TPoint{60, 46}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
    CorrectRedEye(plain, selection, kBrightness);
    EXPECT_TRUE(ClearlyRed(plain.Get(60, 46 + 7)));
  }
  if (c.CatchLight) {
    EXPECT_GT(o.CatchLights, 0);
    EXPECT_LE(o.CatchLightLoss, 8);
  }
  // The pupil's centre is dark and grey.
  TImage work(image);
  TRedEyeSelection selection;
  SelectNatural(selection, image, TPoint{60, 46}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  CorrectRedEyeNatural(work, selection, kBrightness);
  const TRgb centre = work.Get(60, 48);
  EXPECT_EQ(Spread(centre), 0) << centre;
  EXPECT_LT(centre.Red, 80) << centre;
}

INSTANTIATE_TEST_SUITE_P(
    Pupils, NaturalPupil,
    ::testing::Values(TPupilCase{"RedWithRim", kPupilRed, true, false},
                      TPupilCase{"RedWithCatchLight", kPupilRed, false, true},
                      TPupilCase{"RimAndCatchLight", kPupilRed, true, true},
                      // Blue above green: the plain correction leaves these purple.
                      TPupilCase{"PurpleProne", TRgb{200, 40, 110}, true, true},
                      TPupilCase{"DarkRed", TRgb{110, 18, 40}, true, false},
                      TPupilCase{"GreenEyeShine", TRgb{60, 220, 90}, false, true},
                      TPupilCase{"BlueEyeShine", TRgb{60, 110, 230}, false, true}),
    [](const ::testing::TestParamInfo<TPupilCase>& info) { return std::string(info.param.Name); });

// The plain correction keeps a purple cast on these pupils; the natural one must not.
TEST(NaturalCorrection, ValuesAreNeutralWhereThePlainOnesAreNot) {
  struct TCase {
    TRgb Pixel;
    int Expected;
  };
  const TCase cases[] = {
      {{200, 50, 40}, 44},   // the plain correction's worked example: R' = 44
      {{200, 40, 110}, 74},  // plain: (74, 40, 74)
      {{255, 0, 0}, 0},      // pure red is black at any brightness
      {{120, 20, 30}, 30},   // never lighter than the pixel's own blue
  };
  for (const TCase& c : cases) {
    uint8_t p[3] = {uint8_t(c.Pixel.Blue), uint8_t(c.Pixel.Green), uint8_t(c.Pixel.Red)};
    EXPECT_EQ(NaturalValue(p, ChannelRed, kBrightness), c.Expected) << c.Pixel;
  }
  // A catch-light keeps its luminance.
  uint8_t light[3] = {200, 190, 250};
  EXPECT_EQ(NaturalValue(light, ChannelRed, kBrightness), Luma(TRgb{250, 190, 200}));
}

// A pupil touching a red lip: the plain detection takes both, the natural one only the pupil.
TEST(NaturalCorrection, PupilTouchingARedLipDoesNotFloodIt) {
  TImage image(140, 100, kSkin);
  const double cx = 50.5, cy = 40.5, r = 6;
  image.Disc(cx, cy, 2.2 * r, kIris);
  image.Disc(cx, cy, r, kPupilRed);
  image.Ellipse(cx + 30, cy + 6, 24, 7, kLip);  // its left end meets the pupil
  image.Ellipse(cx + 10, cy + 3, 5, 3, kLip);
  TRedEyeSelection plain;
  plain.Select(image, TPoint{50, 40}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  ASSERT_TRUE(plain.Region().Contains(int(cx + 30), int(cy + 6))) << "the fixture must join pupil and lip";

  const TOutcome o = Click(image, TPoint{50, 40}, cx, cy, r, 4);
  EXPECT_GT(o.Members, 80);
  EXPECT_EQ(o.ChangedFarAway, 0);
  EXPECT_EQ(o.ChangedOutsideBounds, 0);
}

// However large the area size, the region never runs out of the eye into the skin of the face.
TEST(NaturalCorrection, NoFloodAtAnyLargeAreaSize) {
  TImage image(260, 240, TRgb{90, 100, 110});
  TPoint left, right;
  Face(image, 130, 120, 80, 5, left, right);
  for (int area = 150; area <= 255; ++area)
    for (const TPoint& seed : {left, right}) {
      const TOutcome o = Click(image, seed, seed.X + 0.5, seed.Y + 0.5, 5, 4, 255 - area);
      ASSERT_GT(o.Members, 0) << "area " << area;
      ASSERT_EQ(o.ChangedFarAway, 0) << "area " << area;
      ASSERT_EQ(o.ChangedOutsideBounds, 0) << "area " << area;
    }
}

// Border, formula and seeds that find nothing behave as in the plain detection.
TEST(NaturalCorrection, BorderFormulaAndEmptyDetections) {
  TImage image(80, 80, TRgb{128, 128, 128});
  image.Disc(40.5, 40.5, 6, kPupilRed);
  TRedEyeSelection selection;
  SelectNatural(selection, image, TPoint{40, 40}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  const int64_t plainCount = selection.Region().PixelCount();
  SelectNatural(selection, image, TPoint{40, 40}, kThreshold, 2, TRedEyeSelection::FormulaCubic);
  EXPECT_GT(selection.Region().PixelCount(), plainCount);
  EXPECT_EQ(selection.Border(), 2);
  SelectNatural(selection, image, TPoint{40, 40}, kThreshold, -1, TRedEyeSelection::FormulaCubic);
  EXPECT_LT(selection.Region().PixelCount(), plainCount);
  SelectNatural(selection, image, TPoint{40, 40}, 255 - 200, 0, TRedEyeSelection::FormulaSimilar);
  EXPECT_FALSE(selection.Region().IsEmpty());

  // Grey under the click, a seed off the image, a store of another format: nothing changes.
  TImage work(image);
  for (const TPoint& seed : {TPoint{10, 10}, TPoint{-50, 40}, TPoint{400, 400}}) {
    SelectNatural(selection, image, seed, kThreshold, 0, TRedEyeSelection::FormulaCubic);
    EXPECT_TRUE(selection.Region().IsEmpty());
    CorrectRedEyeNatural(work, selection, kBrightness);
  }
  EXPECT_TRUE(work.SameAs(image));
  TQvPixels other = image;
  other.Format = PixelFormat32Alpha;
  SelectNatural(selection, other, TPoint{40, 40}, kThreshold, 0, TRedEyeSelection::FormulaCubic);
  EXPECT_TRUE(selection.Region().IsEmpty());
}

// On the shipped flash photograph: one click per pupil meets every figure.
TEST(NaturalCorrection, ShippedSample) {
  TQvLTBitmap bitmap;
  TQvImageProperties properties;
  TQvLoadTarget target;
  target.Image = &bitmap;
  target.Properties = &properties;
  int32_t formatId = 0;
  QString error;
  ASSERT_TRUE(LoadImageFile(target, QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"),
                            formatId, error))
      << error.toStdString();
  const TQvPixels& photo = *bitmap.Pixels();
  TImage image(photo.Width, photo.Height, TRgb{0, 0, 0});
  image.CopyFrom(photo);
  struct TPupil {
    double X, Y, R;
  };
  for (const TPupil& p : {TPupil{82, 81, 7}, TPupil{232, 33, 7}}) {
    const TPoint seed{int(p.X), int(p.Y)};
    const TOutcome o = Click(image, seed, p.X, p.Y, p.R, 1.5 * p.R + 4);
    EXPECT_LE(o.RedAfter * 100, 3 * o.RedBefore) << o.RedAfter << " of " << o.RedBefore;
    EXPECT_LE(o.Spread, 8.0);
    EXPECT_GT(o.CatchLights, 0);
    EXPECT_LE(o.CatchLightLoss, 8);
    EXPECT_EQ(o.ChangedOutsideBounds, 0);
    for (int area = 150; area <= 255; area += 5)
      EXPECT_EQ(Click(image, seed, p.X, p.Y, p.R, 1.5 * p.R + 4, 255 - area).ChangedFarAway, 0)
          << "area " << area;
  }
}
