// The editor base driven with a small fake document and a two-format fake registry: open, change,
// undo, save, close with and without the save question, recent files, captions, plug-in mode.
#include "AppFixture.h"

#include "MainForm.h"
#include "QvEditor.h"
#include "QvLocalizer.h"
#include "QvProperties.h"
#include "QvSDF.h"

#include <QBuffer>
#include <QFile>
#include <QMenu>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QToolBar>

#include <deque>

namespace {

class TFakeState : public TQvCommandState {
 public:
  void Undo() override {}
  void Redo() override {}
};

class TFakeDocument : public TQvDocument {
 public:
  using TQvDocument::TQvDocument;
  void CreateView(QWidget*& View) override { View = new QWidget; }
  QByteArray Content;
};

// Format 1 stands for JPEG (two extensions), format 2 for PNG. A file whose content begins with
// "BAD" cannot be read; FailSave makes every save fail as a full disk would.
class TFakeFormats : public TQvDocumentFormats {
 public:
  int Count() const override { return 2; }
  TQvFileFormatInfo Items(int Index) const override {
    if (Index == 0) return {1, QStringLiteral("Fake JPEG"), QStringLiteral("*.jpg;*.jpeg"), QStringLiteral(".jpg")};
    return {2, QStringLiteral("Fake PNG"), QStringLiteral("*.png"), QStringLiteral(".png")};
  }
  bool LoadDocument(TQvDocument* Doc, const QString& FileName, int& FormatId, QString& ErrorText) override {
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly)) {
      ErrorText = File.errorString();
      return false;
    }
    const QByteArray Bytes = File.readAll();
    if (Bytes.startsWith("BAD")) {
      ErrorText = QStringLiteral("Not an image.");
      return false;
    }
    static_cast<TFakeDocument*>(Doc)->Content = Bytes;
    FormatId = FileName.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? 2 : 1;
    return true;
  }
  bool SaveDocument(TQvDocument* Doc, const QString& FileName, int FormatId, QString& ErrorText) override {
    Saved << FileName;
    SavedFormats << FormatId;
    if (FailSave) {
      ErrorText = QStringLiteral("No space left on device.");
      return false;
    }
    if (CancelSave) return false;  // a format's own question (the JPEG quality) was cancelled
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly)) {
      ErrorText = File.errorString();
      return false;
    }
    File.write(static_cast<TFakeDocument*>(Doc)->Content);
    return File.commit();
  }
  bool FailSave = false;
  bool CancelSave = false;
  QStringList Saved;
  QList<int> SavedFormats;
};

class TFakeEditor : public TQvEditor {
 public:
  TQvDocumentFormats* FileFormats() override { return &Formats; }
  TQvDocument* CreateDocument() override { return new TFakeDocument(this); }

  TFakeFormats Formats;
  // The save dialog's answer: empty = cancelled; otherwise the chosen name and filter index.
  QString SaveAnswer;
  int SaveFilterAnswer = 1;
  QString ProposedName;
  int ProposedFilter = 0;
  int SaveDialogs = 0;
  QString OpenAnswer;
  int OpenDialogs = 0;
  QStringList Arguments;

  using TQvEditor::DropFile;

 protected:
  bool ExecuteSaveDialog(TQvFileFormats*, QString& FileName, int& FilterIndex) override {
    ++SaveDialogs;
    ProposedName = FileName;
    ProposedFilter = FilterIndex;
    if (SaveAnswer.isEmpty()) return false;
    FileName = SaveAnswer;
    FilterIndex = SaveFilterAnswer;
    return true;
  }
  bool ExecuteOpenDialog(TQvFileFormats*, QString& FileName) override {
    ++OpenDialogs;
    FileName = OpenAnswer;
    return !FileName.isEmpty();
  }
  QStringList CommandLineArguments() const override { return Arguments; }
};

class TFakeRecorder : public TQvDemoRecorder {
 public:
  void RecordLine(const QString& Line) override { Lines << Line; }
  bool RecordMessages() const override { return Messages; }
  QStringList Lines;
  bool Messages = false;
};

