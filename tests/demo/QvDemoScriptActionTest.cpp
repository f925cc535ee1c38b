#include "FakeDemoPlayback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <typeinfo>

namespace {
std::unique_ptr<TQvDemoScriptAction> Parse(TFakeDemoPlayback& P, const char* Line) {
  return CreateDemoScriptAction(P, QByteArrayView(Line, qstrlen(Line)));
}

// The action's class and, for a sequence, its parts: "Macro[MouseMove,LeftDown,LeftUp]".
QString Shape(const TQvDemoScriptAction* A) {
  if (!A) return "none";
  auto Name = [](const TQvDemoScriptAction* X) {
    if (dynamic_cast<const TQvDemoScriptUserAction*>(X)) return QString("User");
    if (dynamic_cast<const TQvDemoScriptBalloonAction*>(X)) return QString("Balloon");
    if (dynamic_cast<const TQvDemoScriptPauseAction*>(X)) return QString("Pause");
    if (dynamic_cast<const TQvDemoScriptMouseCurvedMoveAction*>(X)) return QString("CurvedMove");
    if (dynamic_cast<const TQvDemoScriptMouseMoveAction*>(X)) return QString("MouseMove");
    if (dynamic_cast<const TQvDemoScriptMouseToAction*>(X)) return QString("MouseTo");
    if (dynamic_cast<const TQvDemoScriptMouseLeftDownAction*>(X)) return QString("LeftDown");
    if (dynamic_cast<const TQvDemoScriptMouseLeftUpAction*>(X)) return QString("LeftUp");
    if (dynamic_cast<const TQvDemoScriptMouseRightDownAction*>(X)) return QString("RightDown");
    if (dynamic_cast<const TQvDemoScriptMouseRightUpAction*>(X)) return QString("RightUp");
    if (dynamic_cast<const TQvDemoScriptMouseSpeedAction*>(X)) return QString("Speed");
    if (dynamic_cast<const TQvDemoScriptMacroAction*>(X)) return QString("Macro");
    return QString("Other");
  };
  QString S = Name(A);
  if (const auto* M = dynamic_cast<const TQvDemoScriptMacroAction*>(A); M && M->Count()) {
    QStringList Parts;
    for (int I = 0; I < M->Count(); ++I) Parts << Name(M->Actions(I)) + QString::number(M->Actions(I)->Params().Count());
    S += "[" + Parts.join(',') + "]";
  }
  return S;
}
}  // namespace

TEST(QvDemoScriptAction, CommandTable) {
  struct TCase {
    const char* Line;
    const char* Shape;
  } Cases[] = {
      {"PAUSE 1", "Pause"},
      {"message hi", "Balloon"},
      {"MouseTo 1,2", "MouseTo"},
      {"MOUSEMOVE 1,2", "MouseMove"},
      {"MouseCurvedMove 1,2", "CurvedMove"},
      {"MouseClick 1,2", "Macro[MouseMove2,LeftDown0,LeftUp0]"},
      {"MouseLeftClick 1,2", "Macro[MouseMove2,LeftDown0,LeftUp0]"},
      {"MouseDrag 1,2", "Macro[LeftDown0,CurvedMove2,LeftUp0]"},
      {"MouseDragAndDrop 1,2", "Macro[LeftDown0,CurvedMove2,LeftUp0]"},
      {"MouseDblClick 1,2", "Macro[CurvedMove2,LeftDown0,LeftUp0,LeftDown0,LeftUp0]"},
      {"MouseLeftDblClick 1,2", "Macro[CurvedMove2,LeftDown0,LeftUp0,LeftDown0,LeftUp0]"},
      {"MouseRightClick 1,2", "Macro[CurvedMove2,RightDown0,RightUp0]"},
      {"MouseDown", "LeftDown"},
      {"MouseLeftDown", "LeftDown"},
      {"MouseUp", "LeftUp"},
      {"MouseLeftUp", "LeftUp"},
      {"MouseRightDown", "RightDown"},
      {"MouseRightUp", "RightUp"},
      {"MouseSpeed 10", "Speed"},
      {"RedEyeSize 5", "User"},
      {"# Pause", "none"},
      {"/Pause", "none"},
      {"", "none"},
      {"Pause 1-2", "Other"},
  };
  TFakeDemoPlayback P;
  for (const TCase& C : Cases) EXPECT_EQ(Shape(Parse(P, C.Line).get()), C.Shape) << C.Line;
}

