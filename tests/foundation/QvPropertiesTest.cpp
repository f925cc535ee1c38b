#include "QvProperties.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(QvProperties, NeverFilledListIsEmpty) {
  TQvCustomProperties P;
  EXPECT_EQ(P.Count(), 0);
  EXPECT_EQ(P.Items(0), nullptr);
  EXPECT_EQ(P.IndexOfKey(1), -1);
  EXPECT_FALSE(P.GetValue(0).isValid());
  P.Delete(1);
  P.Clear();
}

TEST(QvProperties, TypedSettersAndGetValue) {
  TQvCustomProperties P;
  P.SetInteger(0, -100);
  P.SetDouble(1, 2.5);
  P.SetString(2, QString::fromUtf8("Grüße"));
  const unsigned char Raw[3] = {1, 2, 3};
  P.SetValue(0x010F, 2, 3, Raw);  // a metadata entry keeps its own type code
  ASSERT_EQ(P.Count(), 4);

  EXPECT_EQ(P.GetValue(0), QVariant(-100));
  EXPECT_EQ(P.GetValue(1), QVariant(2.5));
  EXPECT_EQ(P.GetValue(2), QVariant(QString::fromUtf8("Grüße")));
  EXPECT_FALSE(P.GetValue(3).isValid());
  EXPECT_FALSE(P.GetValue(-1).isValid());
  EXPECT_FALSE(P.GetValue(4).isValid());

  const TQvPropertyItem* Item = P.Items(3);
  ASSERT_NE(Item, nullptr);
  EXPECT_EQ(Item->Key, 0x010Fu);
  EXPECT_EQ(Item->DataType, 2u);
  ASSERT_EQ(Item->Size, 3u);
  EXPECT_EQ(std::memcmp(Item->Data, Raw, 3), 0);
  // The value lies in the same block, right after the header.
  EXPECT_GT(static_cast<const char*>(Item->Data), reinterpret_cast<const char*>(Item));
  EXPECT_EQ(P.Items(2)->Size, 7u);  // UTF-8 bytes, no terminator
}

TEST(QvProperties, SetValueOnAnExistingKeyKeepsItsPosition) {
  TQvCustomProperties P;
  P.SetInteger(10, 1);
  P.SetInteger(20, 2);
  P.SetInteger(30, 3);
  P.SetString(20, "two");
  ASSERT_EQ(P.Count(), 3);
  EXPECT_EQ(P.IndexOfKey(20), 1);
  EXPECT_EQ(P.GetValue(1), QVariant(QString("two")));
  P.Delete(20);
  EXPECT_EQ(P.Count(), 2);
  EXPECT_EQ(P.IndexOfKey(30), 1);
  P.SetValue(40, 14, 0, nullptr);
  EXPECT_EQ(P.Items(2)->Size, 0u);
}

TEST(QvProperties, SetValueFromItsOwnOldValue) {
  TQvCustomProperties P;
  P.SetString(1, "abc");
  const TQvPropertyItem* Old = P.Items(0);
  P.SetValue(1, 11, Old->Size, Old->Data);
  EXPECT_EQ(P.GetValue(0), QVariant(QString("abc")));
}

TEST(QvProperties, AssignCopiesInOrder) {
  TQvCustomProperties A, B;
  A.SetInteger(3, 30);
  A.SetString(1, "x");
  B.SetInteger(99, 0);
  B.Assign(A);
  ASSERT_EQ(B.Count(), 2);
  EXPECT_EQ(B.Items(0)->Key, 3u);
  EXPECT_EQ(B.GetValue(1), QVariant(QString("x")));
  EXPECT_NE(B.Items(0), A.Items(0));
}

namespace {
// Counts disposals, as a metadata list that owns outside resources would.
class TCountingProperties : public TQvCustomProperties {
 public:
  ~TCountingProperties() override { Clear(); }
  void DisposeValue(TQvPropertyItem&) override { ++Disposed; }
  int Disposed = 0;
};
}  // namespace

TEST(QvProperties, EveryReplacedOrRemovedEntryIsDisposed) {
  TCountingProperties P;
  P.SetInteger(1, 1);
  P.SetInteger(1, 2);  // overwrite
  P.SetInteger(2, 3);
  P.Delete(2);
  EXPECT_EQ(P.Disposed, 2);
  P.SetInteger(3, 4);
  P.Clear();
  EXPECT_EQ(P.Disposed, 4);
  EXPECT_EQ(P.Items(0), nullptr);
}

TEST(QvProperties, InterfaceEntriesHoldAReference) {
  auto Object = std::make_shared<int>(7);
  {
    TQvProperties P;
    P.SetInterface(1, Object);
    EXPECT_EQ(Object.use_count(), 2);
    TQvProperties Copy;
    Copy.Assign(P);
    EXPECT_EQ(Object.use_count(), 3);
    EXPECT_EQ(*std::static_pointer_cast<int>(Copy.GetInterface(0)), 7);
    EXPECT_FALSE(Copy.GetValue(0).isValid());
    P.SetInteger(1, 5);  // overwriting releases the reference
    EXPECT_EQ(Object.use_count(), 2);
    EXPECT_EQ(P.GetInterface(0), nullptr);
  }
  EXPECT_EQ(Object.use_count(), 1);
}
