// SDF: the compact binary format of nested, typed, numbered records used by the settings file.
//
// Every record starts with one header byte: bits 7-6 kind (0 end of node, 1 element, 2 node,
// 3 node with a value), bits 5-4 / 3-2 / 1-0 the width codes of the id, type and size fields
// (0 absent, 1 one byte, 2 two bytes, 3 four bytes, each little-endian). Then id, type, size, and
// for kinds 1-3 exactly `size` value bytes.
#pragma once

#include "QvGuid.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

// Raised when a value cannot be read from or written to the stream. Callers that load settings
// catch it per owner and keep their defaults.
class TQvSDFError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Type codes of element and node values.
namespace QvSDFType {
inline constexpr std::uint32_t Int8 = 1;  // also Boolean
inline constexpr std::uint32_t UInt8 = 2;
inline constexpr std::uint32_t Int16 = 3;
inline constexpr std::uint32_t UInt16 = 4;
inline constexpr std::uint32_t Int32 = 5;
inline constexpr std::uint32_t WideString = 12;  // UTF-16LE code units, no terminator
inline constexpr std::uint32_t Guid = 13;        // 16 bytes
inline constexpr std::uint32_t Buffer = 14;      // raw bytes
}  // namespace QvSDFType

// Record kinds (the two top bits of the header byte).
namespace QvSDFKind {
inline constexpr int End = 0;
inline constexpr int Element = 1;
inline constexpr int Node = 2;
inline constexpr int NodeWithValue = 3;
}  // namespace QvSDFKind

// One record of kind 1 (a value).
class TQvSDFElement {
 public:
  TQvSDFElement(std::uint32_t AId, std::uint32_t ADataType, std::uint32_t ASize, std::int64_t APosition)
      : Id(AId), DataType(ADataType), Size(ASize), Position(APosition) {}
  virtual ~TQvSDFElement() = default;

  std::uint32_t Id;
  std::uint32_t DataType;
  std::uint32_t Size;     // bytes of value
  std::int64_t Position;  // stream offset of the first value byte
};

class TQvSDFNode;

// The children of one level, in file order. Elements and nodes are looked up separately.
// Freeing a level frees its whole subtree without recursion.
class TQvSDFItems {
 public:
  TQvSDFItems() = default;
  ~TQvSDFItems();
  TQvSDFItems(const TQvSDFItems&) = delete;
  TQvSDFItems& operator=(const TQvSDFItems&) = delete;

  // First element (file order) with that id, or nullptr.
  TQvSDFElement* FindElement(std::uint32_t Id) const;
  // First node with that id, or nullptr.
  TQvSDFNode* FindNode(std::uint32_t Id) const;
  void Clear();

  std::vector<std::unique_ptr<TQvSDFElement>> Elements;
  std::vector<std::unique_ptr<TQvSDFNode>> Nodes;
};

// One record of kind 2 or 3; the inherited fields describe the node's own value.
class TQvSDFNode : public TQvSDFElement {
 public:
  TQvSDFNode(std::uint32_t AId, std::uint32_t ADataType, std::uint32_t ASize, std::int64_t APosition,
             TQvSDFNode* AParent)
      : TQvSDFElement(AId, ADataType, ASize, APosition), Parent(AParent) {}

  TQvSDFNode* Parent;  // nullptr at top level
  TQvSDFItems Items;
};

// Parses a whole stream into a tree once (headers only; values are skipped) and answers look-ups by
// id on the level it is on. Values are read from the stream when asked for, never cached, so the
// stream must stay open and seekable for the reader's life (a sequential device is copied into
// memory first).
//
// Malformed or truncated input never throws from the constructor: the tree holds everything read
// before the fault. The Read* look-ups throw TQvSDFError only when the stream cannot deliver bytes
// the tree says are there (for instance a file that shrank after parsing).
class TQvSDFReader {
 public:
  // Parses Stream from its current position to its end. With OwnsStream the reader deletes the stream.
  TQvSDFReader(QIODevice* Stream, bool OwnsStream);
  // Parses a copy of Data (the reader owns the in-memory stream).
  explicit TQvSDFReader(const QByteArray& Data);
  ~TQvSDFReader();
  TQvSDFReader(const TQvSDFReader&) = delete;
  TQvSDFReader& operator=(const TQvSDFReader&) = delete;

