#include "app/OpenedJob.h"

#include "app/Wizard.h"
#include "connection/Form1.h"
#include "export/Form4.h"
#include "export/SeparatorEdit.h"
#include "jobs/JobRun.h"
#include "selection/Form2.h"
#include "selection/Form3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace velloxa {

namespace {

// The row of the job's table: by schema when the job names one, else the name alone.
int TableRow(Form2& chooser, const Job& job)
{
    for (int row = 0; row < chooser.List1->count(); ++row) {
        const TableEntry entry = chooser.tableAt(row);
        if (entry.name == job.table && (job.schema.isEmpty() || entry.schema == job.schema))
            return row;
    }
    return -1;
}

QListWidgetItem* Entry(QListWidget* list, const QString& name)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->text().compare(name, Qt::CaseInsensitive) == 0)
            return list->item(row);
    return nullptr;
}

} // namespace

void FillLogin(Form1& login, const Job& job)
{
    // The remembered password goes only where it was remembered for: a job file from elsewhere
    // must not send it to another server or user.
    const LoginValues remembered = login.loginValues();
    const bool sameLogin = remembered.server == job.login.server && remembered.port == job.login.port
        && remembered.user == job.login.user && remembered.localConnection == job.login.localConnection;
    // The boxes show the job's login; the remembered one stays in the settings store.
    const QSignalBlocker server(login.Text1), port(login.Text9), user(login.Text2), password(login.Text3),
        database(login.Text4), local(login.Check7);
    login.Text1->setText(job.login.server);
    login.Text9->setText(job.login.port);
    login.Text2->setText(job.login.user);
    login.Text4->setText(job.login.database);
    login.Check7->setChecked(job.login.localConnection);
    if (!sameLogin)
        login.Text3->clear();
}

void FillChoices(Wizard& wizard, const Job& job)
{
    MessageService& messages = wizard.services().messages;
    Form2& chooser = wizard.form2();
    if (!job.tables.isEmpty()) {
        messages.inform(wizard.applicationTitle(),
                        QStringLiteral("The job exports several tables (%1); the windows export one at a time. "
                                       "velloxa-export --job runs it.")
                            .arg(job.tables.join(QStringLiteral(", "))));
        return;
    }
    const int row = TableRow(chooser, job);
    if (row < 0) {
        messages.inform(wizard.applicationTitle(), QStringLiteral("The job's table %1 is not in the list.").arg(job.table));
        return;
    }
    chooser.List1->setCurrentRow(row);
    chooser.PushButton3_Click();

    Form3& fields = wizard.form3();
    if (!fields.isVisible())
        return; // the table could not be opened: reported there
    QStringList missing;
    if (job.columns.isEmpty())
        fields.PushButton6_Click();
    for (const QString& column : job.columns) {
        QListWidgetItem* item = Entry(fields.List1, column);
        if (!item) {
            missing << column;
            continue;
        }
        fields.List1->setCurrentItem(item);
        fields.PushButton5_Click();
    }
    if (!missing.isEmpty()) {
        messages.inform(wizard.applicationTitle(), ColumnsChangedText(missing));
        return;
    }
    fields.PushButton3_Click();

    Form4& form = wizard.form4();
    form.Text1->setText(job.output);
    form.Text2->setText(job.separator);
    form.Check6->setChecked(job.header);
    form.Combo1->setCurrentIndex(int(job.format.quoting));
    form.Combo2->setCurrentIndex(int(job.format.encoding));
    form.Combo3->setCurrentIndex(int(job.format.values));
}

Job ShownJob(Wizard& wizard)
{
    const Form4& form = wizard.form4();
    // What the windows do not show stays as the opened job had it: its rising column, last
    // value and parts, while the table is the same.
    Job job = wizard.openedJob().value_or(Job{});
    const TableEntry& chosen = wizard.globals().chosenTable;
    if (job.table != chosen.name || (!job.schema.isEmpty() && job.schema != chosen.schema)) {
        job.afterColumn.clear();
        job.lastValue.clear();
        job.splitRows = 0;
    }
    // The window exports one table, compressed as its output name says; a level kept from the
    // job holds while that name asks for the same codec.
    job.tables.clear();
    const Compression shown = CompressionForName(form.Text1->text());
    if (shown != job.compression.value_or(CompressionForName(job.output)))
        job.compressionLevel.reset();
    job.compression.reset();
    job.login = wizard.form1().loginValues();
    job.login.password.clear();
    job.schema = chosen.schema;
    job.table = chosen.name;
    job.columns = wizard.globals().selectedColumns;
    job.output = form.Text1->text();
    job.separator = form.Text2->separator();
    job.header = form.Check6->isChecked();
    job.format = {Quoting(std::max(form.Combo1->currentIndex(), 0)), FileEncoding(std::max(form.Combo2->currentIndex(), 0)),
                  ValueForms(std::max(form.Combo3->currentIndex(), 0))};
    return job;
}

} // namespace velloxa
