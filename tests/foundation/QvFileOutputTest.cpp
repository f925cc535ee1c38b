#include "QvFileOutput.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>

namespace {

class FileOutputTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
  void TearDown() override { TQvFileOutput::SetUnnamedFilesAllowed(true); }

  QString Path(const QString& Name) const { return FDir.filePath(Name); }
  QByteArray Local(const QString& Name) const { return QFile::encodeName(Path(Name)); }

  void WriteFile(const QString& Name, const QByteArray& Bytes) {
    QFile F(Path(Name));
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write(Bytes);
  }
  QByteArray Read(const QString& Name) const {
    QFile F(Path(Name));
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<unreadable>");
  }
  // Everything in the folder, hidden files too.
  QStringList Entries() const {
    return QDir(FDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  }
  mode_t ModeOf(const QString& Name) const {
    struct stat St {};
    return ::lstat(Local(Name).constData(), &St) == 0 ? St.st_mode : 0;
  }

  QTemporaryDir FDir;
};

TEST_F(FileOutputTest, NewAndExistingFilesGetTheWholeContentAndNothingElseAppears) {
  for (const bool Unnamed : {true, false}) {
    SCOPED_TRACE(Unnamed ? "unnamed file" : "file system without unnamed files");
    TQvFileOutput::SetUnnamedFilesAllowed(Unnamed);
    QFile::remove(Path(QStringLiteral("new.jpg")));
    QString Error;
    ASSERT_TRUE(QvWriteFileAtomically(Path(QStringLiteral("new.jpg")), "first", 5, Error)) << Error.toStdString();
    EXPECT_EQ(Read(QStringLiteral("new.jpg")), QByteArray("first"));
    ASSERT_TRUE(QvWriteFileAtomically(Path(QStringLiteral("new.jpg")), "second!", 7, Error)) << Error.toStdString();
    EXPECT_EQ(Read(QStringLiteral("new.jpg")), QByteArray("second!"));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("new.jpg")});
  }
}

TEST_F(FileOutputTest, ContentNotCommittedNeverReachesTheTargetNorStaysBeside) {
  for (const bool Unnamed : {true, false}) {
    SCOPED_TRACE(Unnamed ? "unnamed file" : "file system without unnamed files");
    TQvFileOutput::SetUnnamedFilesAllowed(Unnamed);
    WriteFile(QStringLiteral("old.png"), "old");
    {
      TQvFileOutput Output(Path(QStringLiteral("old.png")));
      ASSERT_TRUE(Output.Open());
      ASSERT_TRUE(Output.Write("half of the new", 15));
      ASSERT_TRUE(Output.Rewind());
      ASSERT_TRUE(Output.Write("x", 1));
    }  // dropped without Commit
    {
      TQvFileOutput Output(Path(QStringLiteral("fresh.png")));
      ASSERT_TRUE(Output.Open());
      ASSERT_TRUE(Output.Write("never", 5));
      Output.Abandon();
    }
    EXPECT_EQ(Read(QStringLiteral("old.png")), QByteArray("old"));
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("old.png")});
  }
}

