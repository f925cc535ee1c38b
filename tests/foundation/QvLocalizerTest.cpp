#include "QvCodePage.h"
#include "QvLanguageFile.h"
#include "QvLocalizer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <string>

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

// "Русский", "Файл", "Открыть" in Windows-1251.
const QByteArray RussianName1251("\xD0\xF3\xF1\xF1\xEA\xE8\xE9");
const QByteArray File1251("\xD4\xE0\xE9\xEB");
const QByteArray Open1251("\xCE\xF2\xEA\xF0\xFB\xF2\xFC");

const QByteArray EnglishIni = Bom +
                              "; English texts\r\n"
                              "[Language]\r\n"
                              "LangId=1033\r\n"
                              "Language=English\r\n"
                              "[Strings]\r\n"
                              "10=&File\r\n"
                              "12=&Open...\r\n"
                              "94=Save changes to %s?\r\n"
                              "500=Only in English\r\n";

const QByteArray GermanIni = Bom +
                             "[Language]\n"
                             "LangId=1031\n"
                             "Language=Deutsch\n"
                             "[Strings]\n"
                             "10=&Datei\n"
                             "600=Nur auf Deutsch\n";

const QByteArray RussianIni1251 = "[Language]\r\nLangId=1049\r\nCodePage=1251\r\nLanguage=" + RussianName1251 +
                                  "\r\n[Strings]\r\n10=" + File1251 + "\r\n12=" + Open1251 + "\r\n";

const QByteArray RussianIniUtf8 = Bom + "[Language]\r\nLangId=1049\r\nLanguage=Русский\r\n"
                                        "[Strings]\r\n10=Файл\r\n12=Открыть\r\n";

class TLanguageFolder {
 public:
  void Write(const QString& Name, const QByteArray& Bytes) {
    QFile F(Dir.filePath(Name));
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    ASSERT_EQ(F.write(Bytes), Bytes.size());
  }
  QString Path() const { return Dir.path(); }
  QTemporaryDir Dir;
};

