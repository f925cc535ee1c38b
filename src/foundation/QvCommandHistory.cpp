#include "QvCommandHistory.h"

TQvCommandHistoryList::~TQvCommandHistoryList() { Clear(); }

void TQvCommandHistoryList::Add(std::unique_ptr<TQvCommandState> State) {
  if (!State) return;
  ClearRedo();
  FStates.push_back(std::move(State));
  ++FPosition;
}

void TQvCommandHistoryList::Undo() {
  if (!CanUndo()) return;
  --FPosition;
  FStates[static_cast<std::size_t>(FPosition)]->Undo();
}

void TQvCommandHistoryList::Redo() {
  if (!CanRedo()) return;
  FStates[static_cast<std::size_t>(FPosition)]->Redo();
  ++FPosition;
}

TQvCommandState* TQvCommandHistoryList::LastUndoState() const {
  return CanUndo() ? FStates[static_cast<std::size_t>(FPosition - 1)].get() : nullptr;
}

TQvCommandState* TQvCommandHistoryList::NextRedoState() const {
  return CanRedo() ? FStates[static_cast<std::size_t>(FPosition)].get() : nullptr;
}

void TQvCommandHistoryList::ClearRedo() {
  while (Count() > FPosition) FStates.pop_back();  // last first
}

void TQvCommandHistoryList::Clear() {
  FPosition = 0;
  while (!FStates.empty()) FStates.pop_back();  // newest first
}

TQvCommandState* TQvCommandHistoryList::States(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FStates[static_cast<std::size_t>(Index)].get();
}
