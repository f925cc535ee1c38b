#include "QvDemoScript.h"

#include "QvByteText.h"
#include "QvCodePage.h"
#include "QvLocalizer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr QByteArrayView Utf8Mark("\xEF\xBB\xBF");

QByteArrayList SplitLines(QByteArrayView Data) {
  QByteArrayList Lines;
  qsizetype Start = 0;
  const qsizetype N = Data.size();
  for (qsizetype I = 0; I < N; ++I) {
    const char C = Data[I];
    if (C != '\r' && C != '\n') continue;
    Lines.append(Data.sliced(Start, I - Start).toByteArray());
    if (C == '\r' && I + 1 < N && Data[I + 1] == '\n') ++I;
    Start = I + 1;
  }
  if (Start < N) Lines.append(Data.sliced(Start).toByteArray());
  return Lines;
}
}  // namespace

TQvDemoScript::TQvDemoScript() { EnsureStandardSections(); }

void TQvDemoScript::Clear() {
  FUtf8 = false;
  FFileName.clear();
  FSections.clear();
  EnsureStandardSections();
}

void TQvDemoScript::Assign(const TQvDemoScript& Source) {
  if (&Source == this) return;
  FUtf8 = Source.FUtf8;
  FFileName = Source.FFileName;
  FSections = Source.FSections;
  FScript = Source.FScript;
}

void TQvDemoScript::EnsureStandardSections() {
  int Index;
  if (!FindSection("Info", Index)) AddSection("Info");
  if (!FindSection("Script", Index)) Index = AddSection("Script");
  FScript = static_cast<std::size_t>(Index);
}

void TQvDemoScript::LoadFromFile(const QString& FileName) {
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EQvDemoScriptError(QStringLiteral("Cannot open %1: %2").arg(FileName, F.errorString()).toStdString());
  LoadFromStream(F);
  FFileName = FileName;
}

void TQvDemoScript::LoadFromStream(QIODevice& Stream) {
  // Read at most one byte past the limit to tell an oversized file from one that just fits.
  const QByteArray Data = Stream.read(MaxFileSize + 1);
  if (Data.size() > MaxFileSize)
    throw EQvDemoScriptError(QStringLiteral("The demonstration script is larger than %1 bytes.")
                                 .arg(MaxFileSize)
                                 .toStdString());
  if (Data.isEmpty() && !Stream.errorString().isEmpty() && !Stream.atEnd())
    throw EQvDemoScriptError(Stream.errorString().toStdString());
  LoadFromData(Data);
}

void TQvDemoScript::LoadFromData(const QByteArray& Data) {
  if (Data.size() > MaxFileSize)
    throw EQvDemoScriptError(QStringLiteral("The demonstration script is larger than %1 bytes.")
                                 .arg(MaxFileSize)
                                 .toStdString());
  LoadFromStrings(SplitLines(Data));
}

void TQvDemoScript::LoadFromStrings(const QByteArrayList& Lines) {
  TQvDemoScript Loaded;
  Loaded.FSections.clear();
  Loaded.FFileName = FFileName;
  std::size_t Current = 0;  // FSections.size() before the first section: such lines are dropped
  bool First = true;
  for (const QByteArray& Raw : Lines) {
    QByteArrayView Line(Raw);
    if (First) {
      First = false;
      if (Line.startsWith(Utf8Mark)) {
        Line = Line.sliced(Utf8Mark.size());
        Loaded.FUtf8 = true;
      }
    }
    Line = Trim(Line);
    if (Line.isEmpty() || Line[0] == ';') continue;
    if (Line.size() >= 2 && Line[0] == '[' && Line.back() == ']') {
      // A repeated section name keeps its own lines (so saving loses nothing), but look-ups find
      // the first section of a name.
      Loaded.FSections.push_back(TSection{Trim(Line.sliced(1, Line.size() - 2)).toByteArray(), {}});
      Current = Loaded.FSections.size() - 1;
      continue;
    }
    if (Current >= Loaded.FSections.size()) continue;
    Loaded.FSections[Current].Lines.append(Line.toByteArray());
  }
  Loaded.EnsureStandardSections();
  *this = std::move(Loaded);
}

