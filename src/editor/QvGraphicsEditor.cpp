#include "QvGraphicsEditor.h"

#include "MainForm.h"
#include "QvApplication.h"
#include "QvCursors.h"
#include "QvGraphicsEditorParts.h"
#include "QvGraphicsTool.h"
#include "QvGuid.h"
#include "QvImageList.h"
#include "QvLocalizer.h"
#include "QvPluginExchange.h"
#include "QvProperties.h"
#include "QvSDF.h"
#include "QvScrollTool.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QWheelEvent>

#include <algorithm>
#include <vector>

TQvGraphicsEditor* GraphicsEditor = nullptr;

namespace QvGraphicsEditorParts {

void SetButtonHint(QAction* Button, const QString& Text) {
  if (!Button) return;
  Button->setText(Text);
  Button->setToolTip(Text);
}

QWidget* ButtonWidget(QToolBar* Toolbar, QAction* Button) {
  return Toolbar && Button ? Toolbar->widgetForAction(Button) : nullptr;
}

bool ParamNumber(TQvCustomProperties* Params, int Index, int& Value) {
  if (!Params || Index >= Params->Count()) return false;
  bool Ok = false;
  Value = Params->GetValue(Index).toInt(&Ok);
  return Ok;
}

}  // namespace QvGraphicsEditorParts

using namespace QvGraphicsEditorParts;

namespace {

// The desktop theme's icon of that meaning, else the program's own glyph Name.
int AddEditorImage(const QString& Name, const char* ThemeName) {
  if (!MainForm) return -1;
  return MainForm->Images().Add(QvGlyph(Name, QLatin1String(ThemeName)));
}

void SetButtonCaption(QAction* Button, const QString& Text) {
  if (!Button) return;
  Button->setText(Text);
  QString Hint = Text;
  Button->setToolTip(Hint.remove(QLatin1Char('&')));
}

// The upper-cased extensions, dot included, that count as images in folder navigation.
const QString ImageExtensions = QStringLiteral(".QVI;.JPG;.JPEG;.TIF;.TIFF;.PNG;.BMP;.RLE;.DIB");

}  // namespace