class TLogObserver : public IQvDocumentObserver {
 public:
  TLogObserver(QStringList& Log, QString Name) : FLog(Log), FName(std::move(Name)) {}
  void DocumentChanged(TQvDocument*) override { FLog << FName + QStringLiteral(" changed"); }
  void DocumentClosed(TQvDocument*) override { FLog << FName + QStringLiteral(" closed"); }

 private:
  QStringList& FLog;
  QString FName;
};

class EditorTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(FFiles.isValid());
    App = MakeApplication();
    App->SetTitle(QStringLiteral("Ocuvane"));
    App->SetMessageBoxHandler([this](const QString& Text, const QString&, int Flags) {
      Boxes << Text;
      BoxFlags << Flags;
      if (Answers.empty()) return QvMB::IDOK;
      const int A = Answers.front();
      Answers.pop_front();
      return A;
    });
    App->CreateModule(Editor);
    App->LoadSettings();
  }
  void TearDown() override {
    App->DestroyComponents();
    App.reset();
    AppFixture::TearDown();
  }

  QString MakeFile(const QString& Name, const QByteArray& Content = "picture") const {
    const QString Path = FFiles.filePath(Name);
    QFile File(Path);
    EXPECT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Content);
    return Path;
  }
  static QByteArray ReadFile(const QString& Path) {
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
  }
  TQvDocument* Open(const QString& Path) {
    TQvDocument* Doc = nullptr;
    EXPECT_TRUE(Editor->OpenFile(Path, Doc, true));
    return Doc;
  }
  TFakeDocument* Active() const { return static_cast<TFakeDocument*>(Editor->ActiveDocument()); }
  QStringList RecentCaptions() const {
    QStringList Captions;
    for (QAction* Item : Editor->RecentFileItems()) Captions << Item->text();
    return Captions;
  }

  std::unique_ptr<TQvApplication> App;
  TFakeEditor* Editor = nullptr;
  QStringList Boxes;
  QList<int> BoxFlags;
  std::deque<int> Answers;
  QTemporaryDir FFiles;
};

TEST(FileFormats, OpenFormatsEndWithAllSupportedAndAllFiles) {
  TFakeFormats Formats;
  TQvFileFormatInfos Open;
  Formats.GetOpenFormats(Open);
  EXPECT_EQ(BuildFilter(Open),
            QStringLiteral("Fake JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Fake PNG (*.png)|*.png|"
                           "All supported formats (*.jpg;*.jpeg;*.png)|*.jpg;*.jpeg;*.png|All files (*.*)|*.*"));
  EXPECT_EQ(Open[2].FormatId, 0);
  EXPECT_TRUE(Open[3].Extension.isEmpty());
  EXPECT_EQ(IndexOfFormat(Open, 2), 1);
  EXPECT_EQ(IndexOfFormat(Open, 7), -1);
  EXPECT_EQ(Formats.IndexOf(2), 1);
  EXPECT_EQ(Formats.IndexOf(0), -1);
}

