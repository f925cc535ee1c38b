#include "QvProgress.h"

#include <algorithm>

namespace {
thread_local TQvProgressSink* CurrentSink = nullptr;
}  // namespace

TQvProgressScope::TQvProgressScope(TQvProgressSink* Sink) : FPrevious(CurrentSink) { CurrentSink = Sink; }

TQvProgressScope::~TQvProgressScope() { CurrentSink = FPrevious; }

TQvProgressSink* QvProgressSink() { return CurrentSink; }

TQvProgressPart::TQvProgressPart(std::int64_t Before, std::int64_t Size, std::int64_t Total)
    : FOuter(CurrentSink), FScope(CurrentSink ? this : nullptr) {
  if (Total <= 0) return;
  const auto At = [Total](std::int64_t Done) { return std::clamp(double(Done) / double(Total), 0.0, 1.0); };
  FFrom = At(Before);
  FSpan = At(Before + std::max<std::int64_t>(Size, 0)) - FFrom;
}

void TQvProgressPart::Progress(double Fraction) { FOuter->Progress(FFrom + std::clamp(Fraction, 0.0, 1.0) * FSpan); }
