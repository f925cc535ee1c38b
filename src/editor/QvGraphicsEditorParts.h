#pragma once
// What the graphics editor's source files share; not for use outside the editor module.

#include <QString>

class QAction;
class QToolBar;
class QWidget;
class TQvCustomProperties;

namespace QvGraphicsEditorParts {

// Caption and hint of a toolbar button, the same text.
void SetButtonHint(QAction* Button, const QString& Text);
QWidget* ButtonWidget(QToolBar* Toolbar, QAction* Button);
// Item Index of Params as a whole number.
bool ParamNumber(TQvCustomProperties* Params, int Index, int& Value);

}  // namespace QvGraphicsEditorParts