TQvGraphicsEditor::TQvGraphicsEditor() : FFormats(std::make_unique<TQvGraphicsFormats>()) {
  // The tools created below find the editor through the global while it is being built.
  GraphicsEditor = this;
  InstallExchangeFormat(*FFormats);
  TQvGraphicsDocument::ViewFactory = [](TQvGraphicsDocument* Doc) -> QWidget* { return new TQvGraphicsView(Doc); };

  TMainForm* F = MainForm;
  QMenu* View = F->ViewMenuItem;
  QAction* ViewFirst = View->actions().isEmpty() ? nullptr : View->actions().first();
  ZoomInMenuItem = F->AddMenuItem(QString(), QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus)), ViewFirst,
                                  View, AddEditorImage(QStringLiteral("ZoomIn"), "zoom-in"),
                                  [this] { ZoomInCommand(ZoomInMenuItem); });
  ZoomOutMenuItem = F->AddMenuItem(QString(), QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)), ViewFirst,
                                   View, AddEditorImage(QStringLiteral("ZoomOut"), "zoom-out"),
                                   [this] { ZoomOutCommand(ZoomOutMenuItem); });
  const int ActualSizeImage = AddEditorImage(QStringLiteral("ActualSize"), "zoom-original");
  ActualSizeMenuItem = F->AddMenuItem(GetLocalString(133, QStringLiteral("Actual Size")),
                                      QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0), ViewFirst, View, ActualSizeImage,
                                      [this] { ActualSizeCommand(ActualSizeMenuItem); });
  const int BestFitImage = AddEditorImage(QStringLiteral("BestFit"), "zoom-fit-best");
  ScaleToBestFitMenuItem = F->AddMenuItem(QString(), QKeySequence(), ViewFirst, View, BestFitImage,
                                          [this] { BestFitCommand(ScaleToBestFitMenuItem); });
  ZoomMenuSeparator = F->AddSeparator(View, ViewFirst);

  QToolBar* Bar = StandardToolbar;
  const int PrevImage = AddEditorImage(QStringLiteral("PrevImage"), "go-previous");
  const int NextImage = AddEditorImage(QStringLiteral("NextImage"), "go-next");
  PrevImageButton =
      F->AddToolButton(Bar, nullptr, EditToolbarSeparator, QString(), PrevImage, [this] { PrevImageCommand(PrevImageButton); });
  NextImageButton =
      F->AddToolButton(Bar, nullptr, EditToolbarSeparator, QString(), NextImage, [this] { NextImageCommand(NextImageButton); });
  ZoomToolbarSeparator = Bar->addSeparator();
  ZoomInButton = F->AddToolButton(Bar, nullptr, nullptr, QString(), -1, [this] { ZoomInCommand(ZoomInButton); });
  ZoomInButton->setIcon(ZoomInMenuItem->icon());
  ZoomOutButton = F->AddToolButton(Bar, nullptr, nullptr, QString(), -1, [this] { ZoomOutCommand(ZoomOutButton); });
  ZoomOutButton->setIcon(ZoomOutMenuItem->icon());
  ActualSizeButton = F->AddToolButton(Bar, nullptr, nullptr, QString(), ActualSizeImage,
                                      [this] { ActualSizeCommand(ActualSizeButton); });
  ScaleToBestFitButton =
      F->AddToolButton(Bar, nullptr, nullptr, QString(), BestFitImage, [this] { BestFitCommand(ScaleToBestFitButton); });
  ZoomInButton->setObjectName(QStringLiteral("ZoomInButton"));
  ZoomOutButton->setObjectName(QStringLiteral("ZoomOutButton"));
  ActualSizeButton->setObjectName(QStringLiteral("ActualSizeButton"));
  ScaleToBestFitButton->setObjectName(QStringLiteral("ScaleToBestFitButton"));

  // File > Import (filled by the scanner component each time it opens), then a separator before
  // the window's own File items.
  ImportSubmenu = F->AddSubmenu(QString(), F->FileMenuItem, CloseMenuItem);
  ImportSubmenu->setObjectName(QStringLiteral("ImportSubmenu"));
  connect(ImportSubmenu, &QMenu::aboutToShow, this, [this] { FillImportSubmenu(); });
  CloseMenuSeperator = F->AddSeparator(F->FileMenuItem, CloseMenuItem);

  CreateStatusPanels();
  F->installEventFilter(this);

  if (!LoadCursorResource(QvCursorNumber::Hand, QStringLiteral("Hand")))
    RegisterCursor(QvCursorNumber::Hand, QCursor(Qt::OpenHandCursor));
  if (Application) Application->CreateModule(ScrollTool);
}

TQvGraphicsEditor::~TQvGraphicsEditor() {
  if (MainForm) MainForm->removeEventFilter(this);
  if (GraphicsEditor == this) GraphicsEditor = nullptr;
}

void TQvGraphicsEditor::CreateStatusPanels() {
  QStatusBar* Bar = MainForm->StatusBar;
  const int Em = Bar->fontMetrics().height();
  struct TPanel {
    const char* Caption;
    int Width;
    bool Framed;
    QLabel** Value;
  };
  const TPanel Panels[] = {{"X:", 4, false, &XStatusPanel}, {"Y:", 5, true, &YStatusPanel},
                           {"W:", 4, false, &WStatusPanel}, {"H:", 5, true, &HStatusPanel},
                           {"R:", 4, false, &RStatusPanel}, {"G:", 4, false, &GStatusPanel},
                           {"B:", 5, true, &BStatusPanel}};
  std::vector<QLabel*> Fields;
  for (const TPanel& P : Panels) {
    auto* Caption = new QLabel(QLatin1String(P.Caption), Bar);
    Caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Caption->setFixedWidth(2 * Em);
    Bar->addWidget(Caption);
    FStatusCaptions.push_back(Caption);
    auto* Value = new QLabel(Bar);
    Value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Value->setFixedWidth(P.Width * Em);
    if (P.Framed) Value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bar->addWidget(Value);
    *P.Value = Value;
    Fields.insert(Fields.end(), {Caption, Value});
  }
  // Every field gets a fixed size: a label whose text changes asks its layout for a new
  // arrangement unless its size is fixed both ways, and the status bar answers that by repainting
  // all of its fields, on every pointer move over the image. The height is the one the bar's row
  // gives its fields anyway: the tallest field's with a digit in it.
  int Height = 0;
  for (QLabel* Label : Fields) {
    const QString Text = Label->text();
    if (Text.isEmpty()) Label->setText(QStringLiteral("0"));
    Height = std::max(Height, Label->sizeHint().height());
    if (Text.isEmpty()) Label->setText(QString());
  }
  for (QLabel* Label : Fields) Label->setFixedHeight(Height);
}

