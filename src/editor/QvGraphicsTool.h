#pragma once
// The tool framework: every retouching tool is a TQvGraphicsTool module that the editor can make
// the active tool, with one TQvGraphicsToolControl per image view (the control draws the tool's
// overlay and receives the view's mouse and key events), and that changes the document's pixels
// only through the change protocol:
//
//   Change().Begin(view)         the document starts a change (committing any other one first)
//   write into Change().Pixels() reading Change().Backup() / Change().Original() as needed
//   Change().AddChangedRect(r)   for every rectangle touched; the document unites and repaints
//   Change().Commit()            one command state (CreateCommandState) for the united rectangle
//                                goes to the history; the backup catches up inside it only
//   or Change().Cancel()         the backup is copied back over the image; nothing is recorded
//
// The change object is the tool's own and may be held across events (a stroke, an open
// adjustment); Active() turns false when the document committed it because another change began
// or the document closed. Begin, Commit and Cancel run the tool's virtual BeginChange, EndChange
// and CancelChange, so a tool that overrides those keeps working either way.
//
// A command state holds the pixels of its rectangle before and after the change, nothing else, so
// recording, undoing and redoing cost time in proportion to the rectangle, not to the image.

#include "QvCommandHistory.h"
#include "QvEditor.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsView.h"
#include "QvModules.h"
#include "QvView.h"

#include <QByteArray>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QWidget;
class TQvCustomProperties;
class TQvDemoPlayback;
class TQvDemoScriptUserAction;
class TQvGraphicsEditor;
class TQvGraphicsTool;
class TQvGraphicsToolControl;

// Makes a tool's view control for one view (not yet placed in the view; see TQvGraphicsTool::
// CreateControl). Set a tool's FControlClass with SetControlClass<TFooControl>().
using TQvGraphicsToolControlClass = std::unique_ptr<TQvGraphicsToolControl> (*)(TQvGraphicsTool* Tool,
                                                                               TQvGraphicsView* View);

// ---- the change under way ----

class TQvToolChange {
 public:
  explicit TQvToolChange(TQvGraphicsTool& Tool) : FTool(Tool) {}
  TQvToolChange(const TQvToolChange&) = delete;
  TQvToolChange& operator=(const TQvToolChange&) = delete;

  // The tool's BeginChange on View. False when View shows no image (nothing began then).
  bool Begin(TQvGraphicsView* View);
  // From Begin until the change is committed or cancelled, by the tool or by the document.
  bool Active() const;
  // Reports a rectangle written (image coordinates); Replace forgets the earlier ones.
  void AddChangedRect(const TRect& Rect, bool Replace = false);
  // The tool's EndChange: the united rectangle becomes one undo step.
  void Commit();
  // The tool's CancelChange: the image goes back to the committed copy.
  void Cancel();

  // nullptr outside a change. The view and document are watched, so a document closed in the
  // middle of a change leaves them nullptr rather than dangling.
  TQvGraphicsView* View() const { return FView; }
  TQvGraphicsDocument* Document() const { return FDocument; }
  TQvPixels* Pixels() const { return FPixels; }
  const TQvPixels* Backup() const { return FBackupPixels; }
  const TQvPixels* Original() const { return FOriginalPixels; }

 private:
  friend class TQvGraphicsTool;
  void Set(TQvGraphicsView* View, TQvGraphicsDocument* Document);
  void Clear();

  TQvGraphicsTool& FTool;
  QPointer<TQvGraphicsView> FView;
  QPointer<TQvGraphicsDocument> FDocument;
  const TQvPixels* FOriginalPixels = nullptr;
  const TQvPixels* FBackupPixels = nullptr;
  TQvPixels* FPixels = nullptr;
};

// ---- the tool ----

class TQvGraphicsTool : public TQvModuleWithControls, public IQvGraphicsToolEvents, public IQvDemoTarget {
  Q_OBJECT

 public:
  // The tool works for Editor (by default the application's graphics editor as it stands when
  // the tool is made, which the composition root creates first).
  explicit TQvGraphicsTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  // Takes the tool's controls out of the views that still show them.
  ~TQvGraphicsTool() override;

  // Registers the demonstration items once (the first time), then the inherited registrations.
  void Initialize() override;

