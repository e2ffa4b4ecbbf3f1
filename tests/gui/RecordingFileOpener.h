#pragma once

#include "shell/FileOpener.h"

#include <QStringList>

namespace velloxa::testing {

// Records the files the program asks the desktop to show; succeeds unless told otherwise.
class RecordingFileOpener : public FileOpener {
public:
    bool open(const QString& path) override
    {
        opened.append(path);
        return succeeds;
    }

    QStringList opened;
    bool succeeds = true;
};

} // namespace velloxa::testing
