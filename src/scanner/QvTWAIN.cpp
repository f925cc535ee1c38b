#include "QvTWAIN.h"

#include "QvGuid.h"
#include "QvLocalizer.h"
#include "QvScanDialog.h"
#include "QvSDF.h"
#include "QvTwnFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <QSet>
#include <QWidget>

#include <cmath>

TQvTWAIN* TWAINComponent = nullptr;

namespace {

// Settings values in thousandths, so resolutions and millimetres survive as integers.
std::int32_t Milli(double V) { return static_cast<std::int32_t>(std::lround(std::clamp(V, -2e6, 2e6) * 1000)); }
double FromMilli(std::int32_t V) { return V / 1000.0; }

}  // namespace

// ---- kernel ----

TQvTWAINKernel::TQvTWAINKernel() = default;
TQvTWAINKernel::~TQvTWAINKernel() = default;

void TQvTWAINKernel::SetLibraryPath(const QString& Path) {
  if (FSession) return;
  FLibraryPath = Path;
  FLibrary.reset();
  FSources.clear();
}

TQvSaneLibrary* TQvTWAINKernel::Library() {
  if (!FLibrary) FLibrary = std::make_unique<TQvSaneLibrary>(FLibraryPath);
  return FLibrary->Load() ? FLibrary.get() : nullptr;
}

// ---- operations ----

void TQvTWAINIntf::ListSources(QStringList& List) {
  List.clear();
  TQvSaneLibrary* Lib = FSession ? nullptr : Library();
  if (Lib) {
    FSources.clear();
    if (Lib->Init(nullptr, nullptr) == SANE_STATUS_GOOD) {
      const SANE_Device** Devices = nullptr;
      if (Lib->GetDevices(&Devices, SANE_FALSE) == SANE_STATUS_GOOD && Devices) {
        for (int I = 0; I < 1000 && Devices[I]; ++I) {
          const SANE_Device* D = Devices[I];
          if (!D->name || !*D->name) break;
          TSource S;
          S.DeviceName = QString::fromUtf8(D->name);
          S.Name = (QString::fromUtf8(D->vendor ? D->vendor : "") + QLatin1Char(' ') +
                    QString::fromUtf8(D->model ? D->model : ""))
                       .simplified();
          if (S.Name.isEmpty()) S.Name = S.DeviceName;
          FSources.append(S);
        }
      }
      Lib->Exit();
    }
    // Two devices of one model would read the same: their stack names tell them apart.
    QMap<QString, int> Uses;
    for (const TSource& S : FSources) ++Uses[S.Name];
    for (TSource& S : FSources)
      if (Uses[S.Name] > 1) S.Name += QStringLiteral(" (") + S.DeviceName + QLatin1Char(')');
  } else if (!FSession) {
    FSources.clear();
  }
  for (const TSource& S : FSources) List.append(S.Name);
}

QString TQvTWAINIntf::DeviceNameOf(const QString& SourceName) {
  if (FSources.isEmpty()) {
    QStringList Ignored;
    ListSources(Ignored);
  }
  if (SourceName.isEmpty()) return FSources.isEmpty() ? QString() : FSources.first().DeviceName;
  for (const TSource& S : FSources)
    if (S.Name == SourceName || S.DeviceName == SourceName) return S.DeviceName;
  return QString();
}

QString TQvTWAINIntf::SourceNameOf(const QString& DeviceName) const {
  for (const TSource& S : FSources)
    if (S.DeviceName == DeviceName) return S.Name;
  return DeviceName;
}

// ---- component ----

TQvTWAIN::TQvTWAIN() {
  // Quitting with a scan under way: cancelled and its file removed before the settings are written.
  if (QCoreApplication::instance())
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { CancelAcquisition(); });
}

TQvTWAIN::~TQvTWAIN() {
  OnImageReady = nullptr;
  OnEnableMenus = nullptr;
  OnDisableMenus = nullptr;
  CancelAcquisition();
  if (TWAINComponent == this) TWAINComponent = nullptr;
}

