#include "QvDemoPlaybackBase.h"

#include "QvLocalizer.h"

#include <chrono>

TQvDemoPlaybackBase::TQvDemoPlaybackBase(IQvDemoInputSink& Input, TClock Clock, const TQvLocalizer* Localizer)
    : FInput(Input), FClock(std::move(Clock)), FLocalizer(Localizer ? Localizer : &::Localizer()) {
  if (!FClock)
    FClock = [] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
          .count();
    };
}

TQvDemoPlaybackBase::~TQvDemoPlaybackBase() = default;

void TQvDemoPlaybackBase::SetPointerPos(const QPoint& Point) {
  FMouseX = Point.x();
  FMouseY = Point.y();
  FInput.MovePointer(Point);
}

void TQvDemoPlaybackBase::RestorePointer() { FInput.MovePointer(GetPointerPos()); }

void TQvDemoPlaybackBase::SetSpeed(std::uint16_t Value) {
  if (Value) FSpeed = Value;
}