TEST(QvDemoScriptAction, KeywordCaseAndBlankAfterCommaMakeTheSameLine) {
  for (const char* Line : {"MOUSETO 100,200", "mouseto 100, 200", "MouseTo\t100 ,200"}) {
    TFakeDemoPlayback P;
    auto A = Parse(P, Line);
    A->Execute();
    EXPECT_TRUE(A->IsDone());
    EXPECT_EQ(P.GetPointerPos(), QPoint(100, 200)) << Line;
    EXPECT_EQ(P.Sink.SystemPointer, QPoint(100, 200)) << Line;
  }
}

TEST(QvDemoScriptAction, TargetsByControlNameOrReportInvalidArguments) {
  TFakeDemoPlayback P;
  P.Controls["REDEYETOOL"] = QPoint(40, 50);
  P.PlaceAt(QPoint(7, 8));
  auto A = Parse(P, "MouseTo redEyeTool");
  A->Execute();
  EXPECT_EQ(P.GetPointerPos(), QPoint(40, 50));

  struct TCase {
    const char* Line;
    QPoint Where;
    bool Error;
  } Cases[] = {
      {"MouseTo", {40, 50}, false},
      {"MouseTo NoSuchButton", {40, 50}, true},
      {"MouseTo 10", {40, 50}, true},
      {"MouseTo 1E30, -1E30", {1 << 24, -(1 << 24)}, false},
      {"MouseTo 10.6, 20.4", {11, 20}, false},
  };
  for (const TCase& C : Cases) {
    P.PlaceAt(QPoint(40, 50));
    P.Errors.clear();
    auto B = Parse(P, C.Line);
    B->Execute();
    EXPECT_EQ(P.GetPointerPos(), C.Where) << C.Line;
    EXPECT_EQ(P.Errors, C.Error ? QStringList{"Invalid arguments."} : QStringList{}) << C.Line;
  }
}

// Duration = round(distance * 20 / speed) ms.
TEST(QvDemoScriptAction, MoveDurationTable) {
  struct TCase {
    QPoint From;
    const char* Line;
    int Speed;
    std::int64_t Duration;
  } Cases[] = {
      {{0, 0}, "MouseMove 100,0", 5, 400},
      {{0, 0}, "MouseMove 100,0", 10, 200},
      {{0, 0}, "MouseMove 30,40", 5, 200},
      {{10, 10}, "MouseMove 11,10", 65535, 0},
      {{0, 0}, "MouseCurvedMove 0,-100", 5, 400},
  };
  for (const TCase& C : Cases) {
    TFakeDemoPlayback P;
    P.SetSpeed(static_cast<std::uint16_t>(C.Speed));
    P.PlaceAt(C.From);
    auto A = Parse(P, C.Line);
    auto* Move = dynamic_cast<TQvDemoScriptMouseMoveAction*>(A.get());
    ASSERT_TRUE(Move) << C.Line;
    Move->Execute();
    EXPECT_EQ(Move->Duration(), C.Duration) << C.Line;
    if (C.Duration == 0) {
      EXPECT_TRUE(Move->IsDone()) << "a zero-length duration ends at the first step";
    }
  }
}

// A 400 ms move from (0, 0) to (100, 0): ease in, ease out.
TEST(QvDemoScriptAction, StraightMoveEasesInAndOut) {
  struct TCase {
    std::int64_t At;
    int X;
    bool Done;
  } Cases[] = {
      {0, 0, false}, {40, 2, false}, {100, 12, false}, {200, 50, false},
      {300, 88, false}, {360, 98, false}, {399, 100, false}, {400, 100, true},
  };
  TFakeDemoPlayback P;
  P.PlaceAt(QPoint(0, 0));
  auto A = Parse(P, "MouseMove 100, 0");
  const std::int64_t T0 = P.Now;
  for (const TCase& C : Cases) {
    P.Now = T0 + C.At;
    A->Execute();
    EXPECT_EQ(P.GetPointerPos(), QPoint(C.X, 0)) << C.At;
    EXPECT_EQ(P.Sink.SystemPointer, QPoint(C.X, 0)) << C.At;
    EXPECT_EQ(A->IsDone(), C.Done) << C.At;
  }
}

