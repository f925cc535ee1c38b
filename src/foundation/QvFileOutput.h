#pragma once
// Writing a file so that it appears complete or not at all.
//
// The new content goes into an unnamed file in the target's folder (O_TMPFILE) and gets the
// target's name only when it is complete: a process killed at any moment before that leaves
// nothing behind, and the old file stays as it was. A new name is linked in one step; an existing
// file is replaced by linking the new one to a hidden name and renaming that over the target, so
// a named temporary exists only between those two calls. Only where the file system has no
// unnamed files does the content go into a named temporary from the start (removed again on any
// failure).
//
// Only a regular file or a new name can be the target, also through symbolic links (then the
// link's final target is replaced and the link stays). A folder, device, FIFO or socket, directly
// or through a link, is refused before anything is created. A replaced file's mode is kept, and
// its owner and group where this process may set them.

#include <QString>

#include <cstdint>

class TQvFileOutput {
 public:
  explicit TQvFileOutput(const QString& FileName);
  ~TQvFileOutput();  // anything not committed is let go
  TQvFileOutput(const TQvFileOutput&) = delete;
  TQvFileOutput& operator=(const TQvFileOutput&) = delete;

  // Checks the target and creates the file the content goes into. False with ErrorText().
  bool Open();
  bool Write(const void* Data, uint64_t Size);
  // Empties the content again (a writer that starts over).
  bool Rewind();
  // The open file (read and write), for callers that size, map or patch it themselves; -1 when
  // not open.
  int Descriptor() const { return FFd; }
  // Makes the content durable and gives it the target's name. False with ErrorText(); the old
  // file is then unchanged and nothing new is left.
  bool Commit();
  // Lets the content go without touching the target.
  void Abandon();
  // What went wrong, one sentence without the file operation around it.
  const QString& ErrorText() const { return FError; }
  // The file that the content replaces or becomes (a link's final target).
  const QString& TargetName() const { return FTargetName; }

  // Tests: behave as on a file system without unnamed files.
  static void SetUnnamedFilesAllowed(bool Allowed);

 private:
  bool Fail(const QString& Text);
  bool FailErrno();
  bool ResolveTarget();
  bool CreateContentFile();
  void KeepOwnerAndMode();
  bool PutInPlace();

  QString FFileName;
  QString FTargetName;
  QString FError;
  int FDirFd = -1;
  int FFd = -1;
  QByteArray FBase;        // the target's name in its folder
  QByteArray FNamedTemp;   // the named temporary, when unnamed files are not available
  bool FExists = false;    // the target exists (and is a regular file)
  uint32_t FOldMode = 0;
  uint32_t FOldUid = 0, FOldGid = 0;
  uint64_t FWritten = 0;        // bytes written since the file was opened or rewound
  uint64_t FWritebackFrom = 0;  // where the writes not yet sent to the disk begin
};

// Why a save to FileName would be refused (a folder, device, FIFO or socket, directly or through
// symbolic links, or a link that leads to no file), for a check before any work; empty when it
// may be written. Open() refuses the same.
QString QvSaveTargetRefusal(const QString& FileName);

// Writes Size bytes to FileName through a TQvFileOutput. False with a reason in Error.
bool QvWriteFileAtomically(const QString& FileName, const void* Data, uint64_t Size, QString& Error);
