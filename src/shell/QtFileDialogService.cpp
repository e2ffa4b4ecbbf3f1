#include "shell/QtFileDialogService.h"

#include "shell/DialogFilter.h"
#include "shell/DialogParent.h"

#include <QFileDialog>

namespace velloxa {

QString QtFileDialogService::chooseSaveFile(const QString& title, const QString& filter, const QString& previous) {
    // With the details hidden the type box shows each label as the filter writes it.
    return QFileDialog::getSaveFileName(DialogParent(), title, previous, QtDialogFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
}

} // namespace velloxa
