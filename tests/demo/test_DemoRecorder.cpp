// Recording into a script: where recorded lines go, and when the recorder refuses or ignores them.
#include "QvDemoRecorder.h"
#include "QvDemoScript.h"

#include <gtest/gtest.h>

#include <QStringList>

TEST(DemoRecorder, StartLineDecidesWhereLinesAreInserted) {
  struct TCase {
    int AtLine;
    QByteArrayList Expected;
  } Cases[] = {
      {0, {"x", "y", "a", "b"}},
      {1, {"a", "x", "y", "b"}},  // in the middle: one after another
      {2, {"a", "b", "x", "y"}},
      {-1, {"a", "b", "x", "y"}},  // negative: at the end
      {9, {"a", "b", "x", "y"}},   // past the end: at the end
  };
  for (const TCase& C : Cases) {
    TQvDemoScript Script;
    Script.Lines() = {"a", "b"};
    TQvDemoScriptRecorder Recorder(Script);
    ASSERT_TRUE(Recorder.StartRecording(C.AtLine));
    Recorder.RecordLine("x");
    Recorder.RecordLine("y");
    EXPECT_EQ(Script.Lines(), C.Expected) << C.AtLine;
  }
}

TEST(DemoRecorder, EventsAndStates) {
  TQvDemoScript Script;
  TQvDemoScriptRecorder Recorder(Script);
  QStringList Log;
  Recorder.OnRecordStart = [&](TQvDemoScriptRecorder& R) { Log << QString("start %1").arg(R.IsRecording()); };
  Recorder.OnRecordLine = [&](TQvDemoScriptRecorder&, int Index, const QString& Line) {
    Log << QString("%1: %2").arg(Index).arg(Line);
  };
  Recorder.OnRecordStop = [&](TQvDemoScriptRecorder& R) { Log << QString("stop %1").arg(R.IsRecording()); };

  EXPECT_TRUE(Recorder.RecordMessages());  // messages are recorded unless switched off
  Recorder.RecordLine("before");           // not recording: ignored
  Recorder.StopRecording();                // not recording: no event
  ASSERT_TRUE(Recorder.StartRecording(-1));
  EXPECT_FALSE(Recorder.StartRecording(0));  // already recording
  Recorder.RecordLine("ImageOpen \"Bäume.jpg\", 0");
  Recorder.RecordLine("Pause 0.5");
  Recorder.StopRecording();
  Recorder.RecordLine("after");

  EXPECT_EQ(Log, (QStringList{"start 0", "0: ImageOpen \"Bäume.jpg\", 0", "1: Pause 0.5", "stop 1"}));
  EXPECT_EQ(Script.Lines(), (QByteArrayList{"ImageOpen \"Bäume.jpg\", 0", "Pause 0.5"}));

  // Recording twice appends the second recording after the first.
  ASSERT_TRUE(Recorder.StartRecording(-1));
  Recorder.RecordLine("Undo");
  EXPECT_EQ(Script.Lines().last(), "Undo");
  EXPECT_EQ(Recorder.RecordIndex(), 3);
}

// Regression: a script shortened while recording must not be written past its end.
TEST(DemoRecorder, ScriptShortenedDuringRecordingAppendsAtItsEnd) {
  TQvDemoScript Script;
  Script.Lines() = {"a", "b", "c"};
  TQvDemoScriptRecorder Recorder(Script);
  ASSERT_TRUE(Recorder.StartRecording(3));
  Script.Lines() = {"z"};
  Recorder.RecordLine("x");
  EXPECT_EQ(Script.Lines(), (QByteArrayList{"z", "x"}));
}
