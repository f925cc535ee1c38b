// The program's cursor table: tools and views pick their cursors by number.
#pragma once

#include <QCursor>
#include <QString>

// Cursor numbers registered at start-up (the graphics editor adds 100, "Hand").
namespace QvCursorNumber {
inline constexpr int Eyedropper = 1;
inline constexpr int Plus = 2;
inline constexpr int Minus = 3;
inline constexpr int Fill = 4;
inline constexpr int FillEmpty = 5;
inline constexpr int FillObject = 6;
inline constexpr int FillBG = 7;
inline constexpr int FillUnknown = 8;
inline constexpr int Empty = 9;
inline constexpr int Object = 10;
inline constexpr int BG = 11;
inline constexpr int Unknown = 12;
inline constexpr int Hand = 100;
}  // namespace QvCursorNumber

// Sets the cursor of Number.
void RegisterCursor(int Number, const QCursor& Cursor);
// The cursor of Number; the arrow for a number nothing was registered for.
QCursor GetCursor(int Number);
// Loads the cursor resource Name (":/ocuvane/cursors/Name.png", hot spot from the table of the
// program's cursors) and registers it as Number; a missing resource leaves Number at the arrow.
// Returns whether a cursor was loaded.
bool LoadCursorResource(int Number, const QString& Name);
// Registers the twelve start-up cursors.
void RegisterCustomCursors();
