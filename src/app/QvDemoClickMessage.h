// The message the demonstration recorder writes with a mouse click in the image. The demonstration
// module keeps it and the demo editor lets the author change it; the image view asks for it
// through the application's demonstration registry.
#pragma once

#include <QString>

class IQvDemoClickMessage {
 public:
  virtual ~IQvDemoClickMessage() = default;
  virtual const QString& MessageText() const = 0;
};
