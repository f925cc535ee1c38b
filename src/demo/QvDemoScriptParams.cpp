#include "QvDemoScriptParams.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {
bool IsSpace(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsNumberChar(char C) { return IsDigit(C) || C == '+' || C == '-' || C == '.' || C == 'E'; }

// Digits with an optional sign, within 32 bits.
bool ParseInteger(QByteArrayView T, std::int32_t& Value) {
  qsizetype I = 0;
  bool Negative = false;
  if (I < T.size() && (T[I] == '+' || T[I] == '-')) Negative = T[I++] == '-';
  if (I >= T.size()) return false;
  std::int64_t V = 0;
  for (; I < T.size(); ++I) {
    if (!IsDigit(T[I])) return false;
    V = V * 10 + (T[I] - '0');
    if (V > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) return false;
  }
  if (Negative) V = -V;
  if (V > std::numeric_limits<std::int32_t>::max()) return false;
  Value = static_cast<std::int32_t>(V);
  return true;
}

// [sign] digits [. digits] [E [sign] digits], at least one mantissa digit, finite.
bool ParseFloating(QByteArrayView T, double& Value) {
  qsizetype I = 0;
  const qsizetype N = T.size();
  if (I < N && (T[I] == '+' || T[I] == '-')) ++I;
  qsizetype Digits = 0;
  while (I < N && IsDigit(T[I])) ++I, ++Digits;
  if (I < N && T[I] == '.') {
    ++I;
    while (I < N && IsDigit(T[I])) ++I, ++Digits;
  }
  if (Digits == 0) return false;
  if (I < N && T[I] == 'E') {
    ++I;
    if (I < N && (T[I] == '+' || T[I] == '-')) ++I;
    qsizetype ExpDigits = 0;
    while (I < N && IsDigit(T[I])) ++I, ++ExpDigits;
    if (ExpDigits == 0) return false;
  }
  if (I != N) return false;
  bool Ok = false;
  const double V = T.toByteArray().toDouble(&Ok);  // always "." and "E", never the user's locale
  if (!Ok || !std::isfinite(V)) return false;
  Value = V;
  return true;
}

// True when the word at Text[I] is exactly Word, followed by a separator or the end.
bool IsKeyword(QByteArrayView Text, qsizetype I, QByteArrayView Word) {
  if (Text.size() - I < Word.size() || Text.sliced(I, Word.size()) != Word) return false;
  const qsizetype E = I + Word.size();
  return E == Text.size() || IsSpace(Text[E]) || Text[E] == ',';
}
}  // namespace

void TQvDemoScriptParams::Assign(const TQvCustomProperties& Source) {
  TQvProperties::Assign(Source);
  if (const auto* P = dynamic_cast<const TQvDemoScriptParams*>(&Source)) FValid = P->FValid;
  else FValid = true;
}

void TQvDemoScriptParams::Parse(QByteArrayView Text) {
  Clear();
  FValid = true;
  // Trim blanks and control characters.
  qsizetype B = 0, E = Text.size();
  while (B < E && static_cast<unsigned char>(Text[B]) <= ' ') ++B;
  while (E > B && static_cast<unsigned char>(Text[E - 1]) <= ' ') --E;
  Text = Text.sliced(B, E - B);

  const qsizetype N = Text.size();
  qsizetype I = 0;
  std::uint32_t Key = 0;
  while (true) {
    while (I < N && IsSpace(Text[I])) ++I;
    if (I >= N) break;
    const char C = Text[I];
    if (C == '"' || C == '\'') {
      const qsizetype Close = Text.indexOf(C, I + 1);
      const QByteArrayView Body = Text.sliced(I + 1, (Close < 0 ? N : Close) - I - 1);
      QByteArray S = Body.toByteArray();
      S.replace("\\n", "\n");
      SetString(Key++, S);
      if (Close < 0) break;  // an unterminated string runs to the end and ends the list
      I = Close + 1;
    } else if (C == '+' || C == '-' || IsDigit(C)) {
      const qsizetype Start = I;
      while (I < N && IsNumberChar(Text[I])) ++I;
      const QByteArrayView Token = Text.sliced(Start, I - Start);
      if (Token.contains('.') || Token.contains('E')) {
        double V = 0;
        if (!ParseFloating(Token, V)) {
          FValid = false;
          break;
        }
        SetDouble(Key++, V);
      } else {
        std::int32_t V = 0;
        if (!ParseInteger(Token, V)) {
          FValid = false;
          break;
        }
        SetInteger(Key++, V);
      }
    } else if (IsKeyword(Text, I, "false")) {
      SetInteger(Key++, 0);
      I += 5;
    } else if (IsKeyword(Text, I, "true")) {
      SetInteger(Key++, -1);
      I += 4;
    } else {
      const qsizetype Start = I;
      while (I < N && !IsSpace(Text[I]) && Text[I] != ',') ++I;
      SetString(Key++, Text.sliced(Start, I - Start));
    }
    while (I < N && IsSpace(Text[I])) ++I;
    if (I >= N || Text[I] != ',') break;
    ++I;
  }
}

bool TQvDemoScriptParams::IsNumeric(int Index) const {
  const TQvPropertyItem* P = Items(Index);
  return P && (P->DataType == QvPropertyType::Integer || P->DataType == QvPropertyType::Double);
}

bool TQvDemoScriptParams::IsString(int Index) const {
  const TQvPropertyItem* P = Items(Index);
  return P && P->DataType == QvPropertyType::String;
}

double TQvDemoScriptParams::AsDouble(int Index) const {
  return IsNumeric(Index) ? GetValue(Index).toDouble() : 0.0;
}

QString TQvDemoScriptParams::AsString(int Index) const {
  const QVariant V = GetValue(Index);
  if (V.typeId() == QMetaType::Double) return QString::number(V.toDouble(), 'g', 15);
  return V.toString();
}

bool SplitDemoScriptLine(QByteArrayView Line, QByteArray& Command, QByteArrayView& Arguments) {
  qsizetype I = 0;
  const qsizetype N = Line.size();
  while (I < N && (Line[I] == ' ' || Line[I] == '\t')) ++I;
  const qsizetype Start = I;
  while (I < N && Line[I] != ' ' && Line[I] != '\t' && Line[I] != '(') ++I;
  Command = Line.sliced(Start, I - Start).toByteArray();
  // ASCII only: the bytes of a UTF-8 word stay as they are.
  for (char& Ch : Command)
    if (Ch >= 'a' && Ch <= 'z') Ch = static_cast<char>(Ch - 'a' + 'A');
  while (I < N && (Line[I] == ' ' || Line[I] == '\t')) ++I;
  Arguments = Line.sliced(I);
  if (Command.isEmpty()) return false;
  const char C = Command[0];
  return C != '#' && C != '*' && C != '/' && C != ';';
}
