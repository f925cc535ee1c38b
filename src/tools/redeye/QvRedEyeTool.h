#pragma once
// The red-eye tool: a click on the image finds the pupil under the pointer in the committed image
// and darkens it at once, as one undo step. Any later change of a setting (area size, formula,
// border, brightness) undoes that last red-eye step and repeats it at the same point, so the user
// tunes the result live while the history keeps a single step. The option frame shows the last
// corrected eye before and after.

#include "QvPanelTool.h"
#include "QvPixelRegion.h"
#include "QvRedEyeFrame.h"
#include "RedEyeSelection.h"
#include "RedEyeSettings.h"

#include <QPointer>

#include <cstdint>
#include <memory>

class QAction;

// One correction: the pixels before and after, the settings that produced it and the region found.
class TQvRedEyeCommandState : public TQvGraphicsCommandState {
 public:
  TQvRedEyeCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, const TRect& Rect);

  TRedEyeSettings Settings() const { return {FAreaSize, FBrightness, FFormula, FBorder}; }
  void SetSettings(const TRedEyeSettings& Settings);

  int32_t FBorder = 0;
  int32_t FFormula = 0;
  int32_t FBrightness = 0;
  int32_t FAreaSize = 0;
  TPoint FSeed;
  // The detected region, owned; nullptr for a state whose region was never set.
  std::unique_ptr<TQvPixelRegion> FRegion;
};

class TQvRedEyeControl : public TQvGraphicsToolControl {
 public:
  TQvRedEyeControl(TQvGraphicsTool* Tool, TQvGraphicsView* View) : TQvGraphicsToolControl(Tool, View) {}

  // The cross while active.
  bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId) override;
  // Any button corrects the eye under Point (window coordinates) while active.
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
};

class TQvRedEyeTool : public TQvPanelTool {
  Q_OBJECT

 public:
  static constexpr int32_t DefaultAreaSize = TRedEyeSettings::DefaultAreaSize;
  static constexpr int32_t DefaultBrightness = TRedEyeSettings::DefaultBrightness;
  static constexpr int32_t MaxBorder = TRedEyeSettings::MaxBorder;

  // Adds the button to the tool panel and creates the option frame there when the panel exists;
  // without it (the command-line tool) the tool works without either.
  explicit TQvRedEyeTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvRedEyeTool() override;

  void Localize() override;
  // A state with the settings and a copy of the region.
  std::unique_ptr<TQvCommandState> CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) override;
  // Every click is an undo step, even one that found no pupil: then the pixel at FSeed.
  TRect EmptyChangeRect() const override { return TRect{FSeed.X, FSeed.Y, FSeed.X + 1, FSeed.Y + 1}; }
  void DocumentOpened(TQvGraphicsDocument* Document) override;
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  void DocumentSaving(TQvGraphicsDocument* Document) override;
  void BeforeRedo(TQvCommandState* State) override;
  void AfterUndo(TQvCommandState* State) override;

  // The correction at FSeed on the editor's active view, as one complete change.
  void Apply();
  // Replaces the last red-eye step by one with the current settings; only the frame changes when
  // the step on top is not a red-eye step.
  void Reapply();
  void SetBrightness(int32_t Value);
  void SetAreaSize(int32_t Value);
  void SetFormula(int32_t Value);
  // Ignores values outside −5..5.
  void SetBorder(int32_t Value);
  void SetSeed(const TPoint& Point) { FSeed = Point; }
  // All four settings, each through its setter (area size, brightness, formula, border).
  void SetSettings(const TRedEyeSettings& Settings);
  TRedEyeSettings Settings() const { return {FAreaSize, FBrightness, FFormula, FBorder}; }
  void InvalidatePreviews();

  // The red-eye step on top of the active document's history, or nullptr.
  TQvRedEyeCommandState* LastRedEyeState() const;

  TQvRedEyeFrame* Frame() const { return FFrame; }
  const TRedEyeSelection& Selection() const { return *FSelection; }

  QPointer<TQvRedEyeFrame> FFrame;
  std::unique_ptr<TRedEyeSelection> FSelection;
  int32_t FBrightness = 0;
  bool FUpdating = false;  // settings are being taken over from an undo state
  TPoint FSeed;
  int32_t FFormula = 0;
  int32_t FBorder = 0;
  int32_t FAreaSize = 0;

 protected:
  // The frame's controls and the setting commands, named "RedEye..." for demonstrations.
  void FillDemoItems() override;

 private:
  void TakeOverSettings(TQvCommandState* State);
};

extern TQvRedEyeTool* RedEyeTool;