bool TQvTWAIN::Acquire(const QString& SourceName) {
  // Only file transfers in BMP are made here; the editor asks for nothing else.
  if (FSession || (XferMech != QvXferMech::Files && XferMech != QvXferMech::Files2) ||
      FileFormat != QvTwnFileFormat::Bmp)
    return false;
  TQvSaneLibrary* Lib = Library();
  if (!Lib) return false;
  const QString Device = DeviceNameOf(SourceName);
  if (Device.isEmpty()) return false;

  FDeviceName = Device;
  const std::uint64_t Serial = ++FSessionSerial;
  // Every event crosses to this object's thread; one that arrives after its session ended finds
  // another serial and is dropped.
  QPointer<TQvTWAIN> Self(this);
  TQvTWAINThread::TEvents Events;
  Events.OptionsReady = [Self, Serial](const TQvDeviceOptions& Options) {
    QMetaObject::invokeMethod(Self.data(), [Self, Serial, Options] {
      if (Self) Self->SessionOptionsReady(Serial, Options);
    }, Qt::QueuedConnection);
  };
  Events.Progress = [Self, Serial](int Percent) {
    QMetaObject::invokeMethod(Self.data(), [Self, Serial, Percent] {
      if (Self) Self->SessionProgress(Serial, Percent);
    }, Qt::QueuedConnection);
  };
  Events.ImageReady = [Self, Serial](const QString& FileName) {
    QMetaObject::invokeMethod(Self.data(), [Self, Serial, FileName] {
      if (Self) Self->SessionImageReady(Serial, FileName);
    }, Qt::QueuedConnection);
  };
  Events.Finished = [Self, Serial](const TQvScanMessage& Error, bool) {
    QMetaObject::invokeMethod(Self.data(), [Self, Serial, Error] {
      if (Self) Self->SessionFinished(Serial, Error);
    }, Qt::QueuedConnection);
  };
  FSession = std::make_unique<TQvTWAINThread>(*Lib, Device, TransferFolder, std::move(Events));

  FDialog = new TQvScanDialog(Application ? Application->MainForm() : nullptr, SourceNameOf(Device));
  FDialog->OnScan = [this, Serial](const TQvScanChoices& Choices) {
    if (Serial != FSessionSerial || !FSession) return;
    FRemembered[FDeviceName] = Choices;
    FSession->Scan(Choices);
  };
  FDialog->OnCancel = [this, Serial] {
    // The session ends by itself and reports; the program goes on meanwhile.
    if (Serial == FSessionSerial && FSession) FSession->Cancel();
  };
  if (OnDisableMenus) OnDisableMenus(this);
  FSession->Start();
  FDialog->show();
  return true;
}

void TQvTWAIN::SessionOptionsReady(std::uint64_t Serial, const TQvDeviceOptions& Options) {
  if (Serial != FSessionSerial || !FDialog) return;
  FDialog->ShowOptions(Options, RememberedChoices(Options.DeviceName));
}

void TQvTWAIN::SessionProgress(std::uint64_t Serial, int Percent) {
  if (Serial == FSessionSerial && FDialog) FDialog->ShowProgress(Percent);
}

void TQvTWAIN::SessionImageReady(std::uint64_t Serial, const QString& FileName) {
  if (Serial != FSessionSerial || !FSession || !FSession->ClaimFile(FileName)) return;
  FFilename = FileName;
  if (OnImageReady) OnImageReady(this, nullptr);
  // Whoever took the image has its pixels now; an image nobody took is not left behind either.
  if (QFile::exists(FileName)) QFile::remove(FileName);
  FFilename.clear();
}

void TQvTWAIN::SessionFinished(std::uint64_t Serial, const TQvScanMessage& Error) {
  if (Serial != FSessionSerial || !FSession) return;
  EndSession();
  if (Error.IsSet() && Application) Application->MessageBox(Error.Text(), QvMB::MB_OK | QvMB::MB_ICONERROR);
}

