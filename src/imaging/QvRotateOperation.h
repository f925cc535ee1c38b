#pragma once
// The four turns and flips of the rotate tool, by the codes its command state stores and its
// radio choice uses, with the inverse that undoes each.

#include <QLatin1StringView>

#include <cstdint>

enum class TRotateOperation : uint8_t {
  None = 0,
  RotateLeft = 1,      // 90° anticlockwise
  RotateRight = 2,     // 90° clockwise
  FlipHorizontal = 3,  // mirrored left to right
  FlipVertical = 4,    // upside down
};

// The operation that undoes Op: the turns undo each other, each flip undoes itself.
constexpr TRotateOperation InverseOperation(TRotateOperation Op) {
  switch (Op) {
    case TRotateOperation::RotateLeft: return TRotateOperation::RotateRight;
    case TRotateOperation::RotateRight: return TRotateOperation::RotateLeft;
    default: return Op;
  }
}

// Whether Op exchanges width and height.
constexpr bool SwapsSides(TRotateOperation Op) {
  return Op == TRotateOperation::RotateLeft || Op == TRotateOperation::RotateRight;
}

// The word that follows "Rotation" in the operation's demonstration names and recorded lines:
// "Left", "Right", "Horizontal", "Vertical"; empty for None.
constexpr QLatin1StringView OperationWord(TRotateOperation Op) {
  switch (Op) {
    case TRotateOperation::RotateLeft: return QLatin1StringView("Left");
    case TRotateOperation::RotateRight: return QLatin1StringView("Right");
    case TRotateOperation::FlipHorizontal: return QLatin1StringView("Horizontal");
    case TRotateOperation::FlipVertical: return QLatin1StringView("Vertical");
    default: return QLatin1StringView();
  }
}
