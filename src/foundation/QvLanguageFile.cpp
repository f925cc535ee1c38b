#include "QvLanguageFile.h"

#include "QvByteText.h"
#include "QvCodePage.h"

#include <QFile>

namespace {
// Calls Fn for every line of Data; lines end with CR LF, LF or CR.
template <class F>
void ForEachLine(QByteArrayView Data, F Fn) {
  qsizetype Start = 0;
  const qsizetype N = Data.size();
  for (qsizetype I = 0; I < N; ++I) {
    const char C = Data[I];
    if (C != '\r' && C != '\n') continue;
    Fn(Data.sliced(Start, I - Start));
    if (C == '\r' && I + 1 < N && Data[I + 1] == '\n') ++I;
    Start = I + 1;
  }
  if (Start < N) Fn(Data.sliced(Start));
}

// The value of the first line "CodePage=N" with N a non-zero decimal; 0 if none.
int FindCodePage(QByteArrayView Data) {
  static constexpr QByteArrayView Key("codepage=");
  int Found = 0;
  ForEachLine(Data, [&](QByteArrayView Line) {
    if (Found) return;
    Line = Trim(Line);
    if (Line.size() <= Key.size() || !SameText(Line.first(Key.size()), Key)) return;
    std::int64_t V = 0;
    if (TQvLanguageFile::ParseDecimal(Line.sliced(Key.size()), V) && V > 0 && V <= 0xFFFF)
      Found = static_cast<int>(V);
  });
  return Found;
}
}  // namespace

bool TQvLanguageFile::ParseDecimal(QByteArrayView Text, std::int64_t& Value) {
  Text = Trim(Text);
  qsizetype I = 0;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) Negative = Text[I++] == '-';
  if (I >= Text.size()) return false;
  std::int64_t V = 0;
  for (; I < Text.size(); ++I) {
    const char C = Text[I];
    if (C < '0' || C > '9') return false;
    if (V > (INT64_MAX - 9) / 10) return false;  // far outside any id this program uses
    V = V * 10 + (C - '0');
  }
  Value = Negative ? -V : V;
  return true;
}

TQvLanguageFile::TQvLanguageFile(const QString& FileName) : FFileName(FileName) {
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly)) {
    FErrorString = QStringLiteral("cannot open %1: %2").arg(FileName, F.errorString());
    return;
  }
  // size() is 0 for some special files; read at most one byte past the limit to tell.
  const QByteArray Data = F.read(MaxFileSize + 1);
  if (Data.size() > MaxFileSize) {
    FErrorString = QStringLiteral("%1 is larger than %2 bytes; not read as a language file")
                       .arg(FileName)
                       .arg(MaxFileSize);
    return;
  }
  Parse(Data);
}

TQvLanguageFile TQvLanguageFile::FromData(const QByteArray& Data, const QString& FileName) {
  TQvLanguageFile F;
  F.FFileName = FileName;
  if (Data.size() > MaxFileSize) {
    F.FErrorString = QStringLiteral("%1 is larger than %2 bytes; not read as a language file")
                         .arg(FileName)
                         .arg(MaxFileSize);
    return F;
  }
  F.Parse(Data);
  return F;
}

void TQvLanguageFile::Parse(const QByteArray& Raw) {
  QByteArray Text;
  if (Raw.startsWith("\xEF\xBB\xBF")) {
    Text = Raw.sliced(3);
  } else if (Raw.startsWith("\xFF\xFE")) {
    const QByteArrayView Units = QByteArrayView(Raw).sliced(2);
    QString S(Units.size() / 2, Qt::Uninitialized);
    for (qsizetype I = 0; I < S.size(); ++I)
      S[I] = QChar(char16_t(static_cast<unsigned char>(Units[2 * I]) |
                            static_cast<unsigned char>(Units[2 * I + 1]) << 8));
    Text = S.toUtf8();
  } else {
    const int CodePage = FindCodePage(Raw);
    if (CodePage && CodePage != 65001 && QvCodePageToUtf8(Raw, CodePage, Text)) FCodePage = CodePage;
    else Text = Raw;  // UTF-8 (also when iconv does not know the code page)
  }

  std::size_t Section = 0;  // index into FSections; FSections.size() = before the first section
  ForEachLine(Text, [&](QByteArrayView Line) {
    Line = Trim(Line);
    if (Line.isEmpty() || Line[0] == ';') return;
    if (Line[0] == '[' && Line.back() == ']' && Line.size() >= 2) {
      const QByteArrayView Name = Trim(Line.sliced(1, Line.size() - 2));
      Section = 0;
      while (Section < FSections.size() && !SameText(FSections[Section].Name, Name)) ++Section;
      if (Section == FSections.size()) FSections.push_back(TSection{Name.toByteArray(), {}});
      return;
    }
    if (Section >= FSections.size()) return;
    const qsizetype Eq = Line.indexOf('=');
    if (Eq < 0) return;
    FSections[Section].Values.emplace_back(Trim(Line.first(Eq)).toByteArray(),
                                           Trim(Line.sliced(Eq + 1)).toByteArray());
  });
}

const TQvLanguageFile::TSection* TQvLanguageFile::FindSection(QByteArrayView Name) const {
  for (const auto& S : FSections)
    if (SameText(S.Name, Name)) return &S;
  return nullptr;
}

QString TQvLanguageFile::ReadString(QByteArrayView Section, QByteArrayView Name, const QString& Default) const {
  if (const TSection* S = FindSection(Section))
    for (const auto& [K, V] : S->Values)
      if (SameText(K, Name)) return QString::fromUtf8(V);
  return Default;
}

std::int64_t TQvLanguageFile::ReadInteger(QByteArrayView Section, QByteArrayView Name, std::int64_t Default) const {
  if (const TSection* S = FindSection(Section))
    for (const auto& [K, V] : S->Values)
      if (SameText(K, Name)) {
        std::int64_t Value;
        return ParseDecimal(V, Value) ? Value : Default;
      }
  return Default;
}

std::uint16_t TQvLanguageFile::LangId() const {
  const std::int64_t V = ReadInteger("Language", "LangId", 0);
  return V > 0 && V <= 0xFFFF ? static_cast<std::uint16_t>(V) : 0;
}
