// An editor for the geometry tools' tests: the graphics editor with its main window and tool
// panel, the rotate, resize and crop tools in their places, and a photo made by the test opened
// at actual size in an offscreen view.
#pragma once

#include "QvApplication.h"
#include "QvCrop2Tool.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvResizeTool.h"
#include "QvRotateTool.h"
#include "QvTestSupport.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <vector>

// The document's images and its area: what an undo of a geometry step must give back bit for bit.
struct TDocumentPicture {
  QvTest::TDocumentSnapshot Images;
  TRect Area;
  friend bool operator==(const TDocumentPicture&, const TDocumentPicture&) = default;
};
TDocumentPicture Picture(const TQvGraphicsDocument& Doc);

// A W × H picture where every pixel differs from its neighbours (so a wrong turn shows).
QImage MakePattern(int W, int H);

class GeometryWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes Image as Name (its format from the extension) in the test's folder and opens it at 1:1.
  void OpenImage(const QImage& Image, const QString& Name = QStringLiteral("photo.png"));
  void Open(const QString& FileName);
  // Pointer steps on the view at image points.
  void Press(const TPoint& P, TQvMouseButton Button = TQvMouseButton::mbLeft);
  void Move(const TPoint& P);
  void Release(const TPoint& P, TQvMouseButton Button = TQvMouseButton::mbLeft);
  void Key(int Key);
  QString Path(const QString& Name) const { return Dir.filePath(Name); }

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Dir;
  QStringList Messages;  // every message box shown
  TQvGraphicsDocument* Doc = nullptr;
  TQvGraphicsView* View = nullptr;
};