// ---- module ----

void TQvGraphicsEditor::Localize() {
  TQvEditor::Localize();
  ZoomInMenuItem->setText(GetLocalString(98, QStringLiteral("Zoom &In")));
  ZoomOutMenuItem->setText(GetLocalString(99, QStringLiteral("Zoom &Out")));
  ActualSizeMenuItem->setText(GetLocalString(166, QStringLiteral("&Actual Size")));
  ScaleToBestFitMenuItem->setText(GetLocalString(178, QStringLiteral("&Best Fit")));
  SetButtonCaption(ZoomInButton, ZoomInMenuItem->text());
  SetButtonCaption(ZoomOutButton, ZoomOutMenuItem->text());
  SetButtonCaption(ActualSizeButton, ActualSizeMenuItem->text());
  SetButtonCaption(ScaleToBestFitButton, ScaleToBestFitMenuItem->text());
  SetButtonHint(PrevImageButton, GetLocalString(2104, QStringLiteral("Previous Image")));
  SetButtonHint(NextImageButton, GetLocalString(2105, QStringLiteral("Next Image")));
  ImportSubmenu->setTitle(GetLocalString(17, QStringLiteral("&Import")));
  SetButtonHint(OkButton, GetLocalString(1, QStringLiteral("OK")));
  SetButtonHint(CancelButton, GetLocalString(2, QStringLiteral("Cancel")));
}

void TQvGraphicsEditor::LoadSettings(TQvSDFReader& Reader) {
  TQvEditor::LoadSettings(Reader);
  if (!Reader.EnterNode(1, QvSettingsGuid::GraphicsEditor)) return;
  std::int32_t Quality = FFormats->FQuality;
  // An out-of-range quality from a damaged file keeps the default.
  if (Reader.ReadInteger(1, Quality) && Quality >= 0 && Quality <= 100) FFormats->FQuality = Quality;
  Reader.ReadBoolean(2, FStoredFlag);
  Reader.LeaveNode();
}

void TQvGraphicsEditor::SaveSettings(TQvSDFWriter& Writer) {
  TQvEditor::SaveSettings(Writer);
  Writer.BeginNode(1, QvSettingsGuid::GraphicsEditor);
  Writer.WriteInteger(1, FFormats->FQuality);
  Writer.WriteBoolean(2, FStoredFlag);
  Writer.EndNode();
}

void TQvGraphicsEditor::UpdateControls() {
  TQvEditor::UpdateControls();
  const bool HasDocument = SaveAsMenuItem->isEnabled();
  for (QAction* A : {ZoomInMenuItem, ZoomOutMenuItem, ActualSizeMenuItem, ScaleToBestFitMenuItem, ZoomInButton,
                     ZoomOutButton, ActualSizeButton, ScaleToBestFitButton})
    A->setEnabled(HasDocument);
  PrevImageButton->setEnabled(!FFolderFiles.isEmpty() && FFolderIndex > 0);
  NextImageButton->setEnabled(!FFolderFiles.isEmpty() && FFolderIndex < FFolderFiles.size() - 1);
}

