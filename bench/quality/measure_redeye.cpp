// measure_redeye find IMAGE [--pupil X,Y,R ...] [--all]
#include "QvImageCodecs.h"
#include "RedEyeFinder.h"
#include "RedEyeNatural.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct TPupil {
  double X = 0, Y = 0, R = 0;
};

int Find(const TQvPixels& pixels, const std::vector<TPupil>& pupils, bool all) {
  const TRedEyeFinderResult found = FindRedEyes(pixels);
  if (all)
    for (const TRedEyeCandidate& c : found.Candidates)
      std::printf("%s ch%d seed %d,%d centre %.1f,%.1f r %.1f area %lld box %dx%d fill %.2f axis %.2f "
                  "ringCol %.2f contrast %.2f skin %.2f far %.2f value %.0f\n",
                  c.Accepted ? "ACCEPT" : "reject", c.Channel, c.Seed.X, c.Seed.Y, c.CentreX,
                  c.CentreY, c.Radius, (long long)c.Area, c.Box.Width(), c.Box.Height(), c.Fill,
                  c.AxisRatio, c.RingColored, c.RingContrast, c.SkinShare, c.FarColored, c.Value);
  int hits = 0, falseFinds = 0;
  for (const TRedEyeCandidate& c : found.Pupils) {
    bool hit = false;
    for (const TPupil& p : pupils)
      hit = hit || std::hypot(c.CentreX - p.X, c.CentreY - p.Y) <= 3.0;
    std::printf("found %s at %.1f,%.1f (seed %d,%d)\n", hit ? "pupil" : "FALSE", c.CentreX, c.CentreY,
                c.Seed.X, c.Seed.Y);
    falseFinds += hit ? 0 : 1;
  }
  for (const TPupil& p : pupils) {
    bool got = false;
    for (const TRedEyeCandidate& c : found.Pupils)
      got = got || std::hypot(c.CentreX - p.X, c.CentreY - p.Y) <= 3.0;
    hits += got ? 1 : 0;
    if (!got)
      std::printf("MISSED pupil at %.1f,%.1f\n", p.X, p.Y);
  }
  std::printf("pupils found %d of %zu, false finds %d\n", hits, pupils.size(), falseFinds);
  return 0;
}

// Red in hue and clearly saturated: pupil, rim and lips, not skin (saturation about 0.2).
bool ClearlyRed(const uint8_t* p) {
  const int red = p[ChannelRed], other = std::max(p[ChannelGreen], p[ChannelBlue]);
  const int low = std::min(p[ChannelGreen], p[ChannelBlue]);
  return red >= 60 && red - other >= 20 && (red - low) * 100 >= red * 35;
}

int Luma(const uint8_t* p) {
  return (77 * p[ChannelRed] + 150 * p[ChannelGreen] + 29 * p[ChannelBlue] + 128) >> 8;
}

struct TFigures {
  int RedBefore = 0, RedAfter = 0;
  double SpreadMembers = 0, SpreadChanged = 0;
  int Members = 0, Changed = 0;
  int CatchLights = 0, CatchLossMax = 0;
  double CatchLossSum = 0;
  int OutsideBounds = 0, OutsideEye = 0;
  std::vector<int> PupilRedBefore, PupilRedAfter;
  double WorstPupilShare() const {
    double worst = 0;
    for (size_t i = 0; i < PupilRedBefore.size(); ++i)
      if (PupilRedBefore[i] > 0)
        worst = std::max(worst, 100.0 * PupilRedAfter[i] / PupilRedBefore[i]);
    return worst;
  }
};

// One click per pupil on a copy of the image; natural or plain.
TFigures Correct(const TQvPixels& original, const std::vector<TPupil>& pupils, bool natural, int area,
                 int brightness, TQvPixelBuffer& work) {
  work.Allocate(PixelFormat24, original.BoundsRect());
  work.CopyFrom(original);
  std::vector<TRect> bounds;
  std::vector<TQvPixelRegion> regions;
  TRedEyeSelection selection;
  for (const TPupil& p : pupils) {
    const TPoint seed{int32_t(p.X), int32_t(p.Y)};
    if (natural) {
      SelectNatural(selection, original, seed, 255 - area, 0, TRedEyeSelection::FormulaCubic);
      CorrectRedEyeNatural(work, selection, brightness);
    } else {
      selection.Select(original, seed, 255 - area, 0, TRedEyeSelection::FormulaCubic);
      CorrectRedEye(work, selection, brightness);
    }
    bounds.push_back(selection.GetBounds());
    regions.push_back(selection.Region());
  }
  TFigures f;
  f.PupilRedBefore.assign(pupils.size(), 0);
  f.PupilRedAfter.assign(pupils.size(), 0);
  for (int32_t y = 0; y < original.Height; ++y)
    for (int32_t x = 0; x < original.Width; ++x) {
      const uint8_t* a = original.PixelAt(x, y);
      const uint8_t* b = work.PixelAt(x, y);
      const bool changed = a[0] != b[0] || a[1] != b[1] || a[2] != b[2];
      bool inBounds = false, inEye = false, inPupil = false, member = false;
      for (size_t i = 0; i < pupils.size(); ++i) {
        inBounds = inBounds || bounds[i].Contains(x, y);
        member = member || regions[i].Contains(x, y);
        const double d = std::hypot(x + 0.5 - pupils[i].X, y + 0.5 - pupils[i].Y);
        inEye = inEye || d <= 2.5 * pupils[i].R + 4;
        if (d <= pupils[i].R + 3 && ClearlyRed(a)) {
          ++f.RedBefore;
          f.RedAfter += ClearlyRed(b) ? 1 : 0;
          ++f.PupilRedBefore[i];
          f.PupilRedAfter[i] += ClearlyRed(b) ? 1 : 0;
        }
        if (d <= pupils[i].R && std::min(a[ChannelGreen], a[ChannelBlue]) >= 150) {
          ++f.CatchLights;
          const int loss = Luma(a) - Luma(b);
          f.CatchLossMax = std::max(f.CatchLossMax, loss);
          f.CatchLossSum += loss;
        }
        (void)inPupil;
      }
      if (!changed)
        continue;
      const int spread = std::max({b[0], b[1], b[2]}) - std::min({b[0], b[1], b[2]});
      ++f.Changed;
      f.SpreadChanged += spread;
      if (member) {
        ++f.Members;
        f.SpreadMembers += spread;
      }
      f.OutsideBounds += inBounds ? 0 : 1;
      f.OutsideEye += inEye ? 0 : 1;
    }
  return f;
}