QString Ru(const char* Utf8) { return QString::fromUtf8(Utf8); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Language files

TEST(QvLanguageFile, LinesSectionsAndBlanks) {
  const QByteArray Text = "Name=before any section\n"
                          "  [ strings ]  \r"
                          "  12  =  &Open  \r\n"
                          "   ; 13=comment\n"
                          "abc=not a number\n"
                          "no equals sign\n"
                          "14=a=b\n"
                          "\n"
                          "[Other]\n"
                          "15=elsewhere\n"
                          "[STRINGS]\n"
                          "16=\n";
  const TQvLanguageFile F = TQvLanguageFile::FromData(Text);
  ASSERT_EQ(F.Sections().size(), 2u) << "a repeated section continues the first";
  const auto* S = F.FindSection("Strings");
  ASSERT_NE(S, nullptr);
  ASSERT_EQ(S->Values.size(), 4u);
  EXPECT_EQ(S->Values[0], std::make_pair(QByteArray("12"), QByteArray("&Open")));
  EXPECT_EQ(S->Values[1], std::make_pair(QByteArray("abc"), QByteArray("not a number")));
  EXPECT_EQ(S->Values[2], std::make_pair(QByteArray("14"), QByteArray("a=b")));
  EXPECT_EQ(S->Values[3], std::make_pair(QByteArray("16"), QByteArray("")));
  EXPECT_EQ(F.ReadString("other", "15"), "elsewhere");
  EXPECT_EQ(F.ReadString("Strings", "Name", "none"), "none");

  TQvLocalStringList L;
  L.LoadStrings(F);
  EXPECT_EQ(L.Count(), 3);
  QByteArray T;
  EXPECT_TRUE(L.Get(12, T));
  EXPECT_EQ(T, "&Open");
  EXPECT_TRUE(L.Sorted());
}

TEST(QvLanguageFile, LaterLineOfTheSameNumberWins) {
  TQvLocalStringList L;
  L.LoadStrings(TQvLanguageFile::FromData("[Strings]\n5=first\n3=three\n5=second\n+7=seven\n-2=minus\n"));
  QByteArray T;
  ASSERT_TRUE(L.Get(5, T));
  EXPECT_EQ(T, "second");
  EXPECT_TRUE(L.Get(7, T));
  EXPECT_TRUE(L.Get(-2, T));
  EXPECT_EQ(L.Count(), 4);
}

TEST(QvLanguageFile, LanguageIds) {
  struct Case {
    const char* Text;
    std::uint16_t LangId;
  };
  const Case Cases[] = {
      {"[Language]\nLangId=1049\n", 1049},
      {"[language]\nlangid = 1031 \n", 1031},
      {"[Language]\nLangId=0\n", 0},
      {"[Language]\nLangId=\n", 0},
      {"[Language]\nLangId=$409\n", 0},
      {"[Language]\nLangId=66569\n", 0},  // does not fit in 16 bits: not a language
      {"[Language]\nLangId=-1\n", 0},
      {"LangId=1033\n", 0},  // before any section
      {"[Strings]\nLangId=1033\n", 0},
  };
  for (const auto& C : Cases) EXPECT_EQ(TQvLanguageFile::FromData(C.Text).LangId(), C.LangId) << C.Text;
}

TEST(QvLanguageFile, CodePageAndUtf8GiveTheSameTexts) {
  const TQvLanguageFile A = TQvLanguageFile::FromData(RussianIni1251);
  const TQvLanguageFile B = TQvLanguageFile::FromData(RussianIniUtf8);
  EXPECT_EQ(A.CodePage(), 1251);
  EXPECT_EQ(B.CodePage(), 0);
  EXPECT_EQ(A.LanguageName(), Ru("Русский"));
  EXPECT_EQ(B.LanguageName(), Ru("Русский"));
  EXPECT_EQ(A.ReadString("Strings", "10"), Ru("Файл"));
  EXPECT_EQ(A.ReadString("Strings", "12"), B.ReadString("Strings", "12"));
}

TEST(QvLanguageFile, EncodingRules) {
  struct Case {
    const char* Name;
    QByteArray Bytes;
    QString Text;  // [S] 1
  };
  const Case Cases[] = {
      {"code page line in another section, mixed case",
       "[S]\n1=" + File1251 + "\n[X]\ncodepage=1251\n", Ru("Файл")},
      {"a blank before = is not the code page line", "[S]\n1=" + File1251 + "\nCodePage =1251\n",
       QString::fromUtf8(File1251)},
      {"code page 0 means UTF-8", "[S]\n1=Файл\nCodePage=0\n", Ru("Файл")},
      {"code page 65001 is UTF-8", "[S]\n1=Файл\nCodePage=65001\n", Ru("Файл")},
      {"unknown code page: UTF-8", "[S]\n1=Файл\nCodePage=12345\n", Ru("Файл")},
      {"the byte-order mark wins over a code page", Bom + "[S]\n1=Файл\nCodePage=1251\n", Ru("Файл")},
      {"Greek 1253", "CodePage=1253\n[S]\n1=\xE1\xE2\n", Ru("αβ")},
      {"Western 1252", "CodePage=1252\n[S]\n1=Gr\xFC\xDF" "e \x80\n", Ru("Grüße €")},
      {"a byte 1253 does not define", "CodePage=1253\n[S]\n1=a\xAA" "b\n", Ru("a\xEF\xBF\xBD" "b")},
      {"Japanese 932, a lead byte cut off at the end", "CodePage=932\n[S]\n1=\x93\xFA\x96\x7B\x82",
       Ru("日本\xEF\xBF\xBD")},
      {"UTF-16LE with its mark", QByteArray("\xFF\xFE[\0S\0]\0\n\0" "1\0=\0\x24\x04\n\0", 18), Ru("Ф")},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(TQvLanguageFile::FromData(C.Bytes).ReadString("S", "1"), C.Text) << C.Name;
}

TEST(QvLanguageFile, GarbageNeverCrashes) {
  // Every byte value, in lines of every length, with and without a code page.
  QByteArray Garbage;
  for (int I = 0; I < 4096; ++I) Garbage.append(char((I * 37 + I / 256) & 0xFF));
  for (const QByteArray& Prefix : {QByteArray(), QByteArray("[Strings]\nCodePage=932\n"),
                                   QByteArray("[Strings]\nCodePage=1251\n"), Bom + "[Strings]\n"}) {
    const TQvLanguageFile F = TQvLanguageFile::FromData(Prefix + Garbage);
    TQvLocalStringList L;
    L.LoadStrings(F);
    (void)F.LangId();
  }
  SUCCEED();
}

TEST(QvLanguageFile, MissingAndOversizedFiles) {
  const TQvLanguageFile Missing(QStringLiteral("/nonexistent/folder/English.ini"));
  EXPECT_FALSE(Missing.ErrorString().isEmpty());
  EXPECT_TRUE(Missing.Sections().empty());
  const TQvLanguageFile Big =
      TQvLanguageFile::FromData(QByteArray(TQvLanguageFile::MaxFileSize + 1, 'x'), "big.ini");
  EXPECT_FALSE(Big.ErrorString().isEmpty());
  EXPECT_TRUE(Big.Sections().empty());
}

TEST(QvCodePage, DefaultAnsiCodePages) {
  struct Case {
    std::uint16_t LangId;
    int CodePage;
    const char* Locale;
  };
  const Case Cases[] = {
      {1033, 1252, "en_US"}, {1031, 1252, "de_DE"}, {1049, 1251, "ru_RU"}, {1041, 932, "ja_JP"},
      {2052, 936, "zh_CN"},  {1045, 1250, "pl_PL"}, {1032, 1253, "el_GR"},
      {0x2809, 1252, "en_US"},  // an English variant missing from the table: its primary language
  };
  for (const auto& C : Cases) {
    EXPECT_EQ(QvDefaultAnsiCodePage(C.LangId), C.CodePage) << C.LangId;
    QLocale L;
    ASSERT_TRUE(QvLocaleOfLangId(C.LangId, L)) << C.LangId;
    EXPECT_EQ(L.name(), C.Locale) << C.LangId;
  }
  EXPECT_EQ(QvDefaultAnsiCodePage(0x03FF), 0);
  QByteArray Out = "unchanged";
  EXPECT_FALSE(QvCodePageToUtf8("abc", 4, Out));
  EXPECT_EQ(Out, "unchanged");
}

// ---------------------------------------------------------------------------------------------
// Localizer

TEST(QvLocalizer, FallbackFromCurrentToBaseToDefault) {
  TLanguageFolder Folder;
  Folder.Write("English.ini", EnglishIni);
  Folder.Write("German.ini", GermanIni);
  TQvLocalizer L(Folder.Path());
  ASSERT_EQ(L.Languages().size(), 2u);
  EXPECT_EQ(L.BaseLangId(), 1033);
  EXPECT_EQ(L.CurrentLangId(), 1033);
  EXPECT_EQ(L.GetLocalString(10), "&File");
  EXPECT_EQ(L.GetLocalString(999, "default"), "default");
  EXPECT_EQ(L.GetLocalString(999), "");

  L.SetLanguage(1031);
  EXPECT_EQ(L.CurrentLangId(), 1031);
  EXPECT_EQ(L.GetLocalString(10), "&Datei");
  EXPECT_EQ(L.GetLocalString(12), "&Open...") << "missing in German: the base text";
  EXPECT_EQ(L.GetLocalString(600), "Nur auf Deutsch");

  // Back to the base language: the overlay goes, German-only texts disappear.
  L.SetLanguage(1033);
  EXPECT_EQ(L.CurrentStrings().Count(), 0);
  EXPECT_EQ(L.GetLocalString(10), "&File");
  EXPECT_EQ(L.GetLocalString(600, "gone"), "gone");
}

TEST(QvLocalizer, HandlersRunAtOnceAndOnEveryChange) {
  TLanguageFolder Folder;
  Folder.Write("English.ini", EnglishIni);
  Folder.Write("German.ini", GermanIni);
  TQvLocalizer L(Folder.Path());
  QStringList Seen;
  const TQvMethod Handler(&Seen, 1, [&] { Seen << L.GetLocalString(10); });
  L.SetLanguage(1031);
  L.AddLocalizeHandler(Handler);  // an object created after a switch starts in that language
  EXPECT_EQ(Seen, QStringList{"&Datei"});
  L.SetLanguage(1033);
  EXPECT_EQ(Seen, (QStringList{"&Datei", "&File"}));
  L.SetLanguage(1049);  // no such language: nothing changes, nobody is called
  EXPECT_EQ(L.CurrentLangId(), 1033);
  EXPECT_EQ(Seen.size(), 2);
  L.RemoveLocalizeHandler(TQvMethod(&Seen, 1, {}));
  L.SetLanguage(1031);
  EXPECT_EQ(Seen.size(), 2);
}

TEST(QvLocalizer, RussianIn1251AndInUtf8Agree) {
  for (const QByteArray& Russian : {RussianIni1251, RussianIniUtf8}) {
    TLanguageFolder Folder;
    Folder.Write("English.ini", EnglishIni);
    Folder.Write("Russian.ini", Russian);
    TQvLocalizer L(Folder.Path());
    ASSERT_NE(L.FindLanguage(1049), nullptr);
    EXPECT_EQ(L.FindLanguage(1049)->Name, Ru("Русский"));
    L.SetLanguage(1049);
    EXPECT_EQ(L.GetLocalString(10), Ru("Файл"));
    EXPECT_EQ(L.GetLocalString(12), Ru("Открыть"));
  }
}

TEST(QvLocalizer, NameOrderIgnoringCaseAndDuplicateIds) {
  TLanguageFolder Folder;
  Folder.Write("b_german.ini", GermanIni);
  Folder.Write("A_german_too.INI", QByteArray(GermanIni).replace("Deutsch", "Deutsch (A)"));
  Folder.Write("c.ini", RussianIniUtf8);
  Folder.Write("notes.txt", EnglishIni);
  Folder.Write("empty.ini", "");
  Folder.Write("zero.ini", "[Language]\nLangId=0\nLanguage=Nothing\n");
  TQvLocalizer L(Folder.Path());
  // English missing: the first file found (in name order) is the base.
  ASSERT_EQ(L.Languages().size(), 2u) << "one entry per language id";
  EXPECT_EQ(L.Languages()[0].Name, "Deutsch (A)");
  EXPECT_TRUE(L.Languages()[0].FileName.endsWith("A_german_too.INI"));
  EXPECT_TRUE(QDir::isAbsolutePath(L.Languages()[0].FileName));
  EXPECT_EQ(L.Languages()[1].LangId, 1049);
  EXPECT_EQ(L.BaseLangId(), 1031);
  EXPECT_EQ(L.GetLocalString(10), "&Datei");
}

TEST(QvLocalizer, MissingOrEmptyFolderUsesTheFallbackFile) {
  TLanguageFolder Fallback;
  Fallback.Write("English.ini", EnglishIni);
  const QString FallbackFile = Fallback.Dir.filePath("English.ini");
  TLanguageFolder Empty;
  Empty.Write("readme.txt", "nothing here");
  for (const QString& Folder : {Empty.Path(), QStringLiteral("/nonexistent/Languages"), QString()}) {
    TQvLocalizer L(Folder, FallbackFile);
    ASSERT_EQ(L.Languages().size(), 1u);
    EXPECT_EQ(L.BaseLangId(), 1033);
    EXPECT_EQ(L.GetLocalString(12), "&Open...");
  }
  // Without a fallback there is nothing: every lookup gives its default.
  TQvLocalizer None(Empty.Path());
  EXPECT_EQ(None.BaseLangId(), 0);
  EXPECT_TRUE(None.Languages().empty());
  EXPECT_EQ(None.GetLocalString(12, "x"), "x");
  None.SetLanguage(1033);
  EXPECT_EQ(None.CurrentLangId(), 0);
}

TEST(QvLocalizer, FolderWithLanguagesIgnoresTheFallback) {
  TLanguageFolder Folder;
  Folder.Write("German.ini", GermanIni);
  TLanguageFolder Fallback;
  Fallback.Write("English.ini", EnglishIni);
  TQvLocalizer L(Folder.Path(), Fallback.Dir.filePath("English.ini"));
  ASSERT_EQ(L.Languages().size(), 1u);
  EXPECT_EQ(L.BaseLangId(), 1031);
}

TEST(QvLocalizer, LanguagesFromBytes) {
  TQvLocalizer L;
  EXPECT_TRUE(L.AddLanguageData(GermanIni, ":/Languages/German.ini"));
  EXPECT_TRUE(L.AddLanguageData(EnglishIni, ":/Languages/English.ini"));
  QString Error;
  EXPECT_FALSE(L.AddLanguageData("[Language]\nLanguage=none\n", "none.ini", &Error));
  EXPECT_FALSE(Error.isEmpty());
  EXPECT_FALSE(L.AddLanguageData(GermanIni, "again.ini", &Error)) << "the id is known already";
  L.SelectBaseLanguage();
  EXPECT_EQ(L.BaseLangId(), 1033) << "English is the base wherever it stands";
  EXPECT_EQ(L.Languages()[1].FileName, ":/Languages/English.ini");
  L.SetLanguage(1031);
  EXPECT_EQ(L.GetLocalString(10), "&Datei");
  EXPECT_EQ(L.GetLocalString(94), "Save changes to %s?");
}

TEST(QvLocalizer, LanguageFromBytesUnderARelativeNameFindsItsStrings) {
  // Regression: the bytes were kept under the name as given while the entry held the absolute path.
  TQvLocalizer L;
  ASSERT_TRUE(L.AddLanguageData(GermanIni, "German.ini"));
  L.SelectBaseLanguage();
  L.SetLanguage(1031);
  EXPECT_EQ(L.GetLocalString(10), "&Datei");
}

TEST(QvLocalizer, GlobalFunctionsSetTheDefaultLocaleOnly) {
  TLanguageFolder Folder;
  Folder.Write("English.ini", EnglishIni);
  Folder.Write("German.ini", GermanIni);
  Localizer().Load(Folder.Path());
  const QLocale Before;
  int Calls = 0;
  AddLocalizeHandler(TQvMethod(&Calls, 0, [&] { ++Calls; }));
  EXPECT_EQ(Calls, 1);

  SetLanguage(1031);
  EXPECT_EQ(GetLanguage(), 1031);
  EXPECT_EQ(GetBaseLanguage(), 1033);
  EXPECT_EQ(GetLocalString(10), "&Datei");
  EXPECT_EQ(QLocale().name(), "de_DE");
  EXPECT_EQ(Calls, 2);
  // The C library's locale is untouched, so number parsing keeps its decimal point.
  EXPECT_STREQ(std::localeconv()->decimal_point, ".");
  double Parsed = 0;
  EXPECT_EQ(std::sscanf("1.5", "%lf", &Parsed), 1);
  EXPECT_EQ(Parsed, 1.5);

  // An id no file provides still sets the locale, but the language stays.
  SetLanguage(1049);
  EXPECT_EQ(QLocale().name(), "ru_RU");
  EXPECT_EQ(GetLanguage(), 1031);
  EXPECT_EQ(Calls, 2);

  QList<TQvLanguage> Names{TQvLanguage{"stale", 1, ""}};
  GetLanguageNames(Names);
  ASSERT_EQ(Names.size(), 2);
  EXPECT_EQ(Names[0].Name, "English");
  EXPECT_EQ(Names[1].LangId, 1031);
  QString Name = "unchanged";
  EXPECT_FALSE(GetLanguageName(1049, Name));
  EXPECT_EQ(Name, "unchanged");
  EXPECT_TRUE(GetLanguageName(1031, Name));
  EXPECT_EQ(Name, "Deutsch");
  EXPECT_EQ(GetLocalStringFormatted(94, "", {"a.jpg"}), "Save changes to a.jpg?");

  RemoveLocalizeHandler(TQvMethod(&Calls, 0, {}));
  Localizer().ClearLanguages();
  QLocale::setDefault(Before);
}

TEST(QvLocalizer, FormatLocalStringFillsPlaceholdersLiterally) {
  struct Case {
    const char* Format;
    QStringList Args;
    const char* Result;
  };
  const Case Cases[] = {
      {"Save changes to %s?", {"photo.jpg"}, "Save changes to photo.jpg?"},
      {"%s and %s", {"a", "b"}, "a and b"},
      {"%s", {"100%s %d %n"}, "100%s %d %n"},  // an argument is never scanned
      {"%s and %s", {"a"}, "a and "},           // a placeholder without an argument is empty
      {"%d%% done %x %", {}, "%d% done %x %"},  // other sequences stay as they are
      {"%1:s before %0:s, then %s", {"x", "y"}, "y before x, then y"},
      {"%5s %1:x", {"a"}, "%5s %1:x"},
      {"%S", {"upper"}, "upper"},
  };
  for (const auto& C : Cases) EXPECT_EQ(FormatLocalString(C.Format, C.Args), C.Result) << C.Format;
}
