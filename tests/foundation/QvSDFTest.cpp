#include "QvSDF.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPointer>

#include <functional>
#include <string>

namespace {

QByteArray Hex(const char* Text) { return QByteArray::fromHex(QByteArray(Text)); }

// Runs Write on a writer over a fresh buffer and returns the bytes.
QByteArray Written(const std::function<void(TQvSDFWriter&)>& Write) {
  QBuffer Buffer;
  Buffer.open(QIODevice::WriteOnly);
  TQvSDFWriter W(&Buffer, false);
  Write(W);
  return Buffer.data();
}

constexpr TGUID GuidA = TGUID::Parse("{7AF6D7FF-618B-41D9-882E-419D500DF28B}");
constexpr TGUID GuidB = TGUID::Parse("{0D2C6322-B31A-4FCD-A7E4-71D628A95439}");

}  // namespace

TEST(QvGuid, ParseAndBinaryLayout) {
  static_assert(GuidA.Data1 == 0x7AF6D7FF && GuidA.Data2 == 0x618B && GuidA.Data3 == 0x41D9);
  const auto B = GuidA.ToBytes();
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(B.data()), 16), Hex("FFD7F67A8B61D941882E419D500DF28B"));
  EXPECT_EQ(TGUID::FromBytes(B.data()), GuidA);
  EXPECT_EQ(GuidA.ToString(), "{7AF6D7FF-618B-41D9-882E-419D500DF28B}");
  TGUID G;
  EXPECT_TRUE(TGUID::TryParse("7af6d7ff-618b-41d9-882e-419d500df28b", G));
  EXPECT_EQ(G, GuidA);
  EXPECT_FALSE(TGUID::TryParse("{7AF6D7FF-618B-41D9-882E-419D500DF28}", G));
  EXPECT_FALSE(TGUID::TryParse("{7AF6D7FF-618B-41D9-882E-419D500DF2XB}", G));
  EXPECT_EQ(QvSettingsGuid::GlareTool, QvSettingsGuid::RedEyeTool);
}

// The byte examples of the format, written and read back.
TEST(QvSDF, WriterProducesReferenceBytes) {
  struct Case {
    const char* Name;
    std::function<void(TQvSDFWriter&)> Write;
    const char* Bytes;
  };
  const Case Cases[] = {
      {"main window node with language 1033",
       [](TQvSDFWriter& W) {
         W.BeginNode(1, QvSettingsGuid::MainForm);
         W.WriteInteger(1, 1033);
         W.EndNode();
       },
       "D5010D10FFD7F67A8B61D941882E419D500DF28B550105040904000000"},
      {"wide string", [](TQvSDFWriter& W) { W.WriteWideString(3, "ab"); }, "55030C0461006200"},
      {"empty wide string, two-byte id", [](TQvSDFWriter& W) { W.WriteWideString(300, ""); }, "642C010C"},
      {"integer node", [](TQvSDFWriter& W) { W.BeginNode(1, 2); }, "D501050402000000"},
      {"boolean", [](TQvSDFWriter& W) { W.WriteBoolean(2, true); }, "5502010101"},
      {"buffer", [](TQvSDFWriter& W) { W.WriteBuffer(7, "\x01\x02\x03", 3); }, "55070E03010203"},
      {"four-byte id", [](TQvSDFWriter& W) { W.WriteBoolean(0x10000, false); }, "7500000100010100"},
      {"id 0 omits the field", [](TQvSDFWriter& W) { W.WriteInteger(0, -1); }, "450504FFFFFFFF"},
      {"end", [](TQvSDFWriter& W) { W.EndNode(); }, "00"},
  };
  for (const auto& C : Cases) EXPECT_EQ(Written(C.Write).toHex().toUpper(), QByteArray(C.Bytes)) << C.Name;
}

