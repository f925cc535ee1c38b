// Recording into a demonstration script: while a recording runs, the lines that modules and tools
// report are inserted into the script's "Script" section at the record index, one after another.
#pragma once

#include <QString>
#include <QWidget>  // before QvEditor.h, whose inline code converts a QPointer<QWidget>

#include "QvEditor.h"

#include <functional>

class TQvDemoScript;

class TQvDemoScriptRecorder : public TQvDemoRecorder {
 public:
  // Script must outlive the recorder.
  explicit TQvDemoScriptRecorder(TQvDemoScript& Script) : FScript(Script) {}

  // Starts inserting at line AtLine, or at the end when AtLine is negative or past the end.
  // False (and nothing changes) while a recording already runs.
  bool StartRecording(int AtLine);
  // Ends a running recording; nothing otherwise.
  void StopRecording();
  bool IsRecording() const { return FRecording; }

  // Inserts Line (as UTF-8) at the record index and moves the index past it. Ignored when no
  // recording runs, so that a module that kept a stale reference cannot change a script being played.
  void RecordLine(const QString& Line) override;
  bool RecordMessages() const override { return FRecordMessages; }
  void SetRecordMessages(bool Value) { FRecordMessages = Value; }
  int RecordIndex() const { return FRecordIndex; }

  std::function<void(TQvDemoScriptRecorder& Sender)> OnRecordStart;
  std::function<void(TQvDemoScriptRecorder& Sender)> OnRecordStop;
  std::function<void(TQvDemoScriptRecorder& Sender, int Index, const QString& Line)> OnRecordLine;

 private:
  TQvDemoScript& FScript;
  int FRecordIndex = 0;
  bool FRecording = false;
  bool FRecordMessages = true;
};
