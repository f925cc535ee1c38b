// An editor for the red-eye tests: the application object, the graphics editor with its main
// window, the tool panel and the red-eye tool as the default tool, and the sample photograph open
// at actual size in an offscreen view.
#pragma once

#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvRedEyeTool.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <string>
#include <memory>
#include <vector>

// The sample's two red pupils.
inline constexpr TPoint LeftPupil{82, 81};
inline constexpr TPoint RightPupil{232, 33};

QString SamplePath();
// Pixels of Rect in P as bytes, row by row.
std::vector<uint8_t> Snapshot(const TQvPixels& P, const TRect& Rect);
std::vector<uint8_t> Snapshot(const TQvPixels& P);

// A program run as a separate process: its exit code (-1 when it did not finish within two
// minutes, -2 when it crashed) and what it wrote.
struct TRun {
  int Code = -1;
  QByteArray Out;
  QByteArray Err;
};
TRun RunProgram(const QString& Program, const QStringList& Args);
// ocuvane-cli from the folder the tests were built in.
TRun RunCli(const QStringList& Args);
QByteArray FileBytes(const QString& Name);

class RedEyeWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens FileName in the editor, shown at 1:1 in a main window large enough for the sample.
  void Open(const QString& FileName);
  // A press of Button on the view over image point P.
  void Click(const TPoint& P, TQvMouseButton Button = TQvMouseButton::mbLeft);
  // The red-eye state at history index I (nullptr when it is another kind).
  TQvRedEyeCommandState* RedEyeState(int I) const;

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Dir;
  TQvRedEyeTool* Tool = nullptr;
  TQvGraphicsDocument* Doc = nullptr;
  TQvGraphicsView* View = nullptr;
};

class QImage;

// The first pixel where the PNG differs from the document's image, or "" when none does.
std::string FirstDifference(const QImage& Png, const TQvPixels& P);
