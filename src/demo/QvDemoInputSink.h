// What a demonstration does to the desktop's pointer: moves it, presses its buttons and hides it.
// The playback engine provides the real implementation; tests record the calls.
#pragma once

#include <QPoint>

enum class TQvDemoMouseButton { Left, Right };

class IQvDemoInputSink {
 public:
  virtual ~IQvDemoInputSink() = default;
  // Moves the system pointer to a screen position in pixels.
  virtual void MovePointer(const QPoint& Pos) = 0;
  // Presses or releases a physical button at Pos (the caller has already applied swapped buttons).
  virtual void SendMouseButton(TQvDemoMouseButton Button, bool Down, const QPoint& Pos) = 0;
  // Whether the user has exchanged the primary and secondary buttons in the system settings.
  virtual bool ButtonsSwapped() = 0;
  virtual void SetCursorVisible(bool Visible) = 0;
  // Where the system pointer is now (the playback starts from there).
  virtual QPoint PointerPos() { return QPoint(); }
};
