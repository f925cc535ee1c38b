#include "QvOriginalImageTool.h"

#include "MainForm.h"
#include "QvGraphicsEditor.h"
#include "QvImageList.h"
#include "QvLocalizer.h"
#include "QvProperties.h"

#include <QAction>
#include <QKeyEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVariant>

TQvOriginalImageTool* OriginalImageTool = nullptr;

namespace {

QString CaptionText() { return GetLocalString(2100, QStringLiteral("Original")); }
QString HintText() { return GetLocalString(2000, QStringLiteral("Hold down to see the original image")); }

}  // namespace

TQvOriginalImageTool::TQvOriginalImageTool() {
  SetControlClass<TQvOriginalImageToolControl>();
  QToolBar* Toolbar = GraphicsEditor ? GraphicsEditor->StandardToolbar : nullptr;
  if (!Toolbar || !MainForm) return;
  MainForm->AddToolButton(Toolbar, nullptr, nullptr, CaptionText(), -1,
                          [this] { OriginalImageToolButtonClick(OriginalImageToolButton); },
                          &OriginalImageToolButton);
  OriginalImageToolButton->setIcon(QvGlyph(QStringLiteral("Original"), QStringLiteral("image-x-generic")));
  OriginalImageToolButton->setCheckable(true);
  if (QToolButton* Button = ButtonWidget()) {
    // The stretched button has room for its caption, which says what holding it does.
    Button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Button->setSizePolicy(QSizePolicy::Expanding, Button->sizePolicy().verticalPolicy());
    // A button is "down" exactly while it is held with the pointer over it: leaving it while held
    // releases it, coming back presses it again.
    connect(Button, &QToolButton::pressed, this, [this] { ButtonStateChanged(ButtonHot | ButtonPushed); });
    connect(Button, &QToolButton::released, this, [this, Button] {
      ButtonStateChanged(Button->underMouse() ? ButtonHot : 0);
    });
  }
  Localize();
}

TQvOriginalImageTool::~TQvOriginalImageTool() {
  if (OriginalImageTool == this) OriginalImageTool = nullptr;
}

QToolButton* TQvOriginalImageTool::ButtonWidget() const {
  QToolBar* Toolbar = GraphicsEditor ? GraphicsEditor->StandardToolbar : nullptr;
  if (!Toolbar || !OriginalImageToolButton) return nullptr;
  return qobject_cast<QToolButton*>(Toolbar->widgetForAction(OriginalImageToolButton));
}

void TQvOriginalImageTool::Localize() {
  if (!OriginalImageToolButton) return;
  OriginalImageToolButton->setText(CaptionText());
  OriginalImageToolButton->setToolTip(HintText());
}

void TQvOriginalImageTool::UpdateControls() {
  if (!OriginalImageToolButton) return;
  OriginalImageToolButton->setVisible(FAvailable);
  OriginalImageToolButton->setEnabled(FAvailable && GraphicsEditor && GraphicsEditor->ActiveDocument());
  OriginalImageToolButton->setChecked(IsActive());
}

void TQvOriginalImageTool::ExecuteDemoCommand(TQvDemoPlayback*, const QString&, bool&, TQvDemoScriptUserAction*,
                                              TQvCustomProperties*) {}

void TQvOriginalImageTool::GetDemoControlPoint(TQvDemoPlayback*, TQvCustomProperties* Params, bool& Handled,
                                               QPoint& Point) {
  if (!Params) return;
  const QString Name = Params->GetValue(0).toString().toUpper();
  if (Name != QLatin1String("ORIGINALIMAGEBUTTON") && Name != QLatin1String("ORIGINALIMAGE")) return;
  QToolButton* Button = ButtonWidget();
  if (!Button) return;
  Point = Button->mapToGlobal(Button->rect().center());
  Handled = true;
}

void TQvOriginalImageTool::Activate() {
  TQvGraphicsTool::Activate();
  SetShowing(true);
  if (FRecorder) {
    TQvDemoLines::Move(FRecorder, QStringLiteral("OriginalImage"));
    TQvDemoLines::Line(FRecorder, QStringLiteral("MouseDown"));
    TQvDemoLines::Message(FRecorder, QStringLiteral("Original Image"));
    TQvDemoLines::Line(FRecorder, QStringLiteral("MouseUp"));
    TQvDemoLines::Message(FRecorder, QStringLiteral("Corrected Image"));
  }
}

bool TQvOriginalImageTool::IsActive() const { return IsActiveTool(); }

void TQvOriginalImageTool::ShowOriginal() {
  TQvGraphicsEditor* E = Editor();
  if (!E || IsActive() || !FAvailable) return;
  FPreviousTool = E->ActiveTool();
  E->SetActiveTool(this);
}

