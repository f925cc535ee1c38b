#pragma once
// The resize tool: a new pixel size for the whole photo, typed or spun in the option frame, with
// or without the image's proportions, resampled on Ok as one undo step that keeps both images as
// they were.

#include "QvGeometryCommandStates.h"
#include "QvPanelTool.h"
#include "QvResizeFrame.h"
#include "QvResizeSettings.h"

#include <QPointer>

class TQvResizeTool;

class TQvResizeCommandState : public TQvImageCopyCommandState {
 public:
  TQvResizeCommandState(TQvResizeTool* Tool, TQvGraphicsDocument* Document, int32_t Width, int32_t Height);

  int32_t FWidth;
  int32_t FHeight;

 protected:
  void Perform(TQvGraphicsDocument& Document) override;
};

class TQvResizeTool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvResizeTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvResizeTool() override;

  void Localize() override;
  // Ok and Cancel are enabled only while the size differs from the image's.
  void UpdateControls() override;
  // The resize records its own state.
  void CommitChange() override {}
  void DocumentOpened(TQvGraphicsDocument* Document) override;
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  void Activate() override;
  void UpdateLayout() override;

  // The current document's image size, or 1 × 1 without one.
  int32_t ImageWidth() const;
  int32_t ImageHeight() const;
  void SetWidth(int32_t Value);
  void SetHeight(int32_t Value);
  void SetConstrainProportions(bool Value);
  void ResetToImage();
  // Resamples both images to the size as one undo step, with the hourglass. False when nothing was
  // done: no photo, the tool unavailable, or not enough memory for the new images (the user is
  // told and the document and its history stay as they were).
  bool Perform();

  const TResizeSettings& Settings() const { return FSettings; }
  TQvResizeFrame* Frame() const { return FFrame; }

 protected:
  void FillDemoItems() override;

 private:
  // The edits and the check box from the settings.
  void ShowSettings();

  TResizeSettings FSettings;
  QPointer<TQvResizeFrame> FFrame;
};

extern TQvResizeTool* ResizeTool;
