#include "QvRotateTool.h"

#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvLocalizer.h"
#include "QvMemory.h"

#include <QPushButton>
#include <QRadioButton>

TQvRotateTool* RotateTool = nullptr;

// The glyphs live in this library's own resources, which a static library must register itself.
static void InitRotateResources() { Q_INIT_RESOURCE(rotate); }

namespace {

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromUtf8(Default)); }

void TellNoMemory() {
  if (Application)
    Application->MessageBox(L(5101, "There is not enough memory to turn or flip the photo. Nothing was changed."),
                            QvMB::MB_OK | QvMB::MB_ICONERROR);
}

}  // namespace

// ---- command state ----

TQvRotateCommandState::TQvRotateCommandState(TQvRotateTool* Tool, TQvGraphicsDocument* Document,
                                             TQvImageOperation Operation)
    : TQvOperationCommandState(Tool, Document, Operation) {}

void TQvRotateCommandState::Undo() {
  FPending = InverseOperation(FOperation);
  TQvOperationCommandState::Undo();
}

void TQvRotateCommandState::Redo() {
  FPending = FOperation;
  TQvOperationCommandState::Redo();
}

void TQvRotateCommandState::AfterTransform() {
  if (auto* Tool = qobject_cast<TQvRotateTool*>(FTool)) Tool->FollowOperation(FPending);
}

// ---- the tool ----

TQvRotateTool::TQvRotateTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  InitRotateResources();
  FDemoName = "Rotation";
  SetHint(2024, QStringLiteral("Rotation & Flip"));
  // The toolbar caption: a single "&" would mark a shortcut letter.
  CreateButton(QStringLiteral("Rotation && Flip"), QStringLiteral("Right"));
  if (Button()) {
    FFrame = CreateFrame<TQvRotateFrame>();
    if (FFrame) FFrame->FTool = this;
  }
  SetShowOptions(false);
}

TQvRotateTool::~TQvRotateTool() {
  if (FFrame) FFrame->FTool = nullptr;
  if (RotateTool == this) RotateTool = nullptr;
}

void TQvRotateTool::Localize() {
  TQvPanelTool::Localize();
  if (!FFrame) return;
  TQvRotateFrame& F = *FFrame;
  const QString Right = L(2025, "Rotate Right");
  const QString Left = L(2026, "Rotate Left");
  const QString Horizontal = L(2110, "Flip Horizontal");
  const QString Vertical = L(2109, "Flip Vertical");
  F.RotateRightButton->setText(Right);
  F.RotateRightRadioButton->setText(Right);
  F.RotateLeftButton->setText(Left);
  F.RotateLeftRadioButton->setText(Left);
  F.FlipHorizontalButton->setText(Horizontal);
  F.FlipHorizontalRadioButton->setText(Horizontal);
  F.FlipVerticalButton->setText(Vertical);
  F.FlipVerticalRadioButton->setText(Vertical);
  if (QRadioButton* Checked = F.RadioButton(F.SelectedOperation())) F.RotateButton->setText(Checked->text());
}

void TQvRotateTool::CommitChange() {
  TQvGraphicsDocument* Document = Change().Document();
  if (!Document || FOperation == TQvImageOperation::None) return;
  Document->AddCommandState(std::make_unique<TQvRotateCommandState>(this, Document, FOperation));
}

void TQvRotateTool::DocumentOpened(TQvGraphicsDocument* Document) {
  if (FFrame) {
    FFrame->LoadThumbnail(Document);
    FFrame->RenderPreview();
  }
  TQvPanelTool::DocumentOpened(Document);
}

void TQvRotateTool::ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                       TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) {
  // An unavailable tool (plug-in mode) cannot be chosen by its name either.
  if (!FAvailable) return;
  TQvPanelTool::ExecuteDemoCommand(Playback, Command, Handled, Action, Params);
}

void TQvRotateTool::Activate() {
  TQvPanelTool::Activate();
  UpdatePreview();
}

void TQvRotateTool::UpdateLayout() {
  TQvPanelTool::UpdateLayout();
  if (!FFrame) return;
  for (const TQvImageOperation Operation : {TQvImageOperation::RotateRight, TQvImageOperation::RotateLeft,
                                            TQvImageOperation::FlipHorizontal, TQvImageOperation::FlipVertical})
    FFrame->LargeButton(Operation)->setVisible(!FShowOptions);
  FFrame->PreviewControl->setVisible(FShowOptions);
  if (FShowOptions) FFrame->RenderPreview();
}

