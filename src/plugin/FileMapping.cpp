#include "FileMapping.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SystemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

}  // namespace

TFileMapping::TFileMapping(const std::string& FileName) : FFileName(FileName) {
  do {
    FFile = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
  } while (FFile < 0 && errno == EINTR);
  if (FFile < 0) {
    FError = SystemError("Cannot open \"" + FileName + "\"", errno);
    return;
  }
  UpdateMapping();
}

TFileMapping::~TFileMapping() {
  for (const TView& view : FViews) ::munmap(view.Base, view.Length);
  if (FFile >= 0) ::close(FFile);
}

void TFileMapping::UpdateMapping() {
  struct stat st {};
  FMapping = (FFile >= 0 && ::fstat(FFile, &st) == 0 && st.st_size > 0) ? std::uint64_t(st.st_size) : 0;
}

std::uint64_t TFileMapping::GetSize() const {
  struct stat st {};
  if (FFile < 0 || ::fstat(FFile, &st) != 0 || st.st_size < 0) return 0;
  return std::uint64_t(st.st_size);
}

void* TFileMapping::MapView(std::uint64_t Offset, std::uint64_t Size, TMapAccess Access) {
  if (FFile < 0) return nullptr;
  if (FMapping == 0 || Offset >= FMapping) {
    FError = "Nothing to map in \"" + FFileName + "\"";
    return nullptr;
  }
  if (Size == 0) Size = FMapping - Offset;
  if (Size > FMapping - Offset) {
    FError = "The view lies outside \"" + FFileName + "\"";
    return nullptr;
  }
  const auto page = std::uint64_t(::sysconf(_SC_PAGESIZE));
  const std::uint64_t start = Offset / page * page;
  const std::uint64_t length = Offset - start + Size;
  if (length > std::numeric_limits<std::size_t>::max() ||
      start > std::uint64_t(std::numeric_limits<off_t>::max())) {
    FError = "The view of \"" + FFileName + "\" is too large to map";
    return nullptr;
  }
  const int protection = Access == TMapAccess::Write ? PROT_READ | PROT_WRITE : PROT_READ;
  void* base = ::mmap(nullptr, std::size_t(length), protection, MAP_SHARED, FFile, off_t(start));
  if (base == MAP_FAILED) {
    FError = SystemError("Cannot map \"" + FFileName + "\"", errno);
    return nullptr;
  }
  void* address = static_cast<std::uint8_t*>(base) + (Offset - start);
  FViews.push_back({base, std::size_t(length), address});
  return address;
}

void TFileMapping::UnmapView(void* Address) {
  for (auto it = FViews.begin(); it != FViews.end(); ++it) {
    if (it->Address == Address) {
      ::munmap(it->Base, it->Length);
      FViews.erase(it);
      return;
    }
  }
}

bool TFileMapping::SetSize(std::uint64_t Size) {
  if (FFile < 0) return false;
  bool ok = true;
  if (Size > std::uint64_t(std::numeric_limits<off_t>::max())) {
    FError = "A size of " + std::to_string(Size) + " bytes is too large for \"" + FFileName + "\"";
    ok = false;
  } else if (::ftruncate(FFile, off_t(Size)) != 0) {
    FError = SystemError("Cannot resize \"" + FFileName + "\"", errno);
    ok = false;
  } else if (Size > 0) {
    // A sparse file would turn a full disk into SIGBUS on the first write through the view;
    // reserving the blocks now turns it into an error here.
    const int error = ::posix_fallocate(FFile, 0, off_t(Size));
    if (error != 0 && error != EOPNOTSUPP && error != EINVAL) {
      FError = SystemError("Cannot reserve space for \"" + FFileName + "\"", error);
      (void)::ftruncate(FFile, 0);
      ok = false;
    }
  }
  UpdateMapping();
  return ok;
}
