#include "app/EventYield.h"

#include <QCoreApplication>

namespace velloxa {

EventYield::EventYield(QEventLoop::ProcessEventsFlags flags, int intervalMs)
    : flags_(flags), intervalMs_(intervalMs)
{
    sinceLastPass_.start();
}

void EventYield::operator()()
{
    if (sinceLastPass_.elapsed() < intervalMs_)
        return;
    QCoreApplication::processEvents(flags_);
    sinceLastPass_.restart();
}

} // namespace velloxa
