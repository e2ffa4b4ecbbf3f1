#pragma once

#include "errors/MessageService.h"

namespace velloxa {

// The command line's message boxes: every text goes to stderr, an error report without
// its request to e-mail a screenshot (that paragraph speaks to a window user).
class StderrMessageService : public MessageService {
public:
    void inform(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override; // answers No: nobody to ask
    void reportError(const QString& title, const QString& text) override;
};

} // namespace velloxa
