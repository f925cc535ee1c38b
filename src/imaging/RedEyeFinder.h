#pragma once
// Finding red pupils (and green or blue eye-shine) in a whole photograph, without a click.
//
// The search is a plain, deterministic candidate search: every patch of strongly coloured pixels
// (RedEyeBlobs) is tested for the shape of a pupil (small, round, solid) and for its surround: a
// pupil is much more strongly coloured than the ring of iris, white and lid around it, nothing of
// its colour lies close beside it, and a red pupil sits in a face, so skin-toned pixels lie
// further out. Lips, a candle, a red cloth or patterned paper fail one of these. Each pupil found
// is reported as the seed a user would click.

#include "RedEyeBlobs.h"

#include <cstdint>
#include <vector>

struct TRedEyeFinderOptions {
  bool EyeShine = true;  // also look for green and blue eye-shine
  int Threads = 0;       // 0: every core
};

// Why a patch was or was not taken; measured on its surround (see FindRedEyes).
struct TRedEyeCandidate {
  TPoint Seed;          // a strongly coloured pixel next to the centre: where to click
  // The pupil as a click on Seed detects it (catch-light filled in): centroid in image
  // coordinates (pixel (x, y) is the square from x to x + 1), radius of the disc of its area.
  double CentreX = 0;
  double CentreY = 0;
  double Radius = 0;
  int32_t Channel = ChannelRed;
  TRect Box;            // the detected pupil's box
  int64_t Area = 0;
  double Fill = 0;           // area / box area
  double AxisRatio = 0;      // major / minor axis of the equivalent ellipse
  double RingColored = 0;    // share of the close ring that is of the pupil's colour
  double RingContrast = 0;   // how much more coloured the pupil is than the ring, 0..1
  double SkinShare = 0;      // share of skin-toned pixels further out (red pupils)
  double Value = 0;          // mean of the pupil's own channel, 0..255
  double FarColored = 0;     // share of pixels of the pupil's colour further out
  bool Accepted = false;
};

struct TRedEyeFinderResult {
  std::vector<TRedEyeCandidate> Pupils;      // accepted, top to bottom, then left to right
  std::vector<TRedEyeCandidate> Candidates;  // every patch that was measured, for diagnosis
  bool GaveUp = false;                       // the scene held too many coloured patches to search
};

// Finds the pupils of a PixelFormat24 store. Reads only; the same pixels always give the same
// answer, whatever the number of threads.
TRedEyeFinderResult FindRedEyes(const TQvPixels& pixels, const TRedEyeFinderOptions& options = {});
