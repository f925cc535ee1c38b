#include "QvTestTool.h"

#include <QEvent>
#include <QSignalBlocker>
#include <QSlider>

TQvTestToolFrame::TQvTestToolFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  Amount = &AddSlider(5000, QStringLiteral("Amount"), 0, 255);
  Size = &AddSlider(5001, QStringLiteral("Size"), 1, 64);
  AddOptionControl(Size->Label);
  AddOptionControl(Size->TrackBar);
  AddLink();
  ShowLink(true);
  Amount->TrackBar->installEventFilter(this);
  Size->TrackBar->installEventFilter(this);
}

bool TQvTestToolFrame::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::FocusIn && OnEnter) OnEnter(Watched);
  return TQvOptionFrame::eventFilter(Watched, Event);
}

bool TQvTestToolControl::MouseDown(TQvMouseButton, TQvShiftState, const TPoint& Point) {
  if (!FActive || !FView || !FTool) return false;
  static_cast<TQvTestTool*>(FTool.data())->Paint(FView->DeviceToLogical(Point));
  return true;
}

TQvTestTool::TQvTestTool(TQvGraphicsEditor* Editor) : TQvPanelTool(Editor) {
  FDemoName = "Test";
  SetControlClass<TQvTestToolControl>();
  SetHint(5002, QStringLiteral("Test Tool"));
  SetSettingsGuid(SettingsGuid);
  CreateButton(QStringLiteral("Test Tool"), QStringLiteral("Test"));
  if (TQvTestToolFrame* F = CreateFrame<TQvTestToolFrame>()) {
    QObject::connect(F->Amount->TrackBar, &QSlider::valueChanged, this, [this](int V) {
      SetAmount(V);
      RecordLine(QStringLiteral("TestAmount ") + QString::number(FAmount));
    });
    QObject::connect(F->Size->TrackBar, &QSlider::valueChanged, this, [this](int V) { SetSize(V); });
    F->OnEnter = [this, F](QObject* W) {
      RecordEnter(W == F->Amount->TrackBar ? QStringLiteral("TestAmount") : QStringLiteral("TestSize"));
    };
  }
  SetShowOptions(false);
  SetAmount(128);
  SetSize(8);
}

void TQvTestTool::SetAmount(int Value) {
  FAmount = Value;
  if (Frame()) {
    const QSignalBlocker Block(Frame()->Amount->TrackBar);
    Frame()->Amount->TrackBar->setValue(Value);
  }
}

void TQvTestTool::SetSize(int Value) {
  FSize = Value;
  if (Frame()) {
    const QSignalBlocker Block(Frame()->Size->TrackBar);
    Frame()->Size->TrackBar->setValue(Value);
  }
}

void TQvTestTool::Paint(const TPoint& Centre) {
  TQvGraphicsView* View = Editor() ? Editor()->ActiveView() : nullptr;
  TQvToolChange& C = Change();
  if (!C.Begin(View)) return;
  const TRect R = IntersectRect(TRect{Centre.X - FSize / 2, Centre.Y - FSize / 2, Centre.X + (FSize + 1) / 2,
                                      Centre.Y + (FSize + 1) / 2},
                                C.Pixels()->BoundsRect());
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X) C.Pixels()->PixelAt(X, Y)[0] = uint8_t(FAmount);
  C.AddChangedRect(R);
  C.Commit();
}

std::unique_ptr<TQvCommandState> TQvTestTool::CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) {
  auto State = std::make_unique<TQvTestCommandState>(this, &Document, Rect);
  State->FAmount = FAmount;
  State->FSize = FSize;
  return State;
}

void TQvTestTool::FillDemoItems() {
  DemoItems().Control(QStringLiteral("Test"), Button());
  if (TQvTestToolFrame* F = Frame())
    DemoItems()
        .Control(QStringLiteral("TestAmount"), F->Amount->TrackBar, QStringLiteral("Change Amount"))
        .Control(QStringLiteral("TestSize"), F->Size->TrackBar, QStringLiteral("Change Size"))
        .Control(QStringLiteral("TestOptions"), F->ShowOptions);
  DemoItems()
      .Integer(QStringLiteral("TestAmount"), 128, [this](int V) { SetAmount(V); })
      .Integer(QStringLiteral("TestSize"), 8, [this](int V) { SetSize(V); })
      .Boolean(QStringLiteral("TestShowOptions"), true, [this](bool V) { SetShowOptions(V); })
      .Boolean(QStringLiteral("TestHideOptions"), false, [this](bool V) { SetShowOptions(V); });
}
