#pragma once

#include <QString>

namespace velloxa {

// Shows a file in the desktop's default viewer (no shell command line is built).
class FileOpener {
public:
    virtual ~FileOpener() = default;
    // false when the desktop could not open it.
    virtual bool open(const QString& path) = 0;
};

} // namespace velloxa
