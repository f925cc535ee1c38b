#include "QvTWAINThread.h"

#include "QvTwnFile.h"

#include <sane/saneopts.h>
#include <unistd.h>

#include <QFile>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int ReadBlock = 64 * 1024;

bool Usable(const SANE_Option_Descriptor* D) {
  return D && SANE_OPTION_IS_ACTIVE(D->cap) && SANE_OPTION_IS_SETTABLE(D->cap);
}

bool IsNumeric(const SANE_Option_Descriptor* D) {
  return (D->type == SANE_TYPE_INT || D->type == SANE_TYPE_FIXED) && D->size >= static_cast<SANE_Int>(sizeof(SANE_Word));
}

double FromWord(const SANE_Option_Descriptor* D, SANE_Word W) {
  return D->type == SANE_TYPE_FIXED ? SANE_UNFIX(W) : static_cast<double>(W);
}

SANE_Word ToWord(const SANE_Option_Descriptor* D, double V) {
  return D->type == SANE_TYPE_FIXED ? SANE_FIX(V) : static_cast<SANE_Word>(std::lround(V));
}

TQvScanRange RangeOf(const SANE_Option_Descriptor* D) {
  TQvScanRange R;
  R.Integer = D->type == SANE_TYPE_INT;
  if (D->constraint_type == SANE_CONSTRAINT_RANGE && D->constraint.range) {
    R.Min = FromWord(D, D->constraint.range->min);
    R.Max = FromWord(D, D->constraint.range->max);
    R.Quant = FromWord(D, D->constraint.range->quant);
  } else if (D->constraint_type == SANE_CONSTRAINT_WORD_LIST && D->constraint.word_list) {
    // The first word counts the values after it; a list that claims absurd lengths is cut short.
    const SANE_Int Count = std::min<SANE_Int>(D->constraint.word_list[0], 1024);
    for (SANE_Int I = 1; I <= Count; ++I) R.Values.append(FromWord(D, D->constraint.word_list[I]));
    if (!R.Values.isEmpty()) {
      R.Min = *std::min_element(R.Values.begin(), R.Values.end());
      R.Max = *std::max_element(R.Values.begin(), R.Values.end());
    }
  } else {
    R.Min = 0;
    R.Max = 1e6;
  }
  return R;
}

bool Contains(const char* Text, const char* Word) {
  return QString::fromUtf8(Text).contains(QLatin1String(Word), Qt::CaseInsensitive);
}

}  // namespace

TQvTWAINThread::TQvTWAINThread(TQvSaneLibrary& Library, const QString& DeviceName, const QString& Folder,
                               TEvents Events)
    : FLib(Library), FDeviceName(DeviceName), FFolder(Folder), FEvents(std::move(Events)) {}

TQvTWAINThread::~TQvTWAINThread() {
  Cancel();
  Wait();
  if (!FUnclaimedFile.isEmpty()) QFile::remove(FUnclaimedFile);
}

void TQvTWAINThread::Start() { FThread = std::thread([this] { Run(); }); }

void TQvTWAINThread::Scan(const TQvScanChoices& Choices) {
  {
    std::lock_guard<std::mutex> Guard(FLock);
    FChoices = Choices;
  }
  FWake.notify_all();
}

void TQvTWAINThread::Cancel() {
  {
    std::lock_guard<std::mutex> Guard(FLock);
    FCancelled = true;
  }
  FWake.notify_all();
}

void TQvTWAINThread::Wait() {
  if (FThread.joinable()) FThread.join();
}

bool TQvTWAINThread::ClaimFile(const QString& FileName) {
  std::lock_guard<std::mutex> Guard(FLock);
  if (FileName.isEmpty() || FUnclaimedFile != FileName) return false;
  FUnclaimedFile.clear();
  return true;
}

