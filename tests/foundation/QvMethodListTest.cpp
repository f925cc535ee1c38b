#include "QvMethodList.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct TBase {
  virtual ~TBase() = default;
  std::string Log;
  virtual void Localize() { Log += "B"; }
  void Idle() { Log += "I"; }
};
struct TDerived : TBase {
  void Localize() override { Log += "D"; }
};

int FreeCalls = 0;
void FreeHandler() { ++FreeCalls; }
}  // namespace

TEST(QvMethodList, EqualityIsObjectAndCode) {
  TDerived A, B;
  EXPECT_TRUE(TQvMethod(&A, &TBase::Localize) == TQvMethod(&A, &TBase::Localize));
  EXPECT_FALSE(TQvMethod(&A, &TBase::Localize) == TQvMethod(&B, &TBase::Localize));
  EXPECT_FALSE(TQvMethod(&A, &TBase::Localize) == TQvMethod(&A, &TBase::Idle));
  EXPECT_TRUE(TQvMethod(FreeHandler) == TQvMethod(FreeHandler));
  EXPECT_TRUE(TQvMethod(&A, 7, [] {}) == TQvMethod(&A, 7, [] {}));
  EXPECT_FALSE(TQvMethod(&A, 7, [] {}) == TQvMethod(&A, 8, [] {}));
  EXPECT_FALSE(TQvMethod(&A, 7, [] {}) == TQvMethod(&A, &TBase::Idle));
}

TEST(QvMethodList, VirtualMemberCallsOverride) {
  TDerived A;
  TQvMethod M(&A, &TBase::Localize);
  M();
  EXPECT_EQ(A.Log, "D");
}

// A method registered twice: Remove takes only the later registration.
TEST(QvMethodList, RemoveDeletesLastEqualEntry) {
  TDerived A, B;
  TQvMethodList L;
  L.Add(TQvMethod(&A, &TBase::Idle));
  L.Add(TQvMethod(&B, &TBase::Idle));
  L.Add(TQvMethod(&A, &TBase::Idle));
  EXPECT_EQ(L.Remove(TQvMethod(&A, &TBase::Idle)), 2);
  ASSERT_EQ(L.Count(), 2);
  TQvMethod M;
  ASSERT_TRUE(L.Get(1, M));
  EXPECT_TRUE(M == TQvMethod(&B, &TBase::Idle));
  EXPECT_EQ(L.Remove(TQvMethod(&A, &TBase::Localize)), -1);
  EXPECT_EQ(L.Remove(TQvMethod(&A, &TBase::Idle)), 0);
  EXPECT_EQ(L.Count(), 1);
}

TEST(QvMethodList, CallRunsInOrderAndSurvivesSelfRemoval) {
  TQvMethodList L;
  std::string Log;
  L.Add(TQvMethod(&L, 1, [&] {
    Log += "1";
    L.Remove(TQvMethod(&L, 1, {}));
  }));
  L.Add(TQvMethod(&L, 2, [&] { Log += "2"; }));
  L.Add(TQvMethod(FreeHandler));
  FreeCalls = 0;
  L.Call();
  EXPECT_EQ(Log, "12");
  EXPECT_EQ(FreeCalls, 1);
  L.Call();
  EXPECT_EQ(Log, "122");
  EXPECT_EQ(FreeCalls, 2);
}

TEST(QvMethodList, WithArguments) {
  TQvMethodListT<int> L;
  int Sum = 0;
  L.Add(TQvMethodT<int>(&Sum, 1, [&](int V) { Sum += V; }));
  L.Add(TQvMethodT<int>(&Sum, 2, [&](int V) { Sum += 10 * V; }));
  L.Call(2);
  EXPECT_EQ(Sum, 22);
}

// A handler that removes another one during a call: the removed handler is not called (its object
// may be gone).
TEST(QvMethodList, HandlerRemovedDuringCallIsNotCalled) {
  TQvMethodList L;
  std::string Log;
  L.Add(TQvMethod(&L, 1, [&] {
    Log += "1";
    L.Remove(TQvMethod(&L, 2, {}));
    L.Add(TQvMethod(&L, 3, [&] { Log += "3"; }));
  }));
  L.Add(TQvMethod(&L, 2, [&] { Log += "2"; }));
  L.Call();
  EXPECT_EQ(Log, "1");
  EXPECT_EQ(L.Count(), 2);
}