  // ---- demonstration target ----
  // When FDemoName is not empty and its upper-case form is Command: ButtonClick, Handled.
  void ExecuteDemoCommand(TQvDemoPlayback* Playback, const QString& Command, bool& Handled,
                          TQvDemoScriptUserAction* Action, TQvCustomProperties* Params) override;
  // Params item 0 names a control; Point its centre on the screen. The base knows none.
  void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                           QPoint& Point) override;
  void StartDemoRecording(TQvDemoRecorder* Recorder) override;
  void StopDemoRecording() override;

  // ---- view controls ----
  virtual void AddControl(TQvGraphicsToolControl* Control);
  virtual void RemoveControl(TQvGraphicsToolControl* Control);
  // With FControlClass set: a new control of that class, placed on top of View's objects (the view
  // owns it) and set up. nullptr without a control class.
  virtual TQvGraphicsToolControl* CreateControl(TQvGraphicsView* View);

  // ---- change protocol ----
  // Records the document's changed rectangle (within the image; EmptyChangeRect when that is
  // empty) as the state CreateCommandState makes, and brings the backup up to date there.
  // Nothing happens for an empty rectangle.
  virtual void CommitChange();
  // Starts a change on View's document (any change under way there is committed first) and caches
  // the view, the document and its three pixel stores.
  virtual void BeginChange(TQvGraphicsView* View);
  // CommitChange, then the document's change ends; the change fields are cleared.
  void EndChange() override;
  // The backup is copied back over the image, the view repaints, nothing is recorded. Harmless
  // without a change under way.
  virtual void CancelChange();

  // ---- document events (every tool hears them, in registry order) ----
  // In plug-in mode the tool becomes available exactly when FAvailableInPluginMode.
  void DocumentOpened(TQvGraphicsDocument* Document) override;
  void DocumentClosing(TQvGraphicsDocument* Document) override;
  void DocumentSaving(TQvGraphicsDocument* Document) override;
  void BeforeUndo(TQvCommandState* State) override;
  void BeforeRedo(TQvCommandState* State) override;
  // Called once, when the tool is initialised; a tool registers its demonstration commands and
  // controls here, each name prefixed with FDemoName.
  virtual void RegisterDemoItems();
  void AfterUndo(TQvCommandState* State) override;
  void AfterRedo(TQvCommandState* State) override;
  virtual bool SetAvailable(bool Value);
  void ImageChanged(TQvGraphicsDocument* Document, IQvGraphicsToolEvents* Tool, const TRect& Rect) override;
  // The tool button's click: the tool becomes the active tool; a running recording gets the lines
  // that move to the button and click it.
  virtual void ButtonClick(QObject* Sender);
  virtual void Activate();
  virtual void Deactivate();
  virtual TQvGraphicsTool* Reset();
  virtual void DemoStarting();

  // ---- for descendants ----
  // The state CommitChange records for Rect of the document; a plain before/after state here.
  virtual std::unique_ptr<TQvCommandState> CreateCommandState(TQvGraphicsDocument& Document, const TRect& Rect);
  // The rectangle recorded when a change wrote nothing; empty (no undo step) here.
  virtual TRect EmptyChangeRect() const { return TRect{}; }
  // The change under way (or the one to begin).
  TQvToolChange& Change() { return FChange; }
  const TQvToolChange& Change() const { return FChange; }

  // Script lines while the demonstration recorder runs (nothing otherwise); "Message" lines only
  // when the recorder records messages.
  void RecordMove(const QString& Name) const { TQvDemoLines::Move(FRecorder, Name); }
  void RecordMessage(const QString& Text) const { TQvDemoLines::Message(FRecorder, Text); }
  void RecordLine(const QString& Line) const { TQvDemoLines::Line(FRecorder, Line); }
  void RecordCommand(const QString& Name, const QString& Arguments = QString()) const {
    TQvDemoLines::Command(FRecorder, Name, Arguments);
  }

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  // nullptr for an index outside the list.
  TQvGraphicsToolControl* Controls(int Index) const;
  // Reports a rectangle (image coordinates) written during the change; ignored outside a change.
  void AddChangedRect(const TRect& Rect, bool Replace);
  // The graphics editor the tool works for; nullptr once it is gone or when none was given.
  TQvGraphicsEditor* Editor() const { return FEditor; }
  // Whether the editor's active tool is this one.
  bool IsActiveTool() const;
  // The editor's active document, or nullptr.
  TQvGraphicsDocument* ActiveDocument() const { return FEditor ? FEditor->ActiveDocument() : nullptr; }
  // The step on top of the active document's history when it is a StateClass, else nullptr.
  template <class StateClass>
  StateClass* LastStateOf() const {
    TQvGraphicsDocument* Doc = ActiveDocument();
    return Doc ? dynamic_cast<StateClass*>(Doc->History.LastUndoState()) : nullptr;
  }
  // The live re-apply of a setting change: when the step on top of the active document's history
  // is a StateClass, it is undone through the history itself (the tools hear no undo
  // notifications on this path) and Apply makes it again with the current settings, so a run of
  // setting changes stays one undo step. Nothing happens while a change is under way, since the
  // new step could not be made then. True when the step was replaced.
  template <class StateClass>
  bool ReapplyLastStep(const std::function<void()>& Apply) {
    TQvGraphicsDocument* Doc = ActiveDocument();
    if (!Doc || Doc->Modifying() || !LastStateOf<StateClass>()) return false;
    Doc->History.Undo();
    Apply();
    return true;
  }
  // The usual refresh of a tool's button and option frame: the button shows only while the tool is
  // available, is checked while the tool is active and enabled when the editor lets it be
  // selected; the frame shows only for the active, available tool. Either may be nullptr.
  void UpdateToolControls(QAction* Button, QWidget* OptionFrame);

  template <class ControlClass>
  void SetControlClass() {
    FControlClass = [](TQvGraphicsTool* Tool, TQvGraphicsView* View) -> std::unique_ptr<TQvGraphicsToolControl> {
      return std::make_unique<ControlClass>(Tool, View);
    };
  }

  QByteArray FDemoName;  // "RedEye", "Crop", ...: demonstration and command prefix
  TQvGraphicsToolControlClass FControlClass = nullptr;
  TQvDemoRecorder* FRecorder = nullptr;  // while a recording runs
  bool FActive = false;
  bool FAvailable = true;
  bool FAvailableInPluginMode = false;
  // While such a tool has a change under way no other tool can be selected (crop, text).
  bool FExclusiveChange = false;

 protected:
  std::vector<TQvGraphicsToolControl*> FControls;  // not owned; one per open view

 private:
  QPointer<TQvGraphicsEditor> FEditor;
  TQvToolChange FChange{*this};
  bool FDemoItemsRegistered = false;
};