TEST(QvDemoScriptAction, CurvedMoveBulgesOnlyForDiagonalMoves) {
  // Straight for a horizontal move.
  {
    TFakeDemoPlayback P;
    P.PlaceAt(QPoint(0, 0));
    auto A = Parse(P, "MouseCurvedMove 300, 0");
    while (!A->IsDone()) {
      A->Execute();
      EXPECT_EQ(P.GetPointerPos().y(), 0);
      P.Now += 10;
    }
    EXPECT_EQ(P.GetPointerPos(), QPoint(300, 0));
  }
  // To (300, 100): offset = sin(pi e) * (100 / 3) / d * (dy, dx), largest halfway.
  TFakeDemoPlayback P;
  P.PlaceAt(QPoint(0, 0));
  auto A = Parse(P, "MouseCurvedMove 300, 100");
  auto* Move = dynamic_cast<TQvDemoScriptMouseMoveAction*>(A.get());
  A->Execute();
  const std::int64_t T0 = P.Now;
  const double D = std::sqrt(300.0 * 300.0 + 100.0 * 100.0);
  double Largest = 0;
  for (std::int64_t At = 10; !A->IsDone(); At += 10) {
    P.Now = T0 + At;
    A->Execute();
    if (A->IsDone()) break;
    const double T = double(At) / Move->Duration();
    const double E = T < 0.5 ? 2 * T * T : 1 - 2 * (1 - T) * (1 - T);
    const double S = std::sin(std::numbers::pi * E) * (100.0 / 3) / D;
    EXPECT_EQ(P.GetPointerPos(), QPoint(int(std::nearbyint(300 * E + S * 100)), int(std::nearbyint(100 * E + S * 300))))
        << At;
    // Distance of the point from the straight line y = x / 3.
    const QPoint Q = P.GetPointerPos();
    Largest = std::max(Largest, std::fabs(Q.y() - Q.x() / 3.0) * 300 / D);
  }
  EXPECT_EQ(P.GetPointerPos(), QPoint(300, 100));
  EXPECT_GT(Largest, 10.0);
  EXPECT_LE(Largest, 100.0 / 3 + 1);
}

TEST(QvDemoScriptAction, TimeSpentSuspendedDoesNotCount) {
  TFakeDemoPlayback P;
  P.PlaceAt(QPoint(0, 0));
  auto Move = Parse(P, "MouseMove 100, 0");
  Move->Execute();
  P.Now += 200;
  Move->Execute();
  EXPECT_EQ(P.GetPointerPos().x(), 50);
  Move->Suspend();
  P.Now += 5000;
  Move->Resume();
  Move->Execute();
  EXPECT_EQ(P.GetPointerPos().x(), 50) << "continues from where it was";
  P.Now += 200;
  Move->Execute();
  EXPECT_TRUE(Move->IsDone());

  auto Pause = Parse(P, "Pause 1");
  Pause->Execute();
  P.Now += 600;
  Pause->Execute();
  Pause->Suspend();
  P.Now += 10000;
  Pause->Resume();
  Pause->Execute();
  EXPECT_FALSE(Pause->IsDone());
  P.Now += 400;
  Pause->Execute();
  EXPECT_TRUE(Pause->IsDone());
}

TEST(QvDemoScriptAction, PauseDurationsAndPointerHold) {
  struct TCase {
    const char* Line;
    std::int64_t Duration;
  } Cases[] = {
      {"Pause 0.5", 500}, {"Pause", 1000}, {"Pause soon", 1000}, {"Pause 2", 2000}, {"Pause 0", 0}, {"Pause -3", -3000},
  };
  for (const TCase& C : Cases) {
    TFakeDemoPlayback P;
    P.PlaceAt(QPoint(5, 6));
    auto A = Parse(P, C.Line);
    A->Execute();
    EXPECT_EQ(dynamic_cast<TQvDemoScriptPauseAction&>(*A).Duration(), C.Duration) << C.Line;
    if (C.Duration > 0) {
      P.Sink.SystemPointer = QPoint(99, 99);  // the user moves the mouse
      P.Now += C.Duration - 1;
      A->Execute();
      EXPECT_FALSE(A->IsDone()) << C.Line;
      EXPECT_EQ(P.Sink.SystemPointer, QPoint(5, 6)) << "the pointer is put back";
      P.Now += 1;
      A->Execute();
    }
    EXPECT_TRUE(A->IsDone()) << C.Line;
  }
}

