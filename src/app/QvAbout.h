// The About command and the about box: labels laid out from a table over the program's picture,
// grouped on tabs.
#pragma once

#include "QvForms.h"
#include "QvModules.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QSvgRenderer;
class QTabBar;

// Where a label's text comes from: a local string number (0 to 65534), or one of these.
namespace QvAboutText {
inline constexpr std::int32_t BuiltIn = -1;      // the item's Text itself
inline constexpr std::int32_t DisplayName = -2;  // the program's name
inline constexpr std::int32_t Version = -3;      // the program's version
}  // namespace QvAboutText

namespace QvAboutFlag {
inline constexpr std::uint32_t Bold = 1;
inline constexpr std::uint32_t SameLine = 2;  // continues on the line of the previous label
inline constexpr std::uint32_t Link = 4;
inline constexpr std::uint32_t WordWrap = 8;
inline constexpr std::uint32_t RightAligned = 16;
inline constexpr std::uint32_t Colon = 32;  // ":" is appended to the text
inline constexpr std::uint32_t White = 64;
}  // namespace QvAboutFlag

// One label of the about box. Lengths are in picture pixels; 0 means automatic.
struct TQvAboutItem {
  std::int32_t Source;  // local string number, or a QvAboutText value
  const char* Text;     // UTF-8: the text of a built-in label, the default of a local string
  std::uint32_t Flags;  // QvAboutFlag
  std::int32_t Left;
  std::int32_t Top;
  std::int32_t Width;   // 0: as wide as the text
  std::int32_t Height;  // 0: as high as the text
  float ExtraLines;     // space before the label, in lines
  std::int32_t Page;    // the tab that shows it; -1 every tab
};

struct TQvAboutContent {
  const TQvAboutItem* Table = nullptr;
  int Count = 0;
  QString ResourceName;  // the picture, ":/ocuvane/about/<name>.svg"
};

// The program's about box: eight labels over the picture "About".
extern const TQvAboutItem QvProgramAboutItems[8];
QString QvProgramDisplayName();
QString QvProgramVersion();

// The caption of a link: the host part of Address, that is the characters after the first ":" and
// any "/", ":" or "\" that follow it, up to the next "/", ":" or "\". Empty without a ":".
QString QvAboutLinkCaption(const QString& Address);

// The picture, stretched over the whole control. It paints every pixel itself, so nothing is
// erased first and nothing flickers.
class TQvLogoBackground : public QWidget {
  Q_OBJECT

 public:
  explicit TQvLogoBackground(QWidget* Parent = nullptr);
  ~TQvLogoBackground() override;

  // Loads the picture resource Name; false (a plain background) when there is none.
  bool LoadPicture(const QString& Name);
  // The picture's own size; 500 by 300 when there is no picture.
  QSize PictureSize() const;

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  std::unique_ptr<QSvgRenderer> FPicture;
};

// A label that opens its address with the desktop's programs when clicked.
class TQvAboutLink : public QLabel {
  Q_OBJECT

 public:
  TQvAboutLink(const QString& Address, QWidget* Parent);
  QString Address() const { return FAddress; }

 protected:
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  QString FAddress;
};

class TQvAboutForm : public TQvFormOf<QDialog> {
 public:
  // Client area 550 by 367 with the labels of Content laid out over the picture.
  TQvAboutForm(const TQvAboutContent& Content, QWidget* Owner);
  ~TQvAboutForm() override;

  void Localize() override;
  // Shows the labels of the selected tab and those of every tab.
  void AboutTabControlChange(int Index);
  // Escape and Enter close the box.
  bool FormKeyDown(int Key);

  QTabBar* AboutTabControl = nullptr;
  TQvLogoBackground* Background = nullptr;
  // One label per row of the table, in table order.
  std::vector<QLabel*> Labels;

 protected:
  void keyPressEvent(QKeyEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void CreateLabels(const TQvAboutContent& Content);
  QString PageName(int Page) const;
};

class TQvAbout : public TQvModule {
  Q_OBJECT

 public:
  // Appends a separator and the About item to the Help menu.
  TQvAbout();
  ~TQvAbout() override;

  void SetContent(const TQvAboutItem* Table, int Count, const QString& ResourceName);
  const TQvAboutContent& Content() const { return FContent; }
  // Shows the about box modally.
  void ShowAbout();
  void Localize() override;

  QAction* AboutMenuSeparator = nullptr;
  QAction* AboutMenuItem = nullptr;

 private:
  TQvAboutContent FContent;
};

extern TQvAbout* AboutModule;
