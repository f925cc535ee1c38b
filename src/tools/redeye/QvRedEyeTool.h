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
#include <vector>

class QAction;

// One correction: the pixels before and after, the settings that produced it and the region found.
class TQvRedEyeCommandState : public TQvGraphicsCommandState {
 public:
  TQvRedEyeCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, const TRect& Rect);

  TRedEyeSettings Settings() const { return {FAreaSize, FBrightness, FFormula, FBorder, FNatural}; }
  void SetSettings(const TRedEyeSettings& Settings);
  // The image rectangle the preview panes show: the last pupil's, within the state's rectangle.
  TRect PaneArea() const;

  int32_t FBorder = 0;
  int32_t FFormula = 0;
  int32_t FBrightness = 0;
  int32_t FAreaSize = 0;
  TPoint FSeed;  // the last of FSeeds
  // The detected region of FSeed, owned; nullptr for a state whose region was never set.
  std::unique_ptr<TQvPixelRegion> FRegion;
  bool FNatural = false;
  // Every pupil of the step: one for a click, all that were found for "Find Red Eyes", with the
  // region each found (empty for one that found nothing).
  std::vector<TPoint> FSeeds;
  std::vector<TQvPixelRegion> FRegions;
  TRect FLastBox;  // the last pupil's soft-edge box; empty when it found nothing
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
  // The one pupil of the next step.
  void SetSeed(const TPoint& Point) {
    FSeed = Point;
    FSeeds = {Point};
  }
  // Every pupil of the next step (FSeed becomes the last); an empty list counts as FSeed alone.
  void SetSeeds(const std::vector<TPoint>& Points);
  // Moves the last pupil of the step (the one the panes show), keeping the others.
  void MoveLastSeed(const TPoint& Point);
  const std::vector<TPoint>& Seeds() const { return FSeeds; }
  // The natural correction instead of the plain one; re-applies the last step and records
  // "RedEyeNatural 1" or "RedEyeNatural 0".
  void SetNatural(bool Value);
  // Finds every red pupil of the active document's committed image and corrects each as a click
  // on it with the current settings would, all in one undo step. Returns the number found; with
  // none the image and the history stay as they are and the user is told.
  int FindRedEyes();
  // All settings, each through its setter (area size, brightness, formula, border, natural).
  void SetSettings(const TRedEyeSettings& Settings);
  TRedEyeSettings Settings() const { return {FAreaSize, FBrightness, FFormula, FBorder, FNatural}; }
  // Value 1 of the settings node is the show-options state, value 2 (written only when on) the
  // natural correction.
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
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
  bool FNatural = false;
  std::vector<TPoint> FSeeds;
  std::vector<TQvPixelRegion> FRegions;  // of the last Apply, one per seed

 protected:
  // The frame's controls and the setting commands, named "RedEye..." for demonstrations.
  void FillDemoItems() override;

 private:
  void TakeOverSettings(TQvCommandState* State);
  // Corrects every seed of the step inside the begun change C and commits it.
  void CorrectInChange(TQvToolChange& C);
};

extern TQvRedEyeTool* RedEyeTool;
