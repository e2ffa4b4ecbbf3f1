#pragma once

#include <QString>

namespace velloxa {

// The save-file chooser, behind an interface so the Export window can be tested.
class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // filter in the Windows form "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
    // previous is the proposed file. Returns the chosen path, "" when cancelled.
    // An existing file is not questioned (the export overwrites it).
    virtual QString chooseSaveFile(const QString& title, const QString& filter, const QString& previous) = 0;
};

} // namespace velloxa
