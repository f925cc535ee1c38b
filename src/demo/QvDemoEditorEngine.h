// What the demo editor asks of the engine that plays and records scripts: the script to work on,
// play and record with their states, the recorder option, and the events the editor takes over
// for the time of a play or a recording and gives back afterwards.
#pragma once

#include "QvDemoRecorder.h"
#include "QvDemoScript.h"

#include <QString>

#include <functional>

class IQvDemoEditorEngine {
 public:
  // The events of a play; each may be empty.
  struct TPlayEvents {
    std::function<void()> OnEnd;
    // Asked before a play stops; Stop comes in true.
    std::function<void(bool& Stop)> OnStopQuery;
    // A script error with the text of its line; Stop comes in true.
    std::function<void(const QString& Message, bool& Stop, const QString& LineText)> OnError;
  };
  // The events of a recording; each may be empty.
  struct TRecordEvents {
    std::function<void()> OnRecordStart;
    std::function<void(int Index, const QString& Line)> OnRecordLine;
    std::function<void()> OnRecordStop;
  };

  virtual ~IQvDemoEditorEngine() = default;

  // Puts Events in place of the engine's own, and returns those (callable) until they are given
  // back. Giving back when nothing was taken does nothing.
  virtual TPlayEvents TakePlayEvents(const TPlayEvents& Events) = 0;
  virtual void GiveBackPlayEvents() = 0;
  virtual TRecordEvents TakeRecordEvents(const TRecordEvents& Events) = 0;
  virtual void GiveBackRecordEvents() = 0;

  // The engine's own copy of the script being played or recorded.
  virtual const TQvDemoScript& Script() const = 0;
  virtual void SetScript(const TQvDemoScript& Script) = 0;

  // Whether this engine plays scripts at all.
  virtual bool CanPlay() const = 0;
  // False when already playing or recording (or when this engine cannot play).
  virtual bool Play(int FromLine) = 0;
  // Stops a play after its confirmation; whether it stopped.
  virtual bool Stop() = 0;
  virtual bool IsPlaying() const = 0;

  // Starts inserting recorded lines at AtLine (at the end when negative); false while playing or
  // recording.
  virtual bool StartRecording(int AtLine) = 0;
  virtual void StopRecording() = 0;
  virtual bool IsRecording() const = 0;
  // Where the demonstration targets report the user's actions while a recording runs.
  virtual TQvDemoRecorder* Recorder() = 0;

  // Whether recorded commands come with a "Message" line.
  virtual bool RecordMessages() const = 0;
  virtual void SetRecordMessages(bool Value) = 0;
};

// An engine that records but cannot play: what the editor works with when the program has no
// playback engine.
class TQvDemoRecordingEngine : public IQvDemoEditorEngine {
 public:
  TQvDemoRecordingEngine();

  TPlayEvents TakePlayEvents(const TPlayEvents& Events) override;
  void GiveBackPlayEvents() override;
  TRecordEvents TakeRecordEvents(const TRecordEvents& Events) override;
  void GiveBackRecordEvents() override;
  // The events in force.
  const TPlayEvents& PlayEvents() const { return FPlayEvents; }
  void SetPlayEvents(const TPlayEvents& Events) { FPlayEvents = Events; }
  const TRecordEvents& RecordEvents() const { return FRecordEvents; }

  const TQvDemoScript& Script() const override { return FScript; }
  void SetScript(const TQvDemoScript& Script) override { FScript = Script; }

  bool CanPlay() const override { return false; }
  bool Play(int) override { return false; }
  bool Stop() override { return false; }
  bool IsPlaying() const override { return false; }

  bool StartRecording(int AtLine) override { return FRecorder.StartRecording(AtLine); }
  void StopRecording() override { FRecorder.StopRecording(); }
  bool IsRecording() const override { return FRecorder.IsRecording(); }
  TQvDemoRecorder* Recorder() override { return &FRecorder; }

  bool RecordMessages() const override { return FRecorder.RecordMessages(); }
  void SetRecordMessages(bool Value) override { FRecorder.SetRecordMessages(Value); }

 private:
  TQvDemoScript FScript;
  TQvDemoScriptRecorder FRecorder{FScript};
  TPlayEvents FPlayEvents;
  TRecordEvents FRecordEvents;
  TPlayEvents FKeptPlayEvents;
  TRecordEvents FKeptRecordEvents;
  bool FPlayTaken = false;
  bool FRecordTaken = false;
};
