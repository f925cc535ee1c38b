#include "QvResizeTool.h"

#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvLocalizer.h"
#include "QvMemory.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

TQvResizeTool* ResizeTool = nullptr;

// The glyph lives in this library's own resources, which a static library must register itself.
static void InitResizeResources() { Q_INIT_RESOURCE(resize); }

namespace {

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromUtf8(Default)); }

}  // namespace

// ---- command state ----

TQvResizeCommandState::TQvResizeCommandState(TQvResizeTool* Tool, TQvGraphicsDocument* Document, int32_t Width,
                                             int32_t Height)
    : TQvImageCopyCommandState(Tool, Document, [Document] {
        TRect R;
        if (Document) Document->GetAreaOrBounds(R);
        return R;
      }()),
      FWidth(Width),
      FHeight(Height) {}

void TQvResizeCommandState::Perform(TQvGraphicsDocument& Document) { Document.Resize(FWidth, FHeight, true, true); }

// ---- the tool ----

TQvResizeTool::TQvResizeTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  InitResizeResources();
  FDemoName = "Resize";
  SetHint(108, QStringLiteral("Resize"));
  CreateButton(QStringLiteral("Resize"), QStringLiteral("Resize"));
  if (Button()) {
    FFrame = CreateFrame<TQvResizeFrame>();
    if (FFrame) FFrame->FTool = this;
  }
  FRecordShowOptions = false;
  SetShowOptions(false);
  FRecordShowOptions = true;
  SetConstrainProportions(true);
  ShowSettings();
}

TQvResizeTool::~TQvResizeTool() {
  if (FFrame) FFrame->FTool = nullptr;
  if (ResizeTool == this) ResizeTool = nullptr;
}

void TQvResizeTool::Localize() {
  TQvPanelTool::Localize();
  if (!FFrame) return;
  TQvResizeFrame& F = *FFrame;
  F.NewSizeLabel->setText(L(2027, "New Size") + QLatin1Char(':'));
  F.WidthLabel->setText(L(505, "Width") + QLatin1Char(':'));
  F.HeightLabel->setText(L(506, "Height") + QLatin1Char(':'));
  F.ConstrainProportionsCheckBox->setText(L(2028, "Constrain Proportions"));
  F.OkButton->setText(L(1, "Ok"));
  F.CancelButton->setText(L(2, "Cancel"));
}

void TQvResizeTool::UpdateControls() {
  TQvPanelTool::UpdateControls();
  if (!FFrame || !Button()) return;
  if (Button()->isEnabled() && Button()->isChecked()) {
    const bool Differs = FSettings.Width() != ImageWidth() || FSettings.Height() != ImageHeight();
    FFrame->OkButton->setEnabled(Differs);
    FFrame->CancelButton->setEnabled(Differs);
  }
}

void TQvResizeTool::DocumentOpened(TQvGraphicsDocument* Document) {
  TQvPanelTool::DocumentOpened(Document);
  if (Document) {
    SetWidth(Document->Width());
    SetHeight(Document->Height());
    if (TQvGraphicsEditor* E = Editor()) {
      E->SetWidthText(QString::number(Document->Width()));
      E->SetHeightText(QString::number(Document->Height()));
    }
  }
  ShowSettings();
}

void TQvResizeTool::ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                       TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) {
  // An unavailable tool (plug-in mode) cannot be chosen by its name either.
  if (!FAvailable) return;
  TQvPanelTool::ExecuteDemoCommand(Playback, Command, Handled, Action, Params);
}

void TQvResizeTool::Activate() {
  TQvPanelTool::Activate();
  SetWidth(ImageWidth());
  SetHeight(ImageHeight());
  ShowSettings();
}

void TQvResizeTool::UpdateLayout() {
  TQvPanelTool::UpdateLayout();
  // The link stays hidden: the frame has no further options.
  if (FFrame) FFrame->ShowLink(false);
}

int32_t TQvResizeTool::ImageWidth() const {
  const TQvGraphicsEditor* E = Editor();
  const TQvGraphicsDocument* D = E ? E->ActiveDocument() : nullptr;
  return D && D->Width() > 0 ? D->Width() : 1;
}

int32_t TQvResizeTool::ImageHeight() const {
  const TQvGraphicsEditor* E = Editor();
  const TQvGraphicsDocument* D = E ? E->ActiveDocument() : nullptr;
  return D && D->Height() > 0 ? D->Height() : 1;
}

void TQvResizeTool::ShowSettings() {
  if (!FFrame) return;
  // Writing the edits fires their change handlers, which then meet unchanged values.
  FFrame->WidthEdit->setText(QString::number(FSettings.Width()));
  FFrame->HeightEdit->setText(QString::number(FSettings.Height()));
  FFrame->ConstrainProportionsCheckBox->setChecked(FSettings.ConstrainProportions());
}

