#pragma once
// The comparison tool: while it is active the view shows the document's original image in place
// of the current one, at the same zoom and scroll position. It is active for as long as its
// toolbar button is held down under the pointer, or the O key is held down in the view; releasing
// either returns to the tool that was active before.

#include "QvGraphicsTool.h"

#include <functional>

class QAction;
class QToolButton;
class TQvLTBitmap;

class TQvOriginalImageTool : public TQvGraphicsTool {
  Q_OBJECT

 public:
  // Button drawing states reported to ButtonStateChanged.
  static constexpr int ButtonDisabled = 1;
  static constexpr int ButtonHot = 2;  // under the pointer
  static constexpr int ButtonPushed = 4;
  static constexpr int ButtonChecked = 8;

  // Adds OriginalImageToolButton to the editor's standard toolbar.
  TQvOriginalImageTool();
  ~TQvOriginalImageTool() override;

  void Localize() override;
  void UpdateControls() override;
  // The tool is not selected by name.
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  // "ORIGINALIMAGEBUTTON" or "ORIGINALIMAGE": the centre of the button on the screen.
  void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                           QPoint& Point) override;
  void Activate() override;

  // Whether the tool is the editor's active tool.
  bool IsActive() const;
  // Makes the tool active, remembering the active tool.
  void ShowOriginal();
  // Returns to the remembered tool.
  void RestoreTool();
  void SetShowing(bool Value);

  // The button's drawing state changed (a set of the Button… flags). Outside toggle mode the
  // original shows exactly while the button is pushed under the pointer; the check mark that
  // UpdateControls sets does not count.
  void ButtonStateChanged(int State);
  // Acts only in toggle mode, alternating ShowOriginal and RestoreTool.
  void OriginalImageToolButtonClick(QObject* Sender);

  QAction* OriginalImageToolButton = nullptr;
  bool FShowing = false;
  QPointer<TQvGraphicsTool> FPreviousTool;
  // Called with the tool after FShowing changed.
  std::function<void(TQvOriginalImageTool* Sender)> FOnChange;
  bool FToggleMode = false;

 protected:
  // Eats the keyboard's auto-repeat of the O key, so a held key does not switch back and forth.
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  QToolButton* ButtonWidget() const;
};

class TQvOriginalImageToolControl : public TQvGraphicsToolControl {
 public:
  TQvOriginalImageToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View);

  // A frame part outside the scroll extent, not visible.
  void InitFlags() override;
  void Setup() override;
  // Hides the picture and shows the original in its place.
  void Activate() override;
  void Deactivate() override;
  void PaintFrame(TQvViewCanvas& Canvas) override;
  bool KeyDown(int Key, TQvShiftState Shift) override;
  bool KeyUp(int Key, TQvShiftState Shift) override;

  int FKey = 'O';                     // the key that shows the original while held
  TQvLTBitmap* FOriginal = nullptr;   // the document's, not owned; fetched again before each use

 private:
  TQvOriginalImageTool* OriginalTool() const;
  // The document's original image now (crop, resize and their undo may replace it).
  TQvLTBitmap* CurrentOriginal() const;
};

extern TQvOriginalImageTool* OriginalImageTool;
