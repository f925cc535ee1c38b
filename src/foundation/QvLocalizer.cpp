#include "QvLocalizer.h"

#include "QvCodePage.h"
#include "QvLanguageFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

Q_LOGGING_CATEGORY(lcQvLocalizer, "ocuvane.localizer", QtWarningMsg)

// ---------------------------------------------------------------------------------------------
// TQvLocalStringList

void TQvLocalStringList::SetString(int Id, const QByteArray& Text) {
  const int I = Find(Id);
  if (I >= 0) {
    FItems[static_cast<std::size_t>(I)].second = Text;
    return;
  }
  FItems.emplace_back(Id, Text);
  FSorted = false;
}

int TQvLocalStringList::Find(int Id) const {
  if (FSorted) {
    const auto It = std::lower_bound(FItems.begin(), FItems.end(), Id,
                                     [](const auto& Entry, int Key) { return Entry.first < Key; });
    return It != FItems.end() && It->first == Id ? static_cast<int>(It - FItems.begin()) : -1;
  }
  for (std::size_t I = 0; I < FItems.size(); ++I)
    if (FItems[I].first == Id) return static_cast<int>(I);
  return -1;
}

bool TQvLocalStringList::Get(int Id, QByteArray& Text) const {
  const int I = Find(Id);
  if (I < 0) return false;
  Text = FItems[static_cast<std::size_t>(I)].second;
  return true;
}

void TQvLocalStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
  FSorted = true;
}

void TQvLocalStringList::Clear() {
  FItems.clear();
  FSorted = false;
}

void TQvLocalStringList::LoadStrings(const TQvLanguageFile& File) {
  // The same result as SetString for every line in file order, then Sort, without the quadratic
  // scan: sort stably by id and keep the last line of each id.
  Clear();
  if (const auto* Section = File.FindSection("Strings")) {
    for (const auto& [Name, Text] : Section->Values) {
      std::int64_t Id;
      if (TQvLanguageFile::ParseDecimal(Name, Id) && Id >= INT32_MIN && Id <= INT32_MAX)
        FItems.emplace_back(static_cast<int>(Id), Text);
    }
  }
  Sort();
  std::vector<std::pair<int, QByteArray>> Unique;
  Unique.reserve(FItems.size());
  for (auto& Entry : FItems) {
    if (!Unique.empty() && Unique.back().first == Entry.first) Unique.back() = std::move(Entry);
    else Unique.push_back(std::move(Entry));
  }
  FItems = std::move(Unique);
}

// ---------------------------------------------------------------------------------------------
// TQvLocalizer

TQvLocalizer::TQvLocalizer(const QString& LanguageFolder, const QString& FallbackFile) {
  Load(LanguageFolder, FallbackFile);
}

void TQvLocalizer::ClearLanguages() {
  FLanguages.clear();
  FLanguageData.clear();
  FBaseStrings.Clear();
  FCurrentStrings.Clear();
  FBaseLangId = 0;
  FCurrentLangId = 0;
}

void TQvLocalizer::Load(const QString& LanguageFolder, const QString& FallbackFile) {
  ClearLanguages();
  if (!LanguageFolder.isEmpty()) {
    const QDir Dir(LanguageFolder);
    // Name filters match without regard to case unless QDir::CaseSensitive is given.
    QStringList Names = Dir.entryList({QStringLiteral("*.ini")}, QDir::Files | QDir::Hidden | QDir::System);
    std::sort(Names.begin(), Names.end(), [](const QString& A, const QString& B) {
      const int C = A.compare(B, Qt::CaseInsensitive);
      return C != 0 ? C < 0 : A < B;
    });
    for (const QString& Name : Names) {
      QString Error;
      if (!AddLanguageFile(Dir.absoluteFilePath(Name), &Error)) qCDebug(lcQvLocalizer) << "skipped:" << Error;
    }
  }
  if (FLanguages.empty() && !FallbackFile.isEmpty()) {
    QString Error;
    if (!AddLanguageFile(FallbackFile, &Error)) qCWarning(lcQvLocalizer) << "no base language:" << Error;
  }
  SelectBaseLanguage();
}

bool TQvLocalizer::AddLanguageFile(const QString& FileName, QString* ErrorString) {
  const TQvLanguageFile File(FileName);
  if (!File.ErrorString().isEmpty()) {
    if (ErrorString) *ErrorString = File.ErrorString();
    return false;
  }
  return AddLanguage(File, ErrorString);
}

bool TQvLocalizer::AddLanguageData(const QByteArray& Data, const QString& FileName, QString* ErrorString) {
  const TQvLanguageFile File = TQvLanguageFile::FromData(Data, FileName);
  if (!File.ErrorString().isEmpty()) {
    if (ErrorString) *ErrorString = File.ErrorString();
    return false;
  }
  if (!AddLanguage(File, ErrorString)) return false;
  // Keyed by the path the language entry records, so a relative name finds its bytes again.
  FLanguageData.emplace_back(FLanguages.back().FileName, Data);
  return true;
}

