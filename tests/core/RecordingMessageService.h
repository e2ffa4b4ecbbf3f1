#pragma once

#include "errors/MessageService.h"

#include <QList>
#include <QString>
#include <functional>

namespace velloxa::testing {

// Records every box instead of showing it; ask() takes its answers from a queue (No when
// the queue is empty). onReport, when set, runs inside reportError (e.g. to throw from it).
class RecordingMessageService : public MessageService {
public:
    enum class Kind { Inform, Ask, Report };
    struct Box {
        Kind kind;
        QString title;
        QString text;
    };

    void inform(const QString& title, const QString& text) override { boxes.append({Kind::Inform, title, text}); }

    bool ask(const QString& title, const QString& text) override {
        boxes.append({Kind::Ask, title, text});
        return answers.isEmpty() ? false : answers.takeFirst();
    }

    void reportError(const QString& title, const QString& text) override {
        boxes.append({Kind::Report, title, text});
        if (onReport)
            onReport();
    }

    QList<Box> reports() const {
        QList<Box> found;
        for (const Box& box : boxes)
            if (box.kind == Kind::Report)
                found.append(box);
        return found;
    }

    QList<Box> boxes;
    QList<bool> answers;
    std::function<void()> onReport;
};

} // namespace velloxa::testing
