#pragma once

#include <QColor>
#include <QString>

class QAbstractScrollArea;
class QWidget;

namespace velloxa {

// The standard background: the desktop palette's button face.
QColor StandardColour();

// Button-face background on the window and on its frames (QGroupBox), labels, check boxes
// and radio buttons; text boxes, lists, push buttons and grids keep their own colours.
void ApplyStandardColours(QWidget* window);

// Draws a list's or grid's frame as a plain one-pixel border in the style's frame colour. The
// style's own frame loses its right and bottom edges at fractional scale factors (150 %),
// where the view inside covers them; at 100 % both look the same.
void KeepFrameEdges(QAbstractScrollArea* view);

// The Login window's skin: the Qt style sheet ApplicationFolder()/x/o.cjs. Without that file
// nothing happens. Otherwise the standard colours are applied and the sheet is set on the
// window; a file that cannot be read throws Failure (the caller's trap reports it).
void ApplySkin(QWidget* loginWindow);

// Where ApplySkin looks for the sheet.
QString SkinFilePath();

} // namespace velloxa
