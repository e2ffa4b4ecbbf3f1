#pragma once

#include <QByteArrayView>
#include <QString>

#include <span>

namespace velloxa {

// Writes a file's new contents into a temporary file beside it and puts it in place only
// at commit(), by an atomic rename: until then an existing file stays as it was, and
// without commit() (failure, cancel, destruction) nothing of the new contents is left.
//
// On Linux the temporary file has no name until commit() (O_TMPFILE), so even a killed
// process leaves nothing behind. Where the file system refuses that, it is a hidden named
// file (".velloxa-<target's hash>-<pid>-<random>.tmp", the form the unnamed one also takes for
// the moment before its rename). Files of that form that killed earlier runs left for the
// same target (ours: that name, our user, a process that is gone) are removed first.
//
// A symbolic link as the target: the file it points to is replaced, in that file's folder,
// and the link stays. A replaced file keeps its permission bits. A target that is not a
// regular file (a FIFO, a character device, a terminal; OutputTarget.h) cannot be replaced:
// it is written into directly, and so is standard output. Every failure throws Failure with
// the system's own words.
class ReplacingFile {
public:
    // Refuses what CheckOutputTarget refuses.
    explicit ReplacingFile(const QString& fileName);
    struct StandardOutput {};
    explicit ReplacingFile(StandardOutput);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void write(QByteArrayView bytes);
    void commit();
    // Commits several files as one set: every one reaches the disk before the first takes its
    // name, and an abrupt end of the process waits until all have theirs.
    static void CommitTogether(std::span<ReplacingFile* const> files);

    // How the names of our temporary files for `target` begin.
    static QString TemporaryPrefix(const QString& target);

private:
    void openNamed(const QString& folder, int mode);
    void discard();
    void sync();
    void giveName();
    void moveIntoPlace();

    QString fileName_;       // as given, for messages
    QString target_;         // the file that gets the new contents (a link's destination)
    QString namedTemporary_; // empty while the temporary file has no name
    int handle_ = -1;
    bool committed_ = false;
    bool direct_ = false; // written into as it goes: nothing to rename, nothing to undo
    qint64 written_ = 0;  // bytes so far
    qint64 started_ = 0;  // bytes whose writeback has been started
};

} // namespace velloxa
