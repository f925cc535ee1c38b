#pragma once
// The text tool: the text typed into the frame's memo is rendered in the chosen font, stretched
// into a rectangle the user drags over the photo and blended into it, in a colour or as the
// inverse of the pixels beneath. The rectangle moves and resizes with eight handles (pulling a
// handle across the opposite edge mirrors the text) until Enter or a click outside commits it as
// one undo step, or Esc or a right click discards it.
//
// The text is drawn into the image whenever the text, the font or the rectangle changes; painting
// the view only paints. While a rectangle is present the tool holds a change of the document, so
// no other tool can be selected and undo and redo wait.

#include "HitRect.h"
#include "QvPanelTool.h"
#include "QvTextFrame.h"
#include "QvTextRender.h"
#include "QvTextSettings.h"

#include <QPointer>
#include <QStringList>

#include <cstdint>

class TQvDemoScriptMacroAction;

class TQvTextToolControl : public TQvGraphicsToolControl {
 public:
  enum TState { NoText = 0, Drawing = 1, Present = 2, Dragging = 3 };

  TQvTextToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View) : TQvGraphicsToolControl(Tool, View) {}

  void Activate() override;
  void Deactivate() override;
  // The rectangle with room for its handles, device coordinates.
  void GetContentBounds(const TQvMapMode& MapMode, TRect& Rect) const override;
  // The outline of the rectangle and, while it rests, its eight handles, inverted.
  void PaintContent(TQvViewCanvas& Canvas) override;
  bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId) override;
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseMove(TQvShiftState Shift, const TPoint& Point) override;
  bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool KeyDown(int Key, TQvShiftState Shift) override;

  // Back to no text (after a commit or cancel): repaint, state 0.
  void ResetState();
  // The rectangle in window coordinates.
  TRect DeviceRect() const;

  int FState = NoText;
  TRect FRect;  // image coordinates
  TPoint FAnchor;
  int32_t FHit = HandleOutside;
  TRect FStartRect;
  bool FStartFlipH = false;
  bool FStartFlipV = false;

 private:
  class TQvTextTool* TextTool() const;
  void ShowSize() const;
};

class TQvTextTool : public TQvPanelTool {
  Q_OBJECT

 public:
  explicit TQvTextTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvTextTool() override;

  void Localize() override;
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void UpdateControls() override;
  // Also widens the tool panel to the frame's width.
  void Activate() override;
  // Takes the text out of the image again, then the framework's cancel.
  void CancelChange() override;
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  // TEXTMEMOYALTA appends its typing steps to the script line's action; the rest as registered.
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;

  // ---- setters (each shows the value and redraws; the recording ones record) ----
  void SetFontSize(int32_t Value);
  void SetColorMode(int32_t Value);
  void SetColor(uint32_t Value);
  void SetMaxInverse(bool Value);
  void SetFontStyle(int32_t Value);
  // The font list's selection; false when the desktop has no such font.
  bool SetFontName(const QString& Family);
  // The memo's text (the text itself when there is no frame).
  void SetText(const QString& Text);
  QString Text() const;

  // ---- the drawing ----
  // Renders the text afresh in the current font (after a change of text, font, size or style).
  void RebuildMask();
  // Draws the text into the rectangle of the control that holds one and repaints.
  void Redraw();
  // The text becomes one undo step (nothing happens when it drew nothing).
  void Commit();
  // The text is taken out again; nothing is recorded.
  void Cancel();
  // Appends the sample typing of demonstrations to Action: the default font, an empty memo, then
  // "Y", "Ya", "Yal", "Yalt", "Yalta" with half a second before each.
  void AppendSampleTyping(TQvDemoScriptMacroAction& Action);

  // The control of the active view that holds a rectangle, or nullptr.
  TQvTextToolControl* RectControl() const;
  // Starts the change a new rectangle lives in.
  bool BeginText(TQvGraphicsView* View);

  // ---- frame handlers ----
  void BITBXButtonClick();
  void ColorBoxSelect();
  void FontColorRadioGroupClick();
  void MaxInverseTBXCheckBoxChange();
  void SizeSpinEditChange();
  void SizeSpinEditExit();
  void TextMemoChange();

  TQvTextFrame* Frame() const { return FFrame; }
  const TTextSettings& Settings() const { return FSettings; }
  const TQvTextRenderer& Renderer() const { return FRenderer; }
  TTextMaskStatus MaskStatus() const { return FRenderer.Status(); }

  QPointer<TQvTextFrame> FFrame;
  TTextSettings FSettings;
  TQvTextRenderer FRenderer;
  bool FFlipH = false;
  bool FFlipV = false;
  bool FColorBoxPending = true;

 protected:
  void FillDemoItems() override;

 private:
  void RecordValue(const QString& Name, int Value) const;
  void ShowStatus();

  QString FText;      // the text without a frame
  bool FUpdating = false;  // a setter is showing its value in the frame
};

extern TQvTextTool* TextTool;
