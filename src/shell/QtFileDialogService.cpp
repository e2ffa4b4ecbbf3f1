#include "shell/QtFileDialogService.h"

#include "shell/DialogFilter.h"

#include <QFileDialog>

namespace velloxa {

QString QtFileDialogService::chooseSaveFile(const QString& title, const QString& filter, const QString& previous) {
    return QFileDialog::getSaveFileName(parent_, title, previous, QtDialogFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace velloxa
