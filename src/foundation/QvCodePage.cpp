#include "QvCodePage.h"

#include <cerrno>
#include <iconv.h>

#include <string>

namespace {
struct TLangInfo {
  std::uint16_t LangId;
  const char* Locale;  // QLocale name
  int AnsiCodePage;    // Windows' default ANSI code page; 0 for Unicode-only languages
};

// Windows' values for the language ids a language file is likely to name.
constexpr TLangInfo LangTable[] = {
    {1025, "ar_SA", 1256}, {1026, "bg_BG", 1251}, {1027, "ca_ES", 1252}, {1028, "zh_TW", 950},
    {1029, "cs_CZ", 1250}, {1030, "da_DK", 1252}, {1031, "de_DE", 1252}, {1032, "el_GR", 1253},
    {1033, "en_US", 1252}, {1034, "es_ES", 1252}, {1035, "fi_FI", 1252}, {1036, "fr_FR", 1252},
    {1037, "he_IL", 1255}, {1038, "hu_HU", 1250}, {1039, "is_IS", 1252}, {1040, "it_IT", 1252},
    {1041, "ja_JP", 932},  {1042, "ko_KR", 949},  {1043, "nl_NL", 1252}, {1044, "nb_NO", 1252},
    {1045, "pl_PL", 1250}, {1046, "pt_BR", 1252}, {1048, "ro_RO", 1250}, {1049, "ru_RU", 1251},
    {1050, "hr_HR", 1250}, {1051, "sk_SK", 1250}, {1052, "sq_AL", 1250}, {1053, "sv_SE", 1252},
    {1054, "th_TH", 874},  {1055, "tr_TR", 1254}, {1057, "id_ID", 1252}, {1058, "uk_UA", 1251},
    {1059, "be_BY", 1251}, {1060, "sl_SI", 1250}, {1061, "et_EE", 1257}, {1062, "lv_LV", 1257},
    {1063, "lt_LT", 1257}, {1065, "fa_IR", 1256}, {1066, "vi_VN", 1258}, {1069, "eu_ES", 1252},
    {1071, "mk_MK", 1251}, {1081, "hi_IN", 0},    {1086, "ms_MY", 1252}, {1087, "kk_KZ", 1251},
    {1110, "gl_ES", 1252}, {2052, "zh_CN", 936},  {2055, "de_CH", 1252}, {2057, "en_GB", 1252},
    {2058, "es_MX", 1252}, {2060, "fr_BE", 1252}, {2064, "it_CH", 1252}, {2067, "nl_BE", 1252},
    {2068, "nn_NO", 1252}, {2070, "pt_PT", 1252}, {2074, "sr_Latn_RS", 1250}, {3076, "zh_HK", 950},
    {3079, "de_AT", 1252}, {3081, "en_AU", 1252}, {3082, "es_ES", 1252}, {3084, "fr_CA", 1252},
    {3098, "sr_Cyrl_RS", 1251}, {4100, "zh_SG", 936}, {4105, "en_CA", 1252}, {5129, "en_NZ", 1252},
    {6153, "en_IE", 1252},
};

// By the full id, else by the primary language with the default sub-language (id 0x0400 | primary).
const TLangInfo* FindLang(std::uint16_t LangId) {
  for (const auto& L : LangTable)
    if (L.LangId == LangId) return &L;
  const std::uint16_t Primary = static_cast<std::uint16_t>(0x0400 | (LangId & 0x03FF));
  for (const auto& L : LangTable)
    if (L.LangId == Primary) return &L;
  return nullptr;
}

// A conversion between UTF-8 and the code page, in the direction asked for.
iconv_t OpenCodePage(int CodePage, bool ToUtf8) {
  std::string Names[3];
  if (CodePage == 20127) Names[0] = "ASCII";
  else if (CodePage >= 28591 && CodePage <= 28599) Names[0] = "ISO-8859-" + std::to_string(CodePage - 28590);
  else if (CodePage == 1200) Names[0] = "UTF-16LE";
  else if (CodePage == 1201) Names[0] = "UTF-16BE";
  Names[1] = "CP" + std::to_string(CodePage);
  Names[2] = "WINDOWS-" + std::to_string(CodePage);
  for (const auto& N : Names) {
    if (N.empty()) continue;
    iconv_t Cd = ToUtf8 ? iconv_open("UTF-8", N.c_str()) : iconv_open(N.c_str(), "UTF-8");
    if (Cd != reinterpret_cast<iconv_t>(-1)) return Cd;
  }
  return reinterpret_cast<iconv_t>(-1);
}

// Runs the whole text through Cd and closes it; a sequence that does not convert is skipped (a
// whole character when the input is UTF-8, else one byte) and Replacement written in its place.
QByteArray Convert(iconv_t Cd, QByteArrayView Text, const char* Replacement, bool InputUtf8) {
  std::string Out;
  Out.reserve(static_cast<std::size_t>(Text.size()) * 2 + 16);
  char* In = const_cast<char*>(Text.data());
  std::size_t InLeft = static_cast<std::size_t>(Text.size());
  char Chunk[4096];
  while (InLeft > 0) {
    char* OutPtr = Chunk;
    std::size_t OutLeft = sizeof Chunk;
    const std::size_t R = iconv(Cd, &In, &InLeft, &OutPtr, &OutLeft);
    const int Err = errno;
    Out.append(Chunk, static_cast<std::size_t>(OutPtr - Chunk));
    if (R != static_cast<std::size_t>(-1)) continue;
    if (Err == E2BIG) continue;
    // EILSEQ: a byte that does not convert; EINVAL: a sequence cut off by the end of the text.
    Out.append(Replacement);
    if (Err == EINVAL) break;
    std::size_t Skip = 1;
    if (InputUtf8)
      while (Skip < InLeft && (static_cast<unsigned char>(In[Skip]) & 0xC0) == 0x80) ++Skip;
    In += Skip;
    InLeft -= Skip;
    iconv(Cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial shift state
  }
  // Flush any pending shift sequence.
  char* OutPtr = Chunk;
  std::size_t OutLeft = sizeof Chunk;
  iconv(Cd, nullptr, nullptr, &OutPtr, &OutLeft);
  Out.append(Chunk, static_cast<std::size_t>(OutPtr - Chunk));
  iconv_close(Cd);
  return QByteArray(Out.data(), static_cast<qsizetype>(Out.size()));
}
}  // namespace

int QvDefaultAnsiCodePage(std::uint16_t LangId) {
  const TLangInfo* L = FindLang(LangId);
  return L ? L->AnsiCodePage : 0;
}

bool QvLocaleOfLangId(std::uint16_t LangId, QLocale& Locale) {
  const TLangInfo* L = FindLang(LangId);
  if (!L) return false;
  Locale = QLocale(QString::fromLatin1(L->Locale));
  return true;
}

bool QvCodePageToUtf8(QByteArrayView Text, int CodePage, QByteArray& Utf8) {
  if (CodePage == 65001) {
    Utf8 = Text.toByteArray();
    return true;
  }
  if (CodePage <= 0) return false;
  iconv_t Cd = OpenCodePage(CodePage, true);
  if (Cd == reinterpret_cast<iconv_t>(-1)) return false;
  Utf8 = Convert(Cd, Text, "\xEF\xBF\xBD", false);  // U+FFFD
  return true;
}

bool QvUtf8ToCodePage(QByteArrayView Utf8, int CodePage, QByteArray& Text) {
  if (CodePage == 65001) {
    Text = Utf8.toByteArray();
    return true;
  }
  if (CodePage <= 0) return false;
  iconv_t Cd = OpenCodePage(CodePage, false);
  if (Cd == reinterpret_cast<iconv_t>(-1)) return false;
  Text = Convert(Cd, Utf8, "?", true);
  return true;
}