TEST(QvSDF, ReaderReadsReferenceBytes) {
  TQvSDFReader R(Hex("D5010D10FFD7F67A8B61D941882E419D500DF28B550105040904000000"));
  std::int32_t Language = 0;
  EXPECT_FALSE(R.ReadInteger(1, Language)) << "the element lies inside the node";
  ASSERT_TRUE(R.EnterNode(1, QvSettingsGuid::MainForm));
  EXPECT_EQ(R.Depth(), 1);
  EXPECT_TRUE(R.ReadInteger(1, Language));
  EXPECT_EQ(Language, 1033);
  R.LeaveNode();
  EXPECT_EQ(R.Current(), nullptr);
  R.LeaveNode();  // at top level: nothing
  EXPECT_EQ(R.Current(), nullptr);

  TQvSDFReader S(Hex("55030C0461006200642C010C"));
  QString Text = "unchanged";
  EXPECT_TRUE(S.ReadWideString(3, Text));
  EXPECT_EQ(Text, "ab");
  EXPECT_TRUE(S.ReadWideString(300, Text));
  EXPECT_EQ(Text, "");

  TQvSDFReader N(Hex("D501050402000000"));
  ASSERT_TRUE(N.EnterNode(1));
  std::int32_t Count = 0;
  EXPECT_TRUE(N.ReadInteger(0, Count)) << "id 0 is the entered node's own value";
  EXPECT_EQ(Count, 2);
}

TEST(QvSDF, IntegersRoundTripAndWidthsDependOnFieldsOnly) {
  for (const std::int32_t V : {0, 255, 256, 65535, 65536, -1, INT32_MIN, INT32_MAX}) {
    const QByteArray Bytes = Written([V](TQvSDFWriter& W) { W.WriteInteger(9, V); });
    EXPECT_EQ(Bytes.size(), 8) << V;  // header, id, type, size, 4 value bytes
    TQvSDFReader R(Bytes);
    std::int32_t Back = 12345;
    EXPECT_TRUE(R.ReadInteger(9, Back));
    EXPECT_EQ(Back, V);
  }
}

TEST(QvSDF, ReaderAcceptsAnyFieldWidth) {
  // Element id 5 written with a 4-byte id, a 2-byte type and a 4-byte size field.
  TQvSDFReader R(Hex("7B" "05000000" "0500" "04000000" "2A000000"));
  std::int32_t V = 0;
  EXPECT_TRUE(R.ReadInteger(5, V));
  EXPECT_EQ(V, 42);
}

TEST(QvSDF, NumbersOfEveryIntegerType) {
  struct Case {
    const char* Bytes;  // one element with id 1
    bool Found;
    std::int32_t Integer;  // 777 = left unchanged
    bool Boolean;          // starting from false
  };
  const Case Cases[] = {
      {"550101017F", true, 127, true},        // signed 8-bit
      {"55010101FF", true, -1, true},         // signed 8-bit, sign-extended
      {"55010201FF", true, 255, true},        // unsigned 8-bit
      {"5501030200FF", true, -256, true},     // signed 16-bit
      {"5501040200FF", true, 65280, true},    // unsigned 16-bit
      {"550105040000000000", true, 0, false}, // signed 32-bit zero
      {"5501010200FF", true, 777, false},     // signed 8-bit type with a wrong size: unchanged
      {"55010C0461006200", true, 777, false}, // a string: found, unchanged
      {"55020504FFFFFFFF", false, 777, false},// another id
  };
  for (const auto& C : Cases) {
    TQvSDFReader R(Hex(C.Bytes));
    std::int32_t I = 777;
    bool B = false;
    EXPECT_EQ(R.ReadInteger(1, I), C.Found) << C.Bytes;
    EXPECT_EQ(I, C.Integer) << C.Bytes;
    EXPECT_EQ(R.ReadBoolean(1, B), C.Found) << C.Bytes;
    EXPECT_EQ(B, C.Boolean) << C.Bytes;
  }
}