TEST_F(FileOutputTest, ALinkToARegularFileReplacesItsTargetAndStaysALink) {
  ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("real")));
  WriteFile(QStringLiteral("real/photo.jpg"), "old");
  ASSERT_EQ(::symlink("real/photo.jpg", Local(QStringLiteral("link.jpg")).constData()), 0);
  QString Error;
  ASSERT_TRUE(QvWriteFileAtomically(Path(QStringLiteral("link.jpg")), "new", 3, Error)) << Error.toStdString();
  EXPECT_TRUE(S_ISLNK(ModeOf(QStringLiteral("link.jpg"))));
  EXPECT_EQ(Read(QStringLiteral("real/photo.jpg")), QByteArray("new"));
  EXPECT_EQ(QDir(Path(QStringLiteral("real"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("photo.jpg")});
}

TEST_F(FileOutputTest, SpecialFilesDirectlyOrThroughLinksAreRefusedAndLeftAsTheyWere) {
  ASSERT_EQ(::mkfifo(Local(QStringLiteral("pipe")).constData(), 0600), 0);
  ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("folder")));
  ASSERT_EQ(::symlink("pipe", Local(QStringLiteral("pipe.jpg")).constData()), 0);
  ASSERT_EQ(::symlink("folder", Local(QStringLiteral("folder.jpg")).constData()), 0);
  ASSERT_EQ(::symlink("/dev/null", Local(QStringLiteral("null.jpg")).constData()), 0);
  ASSERT_EQ(::symlink("nowhere", Local(QStringLiteral("dangling.jpg")).constData()), 0);
  // A socket bound to a name in the folder (paths of sockets are short; the test folder's is).
  const int Socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(Socket, 0);
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  const QByteArray SocketPath = Local(QStringLiteral("sock"));
  const bool HaveSocket = size_t(SocketPath.size()) < sizeof Address.sun_path;
  if (HaveSocket) {
    std::memcpy(Address.sun_path, SocketPath.constData(), size_t(SocketPath.size()));
    ASSERT_EQ(::bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
  }
  struct TCase {
    const char* Name;
    const char* Says;  // a word the message must hold
  };
  std::vector<TCase> Cases = {
      {"pipe", "pipe"},           {"pipe.jpg", "pipe"},  {"folder", "folder"},   {"folder.jpg", "folder"},
      {"null.jpg", "device"},     {"/dev/null", "device"}, {"dangling.jpg", "link"}, {"folder/", "folder"},
  };
  if (HaveSocket) Cases.push_back({"sock", "socket"});
  const QStringList Before = Entries();
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    const QString Name = C.Name[0] == '/' ? QString::fromLatin1(C.Name) : Path(QString::fromLatin1(C.Name));
    QString Error;
    EXPECT_FALSE(QvWriteFileAtomically(Name, "x", 1, Error));
    EXPECT_TRUE(Error.contains(QLatin1String(C.Says))) << Error.toStdString();
  }
  ::close(Socket);
  EXPECT_EQ(Entries(), Before);
  EXPECT_TRUE(S_ISFIFO(ModeOf(QStringLiteral("pipe"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(QStringLiteral("pipe.jpg"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(QStringLiteral("null.jpg"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(QStringLiteral("dangling.jpg"))));
  EXPECT_TRUE(QDir(Path(QStringLiteral("folder"))).isEmpty());
  struct stat Null {};
  ASSERT_EQ(::stat("/dev/null", &Null), 0);
  EXPECT_TRUE(S_ISCHR(Null.st_mode));
}

TEST_F(FileOutputTest, AReplacedFileKeepsItsMode) {
  WriteFile(QStringLiteral("private.tif"), "old");
  ASSERT_EQ(::chmod(Local(QStringLiteral("private.tif")).constData(), 0640), 0);
  QString Error;
  ASSERT_TRUE(QvWriteFileAtomically(Path(QStringLiteral("private.tif")), "new", 3, Error));
  EXPECT_EQ(ModeOf(QStringLiteral("private.tif")) & 07777, mode_t(0640));
}

TEST_F(FileOutputTest, AReplacedFileOfAnotherUserKeepsItsOwnerAndGroup) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  WriteFile(QStringLiteral("theirs.bmp"), "old");
  const QByteArray Name = Local(QStringLiteral("theirs.bmp"));
  ASSERT_EQ(::chown(Name.constData(), 65534, 65533), 0);
  ASSERT_EQ(::chmod(Name.constData(), 0604), 0);
  QString Error;
  ASSERT_TRUE(QvWriteFileAtomically(Path(QStringLiteral("theirs.bmp")), "new", 3, Error)) << Error.toStdString();
  struct stat St {};
  ASSERT_EQ(::stat(Name.constData(), &St), 0);
  EXPECT_EQ(St.st_uid, uid_t(65534));
  EXPECT_EQ(St.st_gid, gid_t(65533));
  EXPECT_EQ(St.st_mode & 07777, mode_t(0604));
  EXPECT_EQ(Read(QStringLiteral("theirs.bmp")), QByteArray("new"));
}

}  // namespace
