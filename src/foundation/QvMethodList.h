// Method references (an object and its code) and ordered lists of them, for handler lists
// (idle handlers, localisation handlers, deferred calls).
//
// Two references are equal when they name the same object and the same code, so a handler can be
// removed by building the same reference again:
//     List.Add(TQvMethod(this, &TMyForm::Localize));
//     List.Remove(TQvMethod(this, &TMyForm::Localize));
// A lambda has no comparable code; give it an owner and a key of your choosing instead:
//     TQvMethod(this, /*Key*/ 1, [this] { ... });
#pragma once

#include <QtGlobal>

#include <array>
#include <cstring>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

template <typename... Args>
class TQvMethodT {
 public:
  using Signature = void(Args...);

  TQvMethodT() = default;

  // A member function of Object (Code may be a member of a base class of T). Calling a virtual member
  // calls the override, as a method pointer does. The object is identified as a C*, so build the
  // reference with the same member (same C) when removing it.
  template <class T, class C>
    requires std::is_base_of_v<C, T>
  TQvMethodT(T* Object, void (C::*Code)(Args...))
      : FObject(static_cast<C*>(Object)), FCodeType(&typeid(Code)) {
    static_assert(sizeof(Code) <= sizeof(FCode), "member pointer too large");
    std::memcpy(FCode.data(), &Code, sizeof(Code));
    C* Target = Object;
    FCall = [Target, Code](Args... A) { (Target->*Code)(std::forward<Args>(A)...); };
  }
  template <class T, class C>
    requires std::is_base_of_v<C, T>
  TQvMethodT(const T* Object, void (C::*Code)(Args...) const)
      : FObject(static_cast<const C*>(Object)), FCodeType(&typeid(Code)) {
    static_assert(sizeof(Code) <= sizeof(FCode), "member pointer too large");
    std::memcpy(FCode.data(), &Code, sizeof(Code));
    const C* Target = Object;
    FCall = [Target, Code](Args... A) { (Target->*Code)(std::forward<Args>(A)...); };
  }
  // A plain function: equal to another reference to the same function.
  explicit TQvMethodT(void (*Function)(Args...)) : FCodeType(&typeid(Function)) {
    std::memcpy(FCode.data(), &Function, sizeof(Function));
    FCall = Function;
  }
  // Any callable, identified by (Owner, Key): equal to another reference with the same owner and key.
  TQvMethodT(const void* Owner, quintptr Key, std::function<void(Args...)> Call)
      : FObject(Owner), FCodeType(&typeid(quintptr)), FCall(std::move(Call)) {
    std::memcpy(FCode.data(), &Key, sizeof(Key));
  }

  // The object (or owner) the reference belongs to; nullptr for a plain function.
  const void* Object() const { return FObject; }
  bool IsAssigned() const { return static_cast<bool>(FCall); }
  explicit operator bool() const { return IsAssigned(); }

  void operator()(Args... A) const {
    if (FCall) FCall(std::forward<Args>(A)...);
  }

  friend bool operator==(const TQvMethodT& L, const TQvMethodT& R) {
    if (L.FObject != R.FObject) return false;
    if ((L.FCodeType == nullptr) != (R.FCodeType == nullptr)) return false;
    if (L.FCodeType && *L.FCodeType != *R.FCodeType) return false;
    return L.FCode == R.FCode;
  }

 private:
  const void* FObject = nullptr;
  const std::type_info* FCodeType = nullptr;  // kind of code: the member-pointer type, function type, or key
  std::array<unsigned char, 2 * sizeof(void*)> FCode{};  // the member pointer, function pointer or key bytes
  std::function<void(Args...)> FCall;
};

// An ordered list of method references. Add appends a copy; Remove deletes the last equal entry.
template <typename... Args>
class TQvMethodListT {
 public:
  using Method = TQvMethodT<Args...>;

  void Add(const Method& M) { FItems.push_back(M); }
  // Copies the entry at Index into M; false (M unchanged) when Index is out of range.
  bool Get(int Index, Method& M) const {
    if (Index < 0 || Index >= Count()) return false;
    M = FItems[static_cast<std::size_t>(Index)];
    return true;
  }
  const Method& operator[](int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  // Searching from the last entry backwards, deletes the first equal entry; returns its index or -1.
  int Remove(const Method& M) {
    for (int I = Count() - 1; I >= 0; --I) {
      if (FItems[static_cast<std::size_t>(I)] == M) {
        FItems.erase(FItems.begin() + I);
        return I;
      }
    }
    return -1;
  }
  // Removes every entry that belongs to Object (Object() == Object).
  void RemoveObject(const void* Object) {
    std::erase_if(FItems, [Object](const Method& M) { return M.Object() == Object; });
  }
  void Delete(int Index) { FItems.erase(FItems.begin() + Index); }
  int IndexOf(const Method& M) const {
    for (int I = 0; I < Count(); ++I)
      if (FItems[static_cast<std::size_t>(I)] == M) return I;
    return -1;
  }
  int Count() const { return static_cast<int>(FItems.size()); }
  bool IsEmpty() const { return FItems.empty(); }
  void Clear() { FItems.clear(); }

  // Calls every entry in order. A handler may add or remove entries (itself included) while the list
  // is being called: the walk goes over the entries there were at the start, skipping any that have
  // been removed since; entries added meanwhile are called from the next Call on.
  void Call(Args... A) const {
    const std::vector<Method> Snapshot = FItems;
    for (const Method& M : Snapshot)
      if (IndexOf(M) >= 0) M(A...);
  }

 private:
  std::vector<Method> FItems;
};

// Parameterless method references and lists: idle, localisation and deferred-call handlers.
using TQvMethod = TQvMethodT<>;
using TQvMethodList = TQvMethodListT<>;