void TQvGraphicsEditor::ActivateDocument(TQvDocument* Doc) {
  // A document of format −1 is the plug-in's exchange file: the plug-in session switches the
  // editor into plug-in mode here once it exists.
  if (Doc && Doc->FormatId == -1 && !PluginMode) SetPluginMode(true);
  TQvEditor::ActivateDocument(Doc);
}

void TQvGraphicsEditor::UpdateCaption(QObject* Sender) {
  if (PluginMode && MainForm && Application) {
    MainForm->setWindowTitle(Application->GetTitle());
    return;
  }
  TQvEditor::UpdateCaption(Sender);
}

TQvDocumentFormats* TQvGraphicsEditor::FileFormats() { return FFormats.get(); }

TQvDocument* TQvGraphicsEditor::CreateDocument() { return new TQvGraphicsDocument(this); }

bool TQvGraphicsEditor::AttachDocumentView(TQvDocument* Doc, QWidget*& View) {
  if (!TQvEditor::AttachDocumentView(Doc, View)) return false;
  auto* GView = qobject_cast<TQvGraphicsView*>(View);
  if (!GView) return true;
  for (TQvGraphicsTool* Tool : Tools()) Tool->CreateControl(GView);
  // The zoom depends on the view's size, which the window's layout gives it only when it runs.
  if (MainForm && MainForm->layout()) MainForm->layout()->activate();
  if (QWidget* Workspace = GView->parentWidget(); Workspace && Workspace->layout()) Workspace->layout()->activate();
  AutoFit(qobject_cast<TQvGraphicsDocument*>(Doc), GView);
  if (FActiveTool) FActiveTool->Activate();
  GView->FDocumentView->SetVisible(true);
  GView->UpdateScrollRange();
  return true;
}

bool TQvGraphicsEditor::OpenFile(const QString& FileName, TQvDocument*& Doc, bool AddToRecent) {
  if (!TQvEditor::OpenFile(FileName, Doc, AddToRecent)) return false;
  TQvGraphicsView* View = ActiveView();
  if (!View) return true;
  RefreshFolderList(FileName);
  AutoFit(qobject_cast<TQvGraphicsDocument*>(Doc), View);
  if (auto* GDoc = qobject_cast<TQvGraphicsDocument*>(Doc)) {
    SetWidthText(QString::number(GDoc->Width()));
    SetHeightText(QString::number(GDoc->Height()));
  }
  if (Recorder) {
    TQvDemoLines::Move(Recorder, QStringLiteral("Open"));
    TQvDemoLines::Message(Recorder, QStringLiteral("Open Image"));
    Recorder->RecordLine(QStringLiteral("ImageOpen \"") + QFileInfo(FileName).fileName() + QStringLiteral("\", ") +
                         QString::number(View->width()) + QStringLiteral(", ") + QString::number(View->height()));
  }
  return true;
}

bool TQvGraphicsEditor::CanUndo() {
  const TQvGraphicsDocument* Doc = ActiveDocument();
  return TQvEditor::CanUndo() && !(Doc && Doc->Modifying());
}

bool TQvGraphicsEditor::CanRedo() {
  const TQvGraphicsDocument* Doc = ActiveDocument();
  return TQvEditor::CanRedo() && !(Doc && Doc->Modifying());
}

void TQvGraphicsEditor::DoUndo() {
  TQvGraphicsDocument* Doc = ActiveDocument();
  TQvGraphicsTool* Tool = FActiveTool;
  SetActiveTool(nullptr);
  if (Doc) Doc->NotifyBeforeUndo();
  TQvEditor::DoUndo();
  if (Doc) Doc->NotifyAfterUndo();
  SetActiveTool(Tool);
}

void TQvGraphicsEditor::DoRedo() {
  TQvGraphicsDocument* Doc = ActiveDocument();
  TQvGraphicsTool* Tool = FActiveTool;
  SetActiveTool(nullptr);
  if (Doc) Doc->NotifyBeforeRedo();
  TQvEditor::DoRedo();
  if (Doc) Doc->NotifyAfterRedo();
  SetActiveTool(Tool);
}

