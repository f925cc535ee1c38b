#include "QvTextTool.h"

#include "QvDemoScriptAction.h"
#include "QvFontNameComboBox.h"
#include "QvGraphicsEditor.h"
#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvSDF.h"
#include "QvToolPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

#include <functional>
#include <utility>

TQvTextTool* TextTool = nullptr;

namespace {

QString L(int Id, const char* Default) { return GetLocalString(Id, QString::fromUtf8(Default)); }

// One step of a demonstration's sample typing; done at once.
class TQvTextTypingStep : public TQvDemoScriptAction {
 public:
  TQvTextTypingStep(TQvDemoPlaybackBase& Playback, std::function<void()> Step)
      : TQvDemoScriptAction(Playback, TQvDemoScriptParams()), FStep(std::move(Step)) {}
  void Start() override {
    if (FStep) FStep();
  }

 private:
  std::function<void()> FStep;
};

}  // namespace

TQvTextTool::TQvTextTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  FDemoName = "Text";
  SetControlClass<TQvTextToolControl>();
  SetHint(2864, QStringLiteral("Text"));
  FAvailableInPluginMode = true;
  FExclusiveChange = true;
  FRecordShowOptions = false;
  CreateButton(QStringLiteral("Text"), QStringLiteral("Text"));
  if (Button()) {
    Button()->setCheckable(true);
    FFrame = CreateFrame<TQvTextFrame>();
  }
  if (TQvTextFrame* F = FFrame) {
    F->FTool = this;
    for (QToolButton* B : {F->BoldTBXButton, F->ItalicTBXButton, F->UnderlineTBXButton, F->StrikeoutTBXButton})
      connect(B, &QToolButton::clicked, this, [this] { BITBXButtonClick(); });
    connect(F->ColorBox, &QComboBox::activated, this, [this] { ColorBoxSelect(); });
    connect(F->FontColorButtons, &QButtonGroup::idClicked, this, [this] { FontColorRadioGroupClick(); });
    connect(F->MaxInverseTBXCheckBox, &QCheckBox::toggled, this, [this] { MaxInverseTBXCheckBoxChange(); });
    connect(F->SizeSpinEdit, &QSpinBox::valueChanged, this, [this] { SizeSpinEditChange(); });
    connect(F->SizeSpinEdit, &QSpinBox::editingFinished, this, [this] { SizeSpinEditExit(); });
    connect(F->TextMemo, &QPlainTextEdit::textChanged, this, [this] { TextMemoChange(); });
    connect(F->FontNameComboBox, &QComboBox::currentIndexChanged, this, [this] {
      if (FUpdating || !FFrame) return;
      FSettings.FontName = FFrame->FontNameComboBox->currentText();
      RebuildMask();
    });
  }
  SetFontName(DefaultTextFont());
  SetFontSize(TextFontSizeDefault);
  SetColorMode(0);
  SetColor(0);
  SetMaxInverse(false);
  SetFontStyle(0);
}

TQvTextTool::~TQvTextTool() {
  if (FFrame) FFrame->FTool = nullptr;
  if (TextTool == this) TextTool = nullptr;
}

// ---- module ----

void TQvTextTool::Localize() {
  TQvPanelTool::Localize();
  TQvTextFrame* F = FFrame;
  if (!F) return;
  F->FontGroupBox->setTitle(L(151, "Font"));
  const struct {
    QToolButton* Button;
    int Caption;
    const char* CaptionDefault;
    const char* HintDefault;
  } Buttons[] = {{F->BoldTBXButton, 2870, "B", "Bold"},
                 {F->ItalicTBXButton, 2872, "I", "Italic"},
                 {F->UnderlineTBXButton, 2874, "U", "Underline"},
                 {F->StrikeoutTBXButton, 2876, "S", "Strikeout"}};
  for (const auto& B : Buttons) {
    B.Button->setText(L(B.Caption, B.CaptionDefault));
    B.Button->setToolTip(L(B.Caption + 1, B.HintDefault));
  }
  F->SizeTBXLabel->setText(L(154, "Size") + QLatin1Char(':'));
  F->FontColorRadioGroup->setTitle(L(2012, "Color"));
  F->ColorRadioButtons[0]->setText(L(2880, "Selected color"));
  F->ColorRadioButtons[1]->setText(L(2881, "Inverted"));
  F->MaxInverseTBXCheckBox->setText(L(2882, "Maximum contrast"));
  F->TextMemo->setPlaceholderText(
      L(5301, "Type the text, then drag a rectangle on the photo. Enter applies it, Esc discards it."));
  ShowStatus();
}

