#pragma once

#include <QString>

namespace velloxa {

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" -> "Text Files (*.txt);;All Files (*)".
// Patterns split on ';' become Qt's blank-separated list, and "*.*" becomes "*" so that
// files without an extension are listed too.
QString QtDialogFilter(const QString& windowsFilter);

} // namespace velloxa
