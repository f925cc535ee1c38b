#include "QvImageList.h"

#include <QBitmap>
#include <QFile>
#include <QImage>
#include <QPixmap>

int TQvImageList::Add(const QIcon& Icon) {
  FIcons.append(Icon);
  return Count() - 1;
}

QIcon TQvImageList::Icon(int Index) const {
  if (Index < 0 || Index >= Count()) return QIcon();
  return FIcons[Index];
}

QIcon QvGlyph(const QString& Name, const QString& ThemeName) {
  const QIcon Own(QStringLiteral(":/ocuvane/glyphs/%1.svg").arg(Name));
  if (ThemeName.isEmpty()) return Own;
  return QIcon::fromTheme(ThemeName, Own);
}

QIcon QvLoadBitmapResource(const QString& Name) {
  if (Name.isEmpty() || Name.contains(QLatin1Char('/'))) return QIcon();
  const QString Base = QStringLiteral(":/ocuvane/bitmaps/") + Name;
  if (QFile::exists(Base + QStringLiteral(".svg"))) return QIcon(Base + QStringLiteral(".svg"));
  for (const char* Suffix : {".png", ".bmp"}) {
    const QString Path = Base + QLatin1String(Suffix);
    if (!QFile::exists(Path)) continue;
    QImage Image(Path);
    if (Image.isNull()) return QIcon();
    QPixmap Pixmap = QPixmap::fromImage(Image);
    if (!Image.hasAlphaChannel()) Pixmap.setMask(Pixmap.createMaskFromColor(Image.pixelColor(0, 0)));
    return QIcon(Pixmap);
  }
  return QIcon();
}
