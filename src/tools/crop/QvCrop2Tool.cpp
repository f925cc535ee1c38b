#include "QvCrop2Tool.h"

#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvProperties.h"
#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvMemory.h"
#include "QvProperties.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

TQvCrop2Tool* Crop2Tool = nullptr;

void RegisterCropCursors();

// The glyph lives in this library's own resources, which a static library must register itself.
static void InitCropResources() { Q_INIT_RESOURCE(crop); }

namespace {

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromUtf8(Default)); }

}  // namespace

// ---- command state ----

TQvCrop2CommandState::TQvCrop2CommandState(TQvCrop2Tool* Tool, TQvGraphicsDocument* Document, const TRect& Rect)
    : TQvImageCopyCommandState(Tool, Document, Rect) {}

void TQvCrop2CommandState::Perform(TQvGraphicsDocument& Document) { Document.Crop(FRect); }

// ---- the tool ----

TQvCrop2Tool::TQvCrop2Tool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  InitCropResources();
  RegisterCropCursors();
  FDemoName = "Crop";
  SetControlClass<TQvCrop2ToolControl>();
  SetHint(135, QStringLiteral("Crop"));
  SetSettingsGuid(QvSettingsGuid::Crop2Tool);
  CreateButton(QStringLiteral("Crop"), QStringLiteral("Crop"));
  if (Button()) {
    FFrame = CreateFrame<TQvCrop2Frame>();
    if (FFrame) {
      FFrame->FTool = this;
      // The link also goes back to the free ratio.
      FFrame->OnShowOptionsClick = [this] {
        if (FFrame) FFrame->ShowOptionsButtonClick();
      };
    }
  }
  FExclusiveChange = true;
  SetShowOptions(false);
}

TQvCrop2Tool::~TQvCrop2Tool() {
  if (FFrame) {
    FFrame->FTool = nullptr;
    FFrame->OnShowOptionsClick = nullptr;
  }
  if (Crop2Tool == this) Crop2Tool = nullptr;
}

void TQvCrop2Tool::Localize() {
  TQvPanelTool::Localize();
  if (!FFrame) return;
  TQvCrop2Frame& F = *FFrame;
  F.DescriptionLabel->setText(L(2029, ""));
  F.rbFree->setText(L(2885, "Free ratio"));
  F.rbFoto->setText(L(2886, "Print formats"));
  F.rbScreen->setText(L(2887, "Screen formats"));
  F.WidthLabel->setText(L(505, "Width") + QLatin1Char(':'));
  F.HeightLabel->setText(L(506, "Height") + QLatin1Char(':'));
  F.btClear->setText(L(2888, "Clear"));
  F.gbListResolution->setTitle(L(2889, "Resolutions"));
  F.LocalizeResolutions();
}

TQvCrop2ToolControl* TQvCrop2Tool::ActiveControl() const {
  const TQvGraphicsEditor* E = Editor();
  const TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  for (int I = 0; I < ControlCount(); ++I)
    if (auto* C = static_cast<TQvCrop2ToolControl*>(Controls(I)); C && C->View() == View) return C;
  return nullptr;
}

void TQvCrop2Tool::CancelChange() {
  for (int I = 0; I < ControlCount(); ++I)
    if (auto* C = static_cast<TQvCrop2ToolControl*>(Controls(I))) C->Reset();
  TQvPanelTool::CancelChange();
}

void TQvCrop2Tool::DocumentClosing(TQvGraphicsDocument* Document) {
  TQvPanelTool::DocumentClosing(Document);
  for (int I = 0; I < ControlCount(); ++I)
    if (auto* C = static_cast<TQvCrop2ToolControl*>(Controls(I)); C && C->FState != TQvCrop2ToolControl::StateNone) {
      CancelChange();
      return;
    }
}

void TQvCrop2Tool::ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                      TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) {
  // An unavailable tool (plug-in mode) cannot be chosen by its name either.
  if (!FAvailable) return;
  TQvPanelTool::ExecuteDemoCommand(Playback, Command, Handled, Action, Params);
}

