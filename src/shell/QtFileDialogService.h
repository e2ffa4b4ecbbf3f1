#pragma once

#include "shell/FileDialogService.h"

#include <QPointer>
#include <QWidget>

namespace velloxa {

// QFileDialog's save dialog; no question when the chosen file exists.
class QtFileDialogService : public FileDialogService {
public:
    explicit QtFileDialogService(QWidget* parent = nullptr) : parent_(parent) {}
    QString chooseSaveFile(const QString& title, const QString& filter, const QString& previous) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace velloxa
