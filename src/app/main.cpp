#include <QApplication>

#include "app/Services.h"
#include "app/Wizard.h"
#include "errors/QtMessageService.h"
#include "errors/Failure.h"
#include "export/PendingFiles.h"
#include "settings/Keyring.h"
#include "jobs/JobFile.h"
#include "settings/SettingsStore.h"
#include "shell/DesktopFileOpener.h"
#include "shell/QtFileDialogService.h"

int main(int argc, char* argv[])
{
    using namespace velloxa;
    QApplication application(argc, argv);
    // Ties the windows to the installed menu entry (the window's application id on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.orvanta.velloxa"));
    // The program ends through Wizard::endProgram, whichever window is closed.
    QApplication::setQuitOnLastWindowClosed(false);

    QtMessageService messages;
    QtFileDialogService fileDialogs;
    DesktopFileOpener fileOpener;
    Keyring keyring;
    SettingsStore settings(&keyring);
    Services services{messages, fileDialogs, fileOpener, settings, [] { QCoreApplication::exit(0); },
                      [] { PendingFiles::EndProcessNow(0); }};

    Wizard wizard(services);
    // A job file (a double-click in a file manager): the wizard opens filled in with it.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        try {
            wizard.openJob(ReadJobFile(arguments[1]));
        } catch (const Failure& failure) {
            messages.inform(QStringLiteral("Velloxa"), failure.description());
        }
    }
    wizard.start();
    return QApplication::exec();
}