QByteArray TQvDemoScript::SaveToData() const {
  QByteArray Data;
  if (FUtf8) Data += Utf8Mark;
  for (const TSection& S : FSections) {
    Data += '[';
    Data += S.Name;
    Data += "]\r\n";
    for (const QByteArray& Line : S.Lines) {
      Data += Line;
      Data += "\r\n";
    }
  }
  return Data;
}

void TQvDemoScript::SaveToFile(const QString& FileName) const {
  QSaveFile F(FileName);
  const QByteArray Data = SaveToData();
  if (!F.open(QIODevice::WriteOnly) || F.write(Data) != Data.size() || !F.commit())
    throw EQvDemoScriptError(QStringLiteral("Cannot save %1: %2").arg(FileName, F.errorString()).toStdString());
}

bool TQvDemoScript::FindSection(QByteArrayView Name, int& Index) const {
  for (std::size_t I = 0; I < FSections.size(); ++I)
    if (SameText(FSections[I].Name, Name)) {
      Index = static_cast<int>(I);
      return true;
    }
  return false;
}

int TQvDemoScript::AddSection(const QByteArray& Name) {
  FSections.push_back(TSection{Name, {}});
  return static_cast<int>(FSections.size() - 1);
}

void TQvDemoScript::DeleteSection(int Index) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= FSections.size()) return;
  FSections.erase(FSections.begin() + Index);
  EnsureStandardSections();
}

bool TQvDemoScript::FindValue(int Section, QByteArrayView Name, QByteArray& Value) const {
  if (Section < 0 || static_cast<std::size_t>(Section) >= FSections.size()) return false;
  for (const QByteArray& Line : FSections[Section].Lines) {
    const qsizetype Eq = Line.indexOf('=');
    if (Eq < 0) continue;
    if (!SameText(Trim(QByteArrayView(Line).first(Eq)), Name)) continue;
    Value = Trim(QByteArrayView(Line).sliced(Eq + 1)).toByteArray();
    return true;
  }
  return false;
}

QString TQvDemoScript::DecodeValue(const QByteArray& Bytes, std::uint16_t LangId) const {
  if (!FUtf8) {
    const int CodePage = QvDefaultAnsiCodePage(LangId);
    QByteArray Utf8;
    if (CodePage && QvCodePageToUtf8(Bytes, CodePage, Utf8)) return QString::fromUtf8(Utf8);
  }
  return QString::fromUtf8(Bytes);
}

QString TQvDemoScript::GetInfoValue(QByteArrayView Name) const { return GetInfoValue(Name, Localizer()); }

QString TQvDemoScript::GetInfoValue(QByteArrayView Name, const TQvLocalizer& Localizer) const {
  int Index;
  QByteArray Value;
  if (!FindSection("Info", Index) || !FindValue(Index, Name, Value)) return QString();
  // "Info" is written in the base language.
  return DecodeValue(Value, Localizer.BaseLangId());
}

QString TQvDemoScript::GetLocalValue(QByteArrayView Name) const { return GetLocalValue(Name, Localizer()); }

QString TQvDemoScript::GetLocalValue(QByteArrayView Name, const TQvLocalizer& Localizer) const {
  // Each section is decoded with its own language's code page, so that a value the current
  // language lacks still reads right when it comes from the base language.
  for (const std::uint16_t LangId : {Localizer.CurrentLangId(), Localizer.BaseLangId()}) {
    int Index;
    QByteArray Value;
    if (FindSection(QByteArray::number(LangId), Index) && FindValue(Index, Name, Value))
      return DecodeValue(Value, LangId);
  }
  return QString();
}

QString TQvDemoScript::GetTitle() const { return GetTitle(Localizer()); }

QString TQvDemoScript::GetTitle(const TQvLocalizer& Localizer) const {
  QString Title = GetLocalValue("Title", Localizer);
  if (Title.isEmpty()) Title = GetInfoValue("Title", Localizer);
  if (Title.isEmpty()) Title = QFileInfo(FFileName).completeBaseName();
  return Title;
}