void TQvTWAINThread::Run() {
  TQvScanMessage Error;
  const SANE_Status Status = FLib.Init(nullptr, nullptr);
  if (Status != SANE_STATUS_GOOD) {
    Error = {5542, QStringLiteral("The scanner could not be opened: %s"), FLib.StatusText(Status)};
  } else {
    if (OpenDevice(Error)) {
      TQvDeviceOptions Options;
      ReadOptions(Options);
      if (FEvents.OptionsReady) FEvents.OptionsReady(Options);
      std::optional<TQvScanChoices> Choices;
      {
        std::unique_lock<std::mutex> Guard(FLock);
        FWake.wait(Guard, [this] { return FChoices.has_value() || FCancelled; });
        if (!FCancelled) Choices = FChoices;
      }
      if (Choices) {
        ApplyChoices(*Choices);
        TQvScanImage Image;
        double Dpi = 0;
        if (ScanImage(Image, Dpi, Error)) Deliver(Image, Dpi, Error);
      }
      FLib.Close(FHandle);
      FHandle = nullptr;
    }
    FLib.Exit();
  }
  if (FEvents.Finished) FEvents.Finished(Error, FCancelled && !Error.IsSet());
}

bool TQvTWAINThread::OpenDevice(TQvScanMessage& Error) {
  const QByteArray Name = FDeviceName.toUtf8();
  const SANE_Status Status = FLib.Open(Name.constData(), &FHandle);
  if (Status == SANE_STATUS_GOOD && FHandle) return true;
  FHandle = nullptr;
  Error = {5542, QStringLiteral("The scanner could not be opened: %s"), FLib.StatusText(Status)};
  return false;
}

int TQvTWAINThread::FindOption(const char* Name, const SANE_Option_Descriptor** Descriptor) {
  // Option 0 holds the number of options; it is read again because a device may change its set.
  SANE_Int Count = 0;
  const SANE_Option_Descriptor* First = FLib.GetOptionDescriptor(FHandle, 0);
  if (!First || First->type != SANE_TYPE_INT ||
      FLib.ControlOption(FHandle, 0, SANE_ACTION_GET_VALUE, &Count, nullptr) != SANE_STATUS_GOOD)
    return -1;
  for (SANE_Int I = 1; I < std::min<SANE_Int>(Count, 10000); ++I) {
    const SANE_Option_Descriptor* D = FLib.GetOptionDescriptor(FHandle, I);
    if (D && D->name && std::strcmp(D->name, Name) == 0) {
      *Descriptor = D;
      return I;
    }
  }
  return -1;
}

bool TQvTWAINThread::GetNumber(int Index, const SANE_Option_Descriptor* D, double& Value) {
  if (!IsNumeric(D) || D->size > 4096) return false;
  std::vector<SANE_Word> Words(static_cast<std::size_t>(D->size) / sizeof(SANE_Word));
  if (FLib.ControlOption(FHandle, Index, SANE_ACTION_GET_VALUE, Words.data(), nullptr) != SANE_STATUS_GOOD)
    return false;
  Value = FromWord(D, Words[0]);
  return true;
}

bool TQvTWAINThread::SetNumber(const char* Name, double Value) {
  const SANE_Option_Descriptor* D = nullptr;
  const int Index = FindOption(Name, &D);
  if (Index < 0 || !Usable(D) || !IsNumeric(D) || D->size > 4096) return false;
  // Options with several values (one per channel) all take the same.
  std::vector<SANE_Word> Words(static_cast<std::size_t>(D->size) / sizeof(SANE_Word), ToWord(D, Value));
  return FLib.ControlOption(FHandle, Index, SANE_ACTION_SET_VALUE, Words.data(), nullptr) == SANE_STATUS_GOOD;
}

