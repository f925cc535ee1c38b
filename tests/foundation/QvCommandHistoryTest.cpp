#include "QvCommandHistory.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// Writes "u<name>", "r<name>" and "~<name>" to a shared log, and checks the position the history has
// while it runs.
class TLoggingState : public TQvCommandState {
 public:
  TLoggingState(std::string* Log, char Name, const TQvCommandHistoryList* History = nullptr)
      : FLog(Log), FName(Name), FHistory(History) {}
  ~TLoggingState() override { *FLog += std::string("~") + FName; }
  void Undo() override {
    *FLog += std::string("u") + FName;
    if (FHistory) PositionSeen = FHistory->Position();
  }
  void Redo() override {
    *FLog += std::string("r") + FName;
    if (FHistory) PositionSeen = FHistory->Position();
  }
  int PositionSeen = -1;

 private:
  std::string* FLog;
  char FName;
  const TQvCommandHistoryList* FHistory;
};

class TThrowingState : public TQvCommandState {
 public:
  void Undo() override { throw std::runtime_error("undo failed"); }
  void Redo() override { throw std::runtime_error("redo failed"); }
};
}  // namespace

TEST(QvCommandHistory, NewListHasNothingToUndoOrRedo) {
  TQvCommandHistoryList H;
  EXPECT_FALSE(H.CanUndo());
  EXPECT_FALSE(H.CanRedo());
  EXPECT_EQ(H.LastUndoState(), nullptr);
  EXPECT_EQ(H.NextRedoState(), nullptr);
  H.Undo();
  H.Redo();
  EXPECT_EQ(H.Position(), 0);
  EXPECT_EQ(H.States(0), nullptr);
}

TEST(QvCommandHistory, PositionFollowsUndoAndRedo) {
  std::string Log;
  TQvCommandHistoryList H;
  auto* A = new TLoggingState(&Log, 'a');
  auto* B = new TLoggingState(&Log, 'b');
  H.Add(A);
  H.Add(B);
  H.Undo();
  H.Undo();
  H.Redo();
  EXPECT_EQ(H.Position(), 1);
  EXPECT_EQ(H.Count(), 2);
  EXPECT_EQ(H.LastUndoState(), A);
  EXPECT_EQ(H.NextRedoState(), B);
  EXPECT_TRUE(H.CanUndo());
  EXPECT_TRUE(H.CanRedo());
  EXPECT_EQ(Log, "ubuara");
}

TEST(QvCommandHistory, UndoAllRedoAllOrder) {
  std::string Log;
  TQvCommandHistoryList H;
  for (char C : std::string("abc")) H.Add(std::make_unique<TLoggingState>(&Log, C));
  while (H.CanUndo()) H.Undo();
  while (H.CanRedo()) H.Redo();
  EXPECT_EQ(Log, "ucubuararbrc");
  H.Redo();  // nothing left to redo
  EXPECT_EQ(H.Position(), 3);
}

TEST(QvCommandHistory, StatesSeeThePositionAfterUndoAndBeforeRedo) {
  std::string Log;
  TQvCommandHistoryList H;
  auto* A = new TLoggingState(&Log, 'a', &H);
  H.Add(A);
  H.Undo();
  EXPECT_EQ(A->PositionSeen, 0);
  H.Redo();
  EXPECT_EQ(A->PositionSeen, 0);
  EXPECT_EQ(H.Position(), 1);
}

TEST(QvCommandHistory, AddDiscardsTheRedoTailAtOnce) {
  std::string Log;
  TQvCommandHistoryList H;
  for (char C : std::string("abcde")) H.Add(std::make_unique<TLoggingState>(&Log, C));
  H.Undo();
  H.Undo();
  H.Undo();
  Log.clear();
  H.Add(std::make_unique<TLoggingState>(&Log, 'f'));
  EXPECT_EQ(Log, "~e~d~c") << "freed last first, before the new state is recorded";
  EXPECT_EQ(H.Count(), 3);
  EXPECT_EQ(H.Position(), 3);
  EXPECT_FALSE(H.CanRedo());
}

TEST(QvCommandHistory, ClearRedoWithNothingToRedoKeepsEverything) {
  std::string Log;
  TQvCommandHistoryList H;
  H.Add(std::make_unique<TLoggingState>(&Log, 'a'));
  H.ClearRedo();
  EXPECT_EQ(H.Count(), 1);
  EXPECT_EQ(Log, "");
  H.Add(std::unique_ptr<TQvCommandState>());  // a null state is ignored
  EXPECT_EQ(H.Count(), 1);
}

// A tool refining its last change: undo its own state, then add a replacement; the old state stays
// as the redo tail until the Add frees it.
TEST(QvCommandHistory, RefiningTheLastState) {
  std::string Log;
  TQvCommandHistoryList H;
  H.Add(std::make_unique<TLoggingState>(&Log, 'a'));
  auto* Old = new TLoggingState(&Log, 'b');
  H.Add(Old);
  ASSERT_EQ(H.LastUndoState(), Old);
  H.Undo();
  EXPECT_EQ(H.NextRedoState(), Old);
  H.Add(std::make_unique<TLoggingState>(&Log, 'c'));
  EXPECT_EQ(Log, "ub~b");
  EXPECT_EQ(H.Count(), 2);
}

TEST(QvCommandHistory, ListFreesItsStates) {
  std::string Log;
  {
    TQvCommandHistoryList H;
    for (char C : std::string("abc")) H.Add(std::make_unique<TLoggingState>(&Log, C));
    H.Undo();
  }
  EXPECT_EQ(Log, "uc~c~b~a");
  Log.clear();
  TQvCommandHistoryList H;
  H.Add(std::make_unique<TLoggingState>(&Log, 'a'));
  H.Clear();
  EXPECT_EQ(Log, "~a");
  EXPECT_EQ(H.Position(), 0);
  EXPECT_FALSE(H.CanUndo());
}

TEST(QvCommandHistory, ExceptionsFromStates) {
  TQvCommandHistoryList H;
  H.Add(std::make_unique<TThrowingState>());
  EXPECT_THROW(H.Undo(), std::runtime_error);
  EXPECT_EQ(H.Position(), 0) << "Undo decrements before the state runs";
  EXPECT_THROW(H.Redo(), std::runtime_error);
  EXPECT_EQ(H.Position(), 0) << "Redo advances only after the state succeeded";
}
