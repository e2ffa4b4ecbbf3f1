#include "errors/QtMessageService.h"

#include "shell/DialogParent.h"

#include <QMessageBox>

namespace velloxa {

namespace {

QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, QtMessageService::displayText(text), buttons, DialogParent());
    box.setTextFormat(Qt::PlainText); // driver messages may hold '<' and '&'
    box.setWindowModality(Qt::ApplicationModal);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

QString QtMessageService::displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

void QtMessageService::inform(const QString& title, const QString& text) {
    showBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
}

bool QtMessageService::ask(const QString& title, const QString& text) {
    return showBox(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtMessageService::reportError(const QString& title, const QString& text) {
    showBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
}

} // namespace velloxa
