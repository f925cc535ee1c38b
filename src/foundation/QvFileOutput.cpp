#include "QvFileOutput.h"

#include "QvLocalizer.h"

#include <QFile>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<bool> UnnamedFilesAllowed{true};

QString Quoted(const QString& Name) { return QLatin1Char('"') + Name + QLatin1Char('"'); }

// Why a file of this kind cannot be saved to; empty for a regular file.
QString RefusalFor(mode_t Mode, const QString& Name) {
  const QStringList Args{Quoted(Name)};
  if (S_ISREG(Mode)) return {};
  if (S_ISDIR(Mode))
    return GetLocalStringFormatted(5750, QStringLiteral("%s is a folder, not a regular file: nothing was written."), Args);
  if (S_ISFIFO(Mode))
    return GetLocalStringFormatted(5751, QStringLiteral("%s is a named pipe, not a regular file: nothing was written."), Args);
  if (S_ISCHR(Mode) || S_ISBLK(Mode))
    return GetLocalStringFormatted(5752, QStringLiteral("%s is a device, not a regular file: nothing was written."), Args);
  if (S_ISSOCK(Mode))
    return GetLocalStringFormatted(5753, QStringLiteral("%s is a socket, not a regular file: nothing was written."), Args);
  return GetLocalStringFormatted(5754, QStringLiteral("%s is not a regular file: nothing was written."), Args);
}

QString ErrnoText(int Error) { return QString::fromLocal8Bit(std::strerror(Error)); }

// The folder part and the name part of a path ("a/b" -> "a", "b"; "b" -> ".", "b").
void SplitPath(const QByteArray& Path, QByteArray& Dir, QByteArray& Base) {
  const qsizetype Slash = Path.lastIndexOf('/');
  if (Slash < 0) {
    Dir = ".";
    Base = Path;
  } else {
    Dir = Slash == 0 ? QByteArray("/") : Path.left(Slash);
    Base = Path.mid(Slash + 1);
  }
}

// A name for a hidden file beside the target that no one else is using yet.
QByteArray HiddenName(const QByteArray& Base) {
  static const char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char Random[8] = {};
  if (getrandom(Random, sizeof Random, GRND_NONBLOCK) != ssize_t(sizeof Random)) {
    static std::atomic<unsigned> Counter{0};
    const unsigned Value = unsigned(getpid()) * 2654435761u + ++Counter;
    for (size_t I = 0; I < sizeof Random; ++I) Random[I] = static_cast<unsigned char>(Value >> (I * 4));
  }
  QByteArray Name = "." + Base.left(200) + ".ocuvane-";
  for (unsigned char R : Random) Name += Letters[R % (sizeof Letters - 1)];
  return Name;
}

// Gives the open unnamed file Fd the name Name in DirFd. Without /proc, AT_EMPTY_PATH (which needs
// privileges) is the other way to reach the file.
int LinkDescriptor(int Fd, int DirFd, const char* Name) {
  char Proc[64];
  std::snprintf(Proc, sizeof Proc, "/proc/self/fd/%d", Fd);
  if (::linkat(AT_FDCWD, Proc, DirFd, Name, AT_SYMLINK_FOLLOW) == 0) return 0;
  if (errno != ENOENT) return -1;
  return ::linkat(Fd, "", DirFd, Name, AT_EMPTY_PATH);
}

// What a save to FileName would replace: the name itself, or the end of its chain of links.
struct TTargetLook {
  QByteArray Path;        // the file replaced, or the new name
  QString TargetName;     // the same, for messages
  struct stat St {};      // its status, when Exists
  bool Exists = false;
  QString Refusal;        // why it may not be replaced; empty when it may
  int Errno = 0;          // why looking failed, when it did
};

