// The command-line program's own help: on standard output with status 0, while a wrong call still
// gets one line on standard error and status 2.
#include "RedEyeFixture.h"

#include <gtest/gtest.h>

TEST(CliHelp, HelpAndVersionGoToStandardOutput) {
  struct Case {
    QStringList Args;
    const char* Contains;
  };
  const Case Cases[] = {
      {{QStringLiteral("--help")}, "ocuvane-cli crop IN OUT --rect L,T,R,B"},
      {{QStringLiteral("redeye"), QStringLiteral("--help")}, "--brightness N"},
      {{QStringLiteral("crop"), QStringLiteral("in.jpg"), QStringLiteral("--help")}, "--rect L,T,R,B"},
      {{QStringLiteral("info"), QStringLiteral("--help")}, "usage: ocuvane-cli info IN"},
      {{QStringLiteral("--version")}, "ocuvane-cli "},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Args.join(QLatin1Char(' ')).toStdString());
    const TRun R = RunCli(C.Args);
    EXPECT_EQ(R.Code, 0) << R.Err.constData();
    EXPECT_TRUE(R.Err.isEmpty()) << R.Err.constData();
    EXPECT_TRUE(R.Out.contains(C.Contains)) << R.Out.constData();
  }
  // Every command of the table is in the full usage.
  const TRun Usage = RunCli({QStringLiteral("--help")});
  for (const char* Command : {"redeye", "rotate", "crop", "info", "convert"})
    EXPECT_TRUE(Usage.Out.contains(QByteArray("ocuvane-cli ") + Command + ' ')) << Command;
}

TEST(CliHelp, UsageErrorsStayOneLine) {
  for (const QStringList& Args : {QStringList{QStringLiteral("--helpme")}, QStringList{QStringLiteral("rotate"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--left=1")},
                                  QStringList{QStringLiteral("convert"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--rect")}}) {
    SCOPED_TRACE(Args.join(QLatin1Char(' ')).toStdString());
    const TRun R = RunCli(Args);
    EXPECT_EQ(R.Code, 2);
    EXPECT_EQ(R.Err.count('\n'), 1) << R.Err.constData();
    EXPECT_TRUE(R.Out.isEmpty());
  }
}
