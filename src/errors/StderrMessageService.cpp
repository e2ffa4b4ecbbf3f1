#include "errors/StderrMessageService.h"

#include <QCoreApplication>

#include <cstdio>

namespace velloxa {

namespace {

void Print(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), lines.toLocal8Bit().constData());
}

} // namespace

void StderrMessageService::inform(const QString&, const QString& text)
{
    Print(text);
}

bool StderrMessageService::ask(const QString&, const QString& text)
{
    Print(text);
    return false;
}

void StderrMessageService::reportError(const QString&, const QString& text)
{
    // The report's last paragraph follows "\r\r".
    const qsizetype paragraph = text.lastIndexOf(QLatin1String("\r\r"));
    Print(paragraph < 0 ? text : text.left(paragraph));
}

} // namespace velloxa
