#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

#include <cstdio>
#include <optional>

namespace velloxa {

// One line on a terminal that follows a run, as the Export window's bar does: rows, the share
// of the server's row count, the time left and the rows per second. Redrawn at most four
// times a second; finish() clears it.
class ProgressLine {
public:
    explicit ProgressLine(std::FILE* terminal);

    void expect(std::optional<qint64> rows); // the server's count for the table, when it has one
    void show(qint64 rows);
    void finish();

private:
    std::FILE* terminal_;
    std::optional<qint64> expected_;
    QElapsedTimer clock_;
    qint64 lastDrawn_ = -1'000;
    bool drawn_ = false;
};

} // namespace velloxa
