// The desktop's own pointer for demonstrations. On an X display the pointer is driven through the
// XTest extension, so the program (and every other program) receives exactly what a user's mouse
// would send; elsewhere (the offscreen platform of the widget tests) mouse events are synthesised
// and delivered to the program's windows the way the platform would deliver them.
#pragma once

#include "QvDemoInputSink.h"

#include <QPointer>

#include <memory>

class QWindow;

class TQvDemoSystemInput : public IQvDemoInputSink {
 public:
  TQvDemoSystemInput();
  ~TQvDemoSystemInput() override;
  TQvDemoSystemInput(const TQvDemoSystemInput&) = delete;
  TQvDemoSystemInput& operator=(const TQvDemoSystemInput&) = delete;

  void MovePointer(const QPoint& Pos) override;
  void SendMouseButton(TQvDemoMouseButton Button, bool Down, const QPoint& Pos) override;
  // Read from the server's pointer mapping; the mapping itself is never touched.
  bool ButtonsSwapped() override;
  void SetCursorVisible(bool Visible) override;
  QPoint PointerPos() override;

  // Whether input goes through XTest (false: synthesised events).
  bool UsesXTest() const;

 private:
  // Synthesised input: the window that receives an event at Pos, as the platform would choose it.
  QWindow* TargetWindow(const QPoint& Pos) const;
  void SendSynthesised(int Type, const QPoint& Pos, Qt::MouseButton Button);

  struct TXTest;
  std::unique_ptr<TXTest> FXTest;
  QPoint FPos;                    // synthesised input: where the pointer is
  Qt::MouseButtons FButtons;      // synthesised input: the buttons held
  QPointer<QWindow> FGrab;        // synthesised input: the window that took the first press
  int FHiddenCount = 0;           // cursor hides not yet undone
};