void TQvTWAINThread::ReadOptions(TQvDeviceOptions& Options) {
  Options.DeviceName = FDeviceName;
  const SANE_Option_Descriptor* D = nullptr;
  int Index = FindOption(SANE_NAME_SCAN_MODE, &D);
  if (Index >= 0 && Usable(D) && D->type == SANE_TYPE_STRING && D->constraint_type == SANE_CONSTRAINT_STRING_LIST &&
      D->constraint.string_list && D->size > 0 && D->size <= 4096) {
    for (int I = 0; I < 1024 && D->constraint.string_list[I]; ++I) {
      const char* Mode = D->constraint.string_list[I];
      // "Color Lineart" and "Color Halftone" are not what the colour choice means.
      const bool Plain = !Contains(Mode, "lineart") && !Contains(Mode, "halftone");
      if (Plain && Options.ColourMode.isEmpty() && (Contains(Mode, "color") || Contains(Mode, "colour")))
        Options.ColourMode = QString::fromUtf8(Mode);
      if (Plain && Options.GreyMode.isEmpty() && (Contains(Mode, "gray") || Contains(Mode, "grey")))
        Options.GreyMode = QString::fromUtf8(Mode);
    }
    std::vector<char> Current(static_cast<std::size_t>(D->size) + 1, 0);
    if (FLib.ControlOption(FHandle, Index, SANE_ACTION_GET_VALUE, Current.data(), nullptr) == SANE_STATUS_GOOD)
      Options.CurrentIsColour = !Options.ColourMode.isEmpty() && QString::fromUtf8(Current.data()) == Options.ColourMode;
  }
  Index = FindOption(SANE_NAME_SCAN_RESOLUTION, &D);
  if (Index >= 0 && Usable(D) && IsNumeric(D) && GetNumber(Index, D, Options.CurrentResolution)) {
    Options.HasResolution = true;
    Options.Resolution = RangeOf(D);
  }
  const char* const Corners[] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
  double* const Values[] = {&Options.Left, &Options.Top, &Options.Right, &Options.Bottom};
  Options.HasArea = true;
  for (int I = 0; I < 4; ++I) {
    Index = FindOption(Corners[I], &D);
    if (Index < 0 || !Usable(D) || !IsNumeric(D) || !GetNumber(Index, D, *Values[I])) {
      Options.HasArea = false;
      break;
    }
    if (I == 0) Options.AreaX = RangeOf(D);
    if (I == 1) Options.AreaY = RangeOf(D);
    Options.AreaInPixels = D->unit == SANE_UNIT_PIXEL;
  }
  FColourMode = Options.ColourMode;
  FGreyMode = Options.GreyMode;
}

void TQvTWAINThread::ApplyChoices(const TQvScanChoices& Choices) {
  // A value the device refuses leaves its own; the scan still runs with what it has.
  const QString Mode = Choices.Colour ? FColourMode : FGreyMode;
  const SANE_Option_Descriptor* D = nullptr;
  const int Index = Mode.isEmpty() ? -1 : FindOption(SANE_NAME_SCAN_MODE, &D);
  if (Index >= 0 && Usable(D) && D->type == SANE_TYPE_STRING && D->size > 0 && D->size <= 4096) {
    std::vector<char> Value(static_cast<std::size_t>(D->size), 0);
    const QByteArray Bytes = Mode.toUtf8();
    std::memcpy(Value.data(), Bytes.constData(), std::min<std::size_t>(Bytes.size(), Value.size() - 1));
    FLib.ControlOption(FHandle, Index, SANE_ACTION_SET_VALUE, Value.data(), nullptr);
  }
  if (Choices.Resolution > 0) SetNumber(SANE_NAME_SCAN_RESOLUTION, Choices.Resolution);
  if (Choices.HasArea) {
    SetNumber(SANE_NAME_SCAN_TL_X, Choices.Left);
    SetNumber(SANE_NAME_SCAN_TL_Y, Choices.Top);
    SetNumber(SANE_NAME_SCAN_BR_X, Choices.Right);
    SetNumber(SANE_NAME_SCAN_BR_Y, Choices.Bottom);
  }
}

