#pragma once

#include "shell/FileOpener.h"

namespace velloxa {

// QDesktopServices: the file goes to the desktop's default application for its type.
class DesktopFileOpener : public FileOpener {
public:
    bool open(const QString& path) override;
};

} // namespace velloxa
