#include "QvDemoPlaybackEngine.h"

IQvDemoEditorEngine::TPlayEvents TQvDemoPlaybackEngine::TakePlayEvents(const TPlayEvents& Events) {
  if (!FPlayTaken) {
    FKeptOnEnd = FPlayback.OnEnd;
    FKeptOnStopQuery = FPlayback.OnStopQuery;
    FKeptOnError = FPlayback.OnError;
    FPlayTaken = true;
  }
  TQvDemoPlayback* P = &FPlayback;
  FPlayback.OnEnd = Events.OnEnd ? [F = Events.OnEnd](TQvDemoPlayback*) { F(); } : decltype(FKeptOnEnd)();
  FPlayback.OnStopQuery = Events.OnStopQuery ? [F = Events.OnStopQuery](TQvDemoPlayback*, bool& Stop) { F(Stop); }
                                             : decltype(FKeptOnStopQuery)();
  FPlayback.OnError = Events.OnError ? [F = Events.OnError](TQvDemoPlayback*, const QString& Message, bool& Stop,
                                                            const QString& Line) { F(Message, Stop, Line); }
                                     : decltype(FKeptOnError)();
  TPlayEvents Kept;
  if (FKeptOnEnd) Kept.OnEnd = [F = FKeptOnEnd, P] { F(P); };
  if (FKeptOnStopQuery) Kept.OnStopQuery = [F = FKeptOnStopQuery, P](bool& Stop) { F(P, Stop); };
  if (FKeptOnError)
    Kept.OnError = [F = FKeptOnError, P](const QString& Message, bool& Stop, const QString& Line) {
      F(P, Message, Stop, Line);
    };
  return Kept;
}

void TQvDemoPlaybackEngine::GiveBackPlayEvents() {
  if (!FPlayTaken) return;
  FPlayTaken = false;
  FPlayback.OnEnd = std::move(FKeptOnEnd);
  FPlayback.OnStopQuery = std::move(FKeptOnStopQuery);
  FPlayback.OnError = std::move(FKeptOnError);
}

IQvDemoEditorEngine::TRecordEvents TQvDemoPlaybackEngine::TakeRecordEvents(const TRecordEvents& Events) {
  if (!FRecordTaken) {
    FKeptOnRecordStart = FPlayback.OnRecordStart;
    FKeptOnRecordLine = FPlayback.OnRecordLine;
    FKeptOnRecordStop = FPlayback.OnRecordStop;
    FRecordTaken = true;
  }
  TQvDemoPlayback* P = &FPlayback;
  FPlayback.OnRecordStart = Events.OnRecordStart ? [F = Events.OnRecordStart](TQvDemoPlayback*) { F(); }
                                                 : decltype(FKeptOnRecordStart)();
  FPlayback.OnRecordLine = Events.OnRecordLine
                               ? [F = Events.OnRecordLine](TQvDemoPlayback*, int Index, const QString& Line) {
                                   F(Index, Line);
                                 }
                               : decltype(FKeptOnRecordLine)();
  FPlayback.OnRecordStop = Events.OnRecordStop ? [F = Events.OnRecordStop](TQvDemoPlayback*) { F(); }
                                               : decltype(FKeptOnRecordStop)();
  TRecordEvents Kept;
  if (FKeptOnRecordStart) Kept.OnRecordStart = [F = FKeptOnRecordStart, P] { F(P); };
  if (FKeptOnRecordLine) Kept.OnRecordLine = [F = FKeptOnRecordLine, P](int Index, const QString& Line) { F(P, Index, Line); };
  if (FKeptOnRecordStop) Kept.OnRecordStop = [F = FKeptOnRecordStop, P] { F(P); };
  return Kept;
}

void TQvDemoPlaybackEngine::GiveBackRecordEvents() {
  if (!FRecordTaken) return;
  FRecordTaken = false;
  FPlayback.OnRecordStart = std::move(FKeptOnRecordStart);
  FPlayback.OnRecordLine = std::move(FKeptOnRecordLine);
  FPlayback.OnRecordStop = std::move(FKeptOnRecordStop);
}