void TQvTextTool::LoadSettings(TQvSDFReader& Reader) {
  TQvPanelTool::LoadSettings(Reader);
  if (!Reader.EnterNode(1, QvSettingsGuid::TextTool)) return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value)) SetFontSize(Value);
  if (Reader.ReadInteger(2, Value)) SetColorMode(Value);
  if (Reader.ReadInteger(3, Value)) SetColor(uint32_t(Value));
  if (Reader.ReadInteger(4, Value)) SetMaxInverse(Value != 0);
  if (Reader.ReadInteger(5, Value)) SetFontStyle(Value);
  Reader.LeaveNode();
}

void TQvTextTool::SaveSettings(TQvSDFWriter& Writer) {
  TQvPanelTool::SaveSettings(Writer);
  Writer.BeginNode(1, QvSettingsGuid::TextTool);
  Writer.WriteInteger(1, FSettings.FontSize);
  Writer.WriteInteger(2, FSettings.ColorMode);
  Writer.WriteInteger(3, int32_t(FSettings.Color));
  Writer.WriteInteger(4, FSettings.MaxInverse ? 1 : 0);
  Writer.WriteInteger(5, FSettings.FontStyle);
  Writer.EndNode();
}

void TQvTextTool::UpdateControls() {
  TQvPanelTool::UpdateControls();
  // The document may have committed the text itself (it closed, or saved with a change pending):
  // the rectangle then belongs to the image and the control starts afresh.
  if (TQvTextToolControl* C = RectControl(); C && !Change().Active()) {
    FRenderer.Forget();
    C->ResetState();
    if (Editor()) Editor()->UnlockTool();
  }
  if (FColorBoxPending && FFrame) {
    FFrame->ShowColor(FSettings.Color);
    FColorBoxPending = false;
  }
}

void TQvTextTool::Activate() {
  TQvPanelTool::Activate();
  // The frame needs the room of its font row; the panel widens when the tool is chosen rather than
  // at start-up, so that the picture keeps its place for the other tools.
  if (FFrame && ToolPanelModule) ToolPanelModule->SetPanelWidth(TQvTextFrame::FrameWidth);
}

void TQvTextTool::CancelChange() {
  if (TQvToolChange& C = Change(); C.Active() && C.Pixels() && C.Backup()) FRenderer.Remove(*C.Pixels(), *C.Backup());
  FRenderer.Forget();
  if (TQvTextToolControl* Control = RectControl()) Control->ResetState();
  if (Editor()) Editor()->UnlockTool();
  TQvPanelTool::CancelChange();
}

void TQvTextTool::DocumentClosing(TQvGraphicsDocument* Document) {
  if (Document && Document->Modifying() && Document->ModifyingTool() == this) Cancel();
}

void TQvTextTool::ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                                     TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) {
  if (Command.compare(DemoItemName(QStringLiteral("MemoYalta")), Qt::CaseInsensitive) == 0) {
    if (Action) {
      AppendSampleTyping(*Action);
    } else {
      SetFontName(DefaultTextFont());
      SetText(QStringLiteral("Yalta"));
    }
    Handled = true;
    return;
  }
  TQvPanelTool::ExecuteDemoCommand(Playback, Command, Handled, Action, Params);
}

void TQvTextTool::AppendSampleTyping(TQvDemoScriptMacroAction& Action) {
  TQvDemoPlaybackBase& Playback = Action.Playback();
  QPointer<TQvTextTool> Self(this);
  Action.Add(std::make_unique<TQvTextTypingStep>(Playback, [Self] {
    if (!Self) return;
    Self->SetFontName(DefaultTextFont());
    Self->SetText(QString());
  }));
  const QString Word = QStringLiteral("Yalta");
  for (int Length = 1; Length <= Word.size(); ++Length) {
    Action.Add(std::make_unique<TQvDemoScriptPauseAction>(Playback, TQvDemoScriptParams("0.5")));
    Action.Add(std::make_unique<TQvTextTypingStep>(Playback, [Self, Text = Word.left(Length)] {
      if (Self) Self->SetText(Text);
    }));
  }
}

