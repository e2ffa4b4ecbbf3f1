#pragma once

#include <QString>

namespace velloxa {

// "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|" -> "Text Files (*.txt) (*.txt);;All Files (*.*) (*)".
// Each label is kept as written and followed by its patterns in Qt's form: split on ';',
// blank-separated, and "*.*" as "*" so that files without an extension are listed too. A
// dialog given QFileDialog::HideNameFilterDetails shows the labels alone.
QString QtDialogFilter(const QString& windowsFilter);

} // namespace velloxa
