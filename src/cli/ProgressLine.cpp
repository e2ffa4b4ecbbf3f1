#include "cli/ProgressLine.h"

#include <QString>

namespace velloxa {

namespace {

QString Duration(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
    if (seconds >= 60)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return seconds > 0 ? QStringLiteral("%1 s").arg(seconds) : QStringLiteral("under 1 s");
}

} // namespace

ProgressLine::ProgressLine(std::FILE* terminal) : terminal_(terminal)
{
    clock_.start();
}

void ProgressLine::expect(std::optional<qint64> rows)
{
    expected_ = rows;
}

void ProgressLine::show(qint64 rows)
{
    const qint64 now = clock_.elapsed();
    if (now - lastDrawn_ < 250)
        return;
    lastDrawn_ = now;
    QString line = QStringLiteral("%L1 rows").arg(rows);
    if (expected_ && *expected_ > 0 && rows > 0 && rows <= *expected_) {
        line += QStringLiteral(", %1%").arg(rows * 100 / *expected_);
        line += QStringLiteral(", %1 left").arg(Duration(now * (*expected_ - rows) / rows / 1000));
    }
    if (now > 0)
        line += QStringLiteral(", %L1 rows/s").arg(rows * 1000 / now);
    // \r back to the start, the line, then clear what a longer line left.
    std::fprintf(terminal_, "\r%s\033[K", qPrintable(line));
    std::fflush(terminal_);
    drawn_ = true;
}

void ProgressLine::finish()
{
    if (drawn_)
        std::fprintf(terminal_, "\r\033[K");
    std::fflush(terminal_);
    drawn_ = false;
}

} // namespace velloxa
