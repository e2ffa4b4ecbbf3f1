#pragma once

#include "errors/MessageService.h"

#include <QString>
#include <functional>

namespace velloxa {

// The trap armed by every window load and push-button click. Each numbered line of the
// operation runs through step/test/loopCount; a failure is reported (description, where,
// which line) and the operation goes on with the next line, never retrying the failed one:
//   step      - the action stops where it failed;
//   test      - the guarded branch runs as if the condition held (returns true);
//   loopCount - the loop body runs once (returns 1).
// Failure, std::exception (what() as UTF-8) and anything else thrown are caught. A failure
// raised while the report itself is shown is not caught again: it leaves the trap.
class ErrorTrap {
public:
    ErrorTrap(MessageService& messages, QString window, QString operation); // e.g. "Form2", "PushButton3_Click"

    void step(int line, const std::function<void()>& action);
    bool test(int line, const std::function<bool()>& condition);
    int loopCount(int line, const std::function<int()>& head);

    int reportCount() const { return reportCount_; }

    // "in Velloxa2021/08/31.Form2.PushButton3_Click " (with its trailing blank).
    static QString locationText(const QString& window, const QString& operation);
    // description "\r\n" location "at line " N "\r\r" "Please email screenshot of this message to " address
    static QString reportText(const QString& description, const QString& window, const QString& operation, int line);

    static const QString SupportAddress;
    static const QString ReportTitle; // "Application Error"
    // What the report says for a thrown value that carries no description of its own.
    static const QString UnknownFailureDescription;

private:
    // Runs action; on a failure reports it for line and returns false.
    bool attempt(int line, const std::function<void()>& action);

    MessageService& messages_;
    QString window_;
    QString operation_;
    int reportCount_ = 0;
};

} // namespace velloxa
