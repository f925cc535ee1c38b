#include "RedEyeSettings.h"

#include "RedEyeFinder.h"
#include "RedEyeNatural.h"

TRect ApplyRedEye(TRedEyeSelection& Selection, const TQvPixels& Committed, TQvPixels& Pixels, const TPoint& Seed,
                  const TRedEyeSettings& Settings) {
  if (Settings.Natural) {
    SelectNatural(Selection, Committed, Seed, Settings.Threshold(), Settings.Border, Settings.Formula);
    CorrectRedEyeNatural(Pixels, Selection, Settings.Brightness);
  } else {
    Selection.Select(Committed, Seed, Settings.Threshold(), Settings.Border, Settings.Formula);
    CorrectRedEye(Pixels, Selection, Settings.Brightness);
  }
  return Selection.GetBounds();
}

TRect ApplyRedEyes(TRedEyeSelection& Selection, const TQvPixels& Committed, TQvPixels& Pixels,
                   const std::vector<TPoint>& Seeds, const TRedEyeSettings& Settings,
                   std::vector<TQvPixelRegion>& Regions) {
  Regions.assign(Seeds.size(), TQvPixelRegion{});
  TRect Changed;
  for (size_t I = 0; I < Seeds.size(); ++I) {
    bool Taken = false;
    for (size_t J = 0; J < I && !Taken; ++J) Taken = Regions[J].Contains(Seeds[I].X, Seeds[I].Y);
    if (Taken) continue;
    Changed = UnionRect(Changed, ApplyRedEye(Selection, Committed, Pixels, Seeds[I], Settings));
    Regions[I] = Selection.Region();
  }
  return Changed;
}

std::vector<TPoint> FindRedEyeSeeds(const TQvPixels& Pixels) {
  std::vector<TPoint> Seeds;
  for (const TRedEyeCandidate& Pupil : FindRedEyes(Pixels).Pupils) Seeds.push_back(Pupil.Seed);
  return Seeds;
}
