#pragma once
// The hand tool: while it is active, dragging with the left button moves the image inside the
// view. It has no button: holding the space bar in a view makes it the active tool until the key
// is released. Its controls also turn the main keyboard's plus and minus keys into zoom commands,
// whichever tool is active.

#include "QvGraphicsTool.h"

class TQvScrollTool : public TQvGraphicsTool {
  Q_OBJECT

 public:
  // Created by the graphics editor during its own construction, so it is the first tool.
  TQvScrollTool();
  ~TQvScrollTool() override;

 protected:
  // Eats the keyboard's auto-repeat of the space bar, so a held key does not switch back and forth.
  bool eventFilter(QObject* Watched, QEvent* Event) override;
};

class TQvScrollToolControl : public TQvGraphicsToolControl {
 public:
  TQvScrollToolControl(TQvGraphicsTool* Tool, TQvGraphicsView* View);

  void Setup() override;
  void Deactivate() override;
  bool GetCursor(TQvShiftState Shift, const TPoint& Point, int& CursorId) override;
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseMove(TQvShiftState Shift, const TPoint& Point) override;
  bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool KeyDown(int Key, TQvShiftState Shift) override;
  bool KeyUp(int Key, TQvShiftState Shift) override;

  bool FDragging = false;
  TPoint FLastPoint;                        // window point of the drag so far
  QPointer<TQvGraphicsTool> FPreviousTool;  // active when the space bar went down
};

extern TQvScrollTool* ScrollTool;
