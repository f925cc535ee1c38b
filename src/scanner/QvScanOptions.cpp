#include "QvScanOptions.h"

#include <algorithm>
#include <cmath>

double TQvScanRange::Nearest(double Value) const {
  if (!Values.isEmpty()) {
    double Best = Values.first();
    for (double V : Values)
      if (std::abs(V - Value) < std::abs(Best - Value)) Best = V;
    return Best;
  }
  double V = std::clamp(Value, Min, std::max(Min, Max));
  if (Quant > 0) V = std::min(Max, Min + std::round((V - Min) / Quant) * Quant);
  return Integer ? std::round(V) : V;
}
