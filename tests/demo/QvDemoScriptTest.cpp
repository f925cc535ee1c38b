#include "QvDemoScript.h"

#include "QvLocalizer.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const QByteArray Bom("\xEF\xBB\xBF");

QByteArray Save(const TQvDemoScript& S) { return S.SaveToData(); }

TQvDemoScript Load(const QByteArray& Data) {
  TQvDemoScript S;
  S.LoadFromData(Data);
  return S;
}

// A localizer with English (base) and German; German is current unless told otherwise.
void MakeLocalizer(TQvLocalizer& L, bool German = true) {
  ASSERT_TRUE(L.AddLanguageData("[Language]\nLangId=1033\nLanguage=English\n[Strings]\n37=Click here\n",
                                ":/test/English.ini"));
  ASSERT_TRUE(L.AddLanguageData("[Language]\nLangId=1031\nLanguage=Deutsch\n[Strings]\n37=Hier klicken\n",
                                ":/test/German.ini"));
  L.SelectBaseLanguage();
  if (German) L.SetLanguage(1031);
}
}  // namespace

TEST(QvDemoScript, CanonicalFileRoundTripsByteForByte) {
  const QByteArray Canonical = Bom +
                               "[Info]\r\nTitle=Removing red eyes\r\nImage=redeye.jpg\r\n"
                               "[Script]\r\nMouseCurvedMove RedEyeTool\r\nMessage \"Click = go\", 2, 4\r\n"
                               "MouseClick 100,200\r\n"
                               "[1031]\r\nTitle=Rote Augen entfernen\r\n";
  const TQvDemoScript S = Load(Canonical);
  EXPECT_TRUE(S.Utf8());
  EXPECT_EQ(Save(S), Canonical);
  EXPECT_EQ(S.Lines().at(1), "Message \"Click = go\", 2, 4") << "blanks around = stay as written";

  const QByteArray Ansi = "[Info]\r\nTitle=T\r\n[Script]\r\nPause 1\r\n[1049]\r\nTitle=\xcf\xf0\xe8\r\n";
  EXPECT_EQ(Save(Load(Ansi)), Ansi) << "bytes of a code-page file are kept as they are";
}

// What loading makes of a file, shown as the file saving it writes.
TEST(QvDemoScript, LoaderTable) {
  struct TCase {
    const char* Name;
    QByteArray In;
    QByteArray Out;
  } Cases[] = {
      {"empty file gets both sections", "", "[Info]\r\n[Script]\r\n"},
      {"LF, CR and CR LF line ends", "[Script]\nA\rB\r\nC", "[Script]\r\nA\r\nB\r\nC\r\n[Info]\r\n"},
      {"comments, blank and padded lines", "[Info]\r\n ; note\r\n\r\n \t Title = X \t\r\n[Script]\r\n\x01Pause\x02\r\n",
       "[Info]\r\nTitle = X\r\n[Script]\r\nPause\r\n"},
      {"lines before the first section are dropped", "Pause 1\r\n[Script]\r\nPause 2\r\n",
       "[Script]\r\nPause 2\r\n[Info]\r\n"},
      {"section names trimmed, case kept", "[ script ]\r\nx\r\n[INFO]\r\n", "[script]\r\nx\r\n[INFO]\r\n"},
      {"repeated section kept with its lines", "[Info]\r\n[Script]\r\na\r\n[SCRIPT]\r\nb\r\n",
       "[Info]\r\n[Script]\r\na\r\n[SCRIPT]\r\nb\r\n"},
      {"mark only on the first line", Bom + "[Info]\r\n" + Bom + "x\r\n[Script]\r\n",
       Bom + "[Info]\r\n" + Bom + "x\r\n[Script]\r\n"},
      {"lone brackets are lines, [] an unnamed section", "[Script]\r\n[\r\n]\r\n[]\r\n", "[Script]\r\n[\r\n]\r\n[]\r\n[Info]\r\n"},
  };
  for (const TCase& C : Cases) {
    const QByteArray Once = Save(Load(C.In));
    EXPECT_EQ(Once, C.Out) << C.Name;
    EXPECT_EQ(Save(Load(Once)), Once) << C.Name << ": a second load and save changes nothing";
  }
}

TEST(QvDemoScript, ValuesAreFoundByNameWithBlanksAroundTheEqualSign) {
  const TQvDemoScript S = Load("[Info]\r\nImage = a.jpg\r\ntitle=First\r\nTITLE=Second\r\nNoValue\r\n[Script]\r\n");
  int Info = -1;
  ASSERT_TRUE(S.FindSection("INFO", Info));
  QByteArray V;
  EXPECT_TRUE(S.FindValue(Info, "image", V));
  EXPECT_EQ(V, "a.jpg");
  EXPECT_EQ(S.GetInfoValue("Title"), "First") << "the first of duplicate names";
  EXPECT_FALSE(S.FindValue(Info, "NoValue", V));
  EXPECT_FALSE(S.FindValue(99, "Image", V));
}