TEST(FileFormats, ExtensionCheckAcceptsEveryExtensionOfTheFormat) {
  const TQvFileFormatInfo Jpeg{1, QStringLiteral("JPEG"), QStringLiteral("*.jpg;*.jpeg;*.jpe"), QStringLiteral(".jpg")};
  const TQvFileFormatInfo Any{0, QStringLiteral("All"), QStringLiteral("*.*"), QString()};
  struct TCase {
    const char* Name;
    const TQvFileFormatInfo* Format;
    bool Expected;
  };
  const TCase Cases[] = {
      {"photo.jpg", &Jpeg, true},       {"photo.JPG", &Jpeg, true},      {"photo.jpeg", &Jpeg, true},
      {"/a/b/photo.Jpe", &Jpeg, true},  {"photo", &Jpeg, false},         {"photo.png", &Jpeg, false},
      {"photo.jpg.png", &Jpeg, false},  {".jpg", &Jpeg, false},          {"/dir.jpg/photo", &Jpeg, false},
      {"photo.jpg", &Any, false},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(HasFormatExtension(QString::fromUtf8(C.Name), *C.Format), C.Expected) << C.Name;
}

TEST_F(EditorTest, SaveAsAppendsTheChosenFormatsExtensionOnlyWhenMissing) {
  struct TCase {
    const char* Chosen;
    int FilterIndex;
    const char* Written;
    int FormatId;
  };
  const TCase Cases[] = {
      {"photo", 2, "photo.png", 2},       {"photo.JPG", 1, "photo.JPG", 1},  {"photo.jpeg", 1, "photo.jpeg", 1},
      {"a.png", 1, "a.png.jpg", 1},       {"b.jpg", 2, "b.jpg.png", 2},
  };
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("source.jpg")));
  ASSERT_TRUE(Doc);
  for (const TCase& C : Cases) {
    Editor->SaveAnswer = FFiles.filePath(QString::fromUtf8(C.Chosen));
    Editor->SaveFilterAnswer = C.FilterIndex;
    EXPECT_TRUE(Editor->SaveAsWithDialog(Doc)) << C.Chosen;
    EXPECT_EQ(Editor->Formats.Saved.last(), FFiles.filePath(QString::fromUtf8(C.Written))) << C.Chosen;
    EXPECT_EQ(Doc->FormatId, C.FormatId) << C.Chosen;
  }
  EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(EditorTest, SaveDialogProposesTheNameWithoutExtensionAndTheDocumentsFormat) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("holiday.png")));
  ASSERT_TRUE(Doc);
  Editor->SaveAsWithDialog(Doc);  // cancelled
  EXPECT_EQ(Editor->ProposedName, FFiles.filePath(QStringLiteral("holiday")));
  EXPECT_EQ(Editor->ProposedFilter, 2);
}

TEST_F(EditorTest, CaptionFollowsTheActiveDocument) {
  EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Ocuvane"));
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("face.jpg")));
  ASSERT_TRUE(Doc);
  EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("face.jpg - Ocuvane"));
  Doc->FileName.clear();
  Editor->UpdateCaption();
  EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Untitled - Ocuvane"));
  App->SetTitle(QStringLiteral("Ocuvane Plug-in"));
  EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Untitled - Ocuvane Plug-in"));
  ASSERT_TRUE(Doc->Close());
  EXPECT_EQ(MainForm->windowTitle(), QStringLiteral("Ocuvane Plug-in"));
}

// Modified says whether the document differs from its file, whatever path the history took.
TEST_F(EditorTest, ModifiedFollowsTheHistoryRelativeToTheSavedState) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("eyes.jpg")));
  ASSERT_TRUE(Doc);
  auto Step = [&](const char* What, bool Expected) { EXPECT_EQ(Doc->Modified(), Expected) << What; };
  Step("after load", false);
  Doc->AddCommandState(new TFakeState);
  Step("one change", true);
  Editor->UndoCommand();
  Step("undone to the loaded state", false);
  Editor->RedoCommand();
  Step("redone", true);
  Doc->AddCommandState(new TFakeState);
  Editor->SaveAnswer = FFiles.filePath(QStringLiteral("eyes.jpg"));
  Answers = {QvMB::IDYES};  // replace the file
  ASSERT_TRUE(Editor->SaveAsWithDialog(Doc));
  Step("saved at position 2", false);
  Editor->UndoCommand();
  Step("undone past the save", true);
  Editor->RedoCommand();
  Step("redone to the saved state", false);
  // A tool refining its last change takes the state back and records a replacement.
  Doc->History.Undo();
  Doc->History.Add(new TFakeState);
  Step("saved state replaced", true);
  Editor->UndoAllCommand();
  Step("undone to the load", true);  // the file now holds the saved state, not the loaded one
  Editor->RedoAllCommand();
  Step("the replacement is not what was saved", true);
}

