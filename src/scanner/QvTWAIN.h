// The scanner component: lists the scanners and cameras the system's scanner stack sees, runs an
// acquisition with its own small dialog on a session thread, and hands each image to the program
// as a file. Three layers: the kernel keeps the stack and the session, the interface layer the
// operations, the component the properties, events, dialog and settings.
#pragma once

#include "QvImageAcquisition.h"
#include "QvModules.h"
#include "QvSaneLibrary.h"
#include "QvScanOptions.h"
#include "QvTWAINThread.h"

#include <QList>
#include <QMap>
#include <QPointer>

#include <cstdint>
#include <memory>

class TQvScanDialog;

class TQvTWAINKernel : public TQvModule {
  Q_OBJECT

 public:
  // The stack library to load (empty: OCUVANE_SANE_LIBRARY, else "libsane.so.1"). Takes effect
  // for the next listing or acquisition when none runs.
  void SetLibraryPath(const QString& Path);
  // Where transfer files are made (empty: the user's temporary folder).
  QString TransferFolder;

 protected:
  TQvTWAINKernel();
  ~TQvTWAINKernel() override;
  // The stack, loaded on first use; nullptr when it cannot be had.
  TQvSaneLibrary* Library();

  struct TSource {
    QString Name;        // vendor and model, as the user reads it
    QString DeviceName;  // the stack's name, for opening
  };
  QList<TSource> FSources;  // the last listing
  std::unique_ptr<TQvTWAINThread> FSession;
  std::uint64_t FSessionSerial = 0;  // events of older sessions are dropped

 private:
  QString FLibraryPath;
  std::unique_ptr<TQvSaneLibrary> FLibrary;
};

class TQvTWAINIntf : public TQvTWAINKernel {
  Q_OBJECT

 public:
  // The sources in the stack's order; the stack is opened for the listing and closed again. While
  // an acquisition runs the last listing is given, so the session's device is left alone.
  void ListSources(QStringList& List);
  // The stack's name of a listed source (or SourceName itself when it is one); the first source's
  // for an empty name; empty when there is none.
  QString DeviceNameOf(const QString& SourceName);
  // The name the user reads for a device.
  QString SourceNameOf(const QString& DeviceName) const;
};

class TQvTWAIN : public TQvTWAINIntf, public IQvImageAcquisition {
  Q_OBJECT

 public:
  TQvTWAIN();
  ~TQvTWAIN() override;

  void GetSourceList(QStringList& List) override { ListSources(List); }
  bool Acquire(const QString& SourceName) override;
  bool Acquiring() const override { return FSession != nullptr; }
  void CancelAcquisition() override;
  void SetXferMech(int Value) override { XferMech = Value; }
  void SetFileFormat(int Value) override { FileFormat = Value; }
  void SetReturnHandle(bool Value) override { ReturnHandle = Value; }
  void SetLogToFile(bool Value) override { LogToFile = Value; }
  QString Filename() const override { return FFilename; }

  void Localize() override;
  // One node: the last choices for each device the user scanned from.
  void LoadSettings(TQvSDFReader& Reader) override;
  void SaveSettings(TQvSDFWriter& Writer) override;

  // The open acquisition dialog, or nullptr.
  TQvScanDialog* Dialog() const;
  // The last choices for a device (by the stack's name), or nullptr.
  const TQvScanChoices* RememberedChoices(const QString& DeviceName) const;

  int XferMech = 1;     // files
  int FileFormat = 2;   // BMP
  bool ReturnHandle = false;
  bool LogToFile = false;

  // Remembered devices kept in the settings, at most.
  static constexpr int MaxRememberedDevices = 32;

 private:
  void SessionOptionsReady(std::uint64_t Serial, const TQvDeviceOptions& Options);
  void SessionProgress(std::uint64_t Serial, int Percent);
  void SessionImageReady(std::uint64_t Serial, const QString& FileName);
  void SessionFinished(std::uint64_t Serial, const TQvScanMessage& Error);
  // Ends the session object and the dialog, then tells the program the acquisition is over.
  void EndSession();

  QString FFilename;
  QString FDeviceName;  // of the running acquisition
  QMap<QString, TQvScanChoices> FRemembered;
  QPointer<TQvScanDialog> FDialog;
};

extern TQvTWAIN* TWAINComponent;
