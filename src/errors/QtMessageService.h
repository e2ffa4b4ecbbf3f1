#pragma once

#include "errors/MessageService.h"

#include <QPointer>
#include <QWidget>

namespace velloxa {

// The real boxes: modal QMessageBox, plain text. Texts may break lines with a bare "\r"
// (the error report does); Qt would show nothing for it, so it is shown as a line break.
class QtMessageService : public MessageService {
public:
    explicit QtMessageService(QWidget* parent = nullptr) : parent_(parent) {}

    void setParent(QWidget* parent) { parent_ = parent; }

    void inform(const QString& title, const QString& text) override;
    bool ask(const QString& title, const QString& text) override;
    void reportError(const QString& title, const QString& text) override;

    // The text as the box displays it: "\r\n" and a lone "\r" both become "\n".
    static QString displayText(const QString& text);

private:
    QPointer<QWidget> parent_;
};

} // namespace velloxa
