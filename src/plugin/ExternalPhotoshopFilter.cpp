#include "ExternalPhotoshopFilter.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <limits>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FileMapping.h"

extern char** environ;

namespace {

// Deletes the exchange file however the session ends, and whatever the editor left at its name: a
// folder goes with everything in it (links inside are removed, never followed).
class TExchangeFileGuard {
public:
  ~TExchangeFileGuard() {
    if (FPath.empty() || ::unlink(FPath.c_str()) == 0 || errno == ENOENT) return;
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  std::string FPath;
};

std::string TemporaryFolder() {
  const char* value = std::getenv("TMPDIR");
  std::string folder = (value && *value) ? value : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// Creates an empty file with a unique name (mode 0600) in the temporary folder.
bool CreateExchangeFile(std::string& path) {
  std::string pattern = TemporaryFolder() + "/PSPFXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  path = name.data();
  return true;
}

// Starts the editor on the exchange file: argv is the editor's path and the file's path, the
// working folder is Directory when there is one, no descriptor beyond the standard three is
// inherited, and signal dispositions and mask the host may have changed are reset. A process
// start has no "show maximised" here; the editor's window manager decides.
int SpawnEditor(const std::string& application, const std::string& directory, const std::string& file,
                pid_t& pid) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (int error = ::posix_spawn_file_actions_init(&actions); error != 0) return error;
  if (int error = ::posix_spawnattr_init(&attributes); error != 0) {
    ::posix_spawn_file_actions_destroy(&actions);
    return error;
  }
  int error = 0;
  if (!directory.empty()) error = ::posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  if (error == 0) error = ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t mask;
  sigemptyset(&mask);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGALRM, SIGUSR1, SIGUSR2})
    sigaddset(&defaults, signal);
  if (error == 0) error = ::posix_spawnattr_setsigmask(&attributes, &mask);
  if (error == 0) error = ::posix_spawnattr_setsigdefault(&attributes, &defaults);
  if (error == 0) error = ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  if (error == 0) {
    std::vector<char*> argv{const_cast<char*>(application.c_str()), const_cast<char*>(file.c_str()), nullptr};
    error = ::posix_spawn(&pid, application.c_str(), &actions, &attributes, argv.data(), environ);
  }
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  return error;
}

// Waits for the editor, letting the host process its events between 10 ms sleeps. True when the
// editor exited normally with code 0; a kill, a non-zero code (the editor's -1 arrives as 255)
// or a wait that cannot be completed all mean that no result is to be applied.
bool WaitForEditor(pid_t pid, FilterRecord* record) {
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (record->processEvent) record->processEvent(nullptr);
    timespec pause{0, 10 * 1000 * 1000};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A host buffer that cannot hold Width x Planes bytes per row is refused before anything is
// copied in or out of it.
bool HostBufferFits(const TPhotoshopDataInfo& info, const void* data) {
  return data != nullptr && ValidateExchangeHeader(info, ExchangeFileSize(info));
}

}  // namespace

TExternalPhotoshopFilter::TExternalPhotoshopFilter(const std::string& ApplicationPath, const std::string& AboutText,
                                                   const std::string& AboutCaption) {
  SetApplication(ApplicationPath);
  FCaption = AboutCaption;
  FText = AboutText;
}

void TExternalPhotoshopFilter::SetApplication(const std::string& Path) {
  FApplication = Path;
  if (FDirectory.empty()) {
    const std::size_t slash = Path.rfind('/');
    FDirectory = slash == std::string::npos ? std::string() : Path.substr(0, slash);
  }
}

std::int16_t TExternalPhotoshopFilter::Start(FilterRecord* Record) {
  std::int16_t result = openErr;
  try {
    result = RunSession(Record);
  } catch (const std::exception& error) {
    ShowError(Record, error.what());
    result = openErr;
  }
  ClearRects(Record);
  return result;
}

