#include "RealPointer.h"

#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

TRealPointer::TRealPointer() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
    XCloseDisplay(display);
    return;
  }
  FDisplay = display;
}

TRealPointer::~TRealPointer() {
  if (FDisplay) XCloseDisplay(FDisplay);
}

void TRealPointer::MoveTo(const QPoint& screen) {
  if (!FDisplay) return;
  XTestFakeMotionEvent(FDisplay, -1, screen.x(), screen.y(), CurrentTime);
  XFlush(FDisplay);
}

void TRealPointer::Press(int button) {
  if (!FDisplay) return;
  XTestFakeButtonEvent(FDisplay, unsigned(button), True, CurrentTime);
  XFlush(FDisplay);
}

void TRealPointer::Release(int button) {
  if (!FDisplay) return;
  XTestFakeButtonEvent(FDisplay, unsigned(button), False, CurrentTime);
  XFlush(FDisplay);
}

void TRealPointer::Click(const QPoint& screen, int button) {
  MoveTo(screen);
  Press(button);
  Release(button);
}

void TRealPointer::Drag(const std::vector<QPoint>& path, int button) {
  if (!FDisplay || path.empty()) return;
  XTestFakeMotionEvent(FDisplay, -1, path.front().x(), path.front().y(), CurrentTime);
  XTestFakeButtonEvent(FDisplay, unsigned(button), True, CurrentTime);
  for (const QPoint& p : path) XTestFakeMotionEvent(FDisplay, -1, p.x(), p.y(), CurrentTime);
  XTestFakeButtonEvent(FDisplay, unsigned(button), False, CurrentTime);
  XFlush(FDisplay);
}

void TRealPointer::Key(unsigned long keysym) {
  if (!FDisplay) return;
  const KeyCode code = XKeysymToKeycode(FDisplay, keysym);
  XTestFakeKeyEvent(FDisplay, code, True, CurrentTime);
  XTestFakeKeyEvent(FDisplay, code, False, CurrentTime);
  XFlush(FDisplay);
}

QPoint TRealPointer::Position() const {
  if (!FDisplay) return {};
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned int mask = 0;
  XQueryPointer(FDisplay, DefaultRootWindow(FDisplay), &root, &child, &rootX, &rootY, &x, &y, &mask);
  return QPoint(rootX, rootY);
}

QPoint SliderHandleCentre(QSlider* slider) {
  QStyleOptionSlider option;
  option.initFrom(slider);
  option.orientation = slider->orientation();
  option.minimum = slider->minimum();
  option.maximum = slider->maximum();
  option.sliderPosition = slider->sliderPosition();
  option.sliderValue = slider->value();
  const QRect handle =
      slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
  return slider->mapToGlobal(handle.center());
}
