// Progress of long work (opening, saving, resampling, turning a photo), reported from inside the
// work to whoever watches it: the main window's status bar, the command line. The work calls
// QvReportProgress(done, total) as it goes; with nobody watching on the calling thread that is a
// pointer test, so pixel and codec loops can report every row without being slowed.
#pragma once

#include <cstdint>

class TQvProgressSink {
 public:
  virtual ~TQvProgressSink() = default;
  // Fraction is Done / Total of the innermost work being reported, 0..1.
  virtual void Progress(double Fraction) = 0;
};

// Makes Sink the watcher of the calling thread's work while the scope lives; the previous watcher
// comes back after it. Work on other threads (parallel row bands) reports to nobody.
class TQvProgressScope {
 public:
  explicit TQvProgressScope(TQvProgressSink* Sink);
  ~TQvProgressScope();
  TQvProgressScope(const TQvProgressScope&) = delete;
  TQvProgressScope& operator=(const TQvProgressScope&) = delete;

 private:
  TQvProgressSink* FPrevious;
};

// The watcher of the calling thread, or null.
TQvProgressSink* QvProgressSink();

// One piece of the calling thread's work, Size of its Total starting at Before: while it lives,
// the reports of the work inside it (each from 0 to 1 of that work) reach the watcher as that
// piece of the whole, so work made of several reporting pieces (both images of a document turned,
// the changed rectangles of a photo recompressed one by one) fills the watcher's bar once. With
// nobody watching it watches nothing either, and the work inside stays unslowed.
class TQvProgressPart : public TQvProgressSink {
 public:
  TQvProgressPart(std::int64_t Before, std::int64_t Size, std::int64_t Total);
  void Progress(double Fraction) override;

 private:
  TQvProgressSink* FOuter;
  double FFrom = 0;
  double FSpan = 0;
  TQvProgressScope FScope;
};

// Done of Total steps are finished. Nothing happens when nobody watches or Total is not positive.
inline void QvReportProgress(std::int64_t Done, std::int64_t Total) {
  if (TQvProgressSink* Sink = QvProgressSink(); Sink && Total > 0)
    Sink->Progress(Done <= 0 ? 0.0 : Done >= Total ? 1.0 : double(Done) / double(Total));
}