TTargetLook LookAtTarget(const QString& FileName) {
  TTargetLook Look;
  Look.Path = QFile::encodeName(FileName);
  Look.TargetName = FileName;
  if (Look.Path.isEmpty()) {
    Look.Errno = ENOENT;
    return Look;
  }
  if (Look.Path.endsWith('/')) {
    Look.Refusal = RefusalFor(S_IFDIR, FileName);
    return Look;
  }
  if (::lstat(Look.Path.constData(), &Look.St) != 0) {
    if (errno != ENOENT) Look.Errno = errno;
    return Look;
  }
  if (S_ISLNK(Look.St.st_mode)) {
    char* Real = ::realpath(Look.Path.constData(), nullptr);
    if (!Real) {
      if (errno == ENOENT)
        Look.Refusal = GetLocalStringFormatted(
            5755, QStringLiteral("%s is a symbolic link that leads to no file: nothing was written."),
            QStringList{Quoted(FileName)});
      else
        Look.Errno = errno;
      return Look;
    }
    Look.Path = QByteArray(Real);
    std::free(Real);
    Look.TargetName = QFile::decodeName(Look.Path);
    if (::stat(Look.Path.constData(), &Look.St) != 0) {
      Look.Errno = errno;
      return Look;
    }
  }
  Look.Refusal = RefusalFor(Look.St.st_mode, Look.TargetName);
  Look.Exists = Look.Refusal.isEmpty();
  return Look;
}

}  // namespace

QString QvSaveTargetRefusal(const QString& FileName) {
  // A name that cannot even be looked at is not refused here; opening it says why.
  return LookAtTarget(FileName).Refusal;
}

void TQvFileOutput::SetUnnamedFilesAllowed(bool Allowed) { UnnamedFilesAllowed = Allowed; }

TQvFileOutput::TQvFileOutput(const QString& FileName) : FFileName(FileName), FTargetName(FileName) {}

TQvFileOutput::~TQvFileOutput() { Abandon(); }

bool TQvFileOutput::Fail(const QString& Text) {
  FError = Text;
  Abandon();
  return false;
}

bool TQvFileOutput::FailErrno() { return Fail(ErrnoText(errno)); }

void TQvFileOutput::Abandon() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
  if (!FNamedTemp.isEmpty() && FDirFd >= 0) ::unlinkat(FDirFd, FNamedTemp.constData(), 0);
  FNamedTemp.clear();
  if (FDirFd >= 0) ::close(FDirFd);
  FDirFd = -1;
}

// Finds the file that is really replaced and refuses what may not be.
bool TQvFileOutput::ResolveTarget() {
  const TTargetLook Look = LookAtTarget(FFileName);
  if (!Look.Refusal.isEmpty()) return Fail(Look.Refusal);
  if (Look.Errno != 0) return Fail(ErrnoText(Look.Errno));
  const QByteArray& Path = Look.Path;
  FTargetName = Look.TargetName;
  struct stat St = Look.St;
  if (Look.Exists) {
    FExists = true;
    FOldMode = St.st_mode & 07777;
    FOldUid = St.st_uid;
    FOldGid = St.st_gid;
  }
  QByteArray Dir;
  SplitPath(Path, Dir, FBase);
  if (FBase.isEmpty() || FBase == "." || FBase == "..") return Fail(RefusalFor(S_IFDIR, FFileName));
  FDirFd = ::open(Dir.constData(), O_DIRECTORY | O_PATH | O_CLOEXEC);
  if (FDirFd < 0) return FailErrno();
  // The name may have changed since it was looked at; what lies there now decides.
  if (::fstatat(FDirFd, FBase.constData(), &St, AT_SYMLINK_NOFOLLOW) == 0) {
    const QString Refusal = RefusalFor(St.st_mode, FTargetName);
    if (!Refusal.isEmpty()) return Fail(Refusal);
  }
  return true;
}

