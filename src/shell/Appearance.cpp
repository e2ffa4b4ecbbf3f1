#include "shell/Appearance.h"

#include "errors/Failure.h"
#include "shell/ShellServices.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

namespace velloxa {

namespace {

void paintStandard(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, StandardColour());
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <typename Control>
void paintStandardAll(QWidget* window) {
    for (Control* control : window->findChildren<Control*>())
        paintStandard(control);
}

} // namespace

QColor StandardColour() {
    return QApplication::palette().color(QPalette::Button);
}

void ApplyStandardColours(QWidget* window) {
    paintStandard(window);
    paintStandardAll<QGroupBox>(window);
    paintStandardAll<QLabel>(window);
    paintStandardAll<QCheckBox>(window);
    paintStandardAll<QRadioButton>(window);
}

void KeepFrameEdges(QAbstractScrollArea* view) {
    // The colour Fusion frames views in: the window colour darkened, then lightened a little.
    const QColor edge = view->palette().color(QPalette::Window).darker(140).lighter(108);
    // By class name, so that the views inside (a grid's headers) keep their own look.
    view->setStyleSheet(QStringLiteral("%1 { border: 1px solid %2; }")
                            .arg(QString::fromLatin1(view->metaObject()->className()), edge.name()));
}

QString SkinFilePath() {
    return ApplicationFolder() + QStringLiteral("/x/o.cjs");
}

void ApplySkin(QWidget* loginWindow) {
    const QString skinFile = SkinFilePath();
    if (!FileExists(skinFile))
        return;
    ApplyStandardColours(loginWindow);
    QFile file(skinFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Failure(QStringLiteral("Cannot load the skin ") + skinFile + QStringLiteral(": ") + file.errorString());
    const QByteArray sheet = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot load the skin ") + skinFile + QStringLiteral(": ") + file.errorString());
    // The sheet addresses the window through this property, so its rules for the window
    // do not spill onto every widget inside it.
    loginWindow->setProperty("velloxaSkin", QStringLiteral("login"));
    loginWindow->setAttribute(Qt::WA_StyledBackground);
    loginWindow->setStyleSheet(QString::fromUtf8(sheet));
}

} // namespace velloxa