void TQvCrop2Tool::GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                                       QPoint& Point) {
  TQvPanelTool::GetDemoControlPoint(Playback, Params, Handled, Point);
  if (Handled || !Params || Params->Count() == 0) return;
  const QString Name = Params->GetValue(0).toString().toUpper();
  if (Name != QLatin1String("CROPPERFORM") && Name != QLatin1String("CROPCANCEL")) return;
  // Enter, Esc or a click beside the rectangle do these; no button stands for them. Without an
  // answer a recorded crop could not be played back.
  const TQvGraphicsEditor* E = Editor();
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!View) return;
  QPoint Local = View->viewport()->rect().center();
  if (!FCropRect.IsEmpty())
    Local = ToQPoint(View->LogicalToDevice(
        TPoint{FCropRect.Left + FCropRect.Width() / 2, FCropRect.Top + FCropRect.Height() / 2}));
  Point = View->viewport()->mapToGlobal(Local);
  Handled = true;
}

void TQvCrop2Tool::UpdateLayout() {
  if (FFrame) FFrame->UpdateLayout(FShowOptions);
}

bool TQvCrop2Tool::Crop(const TRect& Rect) {
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Document = E ? E->ActiveDocument() : nullptr;
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!FAvailable || !Document || !View) return false;
  // The last rectangle may come from another, larger photo.
  const TRect R = CropPerformRect(Rect, TRect{0, 0, Document->Width(), Document->Height()});
  if (R.IsEmpty()) return false;
  const TQvBusyCursor Busy;
  // The undo step copies both images whole; the cut images and the backup are made anew.
  const uint64_t Needed = 2 * QvImageBytes(Document->Width(), Document->Height()) + 3 * QvImageBytes(R.Width(), R.Height());
  bool Done = QvMemoryFits(Needed) && Change().Begin(View);
  if (Done) {
    auto State = std::make_unique<TQvCrop2CommandState>(this, Document, R);
    Done = !State->FBefore.IsEmpty() && Document->Crop(R);
    if (Done) {
      Document->AddCommandState(std::move(State));
      Change().Commit();
    } else {
      Change().Cancel();
    }
  }
  if (!Done && Application)
    Application->MessageBox(L(5102, "There is not enough memory to crop the photo. Nothing was changed."),
                            QvMB::MB_OK | QvMB::MB_ICONERROR);
  return Done;
}

void TQvCrop2Tool::Perform() {
  Crop(FCropRect);
  for (int I = 0; I < ControlCount(); ++I)
    if (auto* C = static_cast<TQvCrop2ToolControl*>(Controls(I))) C->Reset();
}

void TQvCrop2Tool::SetShowOptionsAsLink(bool Value) {
  SetShowOptions(Value);
  if (!FFrame) return;
  FFrame->rbFree->setChecked(true);
  FFrame->SetRatio(0);
}

void TQvCrop2Tool::FillDemoItems() {
  DemoItems()
      .Control(QStringLiteral("Crop"), Button())
      .Command(QStringLiteral("CropPerform"), [this] { Perform(); })
      .Command(QStringLiteral("CropCancel"), [this] { CancelChange(); });
  TQvCrop2Frame* F = FFrame;
  if (!F) return;
  DemoItems()
      .Control(QStringLiteral("CropOptions"), F->ShowOptions)
      .Control(QStringLiteral("CropFree"), F->rbFree, QStringLiteral("Free Ratio"))
      .Control(QStringLiteral("CropFoto"), F->rbFoto, QStringLiteral("Print Formats"))
      .Control(QStringLiteral("CropScreen"), F->rbScreen, QStringLiteral("Screen Formats"))
      .Control(QStringLiteral("CropFotoFormat"), F->cmbFoto, QStringLiteral("Print Format"))
      .Control(QStringLiteral("CropScreenFormat"), F->cmbScreen, QStringLiteral("Screen Format"));
  const auto Check = [](QObject* Sender) {
    if (auto* R = qobject_cast<QRadioButton*>(Sender)) R->setChecked(true);
  };
  DemoItems()
      .Notify(QStringLiteral("CropFree"), F->rbFree, Check)
      .Notify(QStringLiteral("CropFoto"), F->rbFoto, Check)
      .Notify(QStringLiteral("CropScreen"), F->rbScreen, Check)
      // The entry's index in its list; the first entry for anything else.
      .Integer(QStringLiteral("CropFotoFormat"), 0, [F](int Index) { F->SelectFormat(F->cmbFoto, Index); })
      .Integer(QStringLiteral("CropScreenFormat"), 0, [F](int Index) { F->SelectFormat(F->cmbScreen, Index); })
      .Boolean(QStringLiteral("CropShowOptions"), true, [this](bool Value) { SetShowOptionsAsLink(Value); })
      .Boolean(QStringLiteral("CropHideOptions"), false, [this](bool Value) { SetShowOptionsAsLink(Value); });
}
