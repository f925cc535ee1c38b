// A click must show the corrected eye at once, not at the next zoom or scroll.
#include "RedEyeFixture.h"

#include "QvGraphicsView.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QPaintEvent>

#include <gtest/gtest.h>

namespace {

class PaintRecorder : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(Event)->region();
    return false;
  }
  QRegion Painted;
};

TEST_F(RedEyeWorld, ClickRepaintsTheEyeOnTheViewport) {
  Open(SamplePath());
  auto* Scroller = qobject_cast<QAbstractScrollArea*>(View);
  ASSERT_TRUE(Scroller);
  QCoreApplication::processEvents();
  PaintRecorder Recorder;
  Scroller->viewport()->installEventFilter(&Recorder);
  const TPoint Eye{85, 83};
  Click(Eye);
  QCoreApplication::processEvents();
  Scroller->viewport()->removeEventFilter(&Recorder);
  ASSERT_EQ(Doc->History.Count(), 1);
  const TPoint OnScreen = View->LogicalToDevice(Eye);
  EXPECT_TRUE(Recorder.Painted.contains(QPoint(OnScreen.X, OnScreen.Y)))
      << "painted " << Recorder.Painted.boundingRect().x() << "," << Recorder.Painted.boundingRect().y() << " "
      << Recorder.Painted.boundingRect().width() << "x" << Recorder.Painted.boundingRect().height();
}

}  // namespace