TEST_F(EditorTest, UndoingBackToTheLoadClosesWithoutAQuestion) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("eyes.jpg")));
  ASSERT_TRUE(Doc);
  Doc->AddCommandState(new TFakeState);
  Doc->AddCommandState(new TFakeState);
  Editor->UndoAllCommand();
  EXPECT_FALSE(Doc->Modified());
  Editor->CloseCommand();
  EXPECT_EQ(Editor->DocumentCount(), 0);
  EXPECT_TRUE(Boxes.isEmpty());
}

// A freed saved state must not be mistaken for a new state that happens to reuse its memory.
TEST_F(EditorTest, FreedSavedStateNeverCountsAsSaved) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("eyes.jpg")));
  ASSERT_TRUE(Doc);
  for (int Round = 0; Round < 50; ++Round) {
    Doc->AddCommandState(new TFakeState);
    Doc->MarkSaved();
    Doc->History.Undo();
    Doc->History.Add(new TFakeState);  // frees the saved state first
    ASSERT_TRUE(Doc->Modified()) << Round;
    // Straight through the base list as well.
    Doc->History.Undo();
    static_cast<TQvCommandHistoryList&>(Doc->History).Add(std::make_unique<TFakeState>());
    ASSERT_TRUE(Doc->Modified()) << Round;
  }
}

TEST_F(EditorTest, SaveQuestionOnClose) {
  struct TCase {
    const char* What;
    std::deque<int> Answers;
    const char* SaveAnswer;
    bool Closed;
    int Saves;
  };
  const TCase Cases[] = {
      {"cancel keeps it open", {QvMB::IDCANCEL}, "", false, 0},
      {"no closes unsaved", {QvMB::IDNO}, "", true, 0},
      {"yes, dialog cancelled", {QvMB::IDYES}, "", false, 0},
      {"yes and saved", {QvMB::IDYES}, "copy.jpg", true, 1},
      {"yes, overwrite refused", {QvMB::IDYES, QvMB::IDNO}, "eyes.jpg", false, 0},
  };
  const QString Path = MakeFile(QStringLiteral("eyes.jpg"));
  for (const TCase& C : Cases) {
    Editor->Formats.Saved.clear();
    TQvDocument* Doc = Open(Path);
    ASSERT_TRUE(Doc) << C.What;
    Doc->AddCommandState(new TFakeState);
    Answers = C.Answers;
    Boxes.clear();
    Editor->SaveAnswer = QString::fromUtf8(C.SaveAnswer).isEmpty() ? QString() : FFiles.filePath(QString::fromUtf8(C.SaveAnswer));
    Editor->SaveDialogs = 0;
    Editor->CloseCommand();
    EXPECT_EQ(Editor->DocumentCount() == 0, C.Closed) << C.What;
    EXPECT_EQ(Editor->Formats.Saved.size(), C.Saves) << C.What;
    ASSERT_FALSE(Boxes.isEmpty()) << C.What;
    EXPECT_EQ(Boxes.first(), QStringLiteral("Do you want to save the changes to eyes.jpg?")) << C.What;
    EXPECT_EQ(BoxFlags.last() & 0xFF, Boxes.size() > 1 ? 52 : 51) << C.What;
    if (!C.Closed) {
      EXPECT_TRUE(Active()->Modified()) << C.What;
      Answers = {QvMB::IDNO};
      ASSERT_TRUE(Editor->CloseActiveDocument());
    }
  }
  EXPECT_EQ(ReadFile(Path), QByteArray("picture"));
}

// A name with "%s" or "%d" in it is inserted as it stands, never read as a format.
TEST_F(EditorTest, QuestionsInsertNamesLiterally) {
  const QString Path = MakeFile(QStringLiteral("50%s %d off.jpg"));
  Open(Path)->AddCommandState(new TFakeState);
  Answers = {QvMB::IDYES, QvMB::IDNO};
  Editor->SaveAnswer = Path;
  EXPECT_FALSE(Active()->Close());
  ASSERT_EQ(Boxes.size(), 2);
  EXPECT_EQ(Boxes[0], QStringLiteral("Do you want to save the changes to 50%s %d off.jpg?"));
  EXPECT_EQ(Boxes[1], Path + QStringLiteral(" already exists. Do you want to replace it?"));
}

