#pragma once

#include "errors/MessageService.h"

namespace velloxa {

// The real boxes: modal QMessageBox, plain text, over the window that shows them
// (DialogParent). Texts may break lines with a bare "\r" (the error report does); Qt would
// show nothing for it, so it is shown as a line break.
class QtMessageService : public MessageService {
public:
    void inform(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override;
    void reportError(const QString& title, const QString& text) override;

    // The text as the box displays it: "\r\n" and a lone "\r" both become "\n".
    static QString displayText(const QString& text);
};

} // namespace velloxa
