#pragma once
// The gleam tool: a drag from the centre of a highlight outwards brightens the ellipse centred on
// the press point towards white, as one undo step. A change of the Brightness slider replaces the
// last gleam by one of the new strength at the same place, so the history keeps one step.

#include "GlareSelection.h"
#include "QvGlareFrame.h"
#include "QvPanelTool.h"

#include <QPointer>

#include <cstdint>
#include <memory>

// One gleam: the pixels before and after, the values that made it and its ellipse.
class TQvGlareCommandState : public TQvGraphicsCommandState {
 public:
  using TQvGraphicsCommandState::TQvGraphicsCommandState;

  int32_t FBrightness = 0;
  int32_t FSize = 0;
  TPoint FStart;
  TPoint FEnd;
  std::unique_ptr<TQvPixelRegion> FRegion;
};

// Draws the dotted ellipse while the user drags; the release paints the gleam.
class TQvGlareControl : public TQvGraphicsToolControl {
 public:
  using TQvGraphicsToolControl::TQvGraphicsToolControl;

  // The image's bounds on the screen: the ellipse may be drawn anywhere over it.
  void GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const override;
  void PaintContent(TQvViewCanvas& Canvas) override;
  void Activate() override;
  void Deactivate() override;
  bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId) override;
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseMove(TQvShiftState Shift, const TPoint& Point) override;
  bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;

  bool FDragging = false;
};

class TQvGlareTool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvGlareTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvGlareTool() override;

  void Localize() override;
  // An empty node under the red-eye tool's identifier: the gleam keeps no settings between runs.
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  std::unique_ptr<TQvCommandState> CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect) override;
  // A gleam that brightened nothing is still a step: the pixel at the press point.
  TRect EmptyChangeRect() const override { return TRect{FStart.X, FStart.Y, FStart.X + 1, FStart.Y + 1}; }
  void DocumentOpened(TQvGraphicsDocument* Document) override;
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  void DocumentSaving(TQvGraphicsDocument* Document) override;
  void BeforeRedo(TQvCommandState* State) override;
  void AfterUndo(TQvCommandState* State) override;

  // The gleam of FStart, FEnd, FSize and FBrightness as one complete change; nothing while
  // another change is pending.
  void Apply();
  // Replaces the gleam on top of the history by one with the current values.
  void Reapply();
  void SetBrightness(int32_t Value);
  void SetSize(int32_t Value);
  // The end of a drag: the ellipse goes back to the dragged scale without re-doing the last gleam.
  void ResetSize();
  TGleamSettings Settings() const { return {FBrightness, FSize}; }
  // The gleam step on top of the active document's history, or nullptr.
  TQvGlareCommandState* LastGlareState() const;

  TQvGlareFrame* Frame() const { return FFrame; }
  const TGlareSelection& Selection() const { return FSelection; }

  QPointer<TQvGlareFrame> FFrame;
  TGlareSelection FSelection;
  int32_t FBrightness = -1;
  bool FUpdating = false;
  TPoint FStart;
  TPoint FEnd;
  int32_t FSize = -1;

 protected:
  void FillDemoItems() override;

 private:
  void TakeOverSettings(TQvCommandState* State);
  void MoveTrackBar(QSlider* TrackBar, int32_t Value);
};

extern TQvGlareTool* GlareTool;
