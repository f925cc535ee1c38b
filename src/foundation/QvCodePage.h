// Windows code pages and language ids: conversion to UTF-8 through iconv, and the per-language
// defaults (ANSI code page, locale) that Windows gives a language id.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>

#include <cstdint>

// The default ANSI code page Windows gives the language id (1252 for 1033 and 1031, 1251 for 1049,
// ...); found by the full id first, then by its primary language. 0 when the id is unknown.
int QvDefaultAnsiCodePage(std::uint16_t LangId);

// The locale of a Windows language id (1033 en_US, 1031 de_DE, 1049 ru_RU, ...), by the full id
// first, then by its primary language. Returns false (Locale unchanged) for an unknown id.
bool QvLocaleOfLangId(std::uint16_t LangId, QLocale& Locale);

// Converts Text from the Windows code page to UTF-8 with iconv. Code page 65001 is UTF-8 already.
// Bytes that do not convert become U+FFFD. Returns false (Utf8 unchanged) when iconv does not know
// the code page.
bool QvCodePageToUtf8(QByteArrayView Text, int CodePage, QByteArray& Utf8);

// The reverse: UTF-8 to the Windows code page; a character the code page lacks becomes "?".
// Returns false (Text unchanged) when iconv does not know the code page.
bool QvUtf8ToCodePage(QByteArrayView Utf8, int CodePage, QByteArray& Text);
