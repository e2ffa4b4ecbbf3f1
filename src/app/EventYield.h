#pragma once

#include <QElapsedTimer>
#include <QEventLoop>

namespace velloxa {

// The yield a long operation calls once per row: lets the windows repaint, but at most
// every intervalMs, so a long catalogue is not slowed down by one event pass per row.
class EventYield {
public:
    explicit EventYield(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents, int intervalMs = 30);
    void operator()();

private:
    QEventLoop::ProcessEventsFlags flags_;
    int intervalMs_;
    QElapsedTimer sinceLastPass_;
};

} // namespace velloxa
