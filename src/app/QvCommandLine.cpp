#include "QvCommandLine.h"

#include <QCoreApplication>

TQvCommandLine TQvCommandLine::Parse(const QStringList& Arguments) {
  TQvCommandLine Result;
  bool HaveFile = false;
  for (qsizetype I = 0; I < Arguments.size(); ++I) {
    const QString& Argument = Arguments[I];
    const bool HasValue = I + 1 < Arguments.size();
    if (Argument == QLatin1String("--demo")) {
      if (HasValue) Result.Demo = Arguments[++I];
    } else if (Argument == QLatin1String("--demo-speed")) {
      if (HasValue) {
        bool Ok = false;
        const double Speed = Arguments[++I].toDouble(&Ok);
        if (Ok && Speed > 0) Result.DemoSpeed = Speed;
      }
    } else if (!HaveFile) {
      Result.FileName = Argument;
      HaveFile = true;
    }
  }
  return Result;
}

TQvCommandLine TQvCommandLine::Program() {
  return QCoreApplication::instance() ? Parse(QCoreApplication::arguments().mid(1)) : TQvCommandLine();
}
