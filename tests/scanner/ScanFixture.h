// The editor with its scanner component against the scanner stack's own test backend: a private
// configuration folder whose dll.conf names only "test", a private folder for transfer files, and
// the reference pictures that scanimage makes of the same device with the same options.
#pragma once

#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvTWAIN.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// Readable failures for texts and lists of texts.
inline void PrintTo(const QString& Text, std::ostream* Out) { *Out << '"' << Text.toStdString() << '"'; }
inline void PrintTo(const QStringList& List, std::ostream* Out) { *Out << List.join(QStringLiteral(" | ")).toStdString(); }

// A PNM picture as 8-bit RGB (16-bit samples keep their high byte; line art: set bits black).
struct TPnm {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgb;
  // Parses P4, P5 or P6; false for anything else.
  bool Parse(const QByteArray& Data);
};

class ScanWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The test backend's configuration: Lines after two devices and the colour pattern.
  void Configure(const QStringList& Lines = {});
  // File › Import › Source: the submenu is filled as it opens and the item chosen.
  bool ChooseImportItem(const QString& Source);
  // Waits for the dialog's options, sets mode and resolution and presses Scan.
  bool PressScan(bool Colour, double Dpi);
  // Waits until no acquisition runs.
  bool WaitUntilIdle();
  // scanimage's picture of the device with these options.
  bool Reference(const QString& Device, const QStringList& Options, TPnm& Picture);
  QStringList TransferFiles() const;

  std::unique_ptr<TQvApplication> App;
  QTemporaryDir Config;
  QTemporaryDir Transfer;
  QStringList Messages;  // every message box, in order
  int MessageAnswer = QvMB::IDNO;
};
