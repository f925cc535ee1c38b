#pragma once
// Local strings of the codec layer: number and English default text.

#include "QvLocalizer.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace QvCodecString {
struct TText {
  int Id;
  const char* Default;
};
// Labels of the file description.
inline constexpr TText FormatLabel{215, "Format"};
inline constexpr TText SizeLabel{504, "Size"};
inline constexpr TText DateLabel{519, "Date"};
inline constexpr TText OrientationLabel{109, "Orientation"};
inline constexpr TText CameraLabel{518, "Camera"};
inline constexpr TText Mirrored{3312, "mirrored"};
// Failures of opening and saving.
inline constexpr TText CannotRead{3301, "The file could not be read: %s"};
inline constexpr TText EmptyFile{3302, "The file is empty."};
inline constexpr TText UnknownFormat{3303, "The file is not an image in a format this program can open."};
inline constexpr TText Damaged{3304, "The image file is damaged or incomplete."};
inline constexpr TText TooLarge{3305, "The image is too large to open."};
inline constexpr TText NoMemory{3306, "There is not enough memory for the image."};
inline constexpr TText CannotEncode{3307, "The image could not be encoded."};
inline constexpr TText CannotWrite{3308, "The file could not be written: %s"};
inline constexpr TText CannotHideHeader{3309, "The QVI header could not be hidden, so the file was not saved."};
inline constexpr TText NothingToSave{3310, "The image has no pixels to save."};
inline constexpr TText CannotSaveFormat{3311, "Images cannot be saved in this format."};
inline constexpr TText EngineSaveFailed{3313, "The lossless JPEG engine could not save the file."};
inline constexpr TText ExchangeFailed{3314, "The plug-in exchange file could not be read."};
inline constexpr TText NeedsMemory{5800, "The image needs %s of memory, more than this computer can give now."};
}  // namespace QvCodecString

inline QString CodecText(const QvCodecString::TText& text) {
  return GetLocalString(text.Id, QString::fromUtf8(text.Default));
}
inline QString CodecText(const QvCodecString::TText& text, const QString& argument) {
  return GetLocalStringFormatted(text.Id, QString::fromUtf8(text.Default), QStringList{argument});
}
// An amount of memory for messages: "850 MB", "2.4 GB".
inline QString MemoryAmountText(uint64_t bytes) {
  const double megabytes = double(bytes) / 1e6;
  if (megabytes < 1000) return QString::number(std::max(1.0, std::ceil(megabytes)), 'f', 0) + QStringLiteral(" MB");
  return QString::number(std::ceil(megabytes / 100) / 10, 'f', 1) + QStringLiteral(" GB");
}
// The refusal of an image whose pixels the system cannot give.
inline QString NeedsMemoryText(uint64_t bytes) { return CodecText(QvCodecString::NeedsMemory, MemoryAmountText(bytes)); }
// A message with the library's own detail after it, when there is one.
inline QString CodecTextWithDetail(const QvCodecString::TText& text, const QString& detail) {
  const QString message = CodecText(text);
  return detail.isEmpty() ? message : message + QStringLiteral(" (") + detail + QStringLiteral(")");
}
