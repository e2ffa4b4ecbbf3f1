#include "export/ExportFiles.h"

#include "export/CompressingWriter.h"
#include "export/ReplacingFile.h"

#include <QFile>
#include <QFileInfo>

namespace velloxa {

ExportFiles::ExportFiles(const QString& fileName, bool standardOutput, Compression compression, int level, bool split)
    : fileName_(fileName), standardOutput_(standardOutput), compression_(compression), level_(level), split_(split && !standardOutput)
{
    open();
}

ExportFiles::~ExportFiles() = default;

QString ExportFiles::PartName(const QString& fileName, int number)
{
    const QString compressionSuffix = CompressionSuffixOf(fileName);
    const QString name = fileName.chopped(compressionSuffix.size());
    const QString number4 = QStringLiteral(".%1").arg(number, 4, 10, QLatin1Char('0'));
    // The last extension of the file's own name, not a dot in a folder's name; a name that
    // starts with its only dot (".hidden") has none.
    const qsizetype nameStart = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > nameStart ? dot : name.size();
    return name.left(at) + number4 + name.mid(at) + compressionSuffix;
}

void ExportFiles::open()
{
    if (standardOutput_)
        files_.push_back(std::make_unique<ReplacingFile>(ReplacingFile::StandardOutput{}));
    else
        files_.push_back(std::make_unique<ReplacingFile>(split_ ? PartName(fileName_, parts() + 1) : fileName_));
    writer_ = std::make_unique<CompressingWriter>(*files_.back(), compression_, level_);
}

void ExportFiles::write(QByteArrayView bytes)
{
    writer_->write(bytes);
}

// Ends the stream into the last file and counts its bytes among the finished parts'.
void ExportFiles::finishPart()
{
    writer_->finish();
    finishedBytes_ += writer_->fileBytes();
    writer_.reset();
}

void ExportFiles::startNextPart()
{
    finishPart();
    open();
}

qint64 ExportFiles::bytes() const
{
    return finishedBytes_ + (writer_ ? writer_->fileBytes() : 0);
}

void ExportFiles::commit()
{
    finishPart();
    std::vector<ReplacingFile*> files;
    for (const auto& file : files_)
        files.push_back(file.get());
    ReplacingFile::CommitTogether(files);
    if (split_) {
        for (int number = parts() + 1; QFileInfo::exists(PartName(fileName_, number)); ++number)
            QFile::remove(PartName(fileName_, number));
    }
}

} // namespace velloxa