bool TQvTWAINThread::ScanImage(TQvScanImage& Image, double& Dpi, TQvScanMessage& Error) {
  const SANE_Option_Descriptor* D = nullptr;
  const int Resolution = FindOption(SANE_NAME_SCAN_RESOLUTION, &D);
  if (Resolution < 0 || !GetNumber(Resolution, D, Dpi)) Dpi = 0;

  auto StatusError = [this, &Error](int Id, const QString& Default, SANE_Status Status) {
    FLib.Cancel(FHandle);
    // A cancel on the device itself, or ours, is no error.
    if (Status != SANE_STATUS_CANCELLED && !FCancelled) Error = {Id, Default, FLib.StatusText(Status)};
    return false;
  };
  const QString ReadFailed = QStringLiteral("The scanner stopped with an error: %s");
  SANE_Status Status = FLib.Start(FHandle);
  if (Status != SANE_STATUS_GOOD) return StatusError(5543, QStringLiteral("The scan could not be started: %s"), Status);

  std::vector<SANE_Byte> Buffer(ReadBlock);
  int Frame = 0;
  int LastPercent = -2;
  for (;;) {
    SANE_Parameters P{};
    Status = FLib.GetParameters(FHandle, &P);
    if (Status != SANE_STATUS_GOOD) return StatusError(5541, ReadFailed, Status);
    const TQvScanParameters Q{static_cast<int>(P.format), P.last_frame != 0, P.bytes_per_line, P.pixels_per_line,
                              P.lines, P.depth};
    if (!Image.BeginFrame(Q, Error)) return StatusError(0, QString(), SANE_STATUS_CANCELLED);
    const int Frames = Q.Format >= TQvScanParameters::Red ? 3 : 1;
    for (;;) {
      SANE_Int Length = 0;
      Status = FLib.Read(FHandle, Buffer.data(), ReadBlock, &Length);
      if (FCancelled) return StatusError(0, QString(), SANE_STATUS_CANCELLED);
      if (Status == SANE_STATUS_EOF) break;
      if (Status != SANE_STATUS_GOOD) return StatusError(5541, ReadFailed, Status);
      if (Length < 0 || Length > ReadBlock) return StatusError(5541, ReadFailed, SANE_STATUS_IO_ERROR);
      if (!Image.AddData(Buffer.data(), static_cast<std::size_t>(Length), Error))
        return StatusError(0, QString(), SANE_STATUS_CANCELLED);
      const std::int64_t Expected = Image.ExpectedBytes();
      const int Percent =
          Expected > 0 ? static_cast<int>((Frame * 100 + Image.ReceivedBytes() * 100 / Expected) / Frames) : -1;
      if (Percent != LastPercent && FEvents.Progress) FEvents.Progress(Percent);
      LastPercent = Percent;
    }
    if (!Image.EndFrame(Error)) return StatusError(0, QString(), SANE_STATUS_CANCELLED);
    if (Image.Complete()) break;
    ++Frame;
    Status = FLib.Start(FHandle);
    if (Status != SANE_STATUS_GOOD) return StatusError(5541, ReadFailed, Status);
  }
  // Ends the acquisition on the device; the picture is whole.
  FLib.Cancel(FHandle);
  return true;
}

bool TQvTWAINThread::Deliver(const TQvScanImage& Image, double Dpi, TQvScanMessage& Error) {
  QString Path;
  const int Fd = CreateTransferFile(FFolder, TransferFileExtension(QvTwnFileFormat::Bmp), Path, Error);
  if (Fd < 0) return false;
  bool Ok = Image.WriteBmp(Fd, Dpi, Error);
  if (::close(Fd) != 0 && Ok) {
    Error = {5539, QStringLiteral("The scanned image could not be written: %s"),
             QString::fromLocal8Bit(std::strerror(errno))};
    Ok = false;
  }
  if (!Ok || FCancelled) {
    QFile::remove(Path);
    return false;
  }
  {
    std::lock_guard<std::mutex> Guard(FLock);
    FUnclaimedFile = Path;
  }
  if (FEvents.ImageReady) FEvents.ImageReady(Path);
  return true;
}
