#include "QvDemoSystemInput.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#ifdef OCUVANE_HAVE_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#endif

// The X connection that XTest requests go through: the toolkit's own when it has one, so that the
// fake events and the program's requests reach the server in order.
struct TQvDemoSystemInput::TXTest {
#ifdef OCUVANE_HAVE_XTEST
  Display* Dpy = nullptr;
  bool Owned = false;

  TXTest() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    if (auto* X11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
      Dpy = X11->display();
    if (!Dpy) {
      Dpy = XOpenDisplay(nullptr);
      Owned = Dpy != nullptr;
    }
    int Event = 0, Error = 0, Major = 0, Minor = 0;
    if (Dpy && !XTestQueryExtension(Dpy, &Event, &Error, &Major, &Minor)) Close();
  }
  ~TXTest() { Close(); }
  void Close() {
    if (Dpy && Owned) XCloseDisplay(Dpy);
    Dpy = nullptr;
    Owned = false;
  }
#endif
};

TQvDemoSystemInput::TQvDemoSystemInput() : FXTest(std::make_unique<TXTest>()) {
  if (qGuiApp) FPos = QCursor::pos();
}

TQvDemoSystemInput::~TQvDemoSystemInput() {
  while (FHiddenCount > 0) SetCursorVisible(true);
}

bool TQvDemoSystemInput::UsesXTest() const {
#ifdef OCUVANE_HAVE_XTEST
  return FXTest->Dpy != nullptr;
#else
  return false;
#endif
}

void TQvDemoSystemInput::MovePointer(const QPoint& Pos) {
#ifdef OCUVANE_HAVE_XTEST
  if (Display* Dpy = FXTest->Dpy) {
    XTestFakeMotionEvent(Dpy, -1, Pos.x(), Pos.y(), CurrentTime);
    XFlush(Dpy);
    return;
  }
#endif
  if (Pos == FPos) return;
  FPos = Pos;
  SendSynthesised(QEvent::MouseMove, Pos, Qt::NoButton);
}

void TQvDemoSystemInput::SendMouseButton(TQvDemoMouseButton Button, bool Down, const QPoint& Pos) {
#ifdef OCUVANE_HAVE_XTEST
  if (Display* Dpy = FXTest->Dpy) {
    // Physical buttons: the server applies the user's mapping, as for a real mouse.
    XTestFakeMotionEvent(Dpy, -1, Pos.x(), Pos.y(), CurrentTime);
    XTestFakeButtonEvent(Dpy, Button == TQvDemoMouseButton::Left ? 1 : 3, Down ? True : False, CurrentTime);
    XFlush(Dpy);
    return;
  }
#endif
  if (Pos != FPos) MovePointer(Pos);
  const Qt::MouseButton Which = Button == TQvDemoMouseButton::Left ? Qt::LeftButton : Qt::RightButton;
  if (Down == FButtons.testFlag(Which)) return;  // a release without a press reaches nobody
  SendSynthesised(Down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, Pos, Which);
}

bool TQvDemoSystemInput::ButtonsSwapped() {
#ifdef OCUVANE_HAVE_XTEST
  if (Display* Dpy = FXTest->Dpy) {
    unsigned char Map[256] = {};
    const int Count = XGetPointerMapping(Dpy, Map, static_cast<int>(sizeof(Map)));
    // Physical button 1 producing logical button 3 is the left-handed setting.
    return Count >= 3 && Map[0] == 3;
  }
#endif
  return false;
}

void TQvDemoSystemInput::SetCursorVisible(bool Visible) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (!Visible) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    ++FHiddenCount;
  } else if (FHiddenCount > 0) {
    QGuiApplication::restoreOverrideCursor();
    --FHiddenCount;
  }
}

QPoint TQvDemoSystemInput::PointerPos() { return UsesXTest() && qGuiApp ? QCursor::pos() : FPos; }

// ---- synthesised input ----

QWindow* TQvDemoSystemInput::TargetWindow(const QPoint& Pos) const {
  // While a button is held the window that took the press gets everything, as with a pointer grab.
  if (FButtons && FGrab) return FGrab;
  if (QWidget* Popup = QApplication::activePopupWidget()) return Popup->windowHandle();
  QWindow* Found = nullptr;
  for (QWidget* Top : QApplication::topLevelWidgets()) {
    if (!Top->isVisible() || !Top->windowHandle() || !Top->frameGeometry().contains(Pos)) continue;
    QWindow* Win = Top->windowHandle();
    // A modal window lies above the windows it blocks.
    if (!Found || Win->isModal() || (Win == QGuiApplication::focusWindow() && !Found->isModal()))
      Found = Win;
  }
  return Found;
}

void TQvDemoSystemInput::SendSynthesised(int Type, const QPoint& Pos, Qt::MouseButton Button) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  QWindow* Win = TargetWindow(Pos);
  Qt::MouseButtons After = FButtons;
  if (Type == QEvent::MouseButtonPress) After |= Button;
  if (Type == QEvent::MouseButtonRelease) After &= ~Qt::MouseButtons(Button);
  if (Type == QEvent::MouseButtonPress && !FButtons) FGrab = Win;
  FButtons = After;
  if (!After) FGrab = nullptr;
  if (!Win) return;
  const QPointF Local = Win->mapFromGlobal(QPointF(Pos));
  QMouseEvent Event(static_cast<QEvent::Type>(Type), Local, Local, QPointF(Pos), Button, After, Qt::NoModifier);
  QCoreApplication::sendEvent(Win, &Event);
}