void TQvResizeTool::SetWidth(int32_t Value) {
  const bool Proportional = FSettings.ConstrainProportions();
  if (!FSettings.SetWidth(Value, ImageWidth(), ImageHeight()) || !FFrame) return;
  if (Proportional) FFrame->HeightEdit->setText(QString::number(FSettings.Height()));
  FFrame->WidthEdit->setText(QString::number(FSettings.Width()));
}

void TQvResizeTool::SetHeight(int32_t Value) {
  const bool Proportional = FSettings.ConstrainProportions();
  if (!FSettings.SetHeight(Value, ImageWidth(), ImageHeight()) || !FFrame) return;
  if (Proportional) FFrame->WidthEdit->setText(QString::number(FSettings.Width()));
  FFrame->HeightEdit->setText(QString::number(FSettings.Height()));
}

void TQvResizeTool::SetConstrainProportions(bool Value) {
  if (!FSettings.SetConstrainProportions(Value, ImageWidth(), ImageHeight()) || !FFrame) return;
  FFrame->ConstrainProportionsCheckBox->setChecked(Value);
  if (Value) {
    FFrame->WidthEdit->setText(QString::number(FSettings.Width()));
    FFrame->HeightEdit->setText(QString::number(FSettings.Height()));
  }
}

void TQvResizeTool::ResetToImage() {
  SetWidth(ImageWidth());
  SetHeight(ImageHeight());
}

bool TQvResizeTool::Perform() {
  TQvGraphicsEditor* E = Editor();
  TQvGraphicsDocument* Document = E ? E->ActiveDocument() : nullptr;
  TQvGraphicsView* View = E ? E->ActiveView() : nullptr;
  if (!FAvailable || !Document || !View || Document->Width() <= 0) return false;
  const int32_t W = FSettings.Width();
  const int32_t H = FSettings.Height();
  const TQvBusyCursor Busy;
  // The undo state copies both images as they are, and the resize makes both anew plus the
  // backup: all of it must fit before anything is touched.
  const uint64_t Needed = 2 * QvImageBytes(Document->Width(), Document->Height()) + 3 * QvImageBytes(W, H);
  bool Done = QvMemoryFits(Needed) && Change().Begin(View);
  if (Done) {
    auto State = std::make_unique<TQvResizeCommandState>(this, Document, W, H);
    Done = !State->FBefore.IsEmpty() && Document->Resize(W, H, true, true);
    if (Done) {
      Document->AddCommandState(std::move(State));
      Change().Commit();
    } else {
      Change().Cancel();
    }
  }
  if (!Done) {
    if (Application)
      Application->MessageBox(
          L(5100, "There is not enough memory to resize the photo to %1 × %2 pixels. Nothing was changed.").arg(W).arg(H),
          QvMB::MB_OK | QvMB::MB_ICONERROR);
    return false;
  }
  ResetToImage();
  return true;
}

void TQvResizeTool::FillDemoItems() {
  TQvResizeFrame* F = FFrame;
  DemoItems().Control(QStringLiteral("Resize"), Button());
  if (F)
    DemoItems()
        .Control(QStringLiteral("ResizeWidth"), F->WidthEdit)
        .Control(QStringLiteral("ResizeHeight"), F->HeightEdit)
        .Control(QStringLiteral("ResizeProportions"), F->ConstrainProportionsCheckBox)
        .Control(QStringLiteral("ResizePerform"), F->OkButton)
        .Control(QStringLiteral("ResizeCancel"), F->CancelButton)
        .Control(QStringLiteral("ResizeOptions"), F->ShowOptions);
  DemoItems()
      .Integer(QStringLiteral("ResizeWidth"), 100, [this](int Value) { SetWidth(Value); })
      .Integer(QStringLiteral("ResizeHeight"), 100, [this](int Value) { SetHeight(Value); })
      .Command(QStringLiteral("ResizePerform"), [this] { Perform(); })
      .Command(QStringLiteral("ResizeCancel"), [this] { ResetToImage(); })
      .Boolean(QStringLiteral("ResizeProportional"), true, [this](bool Value) { SetConstrainProportions(Value); })
      .Boolean(QStringLiteral("ResizeDisproportional"), false, [this](bool Value) { SetConstrainProportions(Value); })
      .Boolean(QStringLiteral("ResizeShowOptions"), true, [this](bool Value) { SetShowOptions(Value); })
      .Boolean(QStringLiteral("ResizeHideOptions"), false, [this](bool Value) { SetShowOptions(Value); });
}
