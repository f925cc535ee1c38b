// The demo editor's view of the program's playback engine: it plays and records in the engine,
// and lends the editor the engine's events, keeping the engine's own exactly as they were.
#pragma once

#include "QvDemoEditorEngine.h"
#include "QvDemoPlayback.h"

class TQvDemoPlaybackEngine : public IQvDemoEditorEngine {
 public:
  // Playback must outlive the object.
  explicit TQvDemoPlaybackEngine(TQvDemoPlayback& Playback) : FPlayback(Playback) {}

  TPlayEvents TakePlayEvents(const TPlayEvents& Events) override;
  void GiveBackPlayEvents() override;
  TRecordEvents TakeRecordEvents(const TRecordEvents& Events) override;
  void GiveBackRecordEvents() override;

  const TQvDemoScript& Script() const override { return FPlayback.Script(); }
  void SetScript(const TQvDemoScript& Script) override { FPlayback.SetScript(Script); }
  bool CanPlay() const override { return true; }
  bool Play(int FromLine) override { return FPlayback.Play(FromLine); }
  bool Stop() override { return FPlayback.Stop(); }
  bool IsPlaying() const override { return FPlayback.IsPlaying(); }
  bool StartRecording(int AtLine) override { return FPlayback.StartRecording(AtLine); }
  void StopRecording() override { FPlayback.StopRecording(); }
  bool IsRecording() const override { return FPlayback.IsRecording(); }
  TQvDemoRecorder* Recorder() override { return FPlayback.Recorder(); }
  bool RecordMessages() const override { return FPlayback.RecordMessages(); }
  void SetRecordMessages(bool Value) override { FPlayback.SetRecordMessages(Value); }

 private:
  TQvDemoPlayback& FPlayback;
  bool FPlayTaken = false;
  bool FRecordTaken = false;
  decltype(TQvDemoPlayback::OnEnd) FKeptOnEnd;
  decltype(TQvDemoPlayback::OnStopQuery) FKeptOnStopQuery;
  decltype(TQvDemoPlayback::OnError) FKeptOnError;
  decltype(TQvDemoPlayback::OnRecordStart) FKeptOnRecordStart;
  decltype(TQvDemoPlayback::OnRecordLine) FKeptOnRecordLine;
  decltype(TQvDemoPlayback::OnRecordStop) FKeptOnRecordStop;
};
