// One acquisition on its own thread: every call into the scanner stack for it is made here, from
// opening the stack to closing it, so the user interface never waits for the device. The thread
// reports through callbacks that run on it; the component forwards them to the user-interface
// thread.
#pragma once

#include "QvSaneLibrary.h"
#include "QvScanImage.h"
#include "QvScanOptions.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class TQvTWAINThread {
 public:
  // Called on the session thread, in this order: OptionsReady once the device is open, Progress
  // while the scan runs (percent), ImageReady for the finished transfer file, Finished last
  // (Error unset after a good scan or a cancel).
  struct TEvents {
    std::function<void(const TQvDeviceOptions& Options)> OptionsReady;
    std::function<void(int Percent)> Progress;
    std::function<void(const QString& FileName)> ImageReady;
    std::function<void(const TQvScanMessage& Error, bool Cancelled)> Finished;
  };

  // Library: loaded, outlives the session. Folder: where the transfer file goes (empty: the
  // user's temporary folder).
  TQvTWAINThread(TQvSaneLibrary& Library, const QString& DeviceName, const QString& Folder, TEvents Events);
  // Cancels, waits for the thread, and removes a transfer file nobody claimed.
  ~TQvTWAINThread();
  TQvTWAINThread(const TQvTWAINThread&) = delete;
  TQvTWAINThread& operator=(const TQvTWAINThread&) = delete;

  void Start();
  // The user's answer to OptionsReady: scan with these choices.
  void Scan(const TQvScanChoices& Choices);
  // Ends the session as soon as it can: before the scan it closes the device, during it the thread
  // cancels the scan at the next block of data. Any thread.
  void Cancel();
  bool Cancelled() const { return FCancelled; }
  // Waits for the thread to end.
  void Wait();
  // The receiver takes over the transfer file ImageReady named; false when the session has already
  // dropped it (a cancel came first).
  bool ClaimFile(const QString& FileName);

 private:
  void Run();
  bool OpenDevice(TQvScanMessage& Error);
  void ReadOptions(TQvDeviceOptions& Options);
  void ApplyChoices(const TQvScanChoices& Choices);
  // Scans one picture into Image; false on an error (Error set) or a cancel (Error unset).
  bool ScanImage(TQvScanImage& Image, double& Dpi, TQvScanMessage& Error);
  bool Deliver(const TQvScanImage& Image, double Dpi, TQvScanMessage& Error);
  int FindOption(const char* Name, const SANE_Option_Descriptor** Descriptor);
  bool SetNumber(const char* Name, double Value);
  bool GetNumber(int Index, const SANE_Option_Descriptor* D, double& Value);

  TQvSaneLibrary& FLib;
  const QString FDeviceName;
  const QString FFolder;
  TEvents FEvents;
  std::thread FThread;
  SANE_Handle FHandle = nullptr;
  QString FColourMode;  // the device's words for the two modes
  QString FGreyMode;

  std::mutex FLock;
  std::condition_variable FWake;
  std::optional<TQvScanChoices> FChoices;  // guarded by FLock
  QString FUnclaimedFile;                  // guarded by FLock
  std::atomic<bool> FCancelled{false};
};
