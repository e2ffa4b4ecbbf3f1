#include "errors/ErrorTrap.h"

#include "errors/Failure.h"

#include <exception>
#include <optional>

namespace velloxa {

const QString ErrorTrap::SupportAddress = QStringLiteral("support@velloxa.example");
const QString ErrorTrap::ReportTitle = QStringLiteral("Application Error");
const QString ErrorTrap::UnknownFailureDescription = QStringLiteral("Unexpected internal failure");

ErrorTrap::ErrorTrap(MessageService& messages, QString window, QString operation)
    : messages_(messages), window_(std::move(window)), operation_(std::move(operation)) {}

QString ErrorTrap::locationText(const QString& window, const QString& operation) {
    return QStringLiteral("in Velloxa2021/08/31.") + window + u'.' + operation + u' ';
}

QString ErrorTrap::reportText(const QString& description, const QString& window, const QString& operation, int line) {
    return description + QStringLiteral("\r\n") + locationText(window, operation) + QStringLiteral("at line ")
        + QString::number(line) + QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ")
        + SupportAddress;
}

bool ErrorTrap::attempt(int line, const std::function<void()>& action) {
    std::optional<QString> description;
    try {
        action();
    } catch (const Failure& failure) {
        description = failure.description();
    } catch (const std::exception& failure) {
        description = QString::fromUtf8(failure.what());
    } catch (...) {
        description = UnknownFailureDescription;
    }
    if (!description)
        return true;
    // Outside the handlers on purpose: whatever the report itself throws leaves the trap.
    ++reportCount_;
    messages_.reportError(ReportTitle, reportText(*description, window_, operation_, line));
    return false;
}

void ErrorTrap::step(int line, const std::function<void()>& action) {
    attempt(line, action);
}

bool ErrorTrap::test(int line, const std::function<bool()>& condition) {
    bool held = true;
    attempt(line, [&] { held = condition(); });
    return held;
}

int ErrorTrap::loopCount(int line, const std::function<int()>& head) {
    int count = 1;
    attempt(line, [&] { count = head(); });
    return count;
}

} // namespace velloxa
