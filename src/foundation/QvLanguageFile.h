// Language files: the "ini" layout with encoding rules, parsed into memory.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

// An in-memory ini file built from a language file's bytes.
//
// Lines end with CR LF, LF or CR. A line whose first non-blank character is ";" is a comment.
// "[name]" starts a section (names match case-insensitively; a repeated section continues the
// first). Other lines of a section are "name = value", split at the first "=", blanks trimmed; lines
// without "=" and lines before the first section are ignored.
//
// Encoding: a UTF-8 byte-order mark means UTF-8 (the mark is dropped); a UTF-16LE mark means UTF-16LE.
// Otherwise a line "CodePage=N" (N a non-zero decimal, key case-insensitive, no blank before "=",
// in any section) converts the whole file from that Windows code page. Otherwise UTF-8.
// All names and values are kept as UTF-8 bytes.
class TQvLanguageFile {
 public:
  struct TSection {
    QByteArray Name;
    std::vector<std::pair<QByteArray, QByteArray>> Values;  // (name, value) in file order
  };

  TQvLanguageFile() = default;
  // Reads the file (a path, or a Qt resource path such as ":/Languages/English.ini"); an absent or
  // unreadable file, or one larger than MaxFileSize, gives an empty ini and sets ErrorString.
  explicit TQvLanguageFile(const QString& FileName);
  // Parses Data as the bytes of a language file.
  static TQvLanguageFile FromData(const QByteArray& Data, const QString& FileName = QString());

  // Language files are small; larger files are refused rather than read into memory.
  static constexpr std::int64_t MaxFileSize = 16 * 1024 * 1024;

  const QString& FileName() const { return FFileName; }
  const QString& ErrorString() const { return FErrorString; }
  const std::vector<TSection>& Sections() const { return FSections; }
  // The section of that name, or nullptr.
  const TSection* FindSection(QByteArrayView Name) const;
  // The first value of Name in Section, decoded from UTF-8, or Default.
  QString ReadString(QByteArrayView Section, QByteArrayView Name, const QString& Default = QString()) const;
  // The first value of Name in Section as a decimal integer, or Default when absent or not a number.
  std::int64_t ReadInteger(QByteArrayView Section, QByteArrayView Name, std::int64_t Default) const;
  // The code page the file was converted from (0 when it was read as UTF-8 or UTF-16).
  int CodePage() const { return FCodePage; }

  // The language id of the file ([Language] LangId as a 16-bit number); 0 when missing or invalid.
  std::uint16_t LangId() const;
  // The display name ([Language] Language).
  QString LanguageName() const { return ReadString("Language", "Language"); }

  // Parses a decimal integer with an optional sign, surrounding blanks allowed. False if it is not one.
  static bool ParseDecimal(QByteArrayView Text, std::int64_t& Value);

 private:
  void Parse(const QByteArray& Data);

  QString FFileName;
  QString FErrorString;
  int FCodePage = 0;
  std::vector<TSection> FSections;
};
