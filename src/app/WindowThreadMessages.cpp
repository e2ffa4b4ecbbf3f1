#include "app/WindowThreadMessages.h"

#include <QCoreApplication>
#include <QThread>

namespace velloxa {

namespace {

template <typename Box>
void OnWindowThread(Box box)
{
    QCoreApplication* application = QCoreApplication::instance();
    if (QThread::currentThread() == application->thread())
        box();
    else
        QMetaObject::invokeMethod(application, box, Qt::BlockingQueuedConnection);
}

} // namespace

void WindowThreadMessages::inform(const QString& title, const QString& text)
{
    OnWindowThread([&] { boxes_.inform(title, text); });
}

bool WindowThreadMessages::ask(const QString& title, const QString& text)
{
    bool yes = false;
    OnWindowThread([&] { yes = boxes_.ask(title, text); });
    return yes;
}

void WindowThreadMessages::reportError(const QString& title, const QString& text)
{
    OnWindowThread([&] { boxes_.reportError(title, text); });
}

} // namespace velloxa
