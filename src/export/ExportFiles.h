#pragma once

#include "export/Compression.h"

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

namespace velloxa {

class CompressingWriter;
class ReplacingFile;

// The files one export writes: the output file (or standard output), or with `split` its
// numbered parts (PartName), each compressed or not. Nothing is in place before commit(), which puts every
// part there together; without it (failure, cancel, destruction) the files that were there
// stay as they were and no new part is left. Failures throw Failure.
class ExportFiles {
public:
    // Opens the first file (refused as ReplacingFile refuses it). Standard output is never split.
    ExportFiles(const QString& fileName, bool standardOutput, Compression compression, int level, bool split);
    ~ExportFiles();
    ExportFiles(const ExportFiles&) = delete;
    ExportFiles& operator=(const ExportFiles&) = delete;

    void write(QByteArrayView bytes);
    // Ends the current part and opens the next one.
    void startNextPart();
    // Also removes the parts an earlier, longer set left after the new last one, so the
    // folder holds one set.
    void commit();

    bool split() const { return split_; }
    int parts() const { return int(files_.size()); }
    // Bytes in the files so far (compressed, where they are).
    qint64 bytes() const;

    // "name.0001.ext": the number before the last extension and before a compression suffix
    // ("orders.csv.zst": "orders.0001.csv.zst"), four digits at least.
    static QString PartName(const QString& fileName, int number);

private:
    void open();
    void finishPart();

    QString fileName_;
    bool standardOutput_;
    Compression compression_;
    int level_;
    bool split_;
    std::vector<std::unique_ptr<ReplacingFile>> files_;
    std::unique_ptr<CompressingWriter> writer_; // into the last file
    qint64 finishedBytes_ = 0;                  // of the parts before it
};

} // namespace velloxa
