// Shared pieces of the printing tests: a document of a given size and resolution, an application
// whose message boxes are answered and recorded, and the Print dialog over a printer.
#pragma once

#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsPrintForm.h"
#include "QvPrinter.h"

#include <gtest/gtest.h>

#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A black image of Width × Height pixels stored at that resolution (0: none stored).
std::unique_ptr<TQvGraphicsDocument> MakeDocument(int Width, int Height, int ResolutionX, int ResolutionY);

// A message box as it was asked.
struct TAsked {
  QString Text;
  QString Caption;
  int Flags = 0;
};

class PrintWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A dialog over Printer for Doc, as the print command makes it.
  std::unique_ptr<TQvGraphicsPrintForm> OpenDialog(TQvPrinter& Printer, TQvGraphicsDocument* Doc);

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Dir;
  std::vector<TAsked> Asked;
  int Answer = QvMB::IDNO;  // what every message box answers
};
