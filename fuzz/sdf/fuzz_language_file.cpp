// Parses arbitrary bytes as a language file and loads its strings and language name.
#include "QvLanguageFile.h"
#include "QvLocalizer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const QByteArray Bytes(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
  const TQvLanguageFile File = TQvLanguageFile::FromData(Bytes, QStringLiteral("fuzz.ini"));
  (void)File.LangId();
  (void)File.LanguageName();
  TQvLocalStringList Strings;
  Strings.LoadStrings(File);
  TQvLocalizer Localizer;
  if (Localizer.AddLanguageData(Bytes, QStringLiteral("fuzz.ini"))) {
    Localizer.SelectBaseLanguage();
    for (int Id : {0, 10, 12, 94, 1030})
      (void)FormatLocalString(Localizer.GetLocalString(Id), {QStringLiteral("%s")});
  }
  return 0;
}