// ---- tools ----

std::vector<TQvGraphicsTool*> TQvGraphicsEditor::Tools() {
  std::vector<TQvGraphicsTool*> Result;
  if (!Application) return Result;
  for (int I = 0; I < Application->ComponentCount(); ++I)
    if (auto* Tool = qobject_cast<TQvGraphicsTool*>(Application->Components(I))) Result.push_back(Tool);
  return Result;
}

void TQvGraphicsEditor::SetActiveTool(TQvGraphicsTool* Tool) {
  if (FActiveTool) FActiveTool->Deactivate();
  FPreviousTool = FActiveTool;
  if (Tool) Tool->Activate();
  FActiveTool = Tool;
}

void TQvGraphicsEditor::SetDefaultTool(TQvGraphicsTool* Tool) {
  FDefaultTool = Tool;
  SetActiveTool(Tool);
}

bool TQvGraphicsEditor::CanSelectTool(TQvGraphicsTool* Tool) {
  const TQvGraphicsDocument* Doc = ActiveDocument();
  if (!Doc) return false;
  if (FLockTool && Tool != FActiveTool) return false;
  if (Doc->Modifying() && Doc->ModifyingTool()) {
    auto* Changing = dynamic_cast<TQvGraphicsTool*>(Doc->ModifyingTool());
    if (Changing && Changing != Tool && Changing->FExclusiveChange) return false;
  }
  return true;
}

// ---- documents, views, zoom ----

TQvGraphicsDocument* TQvGraphicsEditor::ActiveDocument() const {
  return qobject_cast<TQvGraphicsDocument*>(TQvEditor::ActiveDocument());
}

TQvGraphicsView* TQvGraphicsEditor::ActiveView() const {
  const TQvGraphicsDocument* Doc = ActiveDocument();
  return Doc ? qobject_cast<TQvGraphicsView*>(Doc->View()) : nullptr;
}

void TQvGraphicsEditor::SetZoom(TQvGraphicsView* View, int Numerator, int Denominator) {
  if (!View || Numerator <= 0 || Denominator <= 0) return;
  View->FFitPending = false;
  const TPoint Centre = View->DeviceToLogical(TPoint{View->ClientWidth() / 2, View->ClientHeight() / 2});
  View->SetZoomExtents(Numerator, Denominator);
  View->CenterOn(Centre);
  // What lies under the pointer has changed: the status fields and the tools' overlays follow as
  // if the pointer had moved.
  if (View->Hovered()) {
    const TPoint P = View->GetMousePos();
    View->DoMouseMove(QvShiftState(QGuiApplication::keyboardModifiers(), QGuiApplication::mouseButtons()), P);
  }
  View->UpdateCursor();
}

void TQvGraphicsEditor::BestFit(TQvGraphicsView* View) {
  if (!View || !View->Document()) return;
  // The view's scroll bars always take their room, so the picture has to fit the client area.
  const TQvZoomRatio R =
      BestFitRatio(View->ClientWidth(), View->ClientHeight(), View->Document()->Width(), View->Document()->Height());
  SetZoom(View, R.Numerator, R.Denominator);
}

void TQvGraphicsEditor::AutoFit(TQvGraphicsDocument* Doc, TQvGraphicsView* View) {
  if (!Doc || !View) return;
  if (AutoFitIsActualSize(View->ClientWidth(), View->ClientHeight(), Doc->Width(), Doc->Height()))
    SetZoom(View, 1, 1);
  else
    BestFit(View);
  // A view that is not on screen yet has no final size; it fits again once it is shown.
  View->FFitPending = !View->isVisible();
}

void TQvGraphicsEditor::FitActive() { AutoFit(ActiveDocument(), ActiveView()); }

