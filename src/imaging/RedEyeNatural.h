#pragma once
// The natural red-eye correction: the same click, colour test, area size, border and brightness as
// the plain correction (TRedEyeSelection, CorrectRedEye), with a result closer to a real pupil.
//
// Detection starts from the plain detection and refines it:
// - a region that reaches the edge of its search window, leaks far beyond what a slightly
//   stricter test finds, or is far from compact (a pupil touching a red lip) is cut back to the
//   pupil around the click, whatever the area size;
// - it then grows into the neighbouring pixels that are still clearly of the pupil's colour
//   against the iris and skin around it (the red rim a plain correction leaves), by at most about
//   half the pupil's radius, and its holes (the catch-light) are filled;
// - the border grows or shrinks the result as it does the plain one.
// The correction pulls all three channels of every member to one dark value (no colour cast),
// keeps the luminance of bright, unsaturated catch-light pixels, and blends the one-pixel ring
// outside the region for a soft edge. Nothing outside the selection's GetBounds changes.

#include "RedEyeSelection.h"

// Detects the pupil around seed in pixels, leaving the result in selection (its Region, Channel,
// GetBounds and Window are then those of the refined pupil). The arguments are Select's.
void SelectNatural(TRedEyeSelection& selection, const TQvPixels& pixels, const TPoint& seed,
                   int32_t threshold, int32_t border, int32_t formula);

// The natural correction of the selection's region in pixels (the geometry of the store searched).
// brightness (0..255, below 1 counts as 1) sets the dark value as it sets the plain correction's
// new red; it never makes a pupil lighter than its own non-dominant light.
void CorrectRedEyeNatural(TQvPixels& pixels, const TRedEyeSelection& selection, int32_t brightness);

// The value all three channels of a fully covered member take: pixel is three bytes (blue, green,
// red), channel the dominant one (ChannelRed, ChannelGreen or ChannelBlue).
uint8_t NaturalValue(const uint8_t* pixel, int32_t channel, int32_t brightness);
