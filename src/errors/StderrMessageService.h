#pragma once

#include "errors/MessageService.h"

namespace velloxa {

// Message boxes for programs without windows: every text goes to stderr after the program's name, an error report without
// its request to e-mail a screenshot (that paragraph speaks to a window user).
class StderrMessageService : public MessageService {
public:
    void inform(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override; // answers No: nobody to ask
    void reportError(const QString& title, const QString& text) override;
};

} // namespace velloxa
