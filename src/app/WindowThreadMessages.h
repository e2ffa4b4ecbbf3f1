#pragma once

#include "errors/MessageService.h"

namespace velloxa {

// Message boxes asked for from a helper thread (an export's error reports) open on the
// window thread, in order, and the helper waits for each to be answered. Asked for on the
// window thread, they open directly.
class WindowThreadMessages : public MessageService {
public:
    explicit WindowThreadMessages(MessageService& boxes) : boxes_(boxes) {}

    void inform(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override;
    void reportError(const QString& title, const QString& text) override;

private:
    MessageService& boxes_;
};

} // namespace velloxa