int Natural(const TQvPixels& pixels, const std::vector<TPupil>& pupils, int area, int brightness,
            const QString& save) {
  TQvPixelBuffer work;
  if (!save.isEmpty()) {
    Correct(pixels, pupils, true, area, brightness, work);
    work.AsQImage().save(save);
    return 0;
  }
  for (bool natural : {false, true}) {
    const TFigures f = Correct(pixels, pupils, natural, area, brightness, work);
    std::printf("%-8s area %d: red left %d of %d (%.1f%%, worst pupil %.1f%%), spread members %.2f (%d px) changed %.2f (%d px), "
                "catch-light loss max %d mean %.1f (%d px), changed outside bounds %d, outside eyes %d\n",
                natural ? "natural" : "plain", area, f.RedAfter, f.RedBefore,
                f.RedBefore ? 100.0 * f.RedAfter / f.RedBefore : 0.0, f.WorstPupilShare(),
                f.Members ? f.SpreadMembers / f.Members : 0.0, f.Members,
                f.Changed ? f.SpreadChanged / f.Changed : 0.0, f.Changed, f.CatchLossMax,
                f.CatchLights ? f.CatchLossSum / f.CatchLights : 0.0, f.CatchLights, f.OutsideBounds,
                f.OutsideEye);
  }
  // Flooding: pixels changed outside the eyes over the large area sizes.
  for (bool natural : {false, true}) {
    int worst = 0, worstArea = 0, floods = 0;
    for (int a = 150; a <= 255; ++a) {
      const TFigures f = Correct(pixels, pupils, natural, a, brightness, work);
      floods += f.OutsideEye > 0 ? 1 : 0;
      if (std::getenv("MEASURE_VERBOSE") && f.OutsideEye > 0)
        std::printf("  area %d: %d outside\n", a, f.OutsideEye);
      if (f.OutsideEye > worst) {
        worst = f.OutsideEye;
        worstArea = a;
      }
    }
    std::printf("%-8s areas 150..255: %d sizes change pixels outside the eyes, worst %d px at area %d\n",
                natural ? "natural" : "plain", floods, worst, worstArea);
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 3) {
    std::fprintf(stderr, "usage: measure_redeye find|natural IMAGE [--pupil X,Y,R ...] [--all]\n");
    return 2;
  }
  std::vector<TPupil> pupils;
  bool all = false;
  int area = 176, brightness = 50;
  QString save;
  for (int i = 3; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--all"))
      all = true;
    else if (args[i] == QLatin1String("--save") && i + 1 < args.size())
      save = args[++i];
    else if (args[i] == QLatin1String("--area") && i + 1 < args.size())
      area = args[++i].toInt();
    else if (args[i] == QLatin1String("--brightness") && i + 1 < args.size())
      brightness = args[++i].toInt();
    else if (args[i] == QLatin1String("--pupil") && i + 1 < args.size()) {
      const QStringList v = args[++i].split(QLatin1Char(','));
      if (v.size() == 3)
        pupils.push_back(TPupil{v[0].toDouble(), v[1].toDouble(), v[2].toDouble()});
    }
  }
  TQvLTBitmap image;
  TQvImageProperties properties;
  TQvLoadTarget target;
  target.Image = &image;
  target.Properties = &properties;
  int32_t formatId = 0;
  QString error;
  if (!LoadImageFile(target, args[2], formatId, error) || image.Pixels() == nullptr) {
    std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(args[2]), qPrintable(error));
    return 1;
  }
  if (args[1] == QLatin1String("find"))
    return Find(*image.Pixels(), pupils, all);
  if (args[1] == QLatin1String("natural"))
    return Natural(*image.Pixels(), pupils, area, brightness, save);
  return 2;
}
