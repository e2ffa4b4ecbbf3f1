// velloxa-screenshots [screenshot-folder [help-image.jpg]]
// Draws the four windows offscreen, filled with the values of a typical session, as
// login.png, tables.png, fields.png and export.png, and the Login window filled in for a
// local SQL Server Express connection as the help image. Without arguments the files go to
// docs/screenshots/ and resources/ of the source tree. QT_SCALE_FACTOR=1.5 draws them at 150 %.
#include "SilentServices.h"

#include "app/Services.h"
#include "app/Wizard.h"
#include "connection/Form1.h"
#include "export/Form4.h"
#include "export/SeparatorEdit.h"
#include "selection/Form2.h"
#include "selection/Form3.h"
#include "selection/Preview.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

using namespace velloxa;

namespace {

void fillLogin(Form1& login, const LoginValues& values)
{
    login.Text1->setText(values.server);
    login.Text9->setText(values.port);
    login.Text2->setText(values.user);
    login.Text3->setText(values.password);
    login.Text4->setText(values.database);
    login.Check7->setChecked(values.localConnection);
}

void fillTables(Form2& tables)
{
    TableList& list = tables.tables();
    list.clear(QStringLiteral("dbo"));
    // In catalogue order: tables by schema and name, then views.
    for (const char* name : {"Customers", "Employees", "OrderLines", "Orders", "Products"})
        list.append({QStringLiteral("dbo"), QString::fromLatin1(name)});
    list.append({QStringLiteral("sales"), QStringLiteral("Customers")});
    list.append({QStringLiteral("dbo"), QStringLiteral("CustomerOrderTotals")});
    tables.List1->setCurrentRow(0);
}

void fillFields(Form3& fields)
{
    PreviewData preview;
    preview.columns = {"CustomerId", "Name", "City", "Country", "Phone", "Since"};
    preview.rows = {
        {"1", "Alder & Finch, Ltd", "Bristol", "United Kingdom", "+44 117 496 0123", "2019-03-14"},
        {"2", "Brightwater Foods", "Utrecht", "Netherlands", "+31 30 799 1042", "2020-07-01"},
        {"3", "Casa Montés", "Valencia", "Spain", "+34 963 55 01 77", "2018-11-23"},
        {"4", "Dunmore Outfitters", "Galway", "Ireland", "+353 91 44 2210", "2021-02-08"},
        {"5", "Eastfield Hardware", "Leeds", "United Kingdom", "+44 113 496 0777", "2017-09-30"},
        {"6", "Fjordlys AS", "Bergen", "Norway", "+47 55 20 41 90", "2022-05-17"},
    };
    preview.isoRows = preview.windows1252Rows = preview.rows; // no dates or decimals among them
    fields.showPreview(preview);
    fields.show();
    fields.List1->addItems({"Country", "Phone", "Since"});
    fields.List2->addItems({"CustomerId", "Name", "City"});
    for (QPushButton* button : {fields.PushButton5, fields.PushButton6, fields.PushButton7, fields.PushButton8,
                                fields.PushButton3})
        button->setEnabled(true);
    fields.List1->setCurrentRow(0);
}

void fillExport(Wizard& wizard)
{
    wizard.globals().selectedColumns = {"CustomerId", "Name", "City"};
    Form4& exportWindow = wizard.form4();
    exportWindow.Text1->setText(QStringLiteral("/home/anna/Desktop/customers.txt"));
    exportWindow.Text2->setText(QStringLiteral(","));
    exportWindow.Check6->setChecked(true);
}

bool save(QWidget& window, const QString& file, const char* format)
{
    window.show();
    QApplication::processEvents();
    const int quality = qstrcmp(format, "JPG") == 0 ? 92 : -1;
    const bool saved = window.grab().save(file, format, quality);
    QTextStream(stdout) << (saved ? "wrote " : "could not write ") << file << '\n';
    window.hide();
    return saved;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString folder = arguments.value(1, QStringLiteral(VELLOXA_SCREENSHOT_FOLDER));
    const QString helpImage = arguments.value(2, QStringLiteral(VELLOXA_HELP_IMAGE));
    QDir().mkpath(folder);

    QTemporaryDir scratch;
    screenshots::SilentMessages messages;
    screenshots::NoFileDialog fileDialogs;
    screenshots::NoFileOpener fileOpener;
    SettingsStore settings(scratch.filePath(QStringLiteral("Orvanta.ini"))); // empty: no connection is tried
    Services services{messages, fileDialogs, fileOpener, settings, [] {}, [] {}};
    Wizard wizard(services);

    bool saved = true;
    Form1& login = wizard.form1();
    fillLogin(login, {QStringLiteral("localhost\\SQLEXPRESS"), QStringLiteral("1433"), QStringLiteral("sa"),
                      QStringLiteral("Express2019"), QStringLiteral("Northwind"), true});
    saved &= save(login, helpImage, "JPG");
    fillLogin(login, {QStringLiteral("sql01.corp.example"), QStringLiteral("1433"), QStringLiteral("reporting"),
                      QStringLiteral("s3cret!"), QStringLiteral("Sales"), false});
    saved &= save(login, folder + QStringLiteral("/login.png"), "PNG");

    fillTables(wizard.form2());
    saved &= save(wizard.form2(), folder + QStringLiteral("/tables.png"), "PNG");
    fillFields(wizard.form3());
    saved &= save(wizard.form3(), folder + QStringLiteral("/fields.png"), "PNG");
    fillExport(wizard);
    saved &= save(wizard.form4(), folder + QStringLiteral("/export.png"), "PNG");

    if (!messages.lastReport.isEmpty())
        std::fprintf(stderr, "a window reported: %s\n", qPrintable(messages.lastReport));
    return saved ? 0 : 1;
}
