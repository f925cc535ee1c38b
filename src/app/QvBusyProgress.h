// The window's side of long work: once the work has reported for longer than the threshold, a
// busy cursor and a progress bar at the right of the status bar, both gone when the work ends.
// Quick work shows nothing, and nothing is shown while the main window is hidden (the
// command-line program). The bar is repainted at most a few times a second, so watching costs
// the work next to nothing.
#pragma once

#include "QvProgress.h"

#include <QElapsedTimer>

class QProgressBar;

class TQvBusyProgress : public TQvProgressSink {
 public:
  // Watches the calling thread's work while it lives. Inside another watch (another busy
  // progress, or a piece of its work) it leaves the watching to that one, so nested work shows one
  // bar, filled once.
  TQvBusyProgress();
  ~TQvBusyProgress() override;
  TQvBusyProgress(const TQvBusyProgress&) = delete;
  TQvBusyProgress& operator=(const TQvBusyProgress&) = delete;

  void Progress(double Fraction) override;

  // How long work reports before it is shown, in milliseconds (500 unless set).
  static void SetThreshold(int Milliseconds);
  static int Threshold();
  // How often the bar is repainted at most, in milliseconds (100 unless set); 0 paints every
  // report, for a test that follows the bar step by step.
  static void SetPaintInterval(int Milliseconds);
  // The status bar's progress bar; made on the first call with Create (null before, or without a
  // main window).
  static QProgressBar* Bar(bool Create = false);

 private:
  bool Show();

  TQvProgressScope FScope;
  bool FWatching;
  bool FShown = false;
  bool FRefused = false;  // the window cannot show it: stop asking
  QElapsedTimer FClock;   // from the first report
  qint64 FLastPaint = 0;
};
