// A script section as the demo editor shows it: its lines decoded to one text, and an edited text
// turned back into lines. Lines keep the file's bytes, so a line the user did not touch is written
// back exactly as it was read, whatever its encoding.
#pragma once

#include <QByteArrayList>
#include <QString>

class TQvDemoScript;
class TQvLocalizer;

// The code page a section's bytes are in: UTF-8 (65001) for a UTF-8 script; otherwise the default
// ANSI code page of a language section's id, or of the base language for "Info", "Script" and any
// other section; 0 when that language has none.
int QvDemoSectionCodePage(const TQvDemoScript& Script, int Section, const TQvLocalizer& Localizer);

// The section's lines, decoded, joined with line feeds.
QString QvDemoSectionText(const TQvDemoScript& Script, int Section, const TQvLocalizer& Localizer);

// Text split into lines (a final line feed ends the last line rather than adding an empty one). A
// line equal to one of the section's decoded lines takes that line's bytes; any other is encoded in
// the section's code page (UTF-8 when there is none).
QByteArrayList QvDemoSectionLines(const TQvDemoScript& Script, int Section, const QString& Text,
                                  const TQvLocalizer& Localizer);