bool TQvRotateTool::Perform(TQvImageOperation Operation) {
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Document = E ? E->ActiveDocument() : nullptr;
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!FAvailable || !Document || !View || Operation == TQvImageOperation::None) return false;
  const TQvBusyCursor Busy;
  // The turn makes each image anew before it lets the old one go; asking first keeps a photo too
  // large for the memory left from being half turned or the program from being killed.
  const bool Fits = QvMemoryFits(QvImageBytes(Document->Width(), Document->Height()));
  if (!Fits || !Change().Begin(View)) {
    if (!Fits) TellNoMemory();
    return false;
  }
  FOperation = Operation;
  if (!Document->Transform(Operation)) {
    Change().Cancel();
    FOperation = TQvImageOperation::None;
    TellNoMemory();
    return false;
  }
  if (Operation == TQvImageOperation::RotateLeft) {
    Change().Commit();
    FollowOperation(Operation);
  } else {
    FollowOperation(Operation);
    Change().Commit();
  }
  FOperation = TQvImageOperation::None;
  return true;
}

void TQvRotateTool::UpdatePreview() {
  if (!FFrame) return;
  TQvGraphicsEditor* E = Editor();
  FFrame->LoadThumbnail(E ? E->ActiveDocument() : nullptr);
  FFrame->RenderPreview();
}

void TQvRotateTool::FollowOperation(TQvImageOperation Operation) {
  if (!FFrame) return;
  // Turning the small thumbnail shows the same as making it again from the whole photo, at a
  // fraction of the cost.
  if (!FFrame->TransformThumbnail(Operation)) {
    UpdatePreview();
    return;
  }
  FFrame->RenderPreview();
}

void TQvRotateTool::FillDemoItems() {
  TQvRotateFrame* F = FFrame;
  DemoItems().Control(QStringLiteral("Rotation"), Button());
  if (F) {
    DemoItems()
        .Control(QStringLiteral("RotationView"), F->ThumbnailView)
        .Control(QStringLiteral("RotationRightOption"), F->RotateRightRadioButton)
        .Control(QStringLiteral("RotationLeftOption"), F->RotateLeftRadioButton)
        .Control(QStringLiteral("RotationHorizontalOption"), F->FlipHorizontalRadioButton)
        .Control(QStringLiteral("RotationVerticalOption"), F->FlipVerticalRadioButton)
        .Control(QStringLiteral("RotationRight"), F->RotateRightButton)
        .Control(QStringLiteral("RotationLeft"), F->RotateLeftButton)
        .Control(QStringLiteral("RotationHorizontal"), F->FlipHorizontalButton)
        .Control(QStringLiteral("RotationVertical"), F->FlipVerticalButton)
        .Control(QStringLiteral("RotationPerform"), F->RotateButton)
        .Control(QStringLiteral("RotationOptions"), F->ShowOptions);
    const auto Check = [F](QObject* Sender) { F->CheckRadio(qobject_cast<QRadioButton*>(Sender)); };
    DemoItems()
        .Notify(QStringLiteral("RotationRightOption"), F->RotateRightRadioButton, Check)
        .Notify(QStringLiteral("RotationLeftOption"), F->RotateLeftRadioButton, Check)
        .Notify(QStringLiteral("RotationHorizontalOption"), F->FlipHorizontalRadioButton, Check)
        .Notify(QStringLiteral("RotationVerticalOption"), F->FlipVerticalRadioButton, Check)
        .Notify(QStringLiteral("RotationPerform"), F->RotateButton, [F](QObject*) { F->RotateButtonClick(); });
  }
  DemoItems()
      .Command(QStringLiteral("RotationRight"), [this] { RotateRight(); })
      .Command(QStringLiteral("RotationLeft"), [this] { RotateLeft(); })
      .Command(QStringLiteral("RotationHorizontal"), [this] { FlipHorizontal(); })
      .Command(QStringLiteral("RotationVertical"), [this] { FlipVertical(); })
      .Boolean(QStringLiteral("RotationShowOptions"), true, [this](bool Value) { SetShowOptions(Value); })
      .Boolean(QStringLiteral("RotationHideOptions"), false, [this](bool Value) { SetShowOptions(Value); });
}
