// Stands in for the editor in the round-trip tests: started with the exchange file's path, it
// does to the file what $OCUVANE_FAKE_EDITOR_MODE says and exits.
//
//   leave        exit 0 without touching the file
//   invert       invert red, green, blue in place (same layout)
//   editor       rewrite the file as the editor does: 3 planes, rows padded to 4, inverted
//   widen        keep the planes, 12 more bytes per row (0xEE), inverted
//   crop         as editor, one pixel narrower
//   mode         as editor, image mode 4
//   exit1        exit 1;  cancel: exit -1 (seen as 255);  crash: killed by SIGKILL
//   badmagic     overwrite "PSPF";  badheader: RowBytes 0x7fffffff;  planes2: Planes 2
//   shortheader  cut the file to 20 bytes;  shortpixels: cut half the pixel block
//   delete       remove the file;  slow: wait 300 ms, then leave
//   folder       replace the file with a folder holding a file, exit 0
//
// With $OCUVANE_FAKE_EDITOR_LOG set it first writes its argument count, first argument,
// working folder, the file's permission bits and its count of extra open descriptors there.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileMapping.h"
#include "PhotoshopDataInfo.h"

namespace {

int ExtraDescriptors() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (const dirent* entry = ::readdir(dir)) {
      const int fd = std::atoi(entry->d_name);
      if (entry->d_name[0] != '.' && fd > 2 && fd != ::dirfd(dir)) ++count;
    }
    ::closedir(dir);
  }
  return count;
}

void WriteLog(const char* logPath, int argc, char** argv) {
  const int extra = ExtraDescriptors();  // before the log itself is open
  std::ofstream log(logPath);
  char cwd[4096] = {};
  if (!::getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  struct stat st {};
  const bool found = argc > 1 && ::stat(argv[1], &st) == 0;
  log << "argc=" << argc << "\n"
      << "arg1=" << (argc > 1 ? argv[1] : "") << "\n"
      << "cwd=" << cwd << "\n"
      << "perm=" << (found ? std::to_string(st.st_mode & 07777) : "none") << "\n"
      << "extrafds=" << extra << "\n";
}

struct TImage {
  TPhotoshopDataInfo Header;
  std::vector<std::uint8_t> Pixels;
};

bool Load(const std::string& path, TImage& image) {
  TFileMapping mapping(path);
  const std::uint64_t size = mapping.GetSize();
  const auto* view = static_cast<const std::uint8_t*>(mapping.MapView(0, 0, TMapAccess::Read));
  TExchangeView exchange;
  if (!view || ParseExchangeFile(view, size, exchange) != TExchangeParse::Ok) return false;
  image.Header = exchange.Header;
  image.Pixels.assign(exchange.Pixels, exchange.Pixels + exchange.PixelBytes);
  mapping.UnmapView(const_cast<std::uint8_t*>(view));
  return true;
}

// Writes Image's colours inverted into the file with the given layout.
bool Rewrite(const std::string& path, const TImage& image, std::int32_t width, std::int32_t planes,
             std::int64_t rowBytes, std::int32_t imageMode) {
  TPhotoshopDataInfo header{ExchangeHeaderSize, imageMode, 0, 0, width, image.Header.Height, std::int32_t(rowBytes),
                            planes};
  TFileMapping mapping(path);
  if (!mapping.SetSize(ExchangeFileSize(header))) return false;
  auto* view = static_cast<std::uint8_t*>(mapping.MapView(0, 0, TMapAccess::Write));
  if (!view) return false;
  std::memcpy(view, ExchangeMagic, 4);
  EncodeDataInfo(header, view + ExchangeHeaderOffset);
  for (std::int64_t y = 0; y < header.Height; ++y) {
    std::uint8_t* target = view + ExchangePixelOffset + y * rowBytes;
    std::memset(target, 0xEE, std::size_t(rowBytes));
    const std::uint8_t* source = image.Pixels.data() + y * image.Header.RowBytes;
    for (std::int32_t x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) target[x * planes + c] = std::uint8_t(255 - source[x * image.Header.Planes + c]);
      for (int c = 3; c < planes; ++c) target[x * planes + c] = source[x * image.Header.Planes + c];
    }
  }
  mapping.UnmapView(view);
  return true;
}

void Poke(const std::string& path, std::uint64_t offset, const void* bytes, std::size_t length) {
  TFileMapping mapping(path);
  auto* view = static_cast<std::uint8_t*>(mapping.MapView(0, 0, TMapAccess::Write));
  if (view && offset + length <= mapping.GetSize()) std::memcpy(view + offset, bytes, length);
  if (view) mapping.UnmapView(view);
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* log = std::getenv("OCUVANE_FAKE_EDITOR_LOG")) WriteLog(log, argc, argv);
  if (argc < 2) return 3;
  const std::string path = argv[1];
  const char* modeVariable = std::getenv("OCUVANE_FAKE_EDITOR_MODE");
  const std::string mode = modeVariable ? modeVariable : "leave";

  if (mode == "leave") return 0;
  if (mode == "slow") {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return 0;
  }
  if (mode == "exit1") return 1;
  if (mode == "cancel") return -1;
  if (mode == "crash") ::raise(SIGKILL);
  if (mode == "delete") return ::unlink(path.c_str()) == 0 ? 0 : 3;
  if (mode == "folder") {
    if (::unlink(path.c_str()) != 0 || ::mkdir(path.c_str(), 0700) != 0) return 3;
    std::ofstream(path + "/inside") << "left behind";
    return 0;
  }
  if (mode == "badmagic") {
    Poke(path, 0, "XXXX", 4);
    return 0;
  }
  if (mode == "badheader" || mode == "planes2") {
    const std::int32_t value = mode == "badheader" ? 0x7fffffff : 2;
    std::uint8_t bytes[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                             std::uint8_t(value >> 24)};
    Poke(path, mode == "badheader" ? 4 + 24 : 4 + 28, bytes, 4);
    return 0;
  }
  if (mode == "shortheader" || mode == "shortpixels") {
    TFileMapping mapping(path);
    const std::uint64_t size = mapping.GetSize();
    return mapping.SetSize(mode == "shortheader" ? 20 : 36 + (size - 36) / 2) ? 0 : 3;
  }

  TImage image;
  if (!Load(path, image)) return 3;
  const TPhotoshopDataInfo& h = image.Header;
  bool ok = false;
  if (mode == "invert") {
    ok = Rewrite(path, image, h.Width, h.Planes, h.RowBytes, h.ImageMode);
  } else if (mode == "editor" || mode == "crop" || mode == "mode") {
    const std::int32_t width = mode == "crop" ? h.Width - 1 : h.Width;
    ok = Rewrite(path, image, width, 3, ExchangeStride24(width), mode == "mode" ? 4 : ExchangeRGBMode);
  } else if (mode == "widen") {
    ok = Rewrite(path, image, h.Width, h.Planes, std::int64_t(h.RowBytes) + 12, h.ImageMode);
  }
  return ok ? 0 : 3;
}
