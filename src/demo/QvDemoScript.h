// Demonstration scripts (".dsc"): a line-oriented sectioned text file with an "Info" section, a
// "Script" section holding the lines to play, and one section per language id for localised texts.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

class QIODevice;
class TQvLocalizer;

// A script file that cannot be read or written; the message names the file and the reason.
class EQvDemoScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Lines are kept as the file's bytes (trimmed of surrounding blanks and control characters, but
// otherwise as written) so that saving writes back what was read; texts are decoded only when
// they are looked up.
class TQvDemoScript {
 public:
  struct TSection {
    QByteArray Name;
    QByteArrayList Lines;
  };

  // Scripts are small text files; anything larger is refused rather than read into memory.
  static constexpr std::int64_t MaxFileSize = 16 * 1024 * 1024;

  // An empty script: empty "Info" and "Script" sections.
  TQvDemoScript();
  TQvDemoScript(const TQvDemoScript& Source) { Assign(Source); }
  TQvDemoScript& operator=(const TQvDemoScript& Source) {
    Assign(Source);
    return *this;
  }

  // Back to an empty script (empty "Info" and "Script" sections, not UTF-8, no file name).
  void Clear();
  // Deep copy of every section, the UTF-8 flag and the file name.
  void Assign(const TQvDemoScript& Source);

  // On failure (cannot open, too large, read error) throws EQvDemoScriptError and keeps the script
  // as it was.
  void LoadFromFile(const QString& FileName);
  void LoadFromStream(QIODevice& Stream);
  // The bytes of a whole file.
  void LoadFromData(const QByteArray& Data);
  // Lines already split (without line ends); the first may start with the UTF-8 byte-order mark.
  void LoadFromStrings(const QByteArrayList& Lines);

  // The bytes SaveToFile writes: the UTF-8 mark when Utf8(), then each section as "[name]" and its
  // lines, every line ending in CR LF.
  QByteArray SaveToData() const;
  // Writes atomically (a temporary file renamed over the target); throws EQvDemoScriptError and
  // leaves an existing file untouched on failure.
  void SaveToFile(const QString& FileName) const;

  // The "Script" section's lines.
  QByteArrayList& Lines() { return FSections[FScript].Lines; }
  const QByteArrayList& Lines() const { return FSections[FScript].Lines; }
  const std::vector<TSection>& Sections() const { return FSections; }
  int SectionCount() const { return static_cast<int>(FSections.size()); }
  const QByteArray& SectionName(int Index) const { return FSections.at(Index).Name; }
  // The first section of that name (letter case ignored).
  bool FindSection(QByteArrayView Name, int& Index) const;
  QByteArrayList& SectionLines(int Index) { return FSections.at(Index).Lines; }
  const QByteArrayList& SectionLines(int Index) const { return FSections.at(Index).Lines; }
  // Appends an empty section and returns its index.
  int AddSection(const QByteArray& Name);
  // Deleting "Info" or "Script" leaves an empty section of that name at the end, so that both
  // always exist. Out-of-range indexes are ignored.
  void DeleteSection(int Index);

  // The raw value of Name in a section: the first line whose text before its first "=" equals Name
  // (blanks around the "=" and letter case ignored). False when there is none.
  bool FindValue(int Section, QByteArrayView Name, QByteArray& Value) const;
  QString GetInfoValue(QByteArrayView Name) const;
  QString GetInfoValue(QByteArrayView Name, const TQvLocalizer& Localizer) const;
  // Name's value in the section of the localizer's current language, else of its base language;
  // empty when neither has it.
  QString GetLocalValue(QByteArrayView Name) const;
  QString GetLocalValue(QByteArrayView Name, const TQvLocalizer& Localizer) const;
  // The localised "Title", else "Title" of "Info", else the file name without folder and extension.
  QString GetTitle() const;
  QString GetTitle(const TQvLocalizer& Localizer) const;

  bool Utf8() const { return FUtf8; }
  void SetUtf8(bool Value) { FUtf8 = Value; }
  const QString& FileName() const { return FFileName; }

  // A value's bytes as text: UTF-8 for a UTF-8 script, otherwise from the default ANSI code page
  // of LangId (UTF-8 when the language has none or iconv does not know it).
  QString DecodeValue(const QByteArray& Bytes, std::uint16_t LangId) const;

 private:
  void EnsureStandardSections();

  bool FUtf8 = false;
  QString FFileName;
  std::vector<TSection> FSections;
  std::size_t FScript = 0;  // index of the "Script" section in FSections
};
