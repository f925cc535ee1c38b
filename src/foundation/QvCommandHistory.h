// Undoable changes and a document's history of them with a position.
#pragma once

#include <memory>
#include <vector>

// One undoable change.
class TQvCommandState {
 public:
  TQvCommandState() = default;
  virtual ~TQvCommandState() = default;
  TQvCommandState(const TQvCommandState&) = delete;
  TQvCommandState& operator=(const TQvCommandState&) = delete;

  virtual void Undo() = 0;  // revert the change
  virtual void Redo() = 0;  // apply it again
};

// An owning list of states, oldest first, and Position: the number of states currently applied.
// The state at Position - 1 is the one the next Undo reverts; the one at Position the next Redo
// applies. No limit on the number of states.
//
// During Undo the position is already decremented when the state's Undo runs; during Redo it is
// incremented only after the state's Redo returned (an exception from Redo leaves it unchanged).
class TQvCommandHistoryList {
 public:
  TQvCommandHistoryList() = default;
  ~TQvCommandHistoryList();
  TQvCommandHistoryList(const TQvCommandHistoryList&) = delete;
  TQvCommandHistoryList& operator=(const TQvCommandHistoryList&) = delete;

  // ClearRedo, then append State and advance the position. The list owns State (a null one is ignored).
  void Add(std::unique_ptr<TQvCommandState> State);
  void Add(TQvCommandState* State) { Add(std::unique_ptr<TQvCommandState>(State)); }

  bool CanUndo() const { return FPosition > 0; }
  bool CanRedo() const { return FPosition < Count(); }
  void Undo();
  void Redo();
  // The state Undo would revert, or nullptr.
  TQvCommandState* LastUndoState() const;
  // The state Redo would apply, or nullptr.
  TQvCommandState* NextRedoState() const;
  // Frees the states that could be redone, last first; afterwards Count() == Position().
  void ClearRedo();
  // Frees every state, newest first; the position becomes 0.
  void Clear();

  int Position() const { return FPosition; }
  int Count() const { return static_cast<int>(FStates.size()); }
  TQvCommandState* States(int Index) const;

 private:
  std::vector<std::unique_ptr<TQvCommandState>> FStates;
  int FPosition = 0;
};
