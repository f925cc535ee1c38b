#pragma once
// The real pointer of the X display the test runs on, driven through XTest on a connection of its
// own: what the program receives is what a user's mouse would send, including the motion events
// the toolkit merges when they arrive faster than it reads them.

#include <QPoint>

#include <vector>

struct _XDisplay;
class QSlider;

// The screen centre of the slider's handle, where a user grabs it.
QPoint SliderHandleCentre(QSlider* slider);

class TRealPointer {
public:
  TRealPointer();
  ~TRealPointer();
  TRealPointer(const TRealPointer&) = delete;
  TRealPointer& operator=(const TRealPointer&) = delete;

  // False without an X display or without the XTest extension.
  bool Ok() const { return FDisplay != nullptr; }

  // Screen coordinates. Each call is flushed to the server at once; the program sees the events
  // once its event loop runs.
  void MoveTo(const QPoint& screen);
  void Press(int button = 1);
  void Release(int button = 1);
  void Click(const QPoint& screen, int button = 1);
  // Press at the first point, move through the others without pausing, release at the last.
  void Drag(const std::vector<QPoint>& path, int button = 1);
  // Presses and releases the key of an X keysym (XK_Return, XK_Escape...) on the focused window.
  void Key(unsigned long keysym);
  // Where the server has the pointer now.
  QPoint Position() const;

private:
  _XDisplay* FDisplay = nullptr;
};
