// A private program folder (bin/ocuvane with the shipped language files beside it) and a private
// configuration folder, so each test starts like a first run of the editor.
#pragma once

#include "QvApplication.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    FOldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(FDir.path() + QStringLiteral("/config")));
    ASSERT_TRUE(QDir().mkpath(LanguageFolder()));
    const QDir Shipped(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Languages"));
    for (const QString& Name : Shipped.entryList({QStringLiteral("*.ini")}, QDir::Files))
      ASSERT_TRUE(QFile::copy(Shipped.filePath(Name), LanguageFolder() + Name));
  }
  void TearDown() override {
    if (FOldConfig.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", FOldConfig);
  }

  QString BinFolder() const { return FDir.path() + QStringLiteral("/bin/"); }
  QString LanguageFolder() const { return BinFolder() + QStringLiteral("Languages/"); }
  QString SettingsFile() const { return FDir.path() + QStringLiteral("/config/ocuvane/ocuvane.cfg"); }

  // The application object as the editor's start-up makes it, before the composition. Message
  // boxes are answered with Answer and their texts kept in Messages.
  std::unique_ptr<TQvApplication> MakeApplication();
  // MakeApplication, then the composition root.
  std::unique_ptr<TQvApplication> StartEditor();
  // Runs App until its main window closes: Action runs once the event loop is going, then the main
  // window is closed as by its close box. Returns Run's result.
  static int RunAndClose(TQvApplication& App, const std::function<void()>& Action = {});
  // Lets the event loop deliver what is queued (deferred calls included).
  static void ProcessEvents(int Rounds = 20);

  QStringList Messages;
  int Answer = QvMB::IDOK;

 private:
  QTemporaryDir FDir;
  QByteArray FOldConfig;
};
