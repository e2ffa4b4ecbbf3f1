#pragma once

#include "errors/MessageService.h"
#include "shell/FileDialogService.h"
#include "shell/FileOpener.h"

#include <QString>

namespace velloxa::screenshots {

// The windows are only filled and drawn here: no box, dialog or viewer may appear.
class SilentMessages : public MessageService {
public:
    void inform(const QString&, const QString&) override {}
    bool ask(const QString&, const QString&) override { return false; }
    void reportError(const QString&, const QString& text) override { lastReport = text; }
    QString lastReport;
};

class NoFileDialog : public FileDialogService {
public:
    QString chooseSaveFile(const QString&, const QString&, const QString&) override { return {}; }
};

class NoFileOpener : public FileOpener {
public:
    bool open(const QString&) override { return false; }
};

} // namespace velloxa::screenshots
