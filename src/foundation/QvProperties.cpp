#include "QvProperties.h"

#include <cstdlib>
#include <cstring>
#include <new>

void TQvCustomProperties::FreeEntry::operator()(TQvPropertyItem* P) const { std::free(P); }

TQvCustomProperties::EntryPtr TQvCustomProperties::NewEntry(std::uint32_t Key, std::uint32_t DataType,
                                                             std::uint32_t Size) {
  // One block: the header, then the value bytes, aligned for any scalar value.
  constexpr std::size_t Header = (sizeof(TQvPropertyItem) + alignof(std::max_align_t) - 1) /
                                 alignof(std::max_align_t) * alignof(std::max_align_t);
  void* Block = std::malloc(Header + Size);
  if (!Block) throw std::bad_alloc();
  auto* Item = static_cast<TQvPropertyItem*>(Block);
  Item->Key = Key;
  Item->Size = Size;
  Item->DataType = DataType;
  Item->Data = Size ? static_cast<unsigned char*>(Block) + Header : nullptr;
  return EntryPtr(Item);
}

TQvCustomProperties::~TQvCustomProperties() { Clear(); }

void TQvCustomProperties::DisposeValue(TQvPropertyItem&) {}

void TQvCustomProperties::CopyValue(TQvPropertyItem& Entry, const void* Data) {
  if (Entry.Size && Data) std::memcpy(Entry.Data, Data, Entry.Size);
  else if (Entry.Size) std::memset(Entry.Data, 0, Entry.Size);
}

void TQvCustomProperties::Assign(const TQvCustomProperties& Source) {
  if (&Source == this) return;
  Clear();
  for (int I = 0; I < Source.Count(); ++I) {
    const TQvPropertyItem* P = Source.Items(I);
    SetValue(P->Key, P->DataType, P->Size, P->Data);
  }
}

void TQvCustomProperties::SetValue(std::uint32_t Key, std::uint32_t DataType, std::uint32_t Size, const void* Data) {
  EntryPtr Entry = NewEntry(Key, DataType, Size);
  CopyValue(*Entry, Data);  // before the old value is disposed: Data may point into it
  if (!FItems) FItems = std::make_unique<std::vector<EntryPtr>>();
  const int Index = IndexOfKey(Key);
  if (Index >= 0) {
    EntryPtr& Slot = (*FItems)[static_cast<std::size_t>(Index)];
    DisposeValue(*Slot);
    Slot = std::move(Entry);
  } else {
    FItems->push_back(std::move(Entry));
  }
}

void TQvCustomProperties::SetInteger(std::uint32_t Key, std::int32_t Value) {
  SetValue(Key, QvPropertyType::Integer, sizeof(Value), &Value);
}

void TQvCustomProperties::SetDouble(std::uint32_t Key, double Value) {
  SetValue(Key, QvPropertyType::Double, sizeof(Value), &Value);
}

void TQvCustomProperties::SetString(std::uint32_t Key, const QString& Value) { SetString(Key, Value.toUtf8()); }

void TQvCustomProperties::SetString(std::uint32_t Key, QByteArrayView Value) {
  SetValue(Key, QvPropertyType::String, static_cast<std::uint32_t>(Value.size()), Value.data());
}

int TQvCustomProperties::IndexOfKey(std::uint32_t Key) const {
  for (int I = Count() - 1; I >= 0; --I)
    if ((*FItems)[static_cast<std::size_t>(I)]->Key == Key) return I;
  return -1;
}

void TQvCustomProperties::Delete(std::uint32_t Key) {
  const int Index = IndexOfKey(Key);
  if (Index < 0) return;
  DisposeValue(*(*FItems)[static_cast<std::size_t>(Index)]);
  FItems->erase(FItems->begin() + Index);
}

TQvPropertyItem* TQvCustomProperties::Items(int Index) const {
  if (!FItems || Index < 0 || Index >= Count()) return nullptr;
  return (*FItems)[static_cast<std::size_t>(Index)].get();
}

void TQvCustomProperties::GetValue(int Index, QVariant& Value) const {
  Value = QVariant();
  const TQvPropertyItem* P = Items(Index);
  if (!P) return;
  switch (P->DataType) {
    case QvPropertyType::Integer:
      if (P->Size == sizeof(std::int32_t)) {
        std::int32_t V;
        std::memcpy(&V, P->Data, sizeof V);
        Value = V;
      }
      break;
    case QvPropertyType::Double:
      if (P->Size == sizeof(double)) {
        double V;
        std::memcpy(&V, P->Data, sizeof V);
        Value = V;
      }
      break;
    case QvPropertyType::String:
      Value = QString::fromUtf8(static_cast<const char*>(P->Data), P->Size);
      break;
    default: break;
  }
}

QVariant TQvCustomProperties::GetValue(int Index) const {
  QVariant V;
  GetValue(Index, V);
  return V;
}

void TQvCustomProperties::Clear() {
  if (!FItems) return;
  for (auto& E : *FItems) DisposeValue(*E);
  FItems.reset();
}

// ---------------------------------------------------------------------------------------------

namespace {
using SharedRef = std::shared_ptr<void>;
bool HoldsRef(const TQvPropertyItem& Entry) {
  return Entry.DataType == QvPropertyType::Interface && Entry.Size == sizeof(SharedRef) && Entry.Data;
}
}  // namespace

TQvProperties::~TQvProperties() { Clear(); }  // here, while DisposeValue still releases references

void TQvProperties::DisposeValue(TQvPropertyItem& Entry) {
  if (HoldsRef(Entry)) {
    static_cast<SharedRef*>(Entry.Data)->~SharedRef();
    Entry.DataType = 0;  // disposed: no second release
  }
}

void TQvProperties::CopyValue(TQvPropertyItem& Entry, const void* Data) {
  if (HoldsRef(Entry)) {
    // Data is the address of a std::shared_ptr<void>; the entry takes its own reference.
    new (Entry.Data) SharedRef(Data ? *static_cast<const SharedRef*>(Data) : SharedRef());
  } else {
    TQvCustomProperties::CopyValue(Entry, Data);
  }
}

void TQvProperties::SetInterface(std::uint32_t Key, std::shared_ptr<void> Value) {
  SetValue(Key, QvPropertyType::Interface, sizeof(SharedRef), &Value);
}

std::shared_ptr<void> TQvProperties::GetInterface(int Index) const {
  const TQvPropertyItem* P = Items(Index);
  if (!P || !HoldsRef(*P)) return nullptr;
  return *static_cast<const SharedRef*>(P->Data);
}