TEST(QvDemoScript, LocalValuesFallBackFromCurrentToBaseLanguage) {
  TQvLocalizer L;
  MakeLocalizer(L);
  const TQvDemoScript S = Load(Bom +
                               "[Info]\r\nTitle=Red eyes\r\n[Script]\r\n"
                               "[1033]\r\nTitle=Red eyes (en)\r\nHint=Click the eye\r\nOnly=en\r\n"
                               "[1031]\r\nTitle=Rote Augen\r\nHint=Klicken Sie auf das Auge, Größe\r\n");
  EXPECT_EQ(S.GetLocalValue("hint", L), QString::fromUtf8("Klicken Sie auf das Auge, Größe"));
  EXPECT_EQ(S.GetLocalValue("Only", L), "en") << "a value the current language lacks";
  EXPECT_EQ(S.GetLocalValue("Missing", L), "");
  EXPECT_EQ(S.GetTitle(L), "Rote Augen");

  TQvLocalizer English;
  MakeLocalizer(English, false);
  EXPECT_EQ(S.GetTitle(English), "Red eyes (en)");
}

TEST(QvDemoScript, CodePageValuesAreDecodedWithTheirLanguage) {
  TQvLocalizer L;
  MakeLocalizer(L);
  const TQvDemoScript S = Load("[Info]\r\n[Script]\r\n[1031]\r\nA=Gr\xf6\xdf" "e\r\n[1033]\r\nB=na\xefve\r\n");
  EXPECT_FALSE(S.Utf8());
  EXPECT_EQ(S.GetLocalValue("A", L), QString::fromUtf8("Größe"));
  EXPECT_EQ(S.GetLocalValue("B", L), QString::fromUtf8("naïve"));
}

TEST(QvDemoScript, TitleFallsBackToInfoThenFileName) {
  TQvLocalizer L;
  MakeLocalizer(L);
  QTemporaryDir Dir;
  const QString Path = Dir.filePath("red.eye.dsc");
  QFile F(Path);
  ASSERT_TRUE(F.open(QIODevice::WriteOnly));
  F.write("[Info]\r\nTitle=\r\n[Script]\r\n");
  F.close();
  TQvDemoScript S;
  S.LoadFromFile(Path);
  EXPECT_EQ(S.FileName(), Path);
  EXPECT_EQ(S.GetTitle(L), "red.eye");
  S.SectionLines(0) = {"Title=From info"};
  EXPECT_EQ(S.GetTitle(L), "From info");
}

TEST(QvDemoScript, SectionsCanBeAddedAndDeletedButInfoAndScriptStay) {
  TQvDemoScript S;
  EXPECT_EQ(S.Lines().size(), 0);
  const int Lang = S.AddSection("1033");
  EXPECT_EQ(Lang, 2);
  S.Lines().append("Pause");
  int Index = -1;
  ASSERT_TRUE(S.FindSection("Script", Index));
  S.DeleteSection(Index);
  EXPECT_EQ(Save(S), "[Info]\r\n[1033]\r\n[Script]\r\n") << "Script comes back empty at the end";
  EXPECT_TRUE(S.Lines().isEmpty());
  S.DeleteSection(-1);
  S.DeleteSection(99);

  TQvDemoScript Copy;
  Copy.Assign(Load(Bom + "[Script]\r\nx\r\n"));
  EXPECT_TRUE(Copy.Utf8());
  EXPECT_EQ(Copy.Lines(), QByteArrayList{"x"});
  Copy.Clear();
  EXPECT_FALSE(Copy.Utf8());
  EXPECT_EQ(Save(Copy), "[Info]\r\n[Script]\r\n");
}

TEST(QvDemoScript, FailedLoadsAndSavesKeepWhatWasThere) {
  QTemporaryDir Dir;
  TQvDemoScript S = Load("[Script]\r\nPause 2\r\n");
  EXPECT_THROW(S.LoadFromFile(Dir.filePath("missing.dsc")), EQvDemoScriptError);
  EXPECT_EQ(S.Lines(), QByteArrayList{"Pause 2"});

  QByteArray Huge(TQvDemoScript::MaxFileSize + 1, 'x');
  QBuffer Buffer(&Huge);
  ASSERT_TRUE(Buffer.open(QIODevice::ReadOnly));
  EXPECT_THROW(S.LoadFromStream(Buffer), EQvDemoScriptError);
  EXPECT_EQ(S.Lines(), QByteArrayList{"Pause 2"});

  // Saving into a folder that does not exist fails; saving over a file replaces it whole.
  EXPECT_THROW(S.SaveToFile(Dir.filePath("no/such/dir/a.dsc")), EQvDemoScriptError);
  const QString Path = Dir.filePath("a.dsc");
  S.SaveToFile(Path);
  TQvDemoScript Again;
  Again.LoadFromFile(Path);
  EXPECT_EQ(Save(Again), Save(S));
}
