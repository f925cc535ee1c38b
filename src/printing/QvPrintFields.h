// The rules of the print dialog's five number fields, apart from the widgets: which typed
// characters a field takes, and what its text becomes when the field is left.
#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

enum class TQvPrintField { Left, Top, Scale, Width, Height };

// A field's state when a character is typed: its text, the caret and the selection's end.
struct TQvPrintFieldState {
  QString Text;
  int Caret = 0;
  int SelectionEnd = 0;  // the caret when nothing is selected
};

// Whether the field takes Key (a typed character; backspace is '\b'). Insert receives what goes
// in instead: "," and "." become the locale's decimal separator.
bool AcceptPrintKey(TQvPrintField Field, QChar Key, const TQvPrintFieldState& State, QString& Insert,
                    const QLocale& Locale = QLocale());

// The text a field is left with: every "%" removed, a trailing decimal separator dropped, the
// number written back in the general format held within the field's limits (±10 m in Unit for a
// length, 1 % to 10000 % for the scale), "0" when it is not a number; the scale gets its "%".
QString NormalizePrintField(TQvPrintField Field, const QString& Text, int Unit, const QLocale& Locale = QLocale());
