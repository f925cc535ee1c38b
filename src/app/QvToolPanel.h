// The dockable tool panel: the tools' button bar at its top and, below it, the option frames of the
// tools (only the active tool's frame is shown).
#pragma once

#include "QvForms.h"
#include "QvModules.h"

#include <QByteArray>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <vector>

class QAction;
class QDockWidget;
class QScrollArea;
class QVBoxLayout;
class TQvFlowLayout;

// A button bar that wraps its buttons onto more rows when it is narrow. Actions added to it
// (QWidget::addAction/insertAction) become buttons.
class TQvButtonBar : public QWidget {
  Q_OBJECT

 public:
  explicit TQvButtonBar(QWidget* Parent = nullptr);

 protected:
  void actionEvent(QActionEvent* Event) override;

 private:
  TQvFlowLayout* FLayout;
};

// The frame at the top of the panel holding the button bar; it grows when the buttons wrap.
class TQvToolFrame : public TQvFrame {
  Q_OBJECT

 public:
  explicit TQvToolFrame(QWidget* Parent = nullptr);
  TQvButtonBar* Toolbar = nullptr;
};

// The panel's position in the settings file (47 bytes, packed, little-endian). Only one group is
// meaningful: the floating group when Floating, the docked group otherwise.
struct TQvPanelPosition {
  static constexpr std::uint32_t RecordSize = 47;
  enum TSide : std::uint8_t { Top = 0, Bottom = 1, Left = 2, Right = 3 };

  bool Visible = true;
  bool Floating = false;
  QRect FloatingRect;
  std::uint8_t DockSide = Right;
  std::int32_t PositionInRow = 0;
  std::int32_t Row = 0;
  std::int32_t DockedWidth = 0;
  std::int32_t DockedHeight = 0;
  std::int32_t SplitWidth = 0;
  std::int32_t SplitHeight = 0;

  QByteArray ToBytes() const;
  // False for a record of another size or whose size field is not 47.
  static bool FromBytes(const QByteArray& Bytes, TQvPanelPosition& Position);
};

class TQvToolPanelModule : public TQvModuleWithControls {
  Q_OBJECT

 public:
  // Needs the main window: docks the panel on its right and adds the View menu item.
  TQvToolPanelModule();
  ~TQvToolPanelModule() override;

  QPointer<QDockWidget> Panel;
  QPointer<TQvToolFrame> ToolFrame;
  TQvButtonBar* Toolbar = nullptr;  // the tools' buttons go here
  QAction* VisibleMenuItem = nullptr;

  // Creates a tool's option frame below the button bar, scrolling when it does not fit, and
  // initialises it. Reference is nullptr again if creation fails.
  template <class FrameClass>
  void CreateOptionFrame(FrameClass*& Reference) {
    Reference = nullptr;
    auto* Frame = new FrameClass(OptionHost());
    Reference = Frame;
    try {
      PlaceOptionFrame(Frame);
      Frame->Initialize();
    } catch (...) {
      Reference = nullptr;
      delete Frame;
      throw;
    }
  }

  bool IsPanelVisible() const;
  void SetPanelVisible(bool Value);
  // Fixes the panel's width to Value (minimum and maximum alike); ignored below the current minimum.
  void SetPanelWidth(int Value);

  TQvPanelPosition GetPanelPosition() const;
  void SetPanelPosition(const TQvPanelPosition& Position);

  void Localize() override;
  void UpdateControls() override;
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;

 private:
  QWidget* OptionHost() const;
  void PlaceOptionFrame(QWidget* Frame);

  QScrollArea* FOptionArea = nullptr;
  QWidget* FOptionHost = nullptr;
  QVBoxLayout* FOptionLayout = nullptr;
  std::vector<QPointer<QWidget>> FOptionFrames;
};

extern TQvToolPanelModule* ToolPanelModule;
