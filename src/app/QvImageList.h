// A list of small images addressed by index, shared by menus and toolbars.
#pragma once

#include <QIcon>
#include <QList>
#include <QSize>
#include <QString>

class TQvImageList {
 public:
  explicit TQvImageList(QSize Size = QSize(16, 16)) : FSize(Size) {}

  // Appends Icon and returns its index.
  int Add(const QIcon& Icon);
  int Count() const { return static_cast<int>(FIcons.size()); }
  // The image at Index; a null icon when Index is out of range (-1 means "no image").
  QIcon Icon(int Index) const;
  QSize Size() const { return FSize; }

 private:
  QSize FSize;
  QList<QIcon> FIcons;
};

// The program's own glyph Name (":/ocuvane/glyphs/Name.svg"), or the desktop theme's icon ThemeName
// when the theme has one.
QIcon QvGlyph(const QString& Name, const QString& ThemeName = QString());

// Loads the bitmap resource Name (":/ocuvane/bitmaps/Name" with ".png", ".bmp" or ".svg"). A bitmap
// without transparency takes the colour of its top-left pixel as transparent. A null icon if there is
// no such resource or it cannot be loaded.
QIcon QvLoadBitmapResource(const QString& Name);