void TQvTWAIN::CancelAcquisition() {
  if (!FSession) return;
  FSession->Cancel();
  EndSession();
}

void TQvTWAIN::EndSession() {
  ++FSessionSerial;
  // Waits for the thread (it has closed the device and the stack) and removes a file nobody took.
  std::unique_ptr<TQvTWAINThread> Session = std::move(FSession);
  Session.reset();
  if (FDialog) {
    FDialog->hide();
    FDialog->deleteLater();
    FDialog = nullptr;
  }
  if (OnEnableMenus) OnEnableMenus(this);
}

TQvScanDialog* TQvTWAIN::Dialog() const { return FDialog.data(); }

const TQvScanChoices* TQvTWAIN::RememberedChoices(const QString& DeviceName) const {
  const auto It = FRemembered.constFind(DeviceName);
  return It == FRemembered.constEnd() ? nullptr : &It.value();
}

void TQvTWAIN::Localize() {
  if (FDialog) FDialog->Localize();
}

void TQvTWAIN::LoadSettings(TQvSDFReader& Reader) {
  if (!Reader.EnterNode(1, QvSettingsGuid::TWAIN)) return;
  std::int32_t Count = 0;
  Reader.ReadInteger(1, Count);
  for (std::int32_t I = 0; I < std::min(Count, MaxRememberedDevices); ++I) {
    if (!Reader.EnterNode(static_cast<std::uint32_t>(100 + I))) continue;
    QString Device;
    TQvScanChoices C;
    std::int32_t Resolution = 0;
    std::int32_t Edges[4] = {};
    Reader.ReadWideString(1, Device);
    Reader.ReadBoolean(2, C.Colour);
    Reader.ReadInteger(3, Resolution);
    Reader.ReadBoolean(4, C.HasArea);
    for (int E = 0; E < 4; ++E) Reader.ReadInteger(static_cast<std::uint32_t>(5 + E), Edges[E]);
    Reader.LeaveNode();
    // A damaged entry (no device, negative numbers) is dropped; the dialog clamps the rest.
    if (Device.isEmpty() || Resolution < 0) continue;
    C.Resolution = FromMilli(Resolution);
    C.Left = FromMilli(Edges[0]);
    C.Top = FromMilli(Edges[1]);
    C.Right = FromMilli(Edges[2]);
    C.Bottom = FromMilli(Edges[3]);
    if (C.HasArea && (C.Left < 0 || C.Top < 0 || C.Right <= C.Left || C.Bottom <= C.Top)) C.HasArea = false;
    FRemembered.insert(Device, C);
  }
  Reader.LeaveNode();
}

void TQvTWAIN::SaveSettings(TQvSDFWriter& Writer) {
  Writer.BeginNode(1, QvSettingsGuid::TWAIN);
  const int Count = std::min<int>(static_cast<int>(FRemembered.size()), MaxRememberedDevices);
  Writer.WriteInteger(1, Count);
  int I = 0;
  for (auto It = FRemembered.constBegin(); It != FRemembered.constEnd() && I < Count; ++It, ++I) {
    const TQvScanChoices& C = It.value();
    Writer.BeginNode(static_cast<std::uint32_t>(100 + I), static_cast<std::int32_t>(I));
    Writer.WriteWideString(1, It.key());
    Writer.WriteBoolean(2, C.Colour);
    Writer.WriteInteger(3, Milli(C.Resolution));
    Writer.WriteBoolean(4, C.HasArea);
    const double Edges[4] = {C.Left, C.Top, C.Right, C.Bottom};
    for (int E = 0; E < 4; ++E) Writer.WriteInteger(static_cast<std::uint32_t>(5 + E), Milli(Edges[E]));
    Writer.EndNode();
  }
  Writer.EndNode();
}