TEST(QvDemoScriptAction, MessageTextsDurationsAndKinds) {
  TQvLocalizer L;
  ASSERT_TRUE(L.AddLanguageData("[Language]\nLangId=1033\nLanguage=English\n[Strings]\n37=Click here\n", ":/test/en.ini"));
  ASSERT_TRUE(L.AddLanguageData("[Language]\nLangId=1031\nLanguage=Deutsch\n[Strings]\n37=Hier klicken\n", ":/test/de.ini"));
  L.SelectBaseLanguage();
  L.SetLanguage(1031);
  struct TCase {
    const char* Line;
    const char* Text;
    std::int64_t Duration;
    int Kind;
    const char* Error;
  } Cases[] = {
      {"Message \"Two\\nlines\"", "Two\nlines", 3000, 0, ""},
      {"Message &37, 2, 4", "Hier klicken", 2000, 4, ""},
      {"Message %Hint", "Größe wählen", 3000, 0, ""},
      {"Message %OnlyBase, 1.5, 1", "Base text", 1500, 1, ""},
      {"Message %Missing", "", 0, 0, ""},
      {"Message &abc", "", 0, 0, "Invalid arguments."},
      {"Message \"Größe\", x, 5", "Größe", 3000, 0, ""},
      {"Message 42, 1, 2.0", "42", 1000, 2, ""},
      {"Message %", "%", 3000, 0, ""},
      {"Message", "", 0, 0, ""},
  };
  for (const TCase& C : Cases) {
    TFakeDemoPlayback P(&L);
    P.Script().LoadFromData("\xEF\xBB\xBF[Info]\r\n[Script]\r\n[1033]\r\nHint=Choose a size\r\nOnlyBase=Base text\r\n"
                            "[1031]\r\nHint=Größe wählen\r\n");
    P.PlaceAt(QPoint(300, 20));
    auto A = Parse(P, C.Line);
    auto& B = dynamic_cast<TQvDemoScriptBalloonAction&>(*A);
    B.Execute();
    EXPECT_EQ(B.Text(), QString::fromUtf8(C.Text)) << C.Line;
    EXPECT_EQ(B.Duration(), C.Duration) << C.Line;
    EXPECT_EQ(B.Kind(), C.Kind) << C.Line;
    EXPECT_EQ(P.Errors.join(""), C.Error) << C.Line;
    EXPECT_EQ(B.IsDone(), C.Duration == 0) << C.Line;
    if (C.Duration) {
      EXPECT_EQ(P.Sink.Log, (QStringList{"tips off", QStringLiteral("balloon 300,20 kind %1: %2").arg(C.Kind).arg(B.Text()),
                                         "cursor off"}))
          << C.Line;
    } else {
      EXPECT_TRUE(P.Sink.Log.isEmpty()) << C.Line;
    }
  }
}

TEST(QvDemoScriptAction, BalloonHidesWhileSuspendedAndCleansUp) {
  TFakeDemoPlayback P;
  P.PlaceAt(QPoint(10, 10));
  auto A = Parse(P, "Message Hello, 1");
  A->Execute();
  P.Sink.Log.clear();
  P.Now += 400;
  A->Execute();
  A->Suspend();
  EXPECT_EQ(P.Sink.Log, (QStringList{"tips on", "balloon off", "cursor on"}));
  P.Sink.Log.clear();
  P.PlaceAt(QPoint(90, 90));
  P.Now += 9000;
  A->Resume();
  EXPECT_EQ(P.Sink.Log, (QStringList{"tips off", "balloon 10,10 kind 0: Hello", "cursor off"})) << "at the same place";
  A->Execute();
  EXPECT_FALSE(A->IsDone());
  P.Now += 600;
  A->Execute();
  EXPECT_TRUE(A->IsDone());
  P.Sink.Log.clear();
  A.reset();
  EXPECT_EQ(P.Sink.Log, (QStringList{"tips on", "balloon off", "cursor on"}));

  // Freed while suspended: the cursor is already back, so it is not shown twice.
  auto B = Parse(P, "Message Hello");
  B->Execute();
  B->Suspend();
  P.Sink.Log.clear();
  B.reset();
  EXPECT_EQ(P.Sink.Log, (QStringList{"tips on", "balloon off"}));
}

