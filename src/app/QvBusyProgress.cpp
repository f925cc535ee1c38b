#include "QvBusyProgress.h"

#include "MainForm.h"

#include <QApplication>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>

namespace {

int ThresholdMilliseconds = 500;
// Painting the bar more often than this would cost the work time and show nothing more.
qint64 PaintInterval = 100;
constexpr int BarSteps = 1000;

QPointer<QProgressBar> StatusProgressBar;

}  // namespace

TQvBusyProgress::TQvBusyProgress()
    : FScope(QvProgressSink() ? QvProgressSink() : this), FWatching(QvProgressSink() == this) {}

TQvBusyProgress::~TQvBusyProgress() {
  if (!FShown) return;
  if (StatusProgressBar) StatusProgressBar->hide();
  QApplication::restoreOverrideCursor();
}

void TQvBusyProgress::SetThreshold(int Milliseconds) { ThresholdMilliseconds = std::max(0, Milliseconds); }

int TQvBusyProgress::Threshold() { return ThresholdMilliseconds; }

void TQvBusyProgress::SetPaintInterval(int Milliseconds) { PaintInterval = std::max(0, Milliseconds); }

QProgressBar* TQvBusyProgress::Bar(bool Create) {
  if (StatusProgressBar || !Create || !MainForm || !MainForm->StatusBar) return StatusProgressBar;
  auto* ProgressBar = new QProgressBar(MainForm->StatusBar);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->setRange(0, BarSteps);
  ProgressBar->setTextVisible(false);
  ProgressBar->setMaximumWidth(12 * ProgressBar->fontMetrics().height());
  ProgressBar->hide();
  MainForm->StatusBar->addPermanentWidget(ProgressBar);
  StatusProgressBar = ProgressBar;
  return ProgressBar;
}

bool TQvBusyProgress::Show() {
  if (!MainForm || !MainForm->isVisible()) return false;
  QProgressBar* ProgressBar = Bar(true);
  if (!ProgressBar) return false;
  // The cursor first, so the bar never shows without it.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ProgressBar->setValue(0);
  ProgressBar->show();
  // Only the status bar's own layout request is handled here: running other queued work in the
  // middle of this work could change the very document being worked on.
  QCoreApplication::sendPostedEvents(MainForm->StatusBar, QEvent::LayoutRequest);
  return true;
}

void TQvBusyProgress::Progress(double Fraction) {
  if (!FWatching || FRefused) return;
  if (!FClock.isValid()) FClock.start();
  const qint64 Now = FClock.elapsed();
  if (!FShown) {
    if (Now < ThresholdMilliseconds) return;
    FShown = Show();
    FRefused = !FShown;
    if (!FShown) return;
  } else if (Now - FLastPaint < PaintInterval) {
    return;
  }
  FLastPaint = Now;
  if (!StatusProgressBar) return;
  StatusProgressBar->setValue(int(Fraction * BarSteps));
  StatusProgressBar->repaint();
}