// ---- the view control ----

class TQvGraphicsToolControl : public TQvViewObject {
 public:
  // Builds the control for Tool in View and adds it to the tool's controls. The tool's
  // CreateControl then places it in the view's object list and calls Setup.
  TQvGraphicsToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View);
  // Leaves the tool's list of controls.
  ~TQvGraphicsToolControl() override;

  // Repaints itself when the visibility changes.
  void SetVisible(bool Value) override;
  // A content part outside the scroll extent, not yet visible: a descendant shows itself once it
  // has something to draw.
  void InitFlags() override;

  // Called once the control lies in its view's object list.
  virtual void Setup();
  // Active: the control answers events. Entering with the pointer already inside the view counts
  // as MouseEnter; the bounds repaint and the view asks for the cursor again.
  virtual void Activate();
  virtual void Deactivate();
  // Points are the view's window (client) coordinates. A handler that returns true ends the round.
  virtual bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point);
  virtual bool MouseMove(TQvShiftState Shift, const TPoint& Point);
  virtual bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point);
  // Direction is −1 or +1.
  virtual bool MouseWheel(TQvShiftState Shift, int Direction, const TPoint& Point);
  // Key is a virtual-key number (QvKey).
  virtual bool KeyDown(int Key, TQvShiftState Shift);
  virtual bool KeyUp(int Key, TQvShiftState Shift);

  // Repaints the control's device bounds in the view, without erasing.
  void Invalidate();
  // The pointer's current position in the view's client coordinates.
  void GetMousePos(TPoint& Point) const;
  // Asks the view's controls for the cursor again.
  void UpdateCursor();

  TQvGraphicsTool* Tool() const { return FTool; }
  TQvGraphicsView* View() const { return FView; }

  bool FActive = false;
  TQvGraphicsView* FView;                // the view owns the control
  QPointer<TQvGraphicsTool> FTool;       // tools may go before the views at exit
  bool FUserFlag = false;                // free for descendants
};

// ---- command states ----

// Base of every state a tool leaves in the history. Its Undo and Redo tell every tool that the
// image changed; a descendant ends its own Undo and Redo by calling these. After a change of size
// (crop, resize, rotation) FRect may lie partly or wholly outside the image; the part outside is
// simply not there.
class TQvCustomGraphicsCommandState : public TQvCommandState {
 public:
  // Stores the three and tells every tool that Rect of the document's image changed. A state
  // whose change the document carries out itself (a turn, a crop, a resize: the document keeps
  // track of what that did to a lossless save) passes WritesPixels false, so Rect does not count
  // as pixels written.
  TQvCustomGraphicsCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, const TRect& Rect,
                                bool WritesPixels = true);

  void Undo() override;
  void Redo() override;

  TQvGraphicsTool* FTool;
  TQvGraphicsDocument* FDocument;
  TRect FRect;  // image coordinates
  bool FWritesPixels;
};

// The pixels of one rectangle before (from the backup) and after (from the image) a change.
class TQvGraphicsCommandState : public TQvCustomGraphicsCommandState {
 public:
  // Call between the tool's writes and the backup's update: FBefore comes from the backup.
  TQvGraphicsCommandState(TQvGraphicsTool* Tool, TQvGraphicsDocument* Document, const TRect& Rect);

  // FBefore back into the image; the backup follows inside FRect.
  void Undo() override;
  // FAfter back into the image; the backup follows inside FRect.
  void Redo() override;

  TQvPixelBuffer FBefore;
  TQvPixelBuffer FAfter;

 private:
  void Restore(const TQvPixelBuffer& Pixels);
};