void TQvTextTool::FillDemoItems() {
  DemoItems().Control(QStringLiteral("Text"), Button());
  if (TQvTextFrame* F = FFrame)
    DemoItems()
        .Control(QStringLiteral("TextFontColor"), F->FontColorRadioGroup)
        .Control(QStringLiteral("TextColor"), F->ColorBox)
        .Control(QStringLiteral("TextMaxInverse"), F->MaxInverseTBXCheckBox)
        .Control(QStringLiteral("TextFontSize"), F->SizeSpinEdit)
        .Control(QStringLiteral("TextFontBI"), F->BoldTBXButton)
        .Control(QStringLiteral("TextMemo"), F->TextMemo);
  DemoItems()
      .Integer(QStringLiteral("TextFontColor"), FSettings.ColorMode, [this](int V) { SetColorMode(V); })
      .Integer(QStringLiteral("TextColor"), int(FSettings.Color), [this](int V) { SetColor(uint32_t(V)); })
      .Boolean(QStringLiteral("TextMaxInverse"), FSettings.MaxInverse, [this](bool V) { SetMaxInverse(V); })
      .Integer(QStringLiteral("TextFontSize"), FSettings.FontSize, [this](int V) { SetFontSize(V); })
      .Integer(QStringLiteral("TextFontBI"), FSettings.FontStyle, [this](int V) { SetFontStyle(V); });
}

// ---- setters ----

void TQvTextTool::RecordValue(const QString& Name, int Value) const { RecordCommand(Name, QString::number(Value)); }

void TQvTextTool::SetFontSize(int32_t Value) {
  Value = ClampTextFontSize(Value);
  if (Value == FSettings.FontSize && (!FFrame || FFrame->SizeSpinEdit->value() == Value)) return;
  FSettings.FontSize = Value;
  if (FFrame) {
    const QSignalBlocker Block(FFrame->SizeSpinEdit);
    FFrame->SizeSpinEdit->setValue(Value);
    FFrame->SizeSpinEdit->setSingleStep(TextSizeStep(Value));
  }
  RecordValue(QStringLiteral("TextFontSize"), Value);
  RebuildMask();
}

void TQvTextTool::SetColorMode(int32_t Value) {
  FSettings.ColorMode = ClampTextColorMode(Value);
  if (FFrame) {
    const QSignalBlocker Block(FFrame->FontColorButtons);
    FFrame->ColorRadioButtons[FSettings.ColorMode]->setChecked(true);
  }
  RecordValue(QStringLiteral("TextFontColor"), FSettings.ColorMode);
  Redraw();
}

void TQvTextTool::SetColor(uint32_t Value) {
  Value &= 0xFFFFFF;
  if (Value == FSettings.Color) return;
  FSettings.Color = Value;
  if (FFrame) {
    const QSignalBlocker Block(FFrame->ColorBox);
    FFrame->ShowColor(Value);
  }
  RecordValue(QStringLiteral("TextColor"), int(Value));
  Redraw();
}

void TQvTextTool::SetMaxInverse(bool Value) {
  FSettings.MaxInverse = Value;
  if (FFrame) {
    const QSignalBlocker Block(FFrame->MaxInverseTBXCheckBox);
    FFrame->MaxInverseTBXCheckBox->setChecked(Value);
  }
  RecordValue(QStringLiteral("TextMaxInverse"), Value ? 1 : 0);
  Redraw();
}

void TQvTextTool::SetFontStyle(int32_t Value) {
  Value = ClampTextFontStyle(Value);
  if (Value == FSettings.FontStyle) return;
  FSettings.FontStyle = Value;
  if (TQvTextFrame* F = FFrame) {
    F->BoldTBXButton->setChecked(Value & TextStyleBold);
    F->ItalicTBXButton->setChecked(Value & TextStyleItalic);
    F->UnderlineTBXButton->setChecked(Value & TextStyleUnderline);
    F->StrikeoutTBXButton->setChecked(Value & TextStyleStrikeOut);
  }
  RecordValue(QStringLiteral("TextFontBI"), Value);
  RebuildMask();
}

bool TQvTextTool::SetFontName(const QString& Family) {
  if (FFrame) {
    FUpdating = true;
    const bool Found = FFrame->FontNameComboBox->SelectFont(Family);
    FUpdating = false;
    if (!Found) return false;
    FSettings.FontName = FFrame->FontNameComboBox->currentText();
  } else {
    FSettings.FontName = Family;
  }
  RebuildMask();
  return true;
}

