// The editor's only top-level window. It starts almost empty; modules fill its menus, toolbars,
// status bar and image list while they are constructed.
#pragma once

#include "QvForms.h"
#include "QvImageList.h"

#include <QAction>
#include <QByteArray>
#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <functional>

class QDockWidget;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolBar;

// The window placement as it is kept in the settings file (44 bytes, little-endian).
struct TQvWindowPlacement {
  static constexpr std::uint32_t RecordSize = 44;
  static constexpr std::uint32_t SW_SHOWNORMAL = 1;
  static constexpr std::uint32_t SW_SHOWMINIMIZED = 2;
  static constexpr std::uint32_t SW_SHOWMAXIMIZED = 3;
  static constexpr std::uint32_t WPF_RESTORETOMAXIMIZED = 2;

  std::uint32_t Flags = 0;
  std::uint32_t ShowCmd = SW_SHOWNORMAL;
  QPoint MinPosition{-1, -1};
  QPoint MaxPosition{-1, -1};
  QRect NormalPosition;  // the frame rectangle of the normal (restored) window

  QByteArray ToBytes() const;
  // False for a record of another size, another length field or an empty rectangle.
  static bool FromBytes(const QByteArray& Bytes, TQvWindowPlacement& Placement);
};

class TMainForm : public TQvFormOf<QMainWindow> {
 public:
  // The size of a first start, before any placement was saved.
  static QSize DefaultSize();
  TMainForm();
  ~TMainForm() override;

  // Design-time content that other modules refer to. Toolbars dock at the top (Qt::TopToolBarArea
  // stands for the top dock); panels made by CreateDockablePanel dock on any side.
  QMenuBar* Menu = nullptr;
  QMenu* FileMenuItem = nullptr;
  QAction* FileMenuSeparator = nullptr;  // modules insert their File items before it
  QAction* ExitMenuItem = nullptr;
  QMenu* ViewMenuItem = nullptr;
  QMenu* ToolbarsMenuItem = nullptr;
  QAction* ViewMenuSeparator = nullptr;
  QMenu* LanguageMenuItem = nullptr;
  QMenu* HelpMenuItem = nullptr;
  QStatusBar* StatusBar = nullptr;

  // A file dropped on the window (only the first of several, only an existing file).
  std::function<void(const QString& FileName)> OnDropFile;
  // Asked before the window closes; false keeps it open.
  std::function<bool()> OnCloseQuery;

  // Module services. "Before" inserts before that item when it is among the parent's items,
  // otherwise the new item is appended. A null Parent means the menu bar.
  QAction* AddMenuItem(const QString& Caption, const QKeySequence& ShortCut, QAction* Before, QMenu* Parent,
                       int ImageIndex, std::function<void()> OnClick);
  QMenu* AddSubmenu(const QString& Caption, QMenu* Parent, QAction* Before);
  QAction* AddSeparator(QMenu* Parent, QAction* Before);
  // A toolbar docked at the top, with a visibility toggle in View > Toolbars.
  QToolBar* AddToolbar(const QString& Caption);
  // A button on Toolbar (any widget that shows actions: a QToolBar or the tool panel's button bar).
  // Caption is both text and hint; a null Images means the main image list. Reference is set as soon
  // as the item exists and reset to nullptr if creation fails.
  template <class ItemClass = QAction>
  ItemClass* AddToolButton(QWidget* Toolbar, const TQvImageList* Images, QAction* Before, const QString& Caption,
                           int ImageIndex, std::function<void()> OnClick, ItemClass** Reference = nullptr) {
    ItemClass* Item = new ItemClass(Toolbar);
    if (Reference) *Reference = Item;
    try {
      SetUpToolButton(Item, Toolbar, Images, Before, Caption, ImageIndex, std::move(OnClick));
    } catch (...) {
      if (Reference) *Reference = nullptr;
      delete Item;
      throw;
    }
    return Item;
  }
  // Adds the bitmap resource Name to the main image list; its index, or -1 when there is no such
  // resource or it cannot be loaded.
  int AddImage(const QString& ResourceName);
  // A new dockable panel owned by the window, not yet docked.
  QDockWidget* CreateDockablePanel();
  TQvImageList& Images() { return DefaultImages; }

  // Sets the process locale and the localizer's language; the menu follows through Localize.
  void SelectLanguage(int LangId);
  // The placement of the window now, and its restoration (a minimised window comes back normal;
  // a rectangle on no screen is moved onto the primary screen).
  TQvWindowPlacement GetPlacement() const;
  void SetPlacement(const TQvWindowPlacement& Placement);

  void Localize() override;
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;
  void Initialize() override;

 protected:
  void closeEvent(QCloseEvent* Event) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void SetUpToolButton(QAction* Item, QWidget* Toolbar, const TQvImageList* Images, QAction* Before,
                       const QString& Caption, int ImageIndex, std::function<void()> OnClick);
  void UpdateToolbarCaptions();
  // Takes the frame's margins off the restored frame size once the window shows as a normal window.
  void ApplyRestoredFrameSize();
  QWidget* MenuParent(QMenu* Parent) const;

  TQvImageList DefaultImages;
  // The frame size asked for by a restored placement; the frame's own margins are only known once
  // the window is shown, and are taken off then.
  QSize FRestoredFrameSize;
};

// Runs Handler, showing an exception it raises in an error box instead of letting it reach the
// event loop.
void QvRunHandler(const std::function<void()>& Handler);

extern TMainForm* MainForm;
