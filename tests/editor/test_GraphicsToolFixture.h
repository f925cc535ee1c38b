// A small editor for the tool tests: the application object, the graphics editor (with its hand
// tool), the original-image tool and a pen tool that writes solid rectangles, with one image open
// in an offscreen view.
#pragma once

#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsTool.h"
#include "QvGraphicsView.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a control saw, in order ("KeyDown 32", "MouseDown 0 (5, 6)", ...).
using TEventLog = std::vector<std::string>;

class TPenControl : public TQvGraphicsToolControl {
 public:
  TPenControl(TQvGraphicsTool* Tool, TQvGraphicsView* View) : TQvGraphicsToolControl(Tool, View) {}
  void Setup() override { ++SetupCalls; }
  bool MouseDown(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool MouseMove(TQvShiftState Shift, const TPoint& Point) override;
  bool MouseUp(TQvMouseButton Button, TQvShiftState Shift, const TPoint& Point) override;
  bool KeyDown(int Key, TQvShiftState Shift) override;
  bool KeyUp(int Key, TQvShiftState Shift) override;

  int SetupCalls = 0;
  TEventLog* Log = nullptr;
};

// Writes solid rectangles of one colour into the current image, one stroke per change; while
// active, a left-button drag in the view paints a 3 × 3 square at every point.
class TPenTool : public TQvGraphicsTool {
 public:
  TPenTool() { SetControlClass<TPenControl>(); FDemoName = "Pen"; }

  // Begins a change on View when none is under way, fills Rect with Value and reports it.
  void Stroke(TQvGraphicsView* View, const TRect& Rect, uint8_t Value, bool Replace = false);
  void ImageChanged(TQvGraphicsDocument* Document, IQvGraphicsToolEvents* Tool, const TRect& Rect) override {
    Heard.push_back({Document, Tool, Rect});
  }

  struct TImageChange {
    TQvGraphicsDocument* Document;
    IQvGraphicsToolEvents* Tool;
    TRect Rect;
  };
  std::vector<TImageChange> Heard;
  TEventLog Log;
};

class ToolWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens a Width × Height image whose pixels follow a pattern (so no two neighbours match), shown
  // at actual size in a main window of the given size.
  void Open(int Width, int Height, int WindowWidth = 500, int WindowHeight = 400);

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Dir;
  TPenTool* Pen = nullptr;
  TPenTool* Pen2 = nullptr;
  TQvGraphicsDocument* Doc = nullptr;
  TQvGraphicsView* View = nullptr;
};

// The pattern byte Open writes at (X, Y), channel C.
uint8_t PatternByte(int32_t X, int32_t Y, int C);
// Pixels of Rect in P as bytes, row by row (for bit-exact comparisons).
std::vector<uint8_t> Snapshot(const TQvPixels& P, const TRect& Rect);
std::vector<uint8_t> Snapshot(const TQvPixels& P);