void TQvGraphicsEditor::SetMinViewSize(int Width, int Height) {
  TQvGraphicsView* View = ActiveView();
  if (!View || !MainForm) return;
  QRect Frame = MainForm->geometry();
  if (View->width() < Width) Frame.setWidth(Frame.width() + Width - View->width());
  if (View->height() < Height) Frame.setHeight(Frame.height() + Height - View->height());
  if (QScreen* Screen = MainForm->screen()) {
    const QRect Work = Screen->availableGeometry();
    Frame.setWidth(std::min(Frame.width(), Work.width()));
    Frame.setHeight(std::min(Frame.height(), Work.height()));
    Frame.moveLeft(std::clamp(Frame.left(), Work.left(), Work.right() - Frame.width() + 1));
    Frame.moveTop(std::clamp(Frame.top(), Work.top(), Work.bottom() - Frame.height() + 1));
  }
  MainForm->setGeometry(Frame);
}

void TQvGraphicsEditor::RecordCommandLines(const QString& Name, const QString& Message) {
  TQvDemoLines::Click(Recorder, Name, Message);
}

void TQvGraphicsEditor::ZoomInCommand(QObject*) {
  RecordCommandLines(QStringLiteral("ZoomIn"), QStringLiteral("Zoom In"));
  TQvGraphicsView* View = ActiveView();
  if (!View) return;
  const TQvZoomRatio R = ZoomSteps[ZoomInStep(View->ZoomNumerator(), View->ZoomDenominator())];
  // Beyond the last step (a best fit of a tiny image) the last step would be a reduction.
  if (ZoomThousandths(R.Numerator, R.Denominator) < ZoomThousandths(View->ZoomNumerator(), View->ZoomDenominator()))
    return;
  SetZoom(View, R.Numerator, R.Denominator);
}

void TQvGraphicsEditor::ZoomOutCommand(QObject*) {
  RecordCommandLines(QStringLiteral("ZoomOut"), QStringLiteral("Zoom Out"));
  TQvGraphicsView* View = ActiveView();
  if (!View) return;
  const TQvZoomRatio R = ZoomSteps[ZoomOutStep(View->ZoomNumerator(), View->ZoomDenominator())];
  // Below the first step (a best fit of a huge image) the first step would be an enlargement.
  if (ZoomThousandths(R.Numerator, R.Denominator) > ZoomThousandths(View->ZoomNumerator(), View->ZoomDenominator()))
    return;
  SetZoom(View, R.Numerator, R.Denominator);
}

void TQvGraphicsEditor::ActualSizeCommand(QObject*) {
  RecordCommandLines(QStringLiteral("ActualSize"), QStringLiteral("Actual Size"));
  if (TQvGraphicsView* View = ActiveView()) SetZoom(View, 1, 1);
}

void TQvGraphicsEditor::BestFitCommand(QObject*) {
  RecordCommandLines(QStringLiteral("BestFit"), QStringLiteral("Best Fit"));
  if (TQvGraphicsView* View = ActiveView()) BestFit(View);
}

void TQvGraphicsEditor::MainFormMouseWheel(QObject*, TQvShiftState Shift, int WheelDelta, const QPoint& MousePos,
                                           bool& Handled) {
  // A purely sideways turn (tilt wheels, touchpads) has no direction to zoom or step in.
  if (WheelDelta == 0) return;
  TQvGraphicsView* View = ActiveView();
  if (!View || !View->Hovered()) return;
  const QPoint P = View->viewport()->mapFromGlobal(MousePos);
  const int Direction = WheelDelta < 1 ? -1 : 1;
  // The view has no wheel behaviour of its own beyond what the tools do.
  View->DoMouseWheel(Shift, Direction, TPoint{P.x(), P.y()});
  Handled = true;
}

bool TQvGraphicsEditor::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == MainForm && Event->type() == QEvent::Wheel) {
    auto* Wheel = static_cast<QWheelEvent*>(Event);
    bool Handled = false;
    MainFormMouseWheel(Watched, QvShiftState(Wheel->modifiers(), Wheel->buttons()), Wheel->angleDelta().y(),
                       Wheel->globalPosition().toPoint(), Handled);
    if (Handled) {
      Event->accept();
      return true;
    }
  }
  return TQvEditor::eventFilter(Watched, Event);
}