void TQvOriginalImageTool::RestoreTool() {
  TQvGraphicsEditor* E = Editor();
  if (!E || !IsActive()) return;
  E->SetActiveTool(FPreviousTool);
}

void TQvOriginalImageTool::SetShowing(bool Value) {
  FShowing = Value;
  for (int I = 0; I < ControlCount(); ++I) Controls(I)->SetVisible(Value);
  if (FOnChange) FOnChange(this);
}

void TQvOriginalImageTool::ButtonStateChanged(int State) {
  if (FToggleMode) return;
  const bool Held = (State & (ButtonHot | ButtonPushed)) == (ButtonHot | ButtonPushed);
  if (Held && !IsActive())
    ShowOriginal();
  else if (!Held && IsActive())
    RestoreTool();
}

void TQvOriginalImageTool::OriginalImageToolButtonClick(QObject*) {
  if (!FToggleMode) return;
  if (IsActive())
    RestoreTool();
  else
    ShowOriginal();
}

bool TQvOriginalImageTool::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress || Event->type() == QEvent::KeyRelease) {
    const auto* Key = static_cast<const QKeyEvent*>(Event);
    if (Key->isAutoRepeat())
      for (int I = 0; I < ControlCount(); ++I)
        if (auto* Control = static_cast<TQvOriginalImageToolControl*>(Controls(I));
            Control->FView == Watched && QvVirtualKey(*Key) == Control->FKey)
          return true;
  }
  return TQvGraphicsTool::eventFilter(Watched, Event);
}

// ---- the control ----

TQvOriginalImageToolControl::TQvOriginalImageToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View)
    : TQvGraphicsToolControl(Tool, View) {}

void TQvOriginalImageToolControl::InitFlags() { Flags = ViewObjectFrame | ViewObjectNoExtent; }

TQvOriginalImageTool* TQvOriginalImageToolControl::OriginalTool() const {
  return static_cast<TQvOriginalImageTool*>(FTool.data());
}

TQvLTBitmap* TQvOriginalImageToolControl::CurrentOriginal() const {
  return FView && FView->Document() ? &FView->Document()->Original() : nullptr;
}

void TQvOriginalImageToolControl::Setup() {
  FOriginal = CurrentOriginal();
  Bounds = FOriginal ? TRect{0, 0, FOriginal->Width(), FOriginal->Height()} : TRect{};
  FKey = 'O';
  if (FView && FTool) FView->installEventFilter(FTool);
}

void TQvOriginalImageToolControl::Activate() {
  if (FView) {
    if (TQvGraphicDocumentView* Picture = FView->DocumentView())
      Picture->Flags = uint8_t((Picture->Flags | ViewObjectNoExtent) & ~ViewObjectVisible);
  }
  FOriginal = CurrentOriginal();
  Flags = ViewObjectFrame;
  Bounds.Right = FOriginal ? Bounds.Left + FOriginal->Width() : Bounds.Left;
  Bounds.Bottom = FOriginal ? Bounds.Top + FOriginal->Height() : Bounds.Top;
  SetVisible(true);
  if (FView) FView->UpdateScrollRange();
  TQvGraphicsToolControl::Activate();
}

void TQvOriginalImageToolControl::Deactivate() {
  Flags = ViewObjectFrame | ViewObjectNoExtent;
  if (TQvOriginalImageTool* Tool = OriginalTool()) Tool->SetShowing(false);
  if (FView) {
    // The picture keeps its other flags (it stays paintable).
    if (TQvGraphicDocumentView* Picture = FView->DocumentView())
      Picture->Flags = uint8_t((Picture->Flags & ~ViewObjectNoExtent) | ViewObjectVisible);
    FView->UpdateScrollRange();
  }
  TQvGraphicsToolControl::Deactivate();
}

void TQvOriginalImageToolControl::PaintFrame(TQvViewCanvas& Canvas) {
  FOriginal = CurrentOriginal();
  QPainter* Painter = Canvas.Painter();
  if (!FOriginal || !Painter) return;
  TRect R;
  GetFrameBounds(Canvas.MapMode(), R);
  const TRect Clip = Canvas.ClipBox();
  FOriginal->Paint(Painter, R, nullptr, &Clip);
  Canvas.ExcludeClipRect(R);
}

bool TQvOriginalImageToolControl::KeyDown(int Key, TQvShiftState) {
  if (FActive || Key != FKey) return false;
  if (TQvOriginalImageTool* Tool = OriginalTool()) Tool->ShowOriginal();
  return true;
}

bool TQvOriginalImageToolControl::KeyUp(int Key, TQvShiftState) {
  if (!FActive || Key != FKey) return false;
  if (TQvOriginalImageTool* Tool = OriginalTool()) Tool->RestoreTool();
  return true;
}
