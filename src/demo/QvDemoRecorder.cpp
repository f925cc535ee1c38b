#include "QvDemoRecorder.h"

#include "QvDemoScript.h"

#include <algorithm>

bool TQvDemoScriptRecorder::StartRecording(int AtLine) {
  if (FRecording) return false;
  const int Count = static_cast<int>(FScript.Lines().size());
  FRecordIndex = AtLine < 0 || AtLine > Count ? Count : AtLine;
  if (OnRecordStart) OnRecordStart(*this);
  FRecording = true;
  return true;
}

void TQvDemoScriptRecorder::StopRecording() {
  if (!FRecording) return;
  if (OnRecordStop) OnRecordStop(*this);
  FRecording = false;
}

void TQvDemoScriptRecorder::RecordLine(const QString& Line) {
  if (!FRecording) return;
  QByteArrayList& Lines = FScript.Lines();
  // The script may have been edited or replaced since the recording started.
  FRecordIndex = std::clamp(FRecordIndex, 0, static_cast<int>(Lines.size()));
  Lines.insert(FRecordIndex, Line.toUtf8());
  if (OnRecordLine) OnRecordLine(*this, FRecordIndex, Line);
  ++FRecordIndex;
}