std::int16_t TExternalPhotoshopFilter::RunSession(FilterRecord* Record) {
  // The copy-back writes three colour bytes per pixel; fewer planes cannot hold them.
  if (Record->planes < 3) {
    ShowError(Record, "The image has " + std::to_string(Record->planes) +
                          " planes; the filter needs red, green and blue.");
    return openErr;
  }

  TPhotoshopDataInfo info;
  void* inData = nullptr;
  if (!RequestInData(Record, info, inData) || !HostBufferFits(info, inData)) {
    ShowError(Record, "Get image data error.");
    return openErr;
  }

  const std::uint64_t fileSize = ExchangeFileSize(info);
  TExchangeFileGuard exchange;
  if (fileSize > std::uint64_t(std::numeric_limits<std::size_t>::max()) || !CreateExchangeFile(exchange.FPath)) {
    ShowError(Record, "Create temp file error.");
    return openErr;
  }
  {
    TFileMapping mapping(exchange.FPath);
    std::uint8_t* view = nullptr;
    if (mapping.IsOpen() && mapping.SetSize(fileSize))
      view = static_cast<std::uint8_t*>(mapping.MapView(0, 0, TMapAccess::Write));
    if (!view) {
      ShowError(Record, "Create temp file error.");
      return openErr;
    }
    std::memcpy(view, ExchangeMagic, sizeof ExchangeMagic);
    EncodeDataInfo(info, view + ExchangeHeaderOffset);
    // Row by row, pixels only: the host's last row may end right after its last pixel, and
    // row padding means nothing to the editor (SetSize left it zero).
    const auto* source = static_cast<const std::uint8_t*>(inData);
    const std::size_t pixelBytes = std::size_t(info.Width) * std::size_t(info.Planes);
    for (std::int64_t y = 0; y < info.Height; ++y)
      std::memcpy(view + ExchangePixelOffset + std::size_t(y) * std::size_t(info.RowBytes),
                  source + std::size_t(y) * std::size_t(info.RowBytes), pixelBytes);
    mapping.UnmapView(view);
  }

  pid_t pid = 0;
  if (const int error = SpawnEditor(FApplication, FDirectory, exchange.FPath, pid); error != 0) {
    ShowError(Record, "Execute application \"" + FApplication + "\" error: " + std::to_string(error) + " (" +
                          std::strerror(error) + ")");
    return openErr;
  }
  if (!WaitForEditor(pid, Record)) return userCanceledErr;

  TPhotoshopDataInfo outInfo;
  void* outData = nullptr;
  if (!RequestOutData(Record, outInfo, outData) || !HostBufferFits(outInfo, outData)) {
    ShowError(Record, "Get out image data error.");
    return userCanceledErr;
  }

  // Something other than a file in its place (a folder): there is no result, and the user is
  // told. (A file the editor removed is a session without a result, as a cancel is.)
  struct stat left {};
  if (::lstat(exchange.FPath.c_str(), &left) == 0 && !S_ISREG(left.st_mode)) {
    ShowError(Record, "Transfer image data error.");
    return userCanceledErr;
  }
  TFileMapping mapping(exchange.FPath);
  const std::uint64_t resultSize = mapping.GetSize();
  const void* view = resultSize > 0 ? mapping.MapView(0, resultSize, TMapAccess::Read) : nullptr;
  if (!view) return userCanceledErr;
  const THostBuffer out{static_cast<std::uint8_t*>(outData), outInfo.RowBytes, outInfo.Width,
                        outInfo.Height,    outInfo.Planes,   outInfo.ImageMode};
  const TCopyBack copied = CopyExchangeResult(static_cast<const std::uint8_t*>(view), resultSize, out);
  mapping.UnmapView(const_cast<void*>(view));
  switch (copied) {
    case TCopyBack::Copied: return noErr;
    case TCopyBack::NoMagic: return userCanceledErr;
    case TCopyBack::Mismatch: break;
  }
  ShowError(Record, "Transfer image data error.");
  return userCanceledErr;
}

TCopyBack CopyExchangeResult(const std::uint8_t* File, std::uint64_t Size, const THostBuffer& Out) {
  TExchangeView view;
  switch (ParseExchangeFile(File, Size, view)) {
    case TExchangeParse::Ok: break;
    case TExchangeParse::NotExchange: return TCopyBack::NoMagic;
    case TExchangeParse::Invalid: return TCopyBack::Mismatch;
  }
  const TPhotoshopDataInfo& h = view.Header;
  if (h.Width != Out.Width || h.Height != Out.Height || h.ImageMode != Out.ImageMode) return TCopyBack::Mismatch;
  if (Out.Planes < 3 || Out.RowBytes < std::int64_t(Out.Width) * Out.Planes) return TCopyBack::Mismatch;

  const auto sourceStride = std::size_t(h.RowBytes);
  const auto targetStride = std::size_t(Out.RowBytes);
  if (h.Planes == Out.Planes) {
    // The validated header guarantees RowBytes >= Width x Planes, so one block per row.
    const std::size_t pixelBytes = std::size_t(h.Width) * std::size_t(h.Planes);
    for (std::size_t y = 0; y < std::size_t(h.Height); ++y)
      std::memcpy(Out.Data + y * targetStride, view.Pixels + y * sourceStride, pixelBytes);
  } else {
    // Colour only; further host planes (transparency) keep what the host put there.
    for (std::size_t y = 0; y < std::size_t(h.Height); ++y) {
      const std::uint8_t* source = view.Pixels + y * sourceStride;
      std::uint8_t* target = Out.Data + y * targetStride;
      for (std::int32_t x = 0; x < h.Width; ++x, source += h.Planes, target += Out.Planes)
        std::memcpy(target, source, 3);
    }
  }
  return TCopyBack::Copied;
}
