#include "QvCursors.h"

#include <QFile>
#include <QMap>
#include <QPixmap>

namespace {

QMap<int, QCursor>& CursorTable() {
  static QMap<int, QCursor> Table;
  return Table;
}

// Hot spots of the shipped cursor pictures, in pixels from their top-left corner.
QPoint HotSpotOf(const QString& Name) {
  if (Name == QLatin1String("Eyedropper")) return QPoint(1, 30);
  if (Name == QLatin1String("Hand")) return QPoint(16, 16);
  return QPoint(-1, -1);  // the picture's centre
}

}  // namespace

void RegisterCursor(int Number, const QCursor& Cursor) { CursorTable().insert(Number, Cursor); }

QCursor GetCursor(int Number) { return CursorTable().value(Number, QCursor(Qt::ArrowCursor)); }

bool LoadCursorResource(int Number, const QString& Name) {
  const QString Path = QStringLiteral(":/ocuvane/cursors/%1.png").arg(Name);
  if (!QFile::exists(Path)) return false;
  const QPixmap Picture(Path);
  if (Picture.isNull()) return false;
  const QPoint HotSpot = HotSpotOf(Name);
  RegisterCursor(Number, QCursor(Picture, HotSpot.x(), HotSpot.y()));
  return true;
}

void RegisterCustomCursors() {
  static const char* const Names[] = {"Eyedropper", "Plus",  "Minus", "Fill", "FillEmpty", "FillObject",
                                      "FillBG",     "FillUnknown", "Empty", "Object", "BG", "Unknown"};
  int Number = QvCursorNumber::Eyedropper;
  for (const char* Name : Names) LoadCursorResource(Number++, QLatin1String(Name));
}
