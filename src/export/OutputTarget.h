#pragma once

#include <QString>

namespace velloxa {

// How an output name is written, judged before the export starts so that a name that cannot
// work fails in milliseconds, not after the whole table has been read.
enum class OutputKind {
    Replaced,    // a regular file, or none yet: a new file takes its place in one step
    WrittenInto, // a FIFO, a character device or a terminal: there is nothing to replace, so
                 // the export goes into it as it runs (a failure leaves what was sent)
};

// Refuses (Failure, in the system's words where it has them): an empty name, one the file
// system's encoding cannot hold, one too long for the file system, a chain of symbolic links
// that loops, a missing folder, a folder, a block device, and a target or folder this user
// may not write.
OutputKind CheckOutputTarget(const QString& fileName);

} // namespace velloxa