TEST_F(EditorTest, MainWindowStaysOpenWhenTheSaveQuestionIsCancelled) {
  Open(MakeFile(QStringLiteral("eyes.jpg")))->AddCommandState(new TFakeState);
  Answers = {QvMB::IDCANCEL};
  bool CanClose = true;
  Editor->MainFormCloseQuery(MainForm, CanClose);
  EXPECT_FALSE(CanClose);
  EXPECT_EQ(Editor->DocumentCount(), 1);
  Answers = {QvMB::IDNO};
  EXPECT_TRUE(MainForm->OnCloseQuery());
  EXPECT_EQ(Editor->DocumentCount(), 0);
}

TEST_F(EditorTest, TemporaryDocumentClosesWithoutTheQuestion) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("demo.jpg")));
  Doc->Temporary = true;
  Doc->AddCommandState(new TFakeState);
  EXPECT_TRUE(Doc->Close());
  EXPECT_TRUE(Boxes.isEmpty());
}

TEST_F(EditorTest, FailedSaveNamesTheFileAndTheReasonAndKeepsEverything) {
  const QString Path = MakeFile(QStringLiteral("eyes.jpg"));
  TQvDocument* Doc = Open(Path);
  Doc->AddCommandState(new TFakeState);
  Editor->Formats.FailSave = true;
  const QString Target = FFiles.filePath(QStringLiteral("other.png"));
  Editor->SaveAnswer = Target;
  Editor->SaveFilterAnswer = 2;
  EXPECT_FALSE(Editor->SaveAsWithDialog(Doc));
  ASSERT_EQ(Boxes.size(), 1);
  EXPECT_TRUE(Boxes[0].contains(Target)) << Boxes[0].toStdString();
  EXPECT_TRUE(Boxes[0].contains(QStringLiteral("No space left on device."))) << Boxes[0].toStdString();
  EXPECT_EQ(BoxFlags[0], QvMB::MB_OK | QvMB::MB_ICONERROR);
  EXPECT_EQ(Editor->DocumentCount(), 1);
  EXPECT_TRUE(Doc->Modified());
  EXPECT_EQ(Doc->FileName, Path);
  EXPECT_EQ(Doc->FormatId, 1);
  EXPECT_FALSE(QFile::exists(Target));
  EXPECT_FALSE(Doc->Save());
  EXPECT_EQ(ReadFile(Path), QByteArray("picture"));
}

TEST_F(EditorTest, SaveCancelledInsideTheFormatShowsNoErrorAndKeepsTheDocumentModified) {
  // Regression: a cancelled quality question was reported as "cannot be saved".
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("eyes.jpg")));
  Doc->AddCommandState(new TFakeState);
  Editor->Formats.CancelSave = true;
  EXPECT_FALSE(Doc->Save());
  EXPECT_TRUE(Boxes.isEmpty());
  EXPECT_TRUE(Doc->Modified());
}

TEST_F(EditorTest, FileThatCannotBeLoadedIsReported) {
  Open(MakeFile(QStringLiteral("good.jpg")));
  const QString Bad = MakeFile(QStringLiteral("bad.jpg"), "BAD bytes");
  TQvDocument* Doc = reinterpret_cast<TQvDocument*>(1);
  EXPECT_FALSE(Editor->OpenFile(Bad, Doc, true));
  EXPECT_EQ(Doc, nullptr);
  EXPECT_EQ(Editor->DocumentCount(), 0);  // the previous document was closed first
  ASSERT_EQ(Boxes.size(), 1);
  EXPECT_TRUE(Boxes[0].startsWith(QStringLiteral("The file ") + Bad + QStringLiteral(" cannot be opened.")));
  EXPECT_EQ(BoxFlags[0], 16);
  EXPECT_EQ(Editor->RecentFiles(), QStringList{FFiles.filePath(QStringLiteral("good.jpg"))});
  EXPECT_EQ(ReadFile(Bad), QByteArray("BAD bytes"));
}

