#pragma once

#include "shell/FileDialogService.h"

namespace velloxa {

// QFileDialog's save dialog over the window that opens it (DialogParent); no question when
// the chosen file exists.
class QtFileDialogService : public FileDialogService {
public:
    QString chooseSaveFile(const QString& title, const QString& filter, const QString& previous) override;
};

} // namespace velloxa