void TQvGraphicsEditor::ActivateDocumentCommand(TQvDocument* Doc) { ActivateDocument(Doc); }

// ---- folder navigation ----

void TQvGraphicsEditor::RefreshFolderList(const QString& FileName) {
  const QFileInfo Info(FileName);
  const QString Folder = Info.path();
  if (FileName.isEmpty() || Folder.isEmpty()) return;
  FFolderFiles.clear();
  QDir Dir(Folder);
  const QStringList Names =
      Dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
  const QString Prefix = Dir.path() == QLatin1String("/") ? QStringLiteral("/") : Dir.path() + QLatin1Char('/');
  for (const QString& Name : Names) {
    const int Dot = Name.lastIndexOf(QLatin1Char('.'));
    if (Dot < 0) continue;
    const QString Extension = Name.mid(Dot).toUpper();
    if (Extension.size() > 2 && ImageExtensions.contains(Extension)) FFolderFiles.append(Prefix + Name);
  }
  FFolderIndex = -1;
  const QString Wanted = Info.absoluteFilePath();
  for (int I = 0; I < FFolderFiles.size(); ++I)
    if (QFileInfo(FFolderFiles[I]).absoluteFilePath().compare(Wanted, Qt::CaseInsensitive) == 0) {
      FFolderIndex = I;
      break;
    }
}

void TQvGraphicsEditor::NextImageCommand(QObject*) {
  if (FFolderFiles.isEmpty() || FFolderIndex + 1 >= FFolderFiles.size()) return;
  const int Index = FFolderIndex + 1;
  TQvDocument* Doc = nullptr;
  // The list is rebuilt by a successful open; a failed one leaves the position where it was.
  if (!OpenFile(FFolderFiles[Index], Doc, true)) return;
  if (FFolderIndex < 0) FFolderIndex = Index;
}

void TQvGraphicsEditor::PrevImageCommand(QObject*) {
  if (FFolderIndex <= 0 || FFolderIndex > FFolderFiles.size()) return;
  const int Index = FFolderIndex - 1;
  TQvDocument* Doc = nullptr;
  if (!OpenFile(FFolderFiles[Index], Doc, true)) return;
  if (FFolderIndex < 0) FFolderIndex = Index;
}

// ---- status fields ----

void TQvGraphicsEditor::SetWidthText(const QString& Text) {
  if (WStatusPanel) WStatusPanel->setText(Text);
}

void TQvGraphicsEditor::SetHeightText(const QString& Text) {
  if (HStatusPanel) HStatusPanel->setText(Text);
}

void TQvGraphicsEditor::RemoveDocument(TQvDocument* Doc) {
  TQvEditor::RemoveDocument(Doc);
  if (ActiveDocument()) return;
  SetPositionText(QString(), QString());
  SetColorText(QString(), QString(), QString());
  SetWidthText(QString());
  SetHeightText(QString());
}

void TQvGraphicsEditor::SetPositionText(const QString& X, const QString& Y) {
  if (XStatusPanel) XStatusPanel->setText(X);
  if (YStatusPanel) YStatusPanel->setText(Y);
}

void TQvGraphicsEditor::SetColorText(const QString& R, const QString& G, const QString& B) {
  if (RStatusPanel) RStatusPanel->setText(R);
  if (GStatusPanel) GStatusPanel->setText(G);
  if (BStatusPanel) BStatusPanel->setText(B);
}

// ---- files ----

void TQvGraphicsEditor::OpenFileByName(const QString& FileName) {
  TQvDocument* Doc = nullptr;
  OpenFile(FileName, Doc, true);
}

void TQvGraphicsEditor::DropFile(const QString& FileName) {
  // A plug-in session edits its one image; like Open, a dropped file would replace it.
  if (!PluginMode) OpenFileByName(FileName);
}

