#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace velloxa {

// The standard background: the desktop palette's button face.
QColor StandardColour();

// Button-face background on the window and on its frames (QGroupBox), labels, check boxes
// and radio buttons; text boxes, lists, push buttons and grids keep their own colours.
void ApplyStandardColours(QWidget* window);

// The Login window's skin: the Qt style sheet ApplicationFolder()/x/o.cjs. Without that file
// nothing happens. Otherwise the standard colours are applied and the sheet is set on the
// window; a file that cannot be read throws Failure (the caller's trap reports it).
void ApplySkin(QWidget* loginWindow);

// Where ApplySkin looks for the sheet.
QString SkinFilePath();

} // namespace velloxa
