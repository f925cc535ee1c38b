#pragma once
// The crop tool: the user draws a rectangle on the photo, free or held to an aspect ratio, moves
// it by its inside and resizes it by eight handles while the rest of the photo is shown darkened;
// Enter or a left click outside it crops, Esc or a right click outside it cancels. The crop is one
// undo step that keeps both images as they were.

#include "QvCrop2Frame.h"
#include "QvCropGeometry.h"
#include "QvGeometryCommandStates.h"
#include "QvPanelTool.h"

#include <QPointer>

class TQvCrop2Tool;

class TQvCrop2CommandState : public TQvImageCopyCommandState {
 public:
  // Rect is the crop rectangle (already cut to the image).
  TQvCrop2CommandState(TQvCrop2Tool* Tool, TQvGraphicsDocument* Document, const TRect& Rect);

 protected:
  void Perform(TQvGraphicsDocument& Document) override;
};

class TQvCrop2ToolControl : public TQvGraphicsToolControl {
 public:
  // No rectangle; drawing a new one; shown and idle; being moved or resized.
  enum : uint8_t { StateNone = 0, StateDrawing = 1, StateShown = 2, StateDragging = 3 };

  TQvCrop2ToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View);

  // The image on the screen, 5 pixels larger on every side while the handles show.
  void GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const override;
  void PaintContent(TQvViewCanvas& Canvas) override;
  void Activate() override;
  void Deactivate() override;
  bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId) override;
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseMove(TQvShiftState Shift, const TPoint& Point) override;
  bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool KeyDown(int Key, TQvShiftState Shift) override;

  // Repaints, forgets the rectangle's state and lets other tools be chosen again.
  void Reset();

  uint8_t FState = StateNone;
  TRect FStartRect;  // the crop rectangle when the current move or resize began
  TPoint FAnchor;    // image point where the current drag began
  int32_t FHit = CropHitOutside;

 private:
  TQvCrop2Tool* CropTool() const;
  TQvGraphicsDocument* Document() const;
  TRect AreaRect() const;  // image coordinates
  TRect ToScreen(const TRect& Rect) const;
  // Record: the recorder gets the command (an end by key; a click is recorded by the view).
  void PerformCrop(bool Record);
  void CancelCrop(bool Record);
};

class TQvCrop2Tool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvCrop2Tool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvCrop2Tool() override;

  void Localize() override;
  void CommitChange() override {}
  // Resets every control, then the inherited cancel.
  void CancelChange() override;
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  void DocumentSaving(TQvGraphicsDocument*) override {}
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  // Also "CropPerform" and "CropCancel", which the recorder moves to before those commands: the
  // middle of the crop rectangle in the active view, or of the view when none is drawn.
  void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                           QPoint& Point) override;
  void UpdateLayout() override;

  // Crops the active document to Rect ∩ its image as one undo step. False, with nothing changed,
  // when that is empty or the copies for the undo cannot be had (the user is told).
  bool Crop(const TRect& Rect);
  // Crop with the crop rectangle, then every control is reset. Without a fresh rectangle the last
  // one is used, cut to this photo; one that misses the photo does nothing.
  void Perform();
  // What the options link does: options shown or hidden and the free ratio taken from the edits
  // (the recorded "CropShowOptions" and "CropHideOptions" replay it).
  void SetShowOptionsAsLink(bool Value);

  // The rectangle and the ratio are one per program, shared by every view.
  const TRect& CropRect() const { return FCropRect; }
  void SetCropRect(const TRect& Rect) { FCropRect = Rect; }
  const TCropRatio& Ratio() const { return FRatio; }
  void SetRatio(const TCropRatio& Ratio) { FRatio = Ratio; }

  TQvCrop2Frame* Frame() const { return FFrame; }
  // The control of the editor's active view, or nullptr.
  TQvCrop2ToolControl* ActiveControl() const;

 protected:
  void FillDemoItems() override;

 private:
  TRect FCropRect;
  TCropRatio FRatio;
  QPointer<TQvCrop2Frame> FFrame;
};

extern TQvCrop2Tool* Crop2Tool;