  QIODevice* Stream() const { return FStream; }
  bool OwnsStream() const { return FOwnsStream; }
  const TQvSDFItems& Root() const { return FRoot; }
  TQvSDFNode* Current() const { return FCurrent; }  // nullptr = top level
  // Number of nodes entered from the top level (0 at top level).
  int Depth() const;

  // Enters the first node of this level with that id. Returns false and stays put if there is none.
  bool EnterNode(std::uint32_t Id);
  // Enters the first node of this level with that id whose value is the GUID (type 13, size 16).
  bool EnterNode(std::uint32_t Id, const TGUID& Value);
  // Goes back to the enclosing level; nothing at top level.
  void LeaveNode();
  // Goes back to the top level from any depth. The settings loop calls it before each owner, so an
  // owner that failed half-way inside its node cannot make later owners miss theirs.
  void ReturnToTopLevel() { FCurrent = nullptr; }

  // Id 0 means the entered node's own value (none at top level). All return false when no element
  // with that id exists here, and then leave Value unchanged.
  // Integer types (5,4) (1,1) (2,1) (3,2) (4,2) are sign- or zero-extended; other types/sizes
  // return true and leave Value unchanged.
  bool ReadInteger(std::uint32_t Id, std::int32_t& Value);
  // As ReadInteger; any non-zero number is true.
  bool ReadBoolean(std::uint32_t Id, bool& Value);
  // Type 12: size / 2 code units (an odd trailing byte is dropped). Other types: true, Value unchanged.
  bool ReadWideString(std::uint32_t Id, QString& Value);
  // Copies the value bytes only when the size equals Size exactly; the type plays no part.
  bool ReadBuffer(std::uint32_t Id, void* Buffer, std::uint32_t Size);
  // The value bytes of any size and type (a convenience beyond ReadBuffer).
  bool ReadBytes(std::uint32_t Id, QByteArray& Value);

  // Records past this many are ignored, as if the input ended there. A settings file holds a few
  // thousand; the cap bounds the memory a crafted file can make the tree take (about 100 bytes a
  // record against one byte of input).
  static constexpr std::int64_t MaxRecords = std::int64_t(1) << 20;

  // The element that a look-up of Id on this level finds (the entered node itself for Id 0), or nullptr.
  const TQvSDFElement* FindElement(std::uint32_t Id) const;

 private:
  void Parse();
  QByteArray ReadValue(const TQvSDFElement& Element);

  QIODevice* FStream = nullptr;
  bool FOwnsStream = false;
  TQvSDFItems FRoot;
  TQvSDFNode* FCurrent = nullptr;
};

// Appends records at the stream's current position. Keeps no nesting state: balancing BeginNode and
// EndNode is the caller's duty. Without a stream every write does nothing. A short write throws
// TQvSDFError.
class TQvSDFWriter {
 public:
  TQvSDFWriter(QIODevice* Stream, bool OwnsStream);
  ~TQvSDFWriter();
  TQvSDFWriter(const TQvSDFWriter&) = delete;
  TQvSDFWriter& operator=(const TQvSDFWriter&) = delete;

  QIODevice* Stream() const { return FStream; }
  bool OwnsStream() const { return FOwnsStream; }

  void BeginNode(std::uint32_t Id, const TGUID& Value);  // kind 3, type 13, size 16
  void BeginNode(std::uint32_t Id, std::int32_t Value);  // kind 3, type 5, size 4
  void EndNode();                                        // the byte 00
  void WriteBoolean(std::uint32_t Id, bool Value);       // type 1, size 1
  void WriteInteger(std::uint32_t Id, std::int32_t Value);  // type 5, size 4
  void WriteWideString(std::uint32_t Id, const QString& Value);  // type 12, size 2 * length
  void WriteBuffer(std::uint32_t Id, const void* Buffer, std::uint32_t Size);  // type 14
  void WriteBuffer(std::uint32_t Id, const QByteArray& Buffer);

  // Any record; header widths are the smallest that hold each field.
  void WriteRecord(int Kind, std::uint32_t Id, std::uint32_t DataType, const void* Value, std::uint32_t Size);

 private:
  void Put(const void* Data, qint64 Size);

  QIODevice* FStream = nullptr;
  bool FOwnsStream = false;
};
