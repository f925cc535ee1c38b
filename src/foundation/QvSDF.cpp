#include "QvSDF.h"

#include <QBuffer>

#include <cstring>

// ---------------------------------------------------------------------------------------------
// Tree

TQvSDFItems::~TQvSDFItems() { Clear(); }

void TQvSDFItems::Clear() {
  // Free the subtree with an explicit stack: a node is destroyed only after its children were moved
  // out, so destruction never recurses however deep the nesting.
  std::vector<std::unique_ptr<TQvSDFNode>> Pending = std::move(Nodes);
  Nodes.clear();
  Elements.clear();
  while (!Pending.empty()) {
    std::unique_ptr<TQvSDFNode> Node = std::move(Pending.back());
    Pending.pop_back();
    for (auto& Child : Node->Items.Nodes) Pending.push_back(std::move(Child));
    Node->Items.Nodes.clear();
  }
}

TQvSDFElement* TQvSDFItems::FindElement(std::uint32_t Id) const {
  for (const auto& E : Elements)
    if (E->Id == Id) return E.get();
  return nullptr;
}

TQvSDFNode* TQvSDFItems::FindNode(std::uint32_t Id) const {
  for (const auto& N : Nodes)
    if (N->Id == Id) return N.get();
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Reader

TQvSDFReader::TQvSDFReader(QIODevice* Stream, bool OwnsStream) : FStream(Stream), FOwnsStream(OwnsStream) {
  if (FStream && FStream->isSequential()) {
    // Values are read by seeking later; keep a seekable copy of what is left of the stream.
    auto* Copy = new QBuffer;
    Copy->setData(FStream->readAll());
    Copy->open(QIODevice::ReadOnly);
    if (FOwnsStream) delete FStream;
    FStream = Copy;
    FOwnsStream = true;
  }
  Parse();
}

TQvSDFReader::TQvSDFReader(const QByteArray& Data) : FOwnsStream(true) {
  auto* Buffer = new QBuffer;
  Buffer->setData(Data);
  Buffer->open(QIODevice::ReadOnly);
  FStream = Buffer;
  Parse();
}

TQvSDFReader::~TQvSDFReader() {
  FRoot.Clear();
  if (FOwnsStream) delete FStream;
}

int TQvSDFReader::Depth() const {
  int D = 0;
  for (const TQvSDFNode* N = FCurrent; N; N = N->Parent) ++D;
  return D;
}

namespace {
// Reads a little-endian field of 0, 1, 2 or 4 bytes into a zeroed 32-bit number.
bool ReadField(QIODevice& S, int WidthCode, std::uint32_t& Value) {
  static constexpr int Widths[4] = {0, 1, 2, 4};
  const int W = Widths[WidthCode & 3];
  Value = 0;
  if (W == 0) return true;
  unsigned char B[4] = {};
  if (S.read(reinterpret_cast<char*>(B), W) != W) return false;
  for (int I = 0; I < W; ++I) Value |= std::uint32_t(B[I]) << (8 * I);
  return true;
}
}  // namespace

void TQvSDFReader::Parse() {
  FCurrent = nullptr;
  if (!FStream || !FStream->isReadable()) return;
  const std::int64_t End = FStream->size();
  TQvSDFNode* Level = nullptr;  // nullptr = top level
  for (std::int64_t Records = 0; Records < MaxRecords; ++Records) {
    char HeaderChar;
    if (!FStream->getChar(&HeaderChar)) break;
    const auto Header = static_cast<unsigned char>(HeaderChar);
    const int Kind = Header >> 6;
    std::uint32_t Id, DataType, Size;
    if (!ReadField(*FStream, (Header >> 4) & 3, Id) || !ReadField(*FStream, (Header >> 2) & 3, DataType) ||
        !ReadField(*FStream, Header & 3, Size))
      break;
    if (Kind == QvSDFKind::End) {
      if (!Level) break;  // anything after a top-level end record is ignored
      Level = Level->Parent;
      continue;
    }
    const std::int64_t Position = FStream->pos();
    // Check in 64 bits that the value fits in what is left of the stream before skipping it.
    if (Position < 0 || std::int64_t(Size) > End - Position) break;
    if (!FStream->seek(Position + std::int64_t(Size))) break;
    TQvSDFItems& Items = Level ? Level->Items : FRoot;
    if (Kind == QvSDFKind::Element) {
      Items.Elements.push_back(std::make_unique<TQvSDFElement>(Id, DataType, Size, Position));
    } else {
      Items.Nodes.push_back(std::make_unique<TQvSDFNode>(Id, DataType, Size, Position, Level));
      Level = Items.Nodes.back().get();
    }
  }
}

bool TQvSDFReader::EnterNode(std::uint32_t Id) {
  const TQvSDFItems& Items = FCurrent ? FCurrent->Items : FRoot;
  if (TQvSDFNode* N = Items.FindNode(Id)) {
    FCurrent = N;
    return true;
  }
  return false;
}

bool TQvSDFReader::EnterNode(std::uint32_t Id, const TGUID& Value) {
  const TQvSDFItems& Items = FCurrent ? FCurrent->Items : FRoot;
  const auto Wanted = Value.ToBytes();
  for (const auto& N : Items.Nodes) {
    if (N->Id != Id || N->DataType != QvSDFType::Guid || N->Size != 16) continue;
    const QByteArray Bytes = ReadValue(*N);
    if (std::memcmp(Bytes.constData(), Wanted.data(), 16) == 0) {
      FCurrent = N.get();
      return true;
    }
  }
  return false;
}

void TQvSDFReader::LeaveNode() {
  if (FCurrent) FCurrent = FCurrent->Parent;
}

const TQvSDFElement* TQvSDFReader::FindElement(std::uint32_t Id) const {
  if (Id == 0) return FCurrent;  // the entered node's own value; none at top level
  const TQvSDFItems& Items = FCurrent ? FCurrent->Items : FRoot;
  return Items.FindElement(Id);
}

QByteArray TQvSDFReader::ReadValue(const TQvSDFElement& Element) {
  if (Element.Size == 0) return QByteArray();
  if (!FStream->seek(Element.Position))
    throw TQvSDFError("SDF: cannot seek to a value at offset " + std::to_string(Element.Position));
  QByteArray Bytes = FStream->read(Element.Size);
  if (Bytes.size() != qsizetype(Element.Size))
    throw TQvSDFError("SDF: value at offset " + std::to_string(Element.Position) + " is cut short");
  return Bytes;
}

namespace {
// The (type, size) pairs that hold a number.
bool IsNumber(const TQvSDFElement& E) {
  switch (E.DataType) {
    case QvSDFType::Int8:
    case QvSDFType::UInt8: return E.Size == 1;
    case QvSDFType::Int16:
    case QvSDFType::UInt16: return E.Size == 2;
    case QvSDFType::Int32: return E.Size == 4;
    default: return false;
  }
}
}  // namespace

bool TQvSDFReader::ReadInteger(std::uint32_t Id, std::int32_t& Value) {
  const TQvSDFElement* E = FindElement(Id);
  if (!E) return false;
  if (!IsNumber(*E)) return true;
  const QByteArray B = ReadValue(*E);
  const auto* P = reinterpret_cast<const unsigned char*>(B.constData());
  switch (E->DataType) {
    case QvSDFType::Int8: Value = static_cast<std::int8_t>(P[0]); break;
    case QvSDFType::UInt8: Value = P[0]; break;
    case QvSDFType::Int16: Value = static_cast<std::int16_t>(std::uint16_t(P[0] | P[1] << 8)); break;
    case QvSDFType::UInt16: Value = std::uint16_t(P[0] | P[1] << 8); break;
    default:
      Value = static_cast<std::int32_t>(std::uint32_t(P[0]) | std::uint32_t(P[1]) << 8 |
                                        std::uint32_t(P[2]) << 16 | std::uint32_t(P[3]) << 24);
  }
  return true;
}

bool TQvSDFReader::ReadBoolean(std::uint32_t Id, bool& Value) {
  const TQvSDFElement* E = FindElement(Id);
  if (!E) return false;
  if (!IsNumber(*E)) return true;
  std::int32_t N = 0;
  ReadInteger(Id, N);
  Value = N != 0;
  return true;
}

bool TQvSDFReader::ReadWideString(std::uint32_t Id, QString& Value) {
  const TQvSDFElement* E = FindElement(Id);
  if (!E) return false;
  if (E->DataType != QvSDFType::WideString) return true;
  const QByteArray B = ReadValue(*E);
  const qsizetype Units = B.size() / 2;
  QString S(Units, Qt::Uninitialized);
  const auto* P = reinterpret_cast<const unsigned char*>(B.constData());
  for (qsizetype I = 0; I < Units; ++I) S[I] = QChar(char16_t(P[2 * I] | P[2 * I + 1] << 8));
  Value = S;
  return true;
}

bool TQvSDFReader::ReadBuffer(std::uint32_t Id, void* Buffer, std::uint32_t Size) {
  const TQvSDFElement* E = FindElement(Id);
  if (!E || E->Size != Size) return false;
  const QByteArray B = ReadValue(*E);
  if (Size) std::memcpy(Buffer, B.constData(), Size);
  return true;
}

bool TQvSDFReader::ReadBytes(std::uint32_t Id, QByteArray& Value) {
  const TQvSDFElement* E = FindElement(Id);
  if (!E) return false;
  Value = ReadValue(*E);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writer

TQvSDFWriter::TQvSDFWriter(QIODevice* Stream, bool OwnsStream) : FStream(Stream), FOwnsStream(OwnsStream) {}

TQvSDFWriter::~TQvSDFWriter() {
  if (FOwnsStream) delete FStream;
}

void TQvSDFWriter::Put(const void* Data, qint64 Size) {
  if (Size == 0) return;
  if (FStream->write(static_cast<const char*>(Data), Size) != Size)
    throw TQvSDFError("SDF: cannot write to the stream: " + FStream->errorString().toStdString());
}

namespace {
// Width code and byte count of the smallest field that holds V.
int WidthCodeOf(std::uint32_t V) { return V == 0 ? 0 : V <= 0xFF ? 1 : V <= 0xFFFF ? 2 : 3; }
}  // namespace

void TQvSDFWriter::WriteRecord(int Kind, std::uint32_t Id, std::uint32_t DataType, const void* Value,
                               std::uint32_t Size) {
  if (!FStream) return;
  static constexpr int Widths[4] = {0, 1, 2, 4};
  unsigned char Head[13];
  int N = 0;
  const int IdCode = WidthCodeOf(Id), TypeCode = WidthCodeOf(DataType), SizeCode = WidthCodeOf(Size);
  Head[N++] = static_cast<unsigned char>((Kind & 3) << 6 | IdCode << 4 | TypeCode << 2 | SizeCode);
  for (const auto& [V, Code] : {std::pair{Id, IdCode}, std::pair{DataType, TypeCode}, std::pair{Size, SizeCode}})
    for (int I = 0; I < Widths[Code]; ++I) Head[N++] = static_cast<unsigned char>(V >> (8 * I));
  QByteArray Record(reinterpret_cast<const char*>(Head), N);
  if (Kind != QvSDFKind::End && Size) Record.append(static_cast<const char*>(Value), Size);
  Put(Record.constData(), Record.size());
}

void TQvSDFWriter::BeginNode(std::uint32_t Id, const TGUID& Value) {
  const auto B = Value.ToBytes();
  WriteRecord(QvSDFKind::NodeWithValue, Id, QvSDFType::Guid, B.data(), 16);
}

namespace {
std::array<unsigned char, 4> LittleEndian(std::int32_t Value) {
  const auto U = static_cast<std::uint32_t>(Value);
  return {static_cast<unsigned char>(U), static_cast<unsigned char>(U >> 8), static_cast<unsigned char>(U >> 16),
          static_cast<unsigned char>(U >> 24)};
}
}  // namespace

void TQvSDFWriter::BeginNode(std::uint32_t Id, std::int32_t Value) {
  const auto B = LittleEndian(Value);
  WriteRecord(QvSDFKind::NodeWithValue, Id, QvSDFType::Int32, B.data(), 4);
}

void TQvSDFWriter::EndNode() { WriteRecord(QvSDFKind::End, 0, 0, nullptr, 0); }

void TQvSDFWriter::WriteBoolean(std::uint32_t Id, bool Value) {
  const unsigned char B = Value ? 1 : 0;
  WriteRecord(QvSDFKind::Element, Id, QvSDFType::Int8, &B, 1);
}

void TQvSDFWriter::WriteInteger(std::uint32_t Id, std::int32_t Value) {
  const auto B = LittleEndian(Value);
  WriteRecord(QvSDFKind::Element, Id, QvSDFType::Int32, B.data(), 4);
}

void TQvSDFWriter::WriteWideString(std::uint32_t Id, const QString& Value) {
  if (!FStream) return;
  if (std::uint64_t(Value.size()) * 2 > 0xFFFFFFFFull) throw TQvSDFError("SDF: string too long for one record");
  QByteArray B(Value.size() * 2, Qt::Uninitialized);
  for (qsizetype I = 0; I < Value.size(); ++I) {
    const char16_t U = Value[I].unicode();
    B[2 * I] = static_cast<char>(U & 0xFF);
    B[2 * I + 1] = static_cast<char>(U >> 8);
  }
  WriteRecord(QvSDFKind::Element, Id, QvSDFType::WideString, B.constData(), static_cast<std::uint32_t>(B.size()));
}

void TQvSDFWriter::WriteBuffer(std::uint32_t Id, const void* Buffer, std::uint32_t Size) {
  WriteRecord(QvSDFKind::Element, Id, QvSDFType::Buffer, Buffer, Size);
}

void TQvSDFWriter::WriteBuffer(std::uint32_t Id, const QByteArray& Buffer) {
  if (std::uint64_t(Buffer.size()) > 0xFFFFFFFFull) throw TQvSDFError("SDF: buffer too long for one record");
  WriteBuffer(Id, Buffer.constData(), static_cast<std::uint32_t>(Buffer.size()));
}