void TQvTextTool::SetText(const QString& Text) {
  if (FFrame) {
    FFrame->TextMemo->setPlainText(Text);  // its change handler rebuilds the mask
  } else {
    FText = Text;
    RebuildMask();
  }
}

QString TQvTextTool::Text() const { return FFrame ? FFrame->TextMemo->toPlainText() : FText; }

// ---- frame handlers ----

void TQvTextTool::BITBXButtonClick() {
  if (FFrame) SetFontStyle(FFrame->ButtonStyle());
}

void TQvTextTool::ColorBoxSelect() {
  if (FFrame) SetColor(FFrame->SelectedColor());
}

void TQvTextTool::FontColorRadioGroupClick() {
  if (!FFrame) return;
  FSettings.ColorMode = ClampTextColorMode(FFrame->FontColorButtons->checkedId());
  RecordValue(QStringLiteral("TextFontColor"), FSettings.ColorMode);
  Redraw();
}

void TQvTextTool::MaxInverseTBXCheckBoxChange() {
  if (!FFrame) return;
  FSettings.MaxInverse = FFrame->MaxInverseTBXCheckBox->isChecked();
  RecordValue(QStringLiteral("TextMaxInverse"), FSettings.MaxInverse ? 1 : 0);
  Redraw();
}

void TQvTextTool::SizeSpinEditChange() {
  if (!FFrame || FFrame->SizeSpinEdit->cleanText().isEmpty()) return;
  SetFontSize(FFrame->SizeSpinEdit->value());
}

void TQvTextTool::SizeSpinEditExit() {
  if (FFrame && FFrame->SizeSpinEdit->cleanText().isEmpty()) FFrame->SizeSpinEdit->setValue(TextFontSizeMin);
}

void TQvTextTool::TextMemoChange() { RebuildMask(); }

// ---- the drawing ----

void TQvTextTool::ShowStatus() {
  if (!FFrame) return;
  const bool TooLarge = FRenderer.Status() == TTextMaskStatus::TooLarge;
  if (TooLarge)
    FFrame->StatusLabel->setText(L(5300, "The text is too large to draw: use a smaller font or fewer characters."));
  FFrame->StatusLabel->setVisible(TooLarge);
}

void TQvTextTool::RebuildMask() {
  FRenderer.SetText(SplitTextLines(Text()), FSettings.Font());
  ShowStatus();
  Redraw();
}

TQvTextToolControl* TQvTextTool::RectControl() const {
  for (TQvGraphicsToolControl* C : FControls)
    if (auto* T = dynamic_cast<TQvTextToolControl*>(C); T && T->FState != TQvTextToolControl::NoText) return T;
  return nullptr;
}

bool TQvTextTool::BeginText(TQvGraphicsView* View) {
  TQvToolChange& C = Change();
  if (!C.Begin(View)) return false;
  if (!C.Pixels() || !C.Backup()) {
    C.Cancel();
    return false;
  }
  FRenderer.Forget();
  return true;
}

void TQvTextTool::Redraw() {
  TQvTextToolControl* Control = RectControl();
  if (!Control) return;
  TQvToolChange& C = Change();
  if (!C.Active() || !C.Pixels() || !C.Backup()) return;
  const TRect Changed =
      FRenderer.Render(*C.Pixels(), *C.Backup(), Control->FRect, MakeTextBlend(FSettings, FFlipH, FFlipV));
  if (!Changed.IsEmpty()) C.AddChangedRect(Changed);
  Control->Invalidate();
}

void TQvTextTool::Commit() {
  TQvToolChange& C = Change();
  if (!C.Active()) {
    CancelChange();
    return;
  }
  if (!FRenderer.Rendered() || !C.Pixels()) {
    // No text or no area: nothing to keep, and no empty undo step.
    C.Cancel();
    return;
  }
  // Only the last drawing is the step; earlier places of the rectangle are back as they were.
  C.AddChangedRect(IntersectRect(FRenderer.RenderedRect(), C.Pixels()->BoundsRect()), true);
  FRenderer.Forget();
  TQvTextToolControl* Control = RectControl();
  C.Commit();
  if (Control) Control->ResetState();
  if (Editor()) Editor()->UnlockTool();
}

void TQvTextTool::Cancel() {
  TQvToolChange& C = Change();
  if (C.Active())
    C.Cancel();  // through CancelChange
  else
    CancelChange();
}
