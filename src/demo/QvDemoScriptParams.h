// The argument list of a demonstration script line, and the split of a line into its command word
// and argument text.
#pragma once

#include "QvProperties.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>

// Items are numbered 0, 1, 2 ... in order and hold an integer, a floating value or a string.
class TQvDemoScriptParams : public TQvProperties {
 public:
  TQvDemoScriptParams() = default;
  explicit TQvDemoScriptParams(QByteArrayView Text) { Parse(Text); }
  TQvDemoScriptParams(const TQvDemoScriptParams& Source) : TQvProperties() { Assign(Source); }
  TQvDemoScriptParams& operator=(const TQvDemoScriptParams& Source) {
    if (&Source != this) Assign(Source);
    return *this;
  }

  void Assign(const TQvCustomProperties& Source) override;

  // Replaces the items by those of Text (UTF-8 bytes). "." is the decimal separator whatever the
  // user's locale. Items are quoted strings ("..." or '...', where backslash-n is a line feed),
  // numbers made of "+-.0123456789E" (floating with "." or "E"), the lower-case words false (0)
  // and true (-1), or bare words; "," separates them, anything else ends the list. A number token
  // that is not a valid number, or an integer outside 32 bits, clears Valid().
  void Parse(QByteArrayView Text);
  // False when Parse met a malformed number; the items before it are kept.
  bool Valid() const { return FValid; }

  bool IsNumeric(int Index) const;
  bool IsString(int Index) const;
  // The item as a double (0 when it is not numeric).
  double AsDouble(int Index) const;
  // The item as text: strings as they are, numbers in their usual form; empty when absent.
  QString AsString(int Index) const;

 private:
  bool FValid = true;
};

// Splits a script line: after leading blanks and tabs the command word runs up to a blank, tab,
// "(" or the end and is returned in upper case; the argument text is what follows after blanks
// and tabs (starting with the "(" when that ended the word). Returns false for a line that does
// nothing: an empty command word, or one starting with "#", "*", "/" or ";".
bool SplitDemoScriptLine(QByteArrayView Line, QByteArray& Command, QByteArrayView& Arguments);