TEST(QvSDF, StringsAndBuffers) {
  // A string of three bytes: the odd trailing byte is dropped.
  TQvSDFReader R(Hex("55010C03410042" "55020E020102" "550305040100000000"));
  QString S;
  EXPECT_TRUE(R.ReadWideString(1, S));
  EXPECT_EQ(S, "A");
  S = "keep";
  EXPECT_TRUE(R.ReadWideString(2, S));
  EXPECT_EQ(S, "keep") << "a buffer is not a string";
  unsigned char Two[2] = {}, Three[3] = {9, 9, 9}, Four[4] = {};
  EXPECT_TRUE(R.ReadBuffer(2, Two, 2));
  EXPECT_EQ(Two[0], 1);
  EXPECT_EQ(Two[1], 2);
  EXPECT_FALSE(R.ReadBuffer(2, Three, 3)) << "size must match exactly";
  EXPECT_EQ(Three[0], 9);
  EXPECT_TRUE(R.ReadBuffer(3, Four, 4)) << "any type whose size matches";
  EXPECT_EQ(Four[0], 1);
  QByteArray Any;
  EXPECT_TRUE(R.ReadBytes(1, Any));
  EXPECT_EQ(Any, Hex("410042"));
  EXPECT_FALSE(R.ReadBytes(4, Any));

  const QString Unicode = QString::fromUtf8("Привет \xF0\x9F\x98\x80");
  TQvSDFReader U(Written([&](TQvSDFWriter& W) { W.WriteWideString(1, Unicode); }));
  EXPECT_TRUE(U.ReadWideString(1, S));
  EXPECT_EQ(S, Unicode);
}

TEST(QvSDF, EmptyInputsGiveEmptyTrees) {
  for (const char* Bytes : {"", "00", "0055010101FF"}) {
    TQvSDFReader R(Hex(Bytes));
    EXPECT_TRUE(R.Root().Elements.empty()) << Bytes;
    EXPECT_TRUE(R.Root().Nodes.empty()) << Bytes;
    std::int32_t V = 5;
    EXPECT_FALSE(R.ReadInteger(1, V));
    EXPECT_FALSE(R.ReadInteger(0, V));
    EXPECT_FALSE(R.EnterNode(1));
    EXPECT_EQ(V, 5);
  }
}

TEST(QvSDF, IdZeroAtTopLevelCannotBeRead) {
  TQvSDFReader R(Written([](TQvSDFWriter& W) { W.WriteInteger(0, 7); }));
  ASSERT_EQ(R.Root().Elements.size(), 1u);
  std::int32_t V = 1;
  EXPECT_FALSE(R.ReadInteger(0, V));
  EXPECT_EQ(V, 1);
}

TEST(QvSDF, NodesWithTheSameIdAreChosenByGuid) {
  TQvSDFReader R(Written([](TQvSDFWriter& W) {
    W.BeginNode(1, GuidA);
    W.WriteInteger(1, 10);
    W.EndNode();
    W.BeginNode(1, GuidB);
    W.WriteInteger(1, 20);
    W.EndNode();
  }));
  std::int32_t V = 0;
  ASSERT_TRUE(R.EnterNode(1, GuidB));
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_EQ(V, 20);
  R.LeaveNode();
  ASSERT_TRUE(R.EnterNode(1));
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_EQ(V, 10);
  R.LeaveNode();
  EXPECT_FALSE(R.EnterNode(1, QvSettingsGuid::TextTool));
  EXPECT_FALSE(R.EnterNode(2));
  EXPECT_EQ(R.Current(), nullptr) << "a failed EnterNode stays where it was";
}