TEST_F(EditorTest, RecentFilesMoveToTheTopAndKeepFive) {
  QStringList Paths;
  for (int I = 1; I <= 6; ++I) Paths << MakeFile(QStringLiteral("p%1.jpg").arg(I));
  for (int I = 0; I < 5; ++I) Open(Paths[I]);
  Open(Paths[1]);
  EXPECT_EQ(Editor->RecentFiles(), (QStringList{Paths[1], Paths[4], Paths[3], Paths[2], Paths[0]}));
  Open(Paths[5]);
  EXPECT_EQ(Editor->RecentFiles(), (QStringList{Paths[5], Paths[1], Paths[4], Paths[3], Paths[2]}));
  QStringList Expected;
  for (int I = 0; I < 5; ++I) Expected << QStringLiteral("&%1 ").arg(I + 1) + Editor->RecentFiles()[I];
  EXPECT_EQ(RecentCaptions(), Expected);
  // The items sit between the File separator and the recent-files separator.
  const QList<QAction*> Items = MainForm->FileMenuItem->actions();
  const int First = Items.indexOf(MainForm->FileMenuSeparator) + 1;
  EXPECT_EQ(Items.mid(First, 5), Editor->RecentFileItems());
  EXPECT_EQ(Items.value(First + 5), Editor->RecentFilesSeparator);
}

TEST_F(EditorTest, RecentFileWithAnAmpersandReopens) {
  const QString Path = MakeFile(QStringLiteral("Tom & Jerry 1.jpg"));
  Open(Path);
  ASSERT_TRUE(Editor->CloseActiveDocument());
  ASSERT_EQ(Editor->RecentFileItems().size(), 1);
  QAction* Item = Editor->RecentFileItems()[0];
  EXPECT_TRUE(Item->text().endsWith(QStringLiteral("Tom && Jerry 1.jpg")));
  Item->trigger();
  ASSERT_TRUE(Active());
  EXPECT_EQ(Active()->FileName, Path);
  EXPECT_TRUE(Boxes.isEmpty());
}

TEST_F(EditorTest, RecentFilesSurviveTheSettingsInTheirOrder) {
  for (int I = 1; I <= 3; ++I) Editor->AddRecentFile(QStringLiteral("/pictures/f%1.jpg").arg(I));
  QBuffer Buffer;
  Buffer.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Buffer, false);
    Editor->SaveSettings(Writer);
  }
  App->DestroyComponents();
  App->CreateModule(Editor);
  TQvSDFReader Reader(Buffer.data());
  Editor->LoadSettings(Reader);
  const QStringList Expected{QStringLiteral("/pictures/f3.jpg"), QStringLiteral("/pictures/f2.jpg"),
                             QStringLiteral("/pictures/f1.jpg")};
  EXPECT_EQ(Editor->RecentFiles(), Expected);
  EXPECT_EQ(RecentCaptions().value(0), QStringLiteral("&1 /pictures/f3.jpg"));
}

TEST_F(EditorTest, StoredRecentCountAboveFiveKeepsTheFiveMostRecent) {
  QBuffer Buffer;
  Buffer.open(QIODevice::WriteOnly);
  {
    TQvSDFWriter Writer(&Buffer, false);
    Writer.BeginNode(1, QvSettingsGuid::Editor);
    Writer.BeginNode(1, std::int32_t(1000000));
    for (int I = 1; I <= 7; ++I) Writer.WriteWideString(I, QStringLiteral("/f%1").arg(I));
    Writer.EndNode();
    Writer.EndNode();
  }
  TQvSDFReader Reader(Buffer.data());
  Editor->LoadSettings(Reader);
  EXPECT_EQ(Editor->RecentFiles(), (QStringList{"/f1", "/f2", "/f3", "/f4", "/f5"}));
  EXPECT_EQ(Editor->RecentFileItems().size(), 5);
}

