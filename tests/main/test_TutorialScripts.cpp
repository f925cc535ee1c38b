// The shipped tutorials offscreen: each one is found in the program's images folder, has its
// thumbnail and its texts in English, German and Russian, and plays to its end in the composed
// editor with every command carried out and every control found where the pointer can reach it.
#include "EditorProcess.h"

#include "QvDemoScript.h"
#include "QvDemoPlayback.h"
#include "QvDemonstration.h"
#include "QvGraphicsEditor.h"
#include "QvLocalizer.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

// Readable tutorial names in the test output.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& S, std::ostream* Out) { *Out << S.toStdString(); }
QT_END_NAMESPACE

namespace {

constexpr const char* Languages[] = {"1033", "1031", "1049"};

// The tutorials of the source tree (the program reads the copies the build puts beside it).
QStringList SourceTutorialNames() {
  QStringList Names;
  const QDir Folder(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images"));
  for (const QString& File : Folder.entryList({QStringLiteral("*.dsc")}, QDir::Files, QDir::Name)) Names << File.chopped(4);
  return Names;
}

TQvDemoScript LoadTutorial(const QString& Name) {
  TQvDemoScript Script;
  Script.LoadFromFile(TEditorProcess::Get().DemoFolder() + Name + QStringLiteral(".dsc"));
  return Script;
}

// The names the Message lines take their texts from ("Message %Name, ...").
QSet<QString> MessageNames(const TQvDemoScript& Script) {
  static const QRegularExpression Message(QStringLiteral(R"(^message\s*\(?\s*["']?%([^"',\s)]+))"),
                                          QRegularExpression::CaseInsensitiveOption);
  QSet<QString> Names;
  for (const QByteArray& Line : Script.Lines())
    if (const auto M = Message.match(QString::fromUtf8(Line)); M.hasMatch()) Names << M.captured(1).toUpper();
  return Names;
}

// The value names of a section, upper case.
QSet<QString> ValueNames(const TQvDemoScript& Script, int Section) {
  QSet<QString> Names;
  for (const QByteArray& Line : Script.SectionLines(Section))
    if (const qsizetype Eq = Line.indexOf('='); Eq > 0) Names << QString::fromUtf8(Line.left(Eq)).trimmed().toUpper();
  return Names;
}

class TutorialScripts : public ::testing::TestWithParam<QString> {
 protected:
  void SetUp() override {
    Process = &TEditorProcess::Get();
    ASSERT_TRUE(DemonstrationModule && GraphicsEditor);
  }
  TEditorProcess* Process = nullptr;
};

TEST(TutorialFolder, TheProgramFindsEveryTutorialOfTheSourceTree) {
  const QStringList Names = TEditorProcess::Get().TutorialNames();
  EXPECT_EQ(Names, SourceTutorialNames());
  for (const char* Name : {"red-eyes", "gleam", "undo-brush", "crop-print", "rotate-resize-tone", "caption"})
    EXPECT_TRUE(Names.contains(QString::fromLatin1(Name))) << Name << " not in " << Names.join(' ').toStdString();
}

TEST_P(TutorialScripts, HasItsPictureAndTitle) {
  const TQvDemoScript Script = LoadTutorial(GetParam());
  EXPECT_TRUE(Script.Utf8());
  EXPECT_FALSE(Script.GetInfoValue("Title").isEmpty());
  const QString Picture = Script.GetInfoValue("Image");
  ASSERT_FALSE(Picture.isEmpty());
  const QImage Image(Process->DemoFolder() + Picture);
  ASSERT_FALSE(Image.isNull()) << Picture.toStdString();
  EXPECT_LE(Image.width(), 64);
  EXPECT_LE(Image.height(), 64);
}

TEST_P(TutorialScripts, EveryTextIsThereInEveryLanguage) {
  const TQvDemoScript Script = LoadTutorial(GetParam());
  const QSet<QString> Used = MessageNames(Script);
  EXPECT_FALSE(Used.isEmpty());
  // Texts written straight into a Message line would show untranslated.
  for (const QByteArray& Line : Script.Lines())
    if (Line.toUpper().startsWith("MESSAGE")) {
      EXPECT_TRUE(Line.contains('%')) << Line.toStdString();
    }
  QSet<QString> First;
  for (const char* Language : Languages) {
    SCOPED_TRACE(Language);
    int Section = -1;
    ASSERT_TRUE(Script.FindSection(Language, Section));
    const QSet<QString> Names = ValueNames(Script, Section);
    EXPECT_TRUE(Names.contains(QStringLiteral("TITLE")));
    for (const QString& Name : Used) {
      QByteArray Value;
      EXPECT_TRUE(Script.FindValue(Section, Name.toUtf8(), Value) && !Value.trimmed().isEmpty()) << Name.toStdString();
    }
    // The same texts in every language: none forgotten, none left over.
    if (First.isEmpty())
      First = Names;
    else
      EXPECT_EQ(Names, First);
  }
}

TEST_P(TutorialScripts, PlaysToItsEndWithEveryCommandAndControlFound) {
  // Offscreen the engine delivers its clicks as synthesised events; the clock runs fast.
  TQvDemoPlayback* Playback = DemonstrationModule->Playback();
  ASSERT_TRUE(Playback);
  Playback->SetTimeScale(50);
  const std::size_t Boxes = Process->Boxes.size();
  ASSERT_TRUE(DemonstrationModule->PlayDemo(GetParam()));
  EXPECT_TRUE(TEditorProcess::RunUntil([Playback] { return !Playback->IsPlaying(); }, 60000));
  EXPECT_EQ(Playback->State(), TQvDemoPlayback::StateIdle);
  // The photo opened; no error was reported and nothing was asked; the end was announced.
  EXPECT_NE(GraphicsEditor->ActiveDocument(), nullptr);
  ASSERT_GT(Process->Boxes.size(), Boxes);
  for (std::size_t I = Boxes; I < Process->Boxes.size(); ++I) {
    const TShownBox& Box = Process->Boxes[I];
    EXPECT_FALSE(Box.IsError() || Box.IsQuestion()) << Box.Text.toStdString();
  }
  EXPECT_EQ(Process->Boxes.back().Text.toStdString(), GetLocalString(725).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Shipped, TutorialScripts, ::testing::ValuesIn(SourceTutorialNames().toVector()),
                         [](const ::testing::TestParamInfo<QString>& Info) {
                           QString Name = Info.param;
                           return Name.replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
                         });

}  // namespace
