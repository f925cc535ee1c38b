// measure_redeye find IMAGE [--pupil X,Y,R ...] [--all]
#include "QvImageCodecs.h"
#include "RedEyeFinder.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>
#include <cstdio>
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
  for (int i = 3; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--all"))
      all = true;
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
  return 2;
}