TEST(QvSDF, ElementsAndNodesAreLookedUpSeparately) {
  TQvSDFReader R(Written([](TQvSDFWriter& W) {
    W.BeginNode(1, GuidA);
    W.WriteInteger(3, 1);
    W.BeginNode(3, 99);
    W.WriteInteger(3, 2);
    W.EndNode();
    W.WriteInteger(3, 5);  // a second element 3: the first wins
    W.EndNode();
  }));
  ASSERT_TRUE(R.EnterNode(1, GuidA));
  std::int32_t V = 0;
  EXPECT_TRUE(R.ReadInteger(3, V));
  EXPECT_EQ(V, 1);
  ASSERT_TRUE(R.EnterNode(3));
  EXPECT_TRUE(R.ReadInteger(0, V));
  EXPECT_EQ(V, 99);
  EXPECT_TRUE(R.ReadInteger(3, V));
  EXPECT_EQ(V, 2);
  R.LeaveNode();
  R.LeaveNode();
  EXPECT_EQ(R.Depth(), 0);
}

TEST(QvSDF, KindTwoNodeWithValueIsReadLikeKindThree) {
  // Kind 2 header (0x95: id 1 byte, type 1 byte, size 1 byte) with an integer value, then an element.
  TQvSDFReader R(Hex("9501050407000000" "550105040800000000"));
  ASSERT_TRUE(R.EnterNode(1));
  std::int32_t V = 0;
  EXPECT_TRUE(R.ReadInteger(0, V));
  EXPECT_EQ(V, 7);
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_EQ(V, 8);
}

TEST(QvSDF, UnknownTypesStayReadableAsBuffers) {
  TQvSDFReader R(Hex("5501630201020001"));  // type 0x63, then an end record closing nothing
  std::int32_t V = 3;
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_EQ(V, 3);
  unsigned char B[2];
  EXPECT_TRUE(R.ReadBuffer(1, B, 2));
  EXPECT_EQ(B[1], 2);
}

// A file cut anywhere: parsing never fails, and every owner's node that was complete reads normally.
TEST(QvSDF, TruncatedInputKeepsCompleteNodes) {
  const QByteArray Full = Written([](TQvSDFWriter& W) {
    W.BeginNode(1, GuidA);
    W.WriteInteger(1, 11);
    W.WriteWideString(2, "first");
    W.EndNode();
    W.BeginNode(1, GuidB);
    W.WriteInteger(1, 22);
    W.WriteWideString(2, "second");
    W.EndNode();
  });
  // Node A: 20-byte node record, 8-byte integer, 14-byte string, end byte; node B likewise.
  const qsizetype FirstComplete = 20 + 8 + 14, SecondIntegerComplete = 43 + 20 + 8;
  ASSERT_EQ(Full.size(), 43 + 20 + 8 + 16 + 1);
  for (qsizetype Cut = 0; Cut <= Full.size(); ++Cut) {
    TQvSDFReader R(Full.left(Cut));
    std::int32_t V = -1;
    QString S;
    if (R.EnterNode(1, GuidA)) {
      R.ReadInteger(1, V);
      R.ReadWideString(2, S);
    }
    R.ReturnToTopLevel();
    if (Cut >= FirstComplete) {
      EXPECT_EQ(V, 11) << Cut;
      EXPECT_EQ(S, "first") << Cut;
    }
    V = -1;
    if (R.EnterNode(1, GuidB)) R.ReadInteger(1, V);
    EXPECT_EQ(V, Cut >= SecondIntegerComplete ? 22 : -1) << Cut;
  }
}

TEST(QvSDF, ValueLongerThanTheStreamEndsParsing) {
  // Element 1 complete; element 2 claims 0xFFFFFFFF bytes.
  TQvSDFReader R(Hex("550105040100000000" "550205FFFFFFFFFF0102"));
  EXPECT_EQ(R.Root().Elements.size(), 1u);
  std::int32_t V = 0;
  EXPECT_TRUE(R.ReadInteger(1, V));
  EXPECT_FALSE(R.ReadInteger(2, V));
}

