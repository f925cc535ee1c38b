#include "RedEyeFinder.h"
#include "RedEyeSynthetic.h"

#include "QvImageCodecs.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace synth;

namespace {

const TRgb kWall{90, 100, 110};
const TRgb kStrongRed{212, 30, 44};

struct TCentre {
  double X, Y;
};

// Every found pupil lies within 3 pixels of one expected centre, and every centre has one.
void ExpectPupils(const TRedEyeFinderResult& found, const std::vector<TCentre>& expected) {
  for (const TRedEyeCandidate& c : found.Pupils) {
    bool near = false;
    for (const TCentre& e : expected)
      near = near || std::hypot(c.CentreX - e.X, c.CentreY - e.Y) <= 3.0;
    EXPECT_TRUE(near) << "false find at " << c.CentreX << ", " << c.CentreY;
  }
  for (const TCentre& e : expected) {
    int hits = 0;
    for (const TRedEyeCandidate& c : found.Pupils)
      hits += std::hypot(c.CentreX - e.X, c.CentreY - e.Y) <= 3.0 ? 1 : 0;
    EXPECT_EQ(hits, 1) << "pupil at " << e.X << ", " << e.Y;
  }
}

// A portrait among red things that are not eyes: a stretched red disc, a red disc on the wall,
// a folded red cloth, and the face's own lips.
TImage Portrait(std::vector<TCentre>& pupils) {
  TImage image(640, 420, kWall);
  TPoint left, right;
  Face(image, 220, 200, 90, 6, left, right);
  pupils = {{220 - 0.42 * 90, 200 - 0.25 * 90}, {220 + 0.42 * 90, 200 - 0.25 * 90}};
  image.Ellipse(480, 70, 22, 7, kStrongRed);
  image.Disc(560, 60, 7, kStrongRed);
  for (int y = 220; y < 380; ++y)
    for (int x = 420; x < 600; ++x) {
      // Folds: the red darkens and lightens in bands, as a cloth under a flash does.
      const double fold = 0.75 + 0.25 * std::sin(x * 0.21 + std::sin(y * 0.05) * 3);
      image.Set(x, y, TRgb{int(220 * fold), int(30 * fold), int(40 * fold)});
    }
  return image;
}

TImage LoadSample() {
  TQvLTBitmap bitmap;
  TQvImageProperties properties;
  TQvLoadTarget target;
  target.Image = &bitmap;
  target.Properties = &properties;
  int32_t formatId = 0;
  QString error;
  const bool loaded = LoadImageFile(
      target, QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"), formatId, error);
  EXPECT_TRUE(loaded) << error.toStdString();
  if (!loaded)
    return TImage(1, 1, TRgb{0, 0, 0});
  TImage image(bitmap.Width(), bitmap.Height(), TRgb{0, 0, 0});
  image.CopyFrom(*bitmap.Pixels());
  return image;
}

} // namespace

TEST(RedEyeFinder, FindsThePupilsOfAPortraitAndNoDistractor) {
  std::vector<TCentre> pupils;
  const TImage image = Portrait(pupils);
  const TRedEyeFinderResult found = FindRedEyes(image);
  ExpectPupils(found, pupils);
  // Each seed is a click the plain detection turns into the pupil.
  for (const TRedEyeCandidate& c : found.Pupils) {
    EXPECT_EQ(c.Channel, ChannelRed);
    EXPECT_TRUE(ClearlyRed(image.Get(c.Seed.X, c.Seed.Y)));
  }
}

TEST(RedEyeFinder, SameAnswerOnAnyNumberOfThreads) {
  std::vector<TCentre> pupils;
  const TImage image = Portrait(pupils);
  const TRedEyeFinderResult one = FindRedEyes(image, TRedEyeFinderOptions{true, 1});
  for (int threads : {2, 3, 7}) {
    const TRedEyeFinderResult many = FindRedEyes(image, TRedEyeFinderOptions{true, threads});
    ASSERT_EQ(many.Pupils.size(), one.Pupils.size());
    for (size_t i = 0; i < one.Pupils.size(); ++i)
      EXPECT_EQ(many.Pupils[i].Seed, one.Pupils[i].Seed);
    EXPECT_EQ(many.Candidates.size(), one.Candidates.size());
  }
}

// Animal eyes under a flash shine green or blue: found as a click finds them, unless asked not to.
TEST(RedEyeFinder, EyeShine) {
  for (const TRgb shine : {TRgb{90, 235, 120}, TRgb{80, 140, 240}}) {
    TImage image(300, 200, TRgb{72, 56, 40});
    const std::vector<TCentre> pupils{{110.5, 90.5}, {190.5, 92.5}};
    for (const TCentre& p : pupils) {
      image.Ellipse(p.X, p.Y, 16, 13, TRgb{172, 150, 64});
      image.Disc(p.X, p.Y, 6.5, shine);
    }
    ExpectPupils(FindRedEyes(image), pupils);
    EXPECT_TRUE(FindRedEyes(image, TRedEyeFinderOptions{false, 0}).Pupils.empty());
  }
}

// A plain green or blue, as saturated as cloth, is not eye-shine.
TEST(RedEyeFinder, DullGreenIsNoEyeShine) {
  TImage image(300, 200, TRgb{72, 56, 40});
  image.Disc(110.5, 90.5, 6.5, TRgb{10, 140, 70});
  image.Disc(190.5, 90.5, 6.5, TRgb{10, 70, 140});
  EXPECT_TRUE(FindRedEyes(image).Pupils.empty());
}

TEST(RedEyeFinder, ShippedSample) {
  const TImage image = LoadSample();
  ExpectPupils(FindRedEyes(image), {{82, 81}, {232, 33}});
}

TEST(RedEyeFinder, StoresWithoutPupils) {
  EXPECT_TRUE(FindRedEyes(TImage(64, 48, TRgb{128, 128, 128})).Pupils.empty());
  EXPECT_TRUE(FindRedEyes(TImage(1, 1, kStrongRed)).Pupils.empty());
  EXPECT_TRUE(FindRedEyes(TImage(200, 200, kStrongRed)).Pupils.empty());
  TQvPixels none;
  EXPECT_TRUE(FindRedEyes(none).Pupils.empty());
}

TEST(RedEyeBlobs, PatchesAndTheirMoments) {
  TImage image(60, 40, TRgb{128, 128, 128});
  image.Disc(15.5, 15.5, 8, kStrongRed);
  image.Set(40, 10, kStrongRed);  // two diagonal neighbours: one patch
  image.Set(41, 11, kStrongRed);
  image.Set(42, 11, TRgb{40, 230, 60});  // touching, but of another colour
  TRedEyeBlobOptions options;
  const TRedEyeBlobResult result = FindColorBlobs(image, options);
  ASSERT_EQ(result.Blobs.size(), 3u);
  const TRedEyeBlob& disc = result.Blobs[0];
  EXPECT_EQ(disc.Channel, ChannelRed);
  EXPECT_NEAR(disc.CentreX(), 15.5, 0.01);
  EXPECT_NEAR(disc.CentreY(), 15.5, 0.01);
  double major = 0, minor = 0;
  disc.Axes(major, minor);
  EXPECT_NEAR(major, 4.0, 0.15);  // r / 2 for a disc
  EXPECT_NEAR(minor, 4.0, 0.15);
  EXPECT_EQ(result.Blobs[1].Area, 2);
  EXPECT_EQ(result.Blobs[1].Channel, ChannelRed);
  EXPECT_EQ(result.Blobs[2].Channel, ChannelGreen);

  options.EyeShine = false;
  EXPECT_EQ(FindColorBlobs(image, options).Blobs.size(), 2u);
  options.MaxExtent = 10;  // the disc is 16 across
  EXPECT_EQ(FindColorBlobs(image, options).Blobs.size(), 1u);
}

// A scene of countless coloured specks is given up on with a flag instead of unbounded memory.
TEST(RedEyeBlobs, GivesUpOnTooManyRuns) {
  TImage image(100, 100, TRgb{128, 128, 128});
  for (int y = 0; y < 100; ++y)
    for (int x = y % 2; x < 100; x += 2)
      image.Set(x, y, kStrongRed);
  TRedEyeBlobOptions options;
  options.MaxRuns = 1000;
  const TRedEyeBlobResult result = FindColorBlobs(image, options);
  EXPECT_TRUE(result.GaveUp);
  EXPECT_TRUE(result.Blobs.empty());
  options.MaxRuns = 10000;
  EXPECT_FALSE(FindColorBlobs(image, options).GaveUp);
}

namespace {

struct TPortraitCase {
  const char* Name;
  double FaceHalfWidth;
  double PupilRadius;
  TRgb Pupil;
  bool Lid;  // the upper lid covers the top of both pupils
};

class FinderPortrait : public ::testing::TestWithParam<TPortraitCase> {};

} // namespace

// Faces of several sizes, weakly red or half-covered pupils: both pupils, nothing else.
TEST_P(FinderPortrait, FindsBothPupils) {
  const TPortraitCase& c = GetParam();
  TImage image(int(c.FaceHalfWidth * 4), int(c.FaceHalfWidth * 4), kWall);
  const double cx = c.FaceHalfWidth * 2, cy = c.FaceHalfWidth * 2, w = c.FaceHalfWidth;
  image.Ellipse(cx, cy, w, 1.3 * w, kSkin);
  std::vector<TCentre> pupils;
  for (int side : {-1, 1}) {
    const double ex = cx + side * 0.42 * w, ey = cy - 0.25 * w;
    Eye(image, ex, ey, c.PupilRadius, c.Pupil);
    if (c.Lid)
      image.Fill(TRect{int(ex - 5 * c.PupilRadius), int(ey - 3 * c.PupilRadius), int(ex + 5 * c.PupilRadius),
                       int(ey - 0.4 * c.PupilRadius)},
                 kSkin);
    pupils.push_back({ex, c.Lid ? ey + 0.3 * c.PupilRadius : ey});
  }
  image.Ellipse(cx, cy + 0.62 * w, 0.38 * w, 0.1 * w, kLip);
  ExpectPupils(FindRedEyes(image), pupils);
}

INSTANTIATE_TEST_SUITE_P(
    Faces, FinderPortrait,
    ::testing::Values(TPortraitCase{"Small", 40, 3, kPupilRed, false},
                      TPortraitCase{"Medium", 90, 6, kPupilRed, false},
                      TPortraitCase{"Large", 300, 16, kPupilRed, false},
                      TPortraitCase{"DarkRed", 90, 6, TRgb{112, 20, 40}, false},
                      TPortraitCase{"Orange", 90, 6, TRgb{225, 95, 60}, false},
                      TPortraitCase{"UnderTheLid", 90, 7, kPupilRed, true}),
    [](const ::testing::TestParamInfo<TPortraitCase>& info) { return std::string(info.param.Name); });
