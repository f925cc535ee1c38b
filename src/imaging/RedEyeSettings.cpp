#include "RedEyeSettings.h"

TRect ApplyRedEye(TRedEyeSelection& Selection, const TQvPixels& Committed, TQvPixels& Pixels, const TPoint& Seed,
                  const TRedEyeSettings& Settings) {
  Selection.Select(Committed, Seed, Settings.Threshold(), Settings.Border, Settings.Formula);
  CorrectRedEye(Pixels, Selection, Settings.Brightness);
  return Selection.GetBounds();
}
