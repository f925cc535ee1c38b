#pragma once
// The rotate and flip tool: turns the photo a quarter either way or mirrors it, on both images and
// the area at once. Each operation is one undo step that keeps only the operation and is undone by
// its inverse, so undo gives back the image bit for bit without storing it.

#include "QvGeometryCommandStates.h"
#include "QvPanelTool.h"
#include "QvRotateFrame.h"

#include <QPointer>

class TQvRotateTool;

// The operation's state; after every undo and redo the tool's preview follows the image.
class TQvRotateCommandState : public TQvOperationCommandState {
 public:
  TQvRotateCommandState(TQvRotateTool* Tool, TQvGraphicsDocument* Document, TQvImageOperation Operation);

  void Undo() override;
  void Redo() override;

 protected:
  void AfterTransform() override;

 private:
  TQvImageOperation FPending = TQvImageOperation::None;  // what the undo or redo under way does
};

class TQvRotateTool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvRotateTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvRotateTool() override;

  void Localize() override;
  // Records the operation's state whatever the changed rectangle.
  void CommitChange() override;
  void DocumentOpened(TQvGraphicsDocument* Document) override;
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  void Activate() override;
  void UpdateLayout() override;

  // One complete change on the editor's active view, with the hourglass; false when nothing was
  // done (no photo, the tool unavailable, or no memory for the new image: the user is told).
  bool Perform(TQvImageOperation Operation);
  bool RotateLeft() { return Perform(TQvImageOperation::RotateLeft); }
  bool RotateRight() { return Perform(TQvImageOperation::RotateRight); }
  bool FlipHorizontal() { return Perform(TQvImageOperation::FlipHorizontal); }
  bool FlipVertical() { return Perform(TQvImageOperation::FlipVertical); }
  // The frame's thumbnail from the current document, then its preview.
  void UpdatePreview();
  // After Operation was done on the document: the thumbnail turned alike (a new one when there is
  // none), then the preview.
  void FollowOperation(TQvImageOperation Operation);

  TQvRotateFrame* Frame() const { return FFrame; }

  TQvImageOperation FOperation = TQvImageOperation::None;

 protected:
  void FillDemoItems() override;

 private:
  QPointer<TQvRotateFrame> FFrame;
};

extern TQvRotateTool* RotateTool;
