#include "QvUndoBrushTool.h"

#include "QvCursors.h"
#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvSDF.h"

#include <QLabel>
#include <QSlider>

TQvUndoBrushTool* UndoBrushTool = nullptr;

TQvUndoBrushTool::TQvUndoBrushTool(TQvGraphicsEditor* Editor) : TQvBrushTool(Editor) {
  Q_INIT_RESOURCE(undobrush);
  FAccumulate = true;
  FDemoName = "UndoBrush";
  SetControlClass<TQvBrushToolControl>();
  SetHint(2002, QStringLiteral("Undo Brush"));
  RegisterCursor(-1, QCursor(Qt::BlankCursor));
  CreateButton(GetLocalString(2002, QStringLiteral("Undo Brush")), QStringLiteral("UndoBrush"));
  if (Button()) FFrame = CreateFrame<TQvUndoBrushFrame>();
  FMaxSize = TUndoBrushSettings::MaxSize;
  if (TQvUndoBrushFrame* F = FFrame) {
    BindSizeTrackBar(F->SizeTrackBar);
    BindOpacityTrackBar(F->OpacityTrackBar);
    BindHardnessTrackBar(F->HardnessTrackBar);
    BindPreview(F->PreviewPaintBox);
  }
  SetHardness(TUndoBrushSettings().Hardness);
  SetShowOptions(false);
}

TQvUndoBrushTool::~TQvUndoBrushTool() {
  if (UndoBrushTool == this) UndoBrushTool = nullptr;
}

void TQvUndoBrushTool::Localize() {
  TQvBrushTool::Localize();
  if (!FFrame) return;
  FFrame->OpacityLabel->setText(GetLocalString(2008, QStringLiteral("Opacity")) + QLatin1Char(':'));
  FFrame->HardnessLabel->setText(GetLocalString(2009, QStringLiteral("Hardness")) + QLatin1Char(':'));
}

void TQvUndoBrushTool::LoadSettings(TQvSDFReader& Reader) {
  TQvBrushTool::LoadSettings(Reader);
  if (!Reader.EnterNode(1, QvSettingsGuid::UndoBrushTool)) return;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value)) SetSize(Value);
  if (Reader.ReadInteger(2, Value)) SetOpacity(Value);
  if (Reader.ReadInteger(3, Value)) SetHardness(Value);
  if (Reader.ReadInteger(4, Value)) SetShowOptions(Value != 0);
  Reader.LeaveNode();
}

void TQvUndoBrushTool::SaveSettings(TQvSDFWriter& Writer) {
  TQvBrushTool::SaveSettings(Writer);
  Writer.BeginNode(1, QvSettingsGuid::UndoBrushTool);
  Writer.WriteInteger(1, FSize);
  Writer.WriteInteger(2, FOpacity);
  Writer.WriteInteger(3, FHardness);
  Writer.WriteInteger(4, FShowOptions ? 1 : 0);
  Writer.EndNode();
}

void TQvUndoBrushTool::ApplyDab(const TRect& Rect) {
  TQvToolChange& C = Change();
  if (!C.Pixels() || !C.Backup() || !C.Original()) return;
  UndoBrushBlend(*C.Pixels(), *C.Backup(), *C.Original(), FAccumulate ? FStrokeMask : FMask, Rect);
}

void TQvUndoBrushTool::FillDemoItems() {
  DemoItems().Control(QStringLiteral("UndoBrush"), Button());
  if (TQvUndoBrushFrame* F = FFrame)
    DemoItems()
        .Control(QStringLiteral("UndoBrushOptions"), F->ShowOptions)
        .Control(QStringLiteral("UndoBrushSize"), F->SizeTrackBar)
        .Control(QStringLiteral("UndoBrushOpacity"), F->OpacityTrackBar)
        .Control(QStringLiteral("UndoBrushHardness"), F->HardnessTrackBar);
  const TUndoBrushSettings Start;
  DemoItems()
      .Integer(QStringLiteral("UndoBrushSize"), Start.Size, [this](int Value) { SetSize(Value); })
      .Integer(QStringLiteral("UndoBrushOpacity"), Start.Opacity, [this](int Value) { SetOpacity(Value); })
      .Integer(QStringLiteral("UndoBrushHardness"), Start.Hardness, [this](int Value) { SetHardness(Value); })
      .Boolean(QStringLiteral("UndoBrushShowOptions"), true, [this](bool Value) { SetShowOptions(Value); })
      .Boolean(QStringLiteral("UndoBrushHideOptions"), false, [this](bool Value) { SetShowOptions(Value); });
}
