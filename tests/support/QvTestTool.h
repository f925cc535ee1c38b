// A tool written only for the tests of the tool framework: a click fills a square around the
// point with one blue value. Its frame has two labelled sliders (Amount always, Size among the
// further options), the show-options link, a demonstration table and its own command state.
#pragma once

#include "QvPanelTool.h"

class TQvTestToolFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  explicit TQvTestToolFrame(QWidget* Parent = nullptr);
  TQvLabelledSlider* Amount = nullptr;
  TQvLabelledSlider* Size = nullptr;
  std::function<void(QObject*)> OnEnter;

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
};

class TQvTestCommandState : public TQvGraphicsCommandState {
 public:
  using TQvGraphicsCommandState::TQvGraphicsCommandState;
  int FAmount = 0;
  int FSize = 0;
};

class TQvTestToolControl : public TQvGraphicsToolControl {
 public:
  using TQvGraphicsToolControl::TQvGraphicsToolControl;
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
};

class TQvTestTool : public TQvPanelTool {
  Q_OBJECT

 public:
  static constexpr TGUID SettingsGuid = TGUID::Parse("{6A0C1E52-3B7D-4E8F-9A21-5C4D3E2F1B0A}");

  explicit TQvTestTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  // One change: the square of FSize around Centre gets blue FAmount.
  void Paint(const TPoint& Centre);
  void SetAmount(int Value);
  void SetSize(int Value);
  std::unique_ptr<TQvCommandState> CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) override;
  TQvTestToolFrame* Frame() const { return static_cast<TQvTestToolFrame*>(OptionFrame()); }

  int FAmount = 0;
  int FSize = 0;

 protected:
  void FillDemoItems() override;
};
