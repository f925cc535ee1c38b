// What a scanner offers for one acquisition, read from its option descriptors on the session
// thread, and what the user chose in the acquisition dialog.
#pragma once

#include <QList>
#include <QString>

// A numeric option's allowed values: a range with a step (0: any value) or a list.
struct TQvScanRange {
  double Min = 0;
  double Max = 0;
  double Quant = 0;
  QList<double> Values;  // not empty: only these
  bool Integer = false;  // the device takes whole numbers

  // The allowed value nearest to Value.
  double Nearest(double Value) const;
};

struct TQvDeviceOptions {
  QString DeviceName;  // the stack's name, used for opening
  // The device's own words for colour and grey scans; empty when it offers no such mode.
  QString ColourMode;
  QString GreyMode;
  bool CurrentIsColour = true;
  bool HasResolution = false;
  TQvScanRange Resolution;
  double CurrentResolution = 0;
  // The scan area (left, top, right, bottom), in millimetres or, when AreaInPixels, in pixels.
  bool HasArea = false;
  bool AreaInPixels = false;
  TQvScanRange AreaX;
  TQvScanRange AreaY;
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

struct TQvScanChoices {
  bool Colour = true;
  double Resolution = 0;  // 0: the device's own
  bool HasArea = false;
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};
