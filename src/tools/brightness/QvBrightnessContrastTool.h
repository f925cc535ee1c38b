#pragma once
// The brightness and contrast tool: one straight tone curve over the whole photograph, from two
// sliders or from one press of Auto Correction. The adjustment stays open while the user tries
// values (every try starts again from the image as it was), until Ok records it as one undo step
// or Cancel puts the image back. While it is open no other tool can be selected; closing the
// document commits it.

#include "QvBrightnessContrastFrame.h"
#include "QvPanelTool.h"
#include "QvToneCorrection.h"

#include <QPointer>

#include <cstdint>

class TQvBrightnessContrastTool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvBrightnessContrastTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvBrightnessContrastTool() override;

  void Localize() override;
  // Ok and Cancel are enabled exactly while this tool's adjustment is open.
  void UpdateControls() override;
  // Records the open adjustment as one step; both values return to 0.
  void EndChange() override;
  // A new image starts from 0 and 0; the tool stays available in plug-in mode.
  void DocumentOpened(TQvGraphicsDocument* Document) override;
  // An open adjustment is committed, not lost.
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  void DocumentSaving(TQvGraphicsDocument* Document) override;

  // Opens the adjustment when none is open and writes the tone table of the current values (or,
  // with Auto, of the stretch the auto-correction scan finds, whose values become the current
  // ones) from the image as it was into the image.
  void Apply(bool Auto);
  void SetBrightness(int32_t Value);
  void SetContrast(int32_t Value);
  // Both values at once, applied once.
  void SetSettings(const TBrightnessContrastSettings& Settings);
  TBrightnessContrastSettings Settings() const { return {FBrightness, FContrast}; }
  // Whether an adjustment of this tool is open.
  bool AdjustmentOpen() const { return Change().Active(); }

  // The frame's buttons.
  void AutoCorrectionButtonClick();
  void OkButtonClick();
  void CancelButtonClick();

  TQvBrightnessContrastFrame* Frame() const { return FFrame; }

  QPointer<TQvBrightnessContrastFrame> FFrame;
  int32_t FBrightness = 0;
  int32_t FContrast = 0;

 protected:
  void FillDemoItems() override;

 private:
  // Both values to 0 and the sliders with them, without applying.
  void ResetValues();
  void MoveTrackBar(QSlider* TrackBar, int32_t Value);
};

extern TQvBrightnessContrastTool* BrightnessContrastTool;
