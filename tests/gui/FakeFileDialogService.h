#pragma once

#include "shell/FileDialogService.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace velloxa::testing {

// Answers the save dialog from a queue ("" = cancelled when the queue is empty) and records
// what each opening was given.
class FakeFileDialogService : public FileDialogService {
public:
    struct Opening {
        QString title, filter, previous;
    };

    QString chooseSaveFile(const QString& title, const QString& filter, const QString& previous) override
    {
        openings.append({title, filter, previous});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }

    QList<Opening> openings;
    QStringList answers;
};

} // namespace velloxa::testing