TEST_F(EditorTest, PluginModeHidesOpenAndSaveAndSetsTheExitCode) {
  Open(MakeFile(QStringLiteral("exchange.jpg")));
  EXPECT_EQ(Editor->ExitCode, 0);
  Editor->SetPluginMode(true);
  EXPECT_TRUE(Editor->PluginMode);
  EXPECT_EQ(Editor->ExitCode, -1);
  EXPECT_FALSE(Editor->OpenToolButton->isVisible());
  EXPECT_FALSE(Editor->SaveToolButton->isVisible());
  EXPECT_FALSE(Editor->EditToolbarSeparator->isVisible());
  EXPECT_TRUE(Editor->UndoToolButton->isVisible());
  Editor->OpenAnswer = MakeFile(QStringLiteral("other.jpg"));
  Editor->SaveAnswer = FFiles.filePath(QStringLiteral("copy.jpg"));
  Editor->OpenMenuItem->trigger();
  Editor->SaveAsMenuItem->trigger();
  Editor->SaveCommand();
  EXPECT_EQ(Editor->OpenDialogs, 0);
  EXPECT_EQ(Editor->SaveDialogs, 0);
  Editor->ExitCode = 0;  // as the exchange does once it has written its result
  Editor->SetPluginMode(true);
  EXPECT_EQ(Editor->ExitCode, 0);
}

TEST_F(EditorTest, OpenCommandDropAndCommandLineOpenFiles) {
  const QString A = MakeFile(QStringLiteral("a.jpg")), B = MakeFile(QStringLiteral("b.png"));
  Editor->OpenAnswer = A;
  Editor->OpenToolButton->trigger();
  ASSERT_TRUE(Active());
  EXPECT_EQ(Active()->FileName, A);
  MainForm->OnDropFile(B);
  ASSERT_TRUE(Active());
  EXPECT_EQ(Active()->FileName, B);
  EXPECT_EQ(Active()->FormatId, 2);
  EXPECT_EQ(Editor->DocumentCount(), 1);
  Editor->Arguments = {FFiles.path(), A};  // a folder is not a file
  Editor->Start();
  EXPECT_EQ(Active()->FileName, B);
  // A relative name is remembered as the absolute path, so the recent entry opens from anywhere.
  const QString Cwd = QDir::currentPath();
  QDir::setCurrent(FFiles.path());
  Editor->Arguments = {QStringLiteral("a.jpg")};
  Editor->Start();
  QDir::setCurrent(Cwd);
  EXPECT_EQ(Active()->FileName, A);
  EXPECT_EQ(Editor->RecentFiles(), (QStringList{A, B}));
  // A demonstration named on the command line is no file to open; a file beside it still opens.
  Editor->Arguments = {QStringLiteral("--demo"), B};
  Editor->Start();
  EXPECT_EQ(Active()->FileName, A);
  Editor->Arguments = {QStringLiteral("--demo"), QStringLiteral("crop"), B};
  Editor->Start();
  EXPECT_EQ(Active()->FileName, B);
  ASSERT_TRUE(Active()->View());
  EXPECT_EQ(Active()->View()->parentWidget(), MainForm->centralWidget());
}

TEST_F(EditorTest, OpeningIsCancelledWithTheSaveQuestion) {
  const QString A = MakeFile(QStringLiteral("a.jpg"));
  Open(A)->AddCommandState(new TFakeState);
  Answers = {QvMB::IDCANCEL};
  TQvDocument* Doc = nullptr;
  EXPECT_FALSE(Editor->OpenFile(MakeFile(QStringLiteral("b.jpg")), Doc, true));
  EXPECT_EQ(Active()->FileName, A);
  EXPECT_EQ(Boxes.size(), 1);
}

