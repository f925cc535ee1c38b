#pragma once
// The base of every tool that lives in the tool panel: it owns the tool's button in the panel's
// toolbar and its option frame, and gives every such tool the same behaviour:
//   SetAvailable  shows or hides button and frame;
//   Activate      brings the frame to the front of the panel;
//   UpdateControls (idle) the button is checked while the tool is active and enabled while the
//                 editor lets it be selected; the frame's controls are enabled only when both;
//   SetShowOptions the frame's further options and the link, saved in the settings file when the
//                 tool gives a settings node, recorded as "<Demo>Options" / "<Demo>ShowOptions";
//   DemoItems     the tool's demonstration table, registered once and asked for control points.

#include "QvDemoItems.h"
#include "QvGraphicsTool.h"
#include "QvGuid.h"
#include "QvOptionFrame.h"
#include "QvToolPanel.h"

#include <QIcon>
#include <QPointer>

#include <optional>

class QAction;

class TQvPanelTool : public TQvGraphicsTool {
  Q_OBJECT

 public:
  explicit TQvPanelTool(TQvGraphicsEditor* Editor = GraphicsEditor);
  ~TQvPanelTool() override;

  // The button's hint (when the tool gave one with SetHint), then the frame's title and link.
  void Localize() override;
  // With a settings node (SetSettingsGuid): value 1 is the show-options state.
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void UpdateControls() override;
  bool SetAvailable(bool Value) override;
  void Activate() override;
  // The demonstration table, with the registry; a tool fills the table in FillDemoItems.
  void RegisterDemoItems() override;
  void GetDemoControlPoint(TQvDemoPlayback* Playback, TQvCustomProperties* Params, bool& Handled,
                           QPoint& Point) override;

  // Stores the value, UpdateLayout, and records "MouseCurvedMove <Demo>Options", then
  // "<Demo>ShowOptions" or "<Demo>HideOptions" (unless FRecordShowOptions is false).
  virtual void SetShowOptions(bool Value);
  // The frame's option section and link follow FShowOptions; a tool restacks more here.
  virtual void UpdateLayout();

  QAction* Button() const { return FButton; }
  TQvOptionFrame* OptionFrame() const { return FFrame; }
  TQvDemoItems& DemoItems() { return FDemoItems; }
  const TQvDemoItems& DemoItems() const { return FDemoItems; }

  // "MouseCurvedMove Name" and the message the table gives control Name.
  void RecordEnter(const QString& Name) const;
  // RecordEnter, then Name alone: a button of the frame pressed.
  void RecordClick(const QString& Name) const;
  // "<Demo>Suffix" (FDemoName followed by Suffix).
  QString DemoItemName(const QString& Suffix) const;

  bool FShowOptions = false;
  bool FRecordShowOptions = true;

 protected:
  // Adds the button to the tool panel's toolbar with the image ImageName (Fallback when the
  // program ships none) and ButtonClick as its handler. Without a tool panel (the command-line
  // program) there is no button.
  void CreateButton(const QString& Caption, const QString& ImageName, const QIcon& Fallback = QIcon());
  // Creates the option frame of class FrameClass in the tool panel; nullptr without a panel. The
  // frame's link toggles the options.
  template <class FrameClass>
  FrameClass* CreateFrame() {
    FrameClass* Frame = nullptr;
    if (ToolPanelModule) ToolPanelModule->CreateOptionFrame(Frame);
    AdoptFrame(Frame);
    return Frame;
  }
  // The button hint's local string.
  void SetHint(int Id, const QString& Default);
  // The frame title's local string (the hint's when not given).
  void SetTitle(int Id, const QString& Default);
  void SetSettingsGuid(const TGUID& Guid) { FSettingsGuid = Guid; }
  // Fills DemoItems(); called once, before the table is registered.
  virtual void FillDemoItems() {}

 private:
  void AdoptFrame(TQvOptionFrame* Frame);

  QAction* FButton = nullptr;
  QPointer<TQvOptionFrame> FFrame;
  TQvDemoItems FDemoItems;
  std::optional<TGUID> FSettingsGuid;
  int FHintId = 0;
  QString FHintDefault;
  int FTitleId = 0;
  QString FTitleDefault;
};