bool TQvLocalizer::AddLanguage(const TQvLanguageFile& File, QString* ErrorString) {
  const std::uint16_t Id = File.LangId();
  if (Id == 0) {
    if (ErrorString) *ErrorString = File.FileName() + QStringLiteral(": no non-zero LangId in [Language]");
    return false;
  }
  if (const TQvLanguage* Other = FindLanguage(Id)) {
    if (ErrorString)
      *ErrorString = QStringLiteral("%1: language %2 is already given by %3").arg(File.FileName()).arg(Id).arg(Other->FileName);
    return false;
  }
  QString Path = File.FileName();
  if (!Path.startsWith(QLatin1Char(':')) && !Path.isEmpty()) Path = QFileInfo(Path).absoluteFilePath();
  FLanguages.push_back(TQvLanguage{File.LanguageName(), Id, Path});
  return true;
}

const TQvLanguage* TQvLocalizer::FindLanguage(std::uint16_t LangId) const {
  for (const auto& L : FLanguages)
    if (L.LangId == LangId) return &L;
  return nullptr;
}

void TQvLocalizer::LoadStringsOf(const TQvLanguage& Language, TQvLocalStringList& Strings) const {
  for (const auto& [Name, Data] : FLanguageData) {
    if (Name == Language.FileName) {
      Strings.LoadStrings(TQvLanguageFile::FromData(Data, Name));
      return;
    }
  }
  Strings.LoadStrings(TQvLanguageFile(Language.FileName));
}

void TQvLocalizer::SelectBaseLanguage() {
  FBaseStrings.Clear();
  FCurrentStrings.Clear();
  const TQvLanguage* Base = FindLanguage(1033);
  if (!Base && !FLanguages.empty()) Base = &FLanguages.front();
  FBaseLangId = Base ? Base->LangId : 0;
  if (Base) LoadStringsOf(*Base, FBaseStrings);
  FCurrentLangId = FBaseLangId;
}

QString TQvLocalizer::GetLocalString(int Id, const QString& Default) const {
  QByteArray Text;
  if (FCurrentStrings.Get(Id, Text) || FBaseStrings.Get(Id, Text)) return QString::fromUtf8(Text);
  return Default;
}

void TQvLocalizer::SetLanguage(std::uint16_t LangId) {
  const TQvLanguage* Language = FindLanguage(LangId);
  if (!Language) return;
  FCurrentLangId = LangId;
  if (LangId == FBaseLangId) FCurrentStrings.Clear();
  else LoadStringsOf(*Language, FCurrentStrings);
  FLocalizeHandlers.Call();
}

void TQvLocalizer::AddLocalizeHandler(const TQvMethod& Handler) {
  Handler();
  FLocalizeHandlers.Add(Handler);
}

void TQvLocalizer::RemoveLocalizeHandler(const TQvMethod& Handler) { FLocalizeHandlers.Remove(Handler); }

// ---------------------------------------------------------------------------------------------
// Global functions

TQvLocalizer& Localizer() {
  static TQvLocalizer Instance;
  return Instance;
}

QString GetLocalString(int Id, const QString& Default) { return Localizer().GetLocalString(Id, Default); }

void SetLanguage(std::uint16_t LangId) {
  QLocale Locale;
  if (QvLocaleOfLangId(LangId, Locale)) QLocale::setDefault(Locale);
  Localizer().SetLanguage(LangId);
}

std::uint16_t GetLanguage() { return Localizer().CurrentLangId(); }
std::uint16_t GetBaseLanguage() { return Localizer().BaseLangId(); }

void GetLanguageNames(QList<TQvLanguage>& List) {
  List.clear();
  for (const auto& L : Localizer().Languages()) List.append(L);
}

bool GetLanguageName(std::uint16_t LangId, QString& Name) {
  const TQvLanguage* L = Localizer().FindLanguage(LangId);
  if (!L) return false;
  Name = L->Name;
  return true;
}

void AddLocalizeHandler(const TQvMethod& Handler) { Localizer().AddLocalizeHandler(Handler); }
void RemoveLocalizeHandler(const TQvMethod& Handler) { Localizer().RemoveLocalizeHandler(Handler); }

// ---------------------------------------------------------------------------------------------
// Filling placeholders

QString FormatLocalString(const QString& Format, const QStringList& Args) {
  QString Result;
  Result.reserve(Format.size());
  qsizetype Next = 0;  // argument the next "%s" takes
  const qsizetype N = Format.size();
  for (qsizetype I = 0; I < N; ++I) {
    const QChar C = Format[I];
    if (C != QLatin1Char('%') || I + 1 >= N) {
      Result += C;
      continue;
    }
    const QChar D = Format[I + 1];
    if (D == QLatin1Char('%')) {
      Result += QLatin1Char('%');
      ++I;
    } else if (D == QLatin1Char('s') || D == QLatin1Char('S')) {
      if (Next < Args.size()) Result += Args[Next];
      ++Next;
      ++I;
    } else if (D.isDigit()) {
      // "%N:s": argument N, and the following "%s" go on from N + 1.
      qsizetype J = I + 1;
      qsizetype Index = 0;
      while (J < N && Format[J].isDigit() && Index < 1000000) Index = Index * 10 + Format[J++].digitValue();
      if (J + 1 < N && Format[J] == QLatin1Char(':') &&
          (Format[J + 1] == QLatin1Char('s') || Format[J + 1] == QLatin1Char('S'))) {
        if (Index < Args.size()) Result += Args[Index];
        Next = Index + 1;
        I = J + 1;
      } else {
        Result += C;
      }
    } else {
      Result += C;
    }
  }
  return Result;
}

QString GetLocalStringFormatted(int Id, const QString& Default, const QStringList& Args) {
  return FormatLocalString(GetLocalString(Id, Default), Args);
}