// Regression: a crafted file of deeply nested nodes must neither overflow the stack while parsing
// nor while the tree is freed.
TEST(QvSDF, DeepNestingNeedsNoRecursion) {
  const int Depth = 1'000'000;
  QByteArray Bytes(Depth, char(0x80));  // kind 2, every field absent: an empty node
  Bytes.append("\x55\x01\x05\x04\x2A\x00\x00\x00", 8);
  {
    TQvSDFReader R(Bytes);
    int Entered = 0;
    while (R.EnterNode(0)) ++Entered;
    EXPECT_EQ(Entered, Depth);
    std::int32_t V = 0;
    EXPECT_TRUE(R.ReadInteger(1, V));
    EXPECT_EQ(V, 42);
    R.ReturnToTopLevel();
    EXPECT_EQ(R.Depth(), 0);
  }  // freeing the tree
  SUCCEED();
}

// Regression: an owner that throws half-way inside its node must not make later owners miss theirs;
// the settings loop returns the reader to the top level before each owner.
TEST(QvSDF, ReturnToTopLevelAfterAFailingOwner) {
  TQvSDFReader R(Written([](TQvSDFWriter& W) {
    W.BeginNode(1, GuidA);
    W.BeginNode(5, 0);
    W.EndNode();
    W.EndNode();
    W.BeginNode(1, GuidB);
    W.WriteInteger(1, 22);
    W.EndNode();
  }));
  const std::function<void()> Owners[] = {
      [&] {
        ASSERT_TRUE(R.EnterNode(1, GuidA));
        ASSERT_TRUE(R.EnterNode(5));
        throw std::runtime_error("owner failed inside its node");
      },
      [&] {
        std::int32_t V = 0;
        ASSERT_TRUE(R.EnterNode(1, GuidB));
        EXPECT_TRUE(R.ReadInteger(1, V));
        EXPECT_EQ(V, 22);
        R.LeaveNode();
      },
  };
  for (const auto& Load : Owners) {
    R.ReturnToTopLevel();
    try {
      Load();
    } catch (const std::exception&) {
    }
  }
}

TEST(QvSDF, StreamThatShrankAfterParsingThrows) {
  QByteArray Data = Written([](TQvSDFWriter& W) { W.WriteInteger(1, 5); });
  QBuffer Buffer(&Data);
  Buffer.open(QIODevice::ReadOnly);
  TQvSDFReader R(&Buffer, false);
  Data.truncate(5);
  std::int32_t V = 0;
  EXPECT_THROW(R.ReadInteger(1, V), TQvSDFError);
  EXPECT_EQ(V, 0);
}

TEST(QvSDF, ParsesFromTheCurrentPositionAndOwnsTheStream) {
  auto* Buffer = new QBuffer;
  Buffer->setData(Hex("FFFF" "550105040700000000"));
  Buffer->open(QIODevice::ReadOnly);
  Buffer->seek(2);
  QPointer<QBuffer> Watch(Buffer);
  {
    TQvSDFReader R(Buffer, true);
    std::int32_t V = 0;
    EXPECT_TRUE(R.ReadInteger(1, V));
    EXPECT_EQ(V, 7);
  }
  EXPECT_TRUE(Watch.isNull());
}

TEST(QvSDF, WriterWithoutStreamDoesNothing) {
  TQvSDFWriter W(nullptr, false);
  W.BeginNode(1, GuidA);
  W.WriteWideString(2, "x");
  W.EndNode();
  SUCCEED();
}

TEST(QvSDF, WriteToAFailingStreamThrows) {
  QBuffer ReadOnly;
  ReadOnly.open(QIODevice::ReadOnly);
  TQvSDFWriter W(&ReadOnly, false);
  EXPECT_THROW(W.WriteInteger(1, 1), TQvSDFError);
}

// Regression: a crafted file of millions of one-byte records must not make the tree take gigabytes.
TEST(QvSDF, RecordsPastTheCapAreIgnored) {
  const QByteArray Bytes(TQvSDFReader::MaxRecords + 10, char(0x40));  // empty elements with id 0
  TQvSDFReader R(Bytes);
  EXPECT_EQ(std::int64_t(R.Root().Elements.size()), TQvSDFReader::MaxRecords);
}
