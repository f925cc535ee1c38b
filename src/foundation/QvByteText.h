// Small helpers for the line-based text files the program reads as bytes (language files, demo
// scripts): blanks are every byte up to the space, and names compare without regard to ASCII case.
#pragma once

#include <QByteArrayView>

inline bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

inline QByteArrayView Trim(QByteArrayView S) {
  qsizetype B = 0, E = S.size();
  while (B < E && IsBlank(S[B])) ++B;
  while (E > B && IsBlank(S[E - 1])) --E;
  return S.sliced(B, E - B);
}

inline bool SameText(QByteArrayView A, QByteArrayView B) {
  return A.size() == B.size() && A.compare(B, Qt::CaseInsensitive) == 0;
}
