// Keyed lists of typed values whose entries have the layout of an image-metadata property item.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <vector>

// One entry: a single heap block holding this 16-byte-style header followed by the value bytes;
// Data points at those bytes (or is nullptr for a zero-length value).
struct TQvPropertyItem {
  std::uint32_t Key;       // 32-bit identifier (an EXIF tag, or an argument number)
  std::uint32_t Size;      // byte length of the value
  std::uint32_t DataType;  // type code; the low 16 bits are the metadata type for image metadata
  void* Data;              // the value, stored right after this header in the same block
};

// Type codes of the setters below (metadata entries keep their own codes).
namespace QvPropertyType {
inline constexpr std::uint32_t Integer = 5;    // 32-bit signed integer, 4 bytes
inline constexpr std::uint32_t Double = 10;    // IEEE double, 8 bytes
inline constexpr std::uint32_t String = 11;    // narrow string (UTF-8 bytes), no terminator
inline constexpr std::uint32_t Interface = 16; // a shared object reference (TQvProperties only)
}  // namespace QvPropertyType

class TQvCustomProperties {
 public:
  TQvCustomProperties() = default;
  virtual ~TQvCustomProperties();
  TQvCustomProperties(const TQvCustomProperties&) = delete;
  TQvCustomProperties& operator=(const TQvCustomProperties&) = delete;

  // Releases what the entry's value refers to before the entry is freed or overwritten. Default: nothing.
  virtual void DisposeValue(TQvPropertyItem& Entry);
  // Clear, then copy every entry of Source in order with SetValue.
  virtual void Assign(const TQvCustomProperties& Source);

  // Replaces the entry with Key in place (same position; old value disposed) or appends a new one.
  // Copies Size bytes from Data.
  void SetValue(std::uint32_t Key, std::uint32_t DataType, std::uint32_t Size, const void* Data);
  void SetInteger(std::uint32_t Key, std::int32_t Value);  // type 5
  void SetDouble(std::uint32_t Key, double Value);         // type 10
  void SetString(std::uint32_t Key, const QString& Value); // type 11, stored as UTF-8
  void SetString(std::uint32_t Key, QByteArrayView Value); // type 11, the bytes as they are
  void SetString(std::uint32_t Key, const QByteArray& Value) { SetString(Key, QByteArrayView(Value)); }
  void SetString(std::uint32_t Key, const char* Value) { SetString(Key, QByteArrayView(Value)); }

  // Searched from the last entry backwards; -1 if absent.
  int IndexOfKey(std::uint32_t Key) const;
  // Disposes, frees and removes the entry with that key, if any.
  void Delete(std::uint32_t Key);
  int Count() const { return FItems ? static_cast<int>(FItems->size()) : 0; }
  // The entry at Index; nullptr when the list was never created or Index is out of range.
  TQvPropertyItem* Items(int Index) const;
  // By position: a QVariant holding int (type 5), double (type 10) or QString (type 11, from UTF-8);
  // an invalid QVariant for any other type or an index out of range.
  void GetValue(int Index, QVariant& Value) const;
  QVariant GetValue(int Index) const;
  // Disposes and frees every entry, first to last, and frees the list.
  void Clear();

 protected:
  // Fills a freshly allocated entry's value from Data (Size bytes). Default: copies the bytes.
  virtual void CopyValue(TQvPropertyItem& Entry, const void* Data);

 private:
  struct FreeEntry {
    void operator()(TQvPropertyItem* P) const;
  };
  using EntryPtr = std::unique_ptr<TQvPropertyItem, FreeEntry>;
  static EntryPtr NewEntry(std::uint32_t Key, std::uint32_t DataType, std::uint32_t Size);

  std::unique_ptr<std::vector<EntryPtr>> FItems;  // created on the first insertion
};

// Adds entries of type 16 holding a shared object reference: the value bytes are a
// std::shared_ptr<void>, copied (reference taken) by SetValue and released by DisposeValue.
class TQvProperties : public TQvCustomProperties {
 public:
  TQvProperties() = default;
  ~TQvProperties() override;

  void DisposeValue(TQvPropertyItem& Entry) override;
  void SetInterface(std::uint32_t Key, std::shared_ptr<void> Value);
  // The reference held by the entry at Index, or nullptr if it holds none.
  std::shared_ptr<void> GetInterface(int Index) const;

 protected:
  void CopyValue(TQvPropertyItem& Entry, const void* Data) override;
};
