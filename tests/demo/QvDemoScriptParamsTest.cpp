#include "QvDemoScriptParams.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {
// Items as "i:42", "f:0.5" or "s:text", joined by "|"; "!" at the end when the list is invalid.
QString Describe(const TQvDemoScriptParams& P) {
  QStringList Items;
  for (int I = 0; I < P.Count(); ++I) {
    const QVariant V = P.GetValue(I);
    const char* Kind = V.typeId() == QMetaType::Int ? "i:" : V.typeId() == QMetaType::Double ? "f:" : "s:";
    Items << Kind + P.AsString(I);
  }
  return Items.join('|') + (P.Valid() ? "" : "!");
}
}  // namespace

TEST(QvDemoScriptParams, TokenizerTable) {
  struct TCase {
    const char* Text;
    const char* Items;
  } Cases[] = {
      {"", ""},
      {"   \t ", ""},
      {"100,200", "i:100|i:200"},
      {"100, 200", "i:100|i:200"},
      {" 100 ,\t200 ", "i:100|i:200"},
      {"-5, +7", "i:-5|i:7"},
      {"0.5", "f:0.5"},
      {"1E3, -2.5E-1", "f:1000|f:-0.25"},
      {"\"Hello, world\", 3", "s:Hello, world|i:3"},
      {"'single \"inner\"'", "s:single \"inner\""},
      {"\"two\\nlines\"", "s:two\nlines"},
      {"\"unterminated, 5", "s:unterminated, 5"},
      {"\"a\" \"b\"", "s:a"},
      {"true, false", "i:-1|i:0"},
      {"TRUE", "s:TRUE"},
      {"trueColor", "s:trueColor"},
      {"RedEyeTool", "s:RedEyeTool"},
      {"Zoom In", "s:Zoom"},
      {"bare\\n", "s:bare\\n"},
      {"100,,200", "i:100|s:|i:200"},
      {"100,", "i:100"},
      {"1e5", "i:1"},
      {"12abc", "i:12"},
      {"(100, 200)", "s:(100|i:200"},
      {"1-2", "!"},
      {"1.2.3, 4", "!"},
      {"5, -", "i:5!"},
      {"99999999999", "!"},
      {"2147483647, -2147483648", "i:2147483647|i:-2147483648"},
      {"1E999", "!"},
      {"-.5", "f:-0.5"},
      {"1E", "!"},
  };
  for (const TCase& C : Cases) {
    const TQvDemoScriptParams P(QByteArrayView(C.Text, qstrlen(C.Text)));
    EXPECT_EQ(Describe(P), QString::fromUtf8(C.Items)) << C.Text;
  }
}

TEST(QvDemoScriptParams, DecimalPointIgnoresTheUserLocale) {
  const QLocale Saved;
  QLocale::setDefault(QLocale(QLocale::German));
  const TQvDemoScriptParams P("1.5, 2,5");
  QLocale::setDefault(Saved);
  EXPECT_EQ(Describe(P), "f:1.5|i:2|i:5");
}

TEST(QvDemoScriptParams, UTF8TextsAndCopies) {
  TQvDemoScriptParams P("\"Größe ändern\", Auge");
  EXPECT_EQ(P.AsString(0), QString::fromUtf8("Größe ändern"));
  EXPECT_TRUE(P.IsString(1));
  EXPECT_FALSE(P.IsNumeric(1));
  EXPECT_EQ(P.AsDouble(1), 0.0);
  EXPECT_EQ(P.AsString(7), "");

  TQvDemoScriptParams Bad("1.2.3");
  const TQvDemoScriptParams Copy(Bad);
  EXPECT_FALSE(Copy.Valid()) << "a copy keeps the parse result";
  Bad = P;
  EXPECT_TRUE(Bad.Valid());
  EXPECT_EQ(Bad.AsString(1), "Auge");
}

TEST(QvDemoScriptParams, SplitLineTable) {
  struct TCase {
    const char* Line;
    bool Acts;
    const char* Command;
    const char* Arguments;
  } Cases[] = {
      {"mousemove 100,200", true, "MOUSEMOVE", "100,200"},
      {" \tMouseMove\t 100, 200", true, "MOUSEMOVE", "100, 200"},
      {"MouseMove(100,200)", true, "MOUSEMOVE", "(100,200)"},
      {"Pause", true, "PAUSE", ""},
      {"Größe 5", true, "GRößE", "5"},
      {"", false, "", ""},
      {"   ", false, "", ""},
      {"#Pause 1", false, "#PAUSE", "1"},
      {"// note", false, "//", "note"},
      {"*", false, "*", ""},
      {";x", false, ";X", ""},
  };
  for (const TCase& C : Cases) {
    QByteArray Command;
    QByteArrayView Arguments;
    EXPECT_EQ(SplitDemoScriptLine(C.Line, Command, Arguments), C.Acts) << C.Line;
    EXPECT_EQ(Command, QByteArray(C.Command)) << C.Line;
    EXPECT_EQ(Arguments, QByteArrayView(C.Arguments)) << C.Line;
  }
}
