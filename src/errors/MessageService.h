#pragma once

#include <QString>

namespace velloxa {

// The modal boxes of the windows, behind an interface so that operations can be driven
// by tests with a recording fake instead of real boxes.
class MessageService {
public:
    virtual ~MessageService() = default;
    // OK button only, no icon.
    virtual void inform(const QString& title, const QString& text) = 0;
    // Yes and No buttons, no icon; true when the user answered Yes.
    virtual bool ask(const QString& title, const QString& text) = 0;
    // OK button only, warning icon: the error report of a trapped operation.
    virtual void reportError(const QString& title, const QString& text) = 0;
};

} // namespace velloxa
