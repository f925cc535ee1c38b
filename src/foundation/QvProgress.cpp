#include "QvProgress.h"

namespace {
thread_local TQvProgressSink* CurrentSink = nullptr;
}  // namespace

TQvProgressScope::TQvProgressScope(TQvProgressSink* Sink) : FPrevious(CurrentSink) { CurrentSink = Sink; }

TQvProgressScope::~TQvProgressScope() { CurrentSink = FPrevious; }

TQvProgressSink* QvProgressSink() { return CurrentSink; }
