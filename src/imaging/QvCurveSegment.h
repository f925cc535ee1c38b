#pragma once
// Tone curves turned into lookup tables: one entry per input value, each entry in 0..maxValue.

#include "QvPointList.h"

#include <cstdint>
#include <vector>

// A tone table: entry v is what channel value v becomes (the low byte of the entry is used).
using TQvLUT = std::vector<int16_t>;

// Result codes of BuildLUT.
constexpr int32_t QvResultOk = 0;
constexpr int32_t QvResultFail = int32_t(0x80004005u);

struct TQvCurvePoint {
  double X = 0;
  double Y = 0;
};

// One piece of a tone curve between two end points. A descendant derives its coefficients in
// Update and writes the table entries it covers in Fill.
class TQvCurveSegment {
public:
  virtual ~TQvCurveSegment() = default;

  // Recomputes what the segment derives from its end points; false when they describe no curve.
  virtual bool Update() { return true; }
  // Writes table[i] for every integer i from Ceil(startX) up to endX that lies in the table.
  virtual void Fill(int32_t maxValue, TQvLUT& table, double endX, double startX) = 0;

  void SetStart(const TQvCurvePoint& point);
  void SetEnd(const TQvCurvePoint& point);
  const TQvCurvePoint& Start() const { return FStart; }
  const TQvCurvePoint& End() const { return FEnd; }

protected:
  TQvCurvePoint FStart;
  TQvCurvePoint FEnd;
};

// The straight line through the two end points. End points on one vertical line have no slope:
// the slope is then +infinity and Fill writes nothing.
class TQvLineSegment : public TQvCurveSegment {
public:
  bool Update() override;
  void Fill(int32_t maxValue, TQvLUT& table, double endX, double startX) override;

  double Slope() const { return FSlope; }
  double Intercept() const { return FIntercept; }

private:
  double FSlope = 0;
  double FIntercept = 0;
};

// 0 below 0, maxValue above maxValue, otherwise y rounded to nearest with ties to even.
int32_t ClampRound(int32_t maxValue, double y);

// The table of the straight curve through exactly two points: maxValue + 1 entries. Any other
// number of points gives QvResultFail and an empty table.
int32_t BuildLUT(const TQvPointList& points, int32_t maxValue, TQvLUT& table);
