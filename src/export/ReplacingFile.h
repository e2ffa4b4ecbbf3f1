#pragma once

#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace velloxa {

// Writes a file's new contents into a temporary file beside it and puts it in place only
// at commit(), by an atomic rename: until then an existing file stays as it was, and
// without commit() (failure, cancel, destruction, exit()) the temporary file is removed.
// A replaced file keeps its permission bits. Every failure throws Failure.
class ReplacingFile {
public:
    // Refuses a missing folder and an existing file that may not be written.
    explicit ReplacingFile(const QString& fileName);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void write(QByteArrayView bytes);
    void commit();

private:
    void discard();

    QString fileName_;
    QFile temporary_;
    bool committed_ = false;
};

} // namespace velloxa
