// Local strings: every user-visible text is a number looked up in the current language, then in the
// base language, then the caller's default. Objects re-apply their texts in handlers registered
// with AddLocalizeHandler, which run on every change of language. Main thread only.
#pragma once

#include "QvMethodList.h"

#include <QByteArray>
#include <QList>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcQvLocalizer)

class TQvLanguageFile;

struct TQvLanguage {
  QString Name;              // display name ([Language] Language)
  std::uint16_t LangId = 0;  // Windows language id
  QString FileName;          // full path of its file (may be a Qt resource path)
};

// Texts by number, kept as UTF-8 bytes.
class TQvLocalStringList {
 public:
  // Replaces the text of an existing entry or appends a new one (which clears Sorted).
  void SetString(int Id, const QByteArray& Text);
  // Index of the first entry with Id: binary search when Sorted, else a linear scan; -1 if absent.
  int Find(int Id) const;
  bool Get(int Id, QByteArray& Text) const;
  // Orders by Id and sets Sorted.
  void Sort();
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  bool Sorted() const { return FSorted; }
  // Replaces the contents by the "Strings" section of File: for a number given twice the later line
  // wins; lines whose name is not an integer are skipped. Leaves the list sorted.
  void LoadStrings(const TQvLanguageFile& File);

 private:
  std::vector<std::pair<int, QByteArray>> FItems;
  bool FSorted = false;
};

class TQvLocalizer {
 public:
  TQvLocalizer() = default;
  // Load(LanguageFolder, FallbackFile).
  explicit TQvLocalizer(const QString& LanguageFolder, const QString& FallbackFile = QString());
  TQvLocalizer(const TQvLocalizer&) = delete;
  TQvLocalizer& operator=(const TQvLocalizer&) = delete;

  // Forgets every language, then: adds the "*.ini" files of LanguageFolder in name order ignoring
  // case (a file whose id another file already gave is skipped, so each id names one language);
  // if that gives no language and FallbackFile is set (for instance the English file compiled in
  // as ":/Languages/English.ini"), adds it; then SelectBaseLanguage. The handlers stay registered.
  void Load(const QString& LanguageFolder, const QString& FallbackFile = QString());
  // Adds one language file (a path or a Qt resource path). False if it cannot be read, has no
  // non-zero LangId, or its id is already known (ErrorString then says why).
  bool AddLanguageFile(const QString& FileName, QString* ErrorString = nullptr);
  // As AddLanguageFile, from the file's bytes; FileName is what the language reports as its file.
  bool AddLanguageData(const QByteArray& Data, const QString& FileName, QString* ErrorString = nullptr);
  // Base := the first language with id 1033, else the first language, else none (BaseLangId 0).
  // Loads its strings; the current language becomes the base and its overlay is cleared.
  void SelectBaseLanguage();
  // Forgets every language and string (handlers stay registered).
  void ClearLanguages();

  const std::vector<TQvLanguage>& Languages() const { return FLanguages; }
  std::uint16_t BaseLangId() const { return FBaseLangId; }
  std::uint16_t CurrentLangId() const { return FCurrentLangId; }
  const TQvLocalStringList& BaseStrings() const { return FBaseStrings; }
  const TQvLocalStringList& CurrentStrings() const { return FCurrentStrings; }
  // The first language with that id, or nullptr.
  const TQvLanguage* FindLanguage(std::uint16_t LangId) const;

  // Text of Id from the current language, else the base language, else Default.
  QString GetLocalString(int Id, const QString& Default = QString()) const;
  // If a language has LangId: make it current (loading its strings, or clearing the overlay for the
  // base language) and call every localize handler in registration order. Otherwise nothing.
  // Does not touch the process locale (the global SetLanguage does).
  void SetLanguage(std::uint16_t LangId);

  // Calls Handler once at once, then appends it.
  void AddLocalizeHandler(const TQvMethod& Handler);
  // Removes its last registration.
  void RemoveLocalizeHandler(const TQvMethod& Handler);
  const TQvMethodList& LocalizeHandlers() const { return FLocalizeHandlers; }

 private:
  bool AddLanguage(const TQvLanguageFile& File, QString* ErrorString);
  void LoadStringsOf(const TQvLanguage& Language, TQvLocalStringList& Strings) const;

  std::vector<TQvLanguage> FLanguages;
  // Bytes of languages added from memory (FileName -> data), read again when their strings are loaded.
  std::vector<std::pair<QString, QByteArray>> FLanguageData;
  std::uint16_t FBaseLangId = 0;
  std::uint16_t FCurrentLangId = 0;
  TQvLocalStringList FBaseStrings;
  TQvLocalStringList FCurrentStrings;
  TQvMethodList FLocalizeHandlers;
};

// The process's localizer, used by the global functions below. It starts empty; the application
// fills it with Load at start-up.
TQvLocalizer& Localizer();

QString GetLocalString(int Id, const QString& Default = QString());
// Sets the process's default locale (QLocale::setDefault; never setlocale) to LangId, even for an id
// no language file provides, then the localizer's SetLanguage.
void SetLanguage(std::uint16_t LangId);
std::uint16_t GetLanguage();
std::uint16_t GetBaseLanguage();
// Clears List and adds every language (name, id, file) in the localizer's order.
void GetLanguageNames(QList<TQvLanguage>& List);
// Name of the first language with that id; Name unchanged (and false) if none.
bool GetLanguageName(std::uint16_t LangId, QString& Name);
void AddLocalizeHandler(const TQvMethod& Handler);
void RemoveLocalizeHandler(const TQvMethod& Handler);
template <class T, class C>
void AddLocalizeHandler(T* Object, void (C::*Code)()) {
  AddLocalizeHandler(TQvMethod(Object, Code));
}
template <class T, class C>
void RemoveLocalizeHandler(T* Object, void (C::*Code)()) {
  RemoveLocalizeHandler(TQvMethod(Object, Code));
}

// Fills a text from a language file without printf-style formatting: each "%s" takes the next
// argument, "%N:s" takes argument N (from 0), "%%" is "%"; a placeholder without an argument becomes
// empty, and any other "%" sequence is kept as it is. Arguments are inserted literally, never scanned.
QString FormatLocalString(const QString& Format, const QStringList& Args);
inline QString FormatLocalString(const QString& Format, std::initializer_list<QString> Args) {
  return FormatLocalString(Format, QStringList(Args));
}
// GetLocalString(Id, Default) filled with Args.
QString GetLocalStringFormatted(int Id, const QString& Default, const QStringList& Args);