TEST_F(EditorTest, UndoAndRedoAnswerTheDemonstrationAndAreRecorded) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("a.jpg")));
  Doc->AddCommandState(new TFakeState);
  MainForm->show();
  TQvCustomProperties Params;
  Params.SetString(1, QStringLiteral("uNdO"));
  bool Handled = false;
  QPoint Point;
  Editor->GetDemoControlPoint(nullptr, &Params, Handled, Point);
  EXPECT_TRUE(Handled);
  QWidget* Button = Editor->StandardToolbar->widgetForAction(Editor->UndoToolButton);
  ASSERT_TRUE(Button);
  EXPECT_EQ(Point, Button->mapToGlobal(Button->rect().center()));
  TQvCustomProperties Other;
  Other.SetString(1, QStringLiteral("Open"));
  Editor->GetDemoControlPoint(nullptr, &Other, Handled, Point);
  EXPECT_FALSE(Handled);

  TFakeRecorder Recorder;
  Editor->StartDemoRecording(&Recorder);
  Editor->ExecuteDemoCommand(nullptr, QStringLiteral("UNDO"), Handled, nullptr, nullptr);
  EXPECT_TRUE(Handled);
  EXPECT_EQ(Doc->History.Position(), 0);
  Recorder.Messages = true;
  Editor->ExecuteDemoCommand(nullptr, QStringLiteral("REDO"), Handled, nullptr, nullptr);
  EXPECT_EQ(Doc->History.Position(), 1);
  Editor->ExecuteDemoCommand(nullptr, QStringLiteral("ZOOM"), Handled, nullptr, nullptr);
  EXPECT_FALSE(Handled);
  Editor->StopDemoRecording();
  Editor->UndoCommand();
  EXPECT_EQ(Recorder.Lines, (QStringList{"MouseCurvedMove Undo", "Undo", "MouseCurvedMove Redo",
                                         "Message \"Redo\"", "Redo"}));
}

TEST_F(EditorTest, ObserversHearChangesLastFirstAndTheClosing) {
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("a.jpg")));
  QStringList Log;
  TLogObserver First(Log, QStringLiteral("first")), Second(Log, QStringLiteral("second"));
  Doc->AddObserver(&First);
  Doc->AddObserver(&Second);
  Doc->AddObserver(&First);
  EXPECT_EQ(Doc->ObserverCount(), 2);
  Doc->Changed();
  EXPECT_FALSE(Doc->Modified());  // telling observers is not a change of the file's content
  Doc->Close();
  EXPECT_EQ(Log, (QStringList{"second changed", "first changed", "second closed", "first closed"}));
}

TEST_F(EditorTest, ControlsFollowTheDocument) {
  Editor->UpdateControls();
  for (QAction* Item : {Editor->SaveMenuItem, Editor->SaveAsMenuItem, Editor->CloseMenuItem, Editor->SaveToolButton,
                        Editor->UndoMenuItem, Editor->UndoAllMenuItem, Editor->RedoMenuItem, Editor->RedoAllMenuItem,
                        Editor->UndoToolButton, Editor->RedoToolButton})
    EXPECT_FALSE(Item->isEnabled()) << Item->text().toStdString();
  TQvDocument* Doc = Open(MakeFile(QStringLiteral("a.jpg")));
  Doc->AddCommandState(new TFakeState);
  Editor->UpdateControls();
  EXPECT_TRUE(Editor->SaveAsMenuItem->isEnabled());
  EXPECT_TRUE(Editor->UndoToolButton->isEnabled());
  EXPECT_FALSE(Editor->RedoToolButton->isEnabled());
  EXPECT_FALSE(Editor->SaveMenuItem->isVisible());
  EXPECT_EQ(Editor->SaveAsMenuItem->text(), QStringLiteral("Save &As..."));
  EXPECT_EQ(Editor->UndoToolButton->toolTip(), QStringLiteral("Undo"));
  EXPECT_EQ(Editor->EditMenuItem->title(), QStringLiteral("&Edit"));
}

}  // namespace
