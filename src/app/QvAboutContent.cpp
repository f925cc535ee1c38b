// What the about box says: the program's name and version, its maker's addresses and the lines
// laid out over the picture.
#include "QvAbout.h"

#ifndef OCUVANE_VERSION
#define OCUVANE_VERSION "0.0.0"
#endif

namespace {
constexpr char MakerSite[] = "https://www.quillmere.com/";
constexpr char MakerSupport[] = "https://www.quillmere.com/support/ocuvane/";
}  // namespace

const TQvAboutItem QvProgramAboutItems[8] = {
    // source, text, flags, left, top, width, height, extra lines, page
    {156, "Thank you for choosing", QvAboutFlag::Bold, 16, 80, 0, 0, 0.0f, -1},
    {QvAboutText::DisplayName, nullptr, QvAboutFlag::Bold | QvAboutFlag::SameLine, 0, 0, 0, 0, 0.0f, -1},
    {QvAboutText::Version, nullptr, QvAboutFlag::Bold | QvAboutFlag::SameLine, 0, 0, 0, 0, 0.0f, -1},
    {54, "Web site", QvAboutFlag::RightAligned | QvAboutFlag::Colon, 16, 126, 75, 0, 0.0f, 0},
    {QvAboutText::BuiltIn, MakerSite, QvAboutFlag::Link | QvAboutFlag::SameLine, 0, 0, 0, 0, 0.0f, 0},
    {56, "Support", QvAboutFlag::RightAligned | QvAboutFlag::Colon, 0, 0, 75, 0, 0.5f, 0},
    {QvAboutText::BuiltIn, MakerSupport, QvAboutFlag::Link | QvAboutFlag::SameLine, 0, 0, 0, 0, 0.0f, 0},
    {QvAboutText::BuiltIn, "Copyright \xC2\xA9 2026 Quillmere. All rights reserved.", 0, 0, 275, 0, 0, 0.0f, -1},
};

QString QvProgramDisplayName() { return QStringLiteral("Ocuvane"); }

QString QvProgramVersion() { return QStringLiteral(OCUVANE_VERSION); }

QString QvAboutLinkCaption(const QString& Address) {
  const auto IsSeparator = [](QChar C) { return C == QLatin1Char('/') || C == QLatin1Char(':') || C == QLatin1Char('\\'); };
  const qsizetype Colon = Address.indexOf(QLatin1Char(':'));
  if (Colon < 0) return QString();
  qsizetype Start = Colon + 1;
  while (Start < Address.size() && IsSeparator(Address[Start])) ++Start;
  qsizetype End = Start;
  while (End < Address.size() && !IsSeparator(Address[End])) ++End;
  return Address.mid(Start, End - Start);
}