TEST(QvDemoScriptAction, ButtonsFollowThePrimaryButton) {
  for (const bool Swapped : {false, true}) {
    TFakeDemoPlayback P;
    P.Sink.Swapped = Swapped;
    P.PlaceAt(QPoint(0, 0));
    auto Click = Parse(P, "MouseClick 20, 0");
    const int Steps = P.RunToEnd(*Click);
    EXPECT_GE(Steps, 3) << "one part per step";
    auto Right = Parse(P, "MouseRightDown");
    Right->Execute();
    EXPECT_FALSE(P.ButtonDown());
    const QString L = Swapped ? "R" : "L", R = Swapped ? "L" : "R";
    EXPECT_EQ(P.Sink.Log, (QStringList{L + "down@20,0", L + "up@20,0", R + "down@20,0"})) << Swapped;
  }
  TFakeDemoPlayback P;
  auto Down = Parse(P, "MouseDown");
  Down->Execute();
  EXPECT_TRUE(P.ButtonDown());
  auto Up = Parse(P, "MouseUp");
  Up->Execute();
  EXPECT_FALSE(P.ButtonDown());
}

TEST(QvDemoScriptAction, DragHoldsTheButtonDuringTheMove) {
  TFakeDemoPlayback P;
  P.PlaceAt(QPoint(0, 0));
  auto Drag = Parse(P, "MouseDrag 50, 50");
  Drag->Execute();
  EXPECT_TRUE(P.ButtonDown());
  P.Now += 10;
  Drag->Execute();
  EXPECT_TRUE(P.ButtonDown());
  P.RunToEnd(*Drag);
  EXPECT_FALSE(P.ButtonDown());
  EXPECT_EQ(P.Sink.Log, (QStringList{"Ldown@0,0", "Lup@50,50"}));
}

TEST(QvDemoScriptAction, SpeedTable) {
  struct TCase {
    const char* Line;
    int Speed;
  } Cases[] = {{"MouseSpeed 10", 10}, {"MouseSpeed 0", 7}, {"MouseSpeed", 7}, {"MouseSpeed fast", 7},
               {"MouseSpeed 65537", 1}, {"MouseSpeed -1", 65535}, {"MouseSpeed 2.6", 3}, {"MouseSpeed 1E300", 7}};
  for (const TCase& C : Cases) {
    TFakeDemoPlayback P;
    P.SetSpeed(7);
    Parse(P, C.Line)->Execute();
    EXPECT_EQ(P.Speed(), C.Speed) << C.Line;
  }
}

TEST(QvDemoScriptAction, ModuleCommands) {
  TFakeDemoPlayback P;
  auto Unknown = Parse(P, "  redEyeSize 5");
  Unknown->Execute();
  EXPECT_TRUE(Unknown->IsDone());
  EXPECT_EQ(P.Commands, QStringList{"REDEYESIZE:5"});
  EXPECT_EQ(P.Errors, QStringList{"Unknown command: \"REDEYESIZE\""});

  // A module that handles the command and adds a click to be run in the following steps.
  P.Errors.clear();
  P.OnCommand = [&P](const QString&, TQvDemoScriptUserAction& Action) {
    Action.Add(std::make_unique<TQvDemoScriptMouseLeftDownAction>(P, TQvDemoScriptParams()));
    Action.Add(std::make_unique<TQvDemoScriptMouseLeftUpAction>(P, TQvDemoScriptParams()));
    return true;
  };
  auto Handled = Parse(P, "OpenDemo \"a b\"");
  P.RunToEnd(*Handled);
  EXPECT_TRUE(P.Errors.isEmpty());
  EXPECT_EQ(P.Commands.last(), "OPENDEMO:a b");
  EXPECT_EQ(P.Sink.Log.size(), 2);
}

TEST(QvDemoScriptAction, MalformedNumbersAreReportedNotSkipped) {
  for (const char* Line : {"Pause 1-2", "MouseMove 1.2.3, 4", "RedEyeSize 99999999999", "Message \"x\", 2E"}) {
    TFakeDemoPlayback P;
    auto A = Parse(P, Line);
    ASSERT_TRUE(A) << Line;
    A->Execute();
    EXPECT_TRUE(A->IsDone()) << Line;
    EXPECT_EQ(P.Errors, QStringList{"Invalid arguments."}) << Line;
    EXPECT_TRUE(P.Commands.isEmpty()) << Line;
  }
}