bool TQvFileOutput::CreateContentFile() {
  if (UnnamedFilesAllowed) {
    FFd = ::openat(FDirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (FFd >= 0) return true;
    // Only a file system without unnamed files goes on to a named one.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return FailErrno();
  }
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    const QByteArray Name = HiddenName(FBase);
    FFd = ::openat(FDirFd, Name.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
    if (FFd >= 0) {
      FNamedTemp = Name;
      return true;
    }
    if (errno != EEXIST) return FailErrno();
  }
  return FailErrno();
}

// A replaced file keeps its mode, and its owner and group as far as this process may set them
// (a user who may not give a file away keeps it; the set-id bits then go, so that no one gains a
// program that runs as someone else).
void TQvFileOutput::KeepOwnerAndMode() {
  if (!FExists) return;
  struct stat Own {};
  if (::fstat(FFd, &Own) != 0) return;
  bool OwnerKept = Own.st_uid == FOldUid, GroupKept = Own.st_gid == FOldGid;
  if (!OwnerKept || !GroupKept) {
    if (::fchown(FFd, FOldUid, FOldGid) == 0) {
      OwnerKept = GroupKept = true;
    } else if (!GroupKept && ::fchown(FFd, uid_t(-1), FOldGid) == 0) {
      GroupKept = true;
    }
  }
  mode_t Mode = FOldMode;
  if (!OwnerKept) Mode &= ~mode_t(S_ISUID);
  if (!GroupKept) Mode &= ~mode_t(S_ISGID);
  ::fchmod(FFd, Mode);
}

bool TQvFileOutput::Open() {
  Abandon();
  FError.clear();
  FExists = false;
  FTargetName = FFileName;
  if (!ResolveTarget() || !CreateContentFile()) return false;
  KeepOwnerAndMode();
  return true;
}

bool TQvFileOutput::Write(const void* Data, uint64_t Size) {
  if (FFd < 0) return Fail(ErrnoText(EBADF));
  const char* Bytes = static_cast<const char*>(Data);
  while (Size > 0) {
    const ssize_t N = ::write(FFd, Bytes, Size > uint64_t(SSIZE_MAX) ? size_t(SSIZE_MAX) : size_t(Size));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) return N == 0 ? Fail(ErrnoText(ENOSPC)) : FailErrno();
    Bytes += N;
    Size -= uint64_t(N);
    FWritten += uint64_t(N);
  }
  // Large files are sent on their way to the disk as they are written (without waiting), so that
  // the flush before the file takes the target's place has little left to wait for.
  constexpr uint64_t kWritebackStep = uint64_t(4) << 20;
  if (FWritten - FWritebackFrom >= kWritebackStep) {
    ::sync_file_range(FFd, off64_t(FWritebackFrom), off64_t(FWritten - FWritebackFrom), SYNC_FILE_RANGE_WRITE);
    FWritebackFrom = FWritten;
  }
  return true;
}

bool TQvFileOutput::Rewind() {
  if (FFd < 0) return Fail(ErrnoText(EBADF));
  if (::ftruncate(FFd, 0) != 0 || ::lseek(FFd, 0, SEEK_SET) != 0) return FailErrno();
  FWritten = FWritebackFrom = 0;
  return true;
}

bool TQvFileOutput::PutInPlace() {
  const char* Base = FBase.constData();
  if (!FNamedTemp.isEmpty()) {
    if (::renameat(FDirFd, FNamedTemp.constData(), FDirFd, Base) != 0) return false;
    FNamedTemp.clear();
    return true;
  }
  if (!FExists) {
    if (LinkDescriptor(FFd, FDirFd, Base) == 0) return true;
    if (errno != EEXIST) return false;
    // Someone made the name meanwhile: replace it like any existing file, if it may be replaced.
    struct stat St {};
    if (::fstatat(FDirFd, Base, &St, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(St.st_mode)) {
      errno = EEXIST;
      return false;
    }
  }
  // No call replaces a name by an unnamed file; the hidden name lives only until the rename.
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    const QByteArray Hidden = HiddenName(FBase);
    if (LinkDescriptor(FFd, FDirFd, Hidden.constData()) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (::renameat(FDirFd, Hidden.constData(), FDirFd, Base) == 0) return true;
    const int Saved = errno;
    ::unlinkat(FDirFd, Hidden.constData(), 0);
    errno = Saved;
    return false;
  }
  return false;
}

bool TQvFileOutput::Commit() {
  if (FFd < 0) return Fail(ErrnoText(EBADF));
  // On a power cut the name must not come before the bytes.
  if (::fdatasync(FFd) != 0 && errno != EINVAL && errno != EROFS) return FailErrno();
  if (!PutInPlace()) return FailErrno();
  const bool Closed = ::close(FFd) == 0;
  FFd = -1;
  Abandon();
  if (!Closed) FError = ErrnoText(errno);
  return true;
}

bool QvWriteFileAtomically(const QString& FileName, const void* Data, uint64_t Size, QString& Error) {
  TQvFileOutput Output(FileName);
  if (!Output.Open() || !Output.Write(Data, Size) || !Output.Commit()) {
    Error = Output.ErrorText();
    return false;
  }
  return true;
}
