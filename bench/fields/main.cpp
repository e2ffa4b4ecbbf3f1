// The Field chooser's loading (preview query, grid, field list, button states, pruning) on a
// table of 1,024 columns and 100 rows against the sandbox server, with 0 or 1,024 names
// already chosen. Prints a Markdown table of the median and best wall time of each case.
#include "gui/WizardHarness.h"

#include "SandboxServer.h"

#include "connection/odbc/Connection.h"
#include "errors/ErrorTrap.h"
#include "selection/Form3.h"
#include "selection/Preview.h"
#include "selection/Pruning.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace velloxa;

namespace {

constexpr int Columns = 1024;
constexpr int Runs = 7;

QStringList Names(const QString& prefix)
{
    QStringList names;
    for (int i = 1; i <= Columns; ++i)
        names.append(prefix + QString::number(i).rightJustified(4, '0'));
    return names;
}

QString WideTableScript()
{
    const QStringList names = Names(QStringLiteral("Column "));
    QStringList declared, values;
    for (const QString& name : names) {
        declared.append('"' + name + QStringLiteral("\" int"));
        values.append(QStringLiteral("i"));
    }
    return QStringLiteral("CREATE TABLE Wide (%1);\n"
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100)\n"
                          "INSERT INTO Wide SELECT %2 FROM n;\n")
        .arg(declared.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

struct Figures {
    double median = 0, best = 0;
};

Figures Measure(const std::function<void()>& prepare, const std::function<void()>& run)
{
    QList<double> seconds;
    for (int i = 0; i < Runs; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        seconds.append(timer.nsecsElapsed() / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    return {seconds.at(Runs / 2), seconds.first()};
}

void Print(const char* what, const Figures& figures, const QString& note)
{
    std::printf("| %s | %.4f s | %.4f s | %s |\n", what, figures.median, figures.best, qPrintable(note));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("ODBCSYSINI") && *VELLOXA_ODBCSYSINI)
        qputenv("ODBCSYSINI", VELLOXA_ODBCSYSINI);
    for (const char* variable : {"TDSPORT", "TDSHOST", "TDSVER"})
        qunsetenv(variable);
    QApplication application(argc, argv);

    QTemporaryDir folder;
    const QString script = folder.filePath(QStringLiteral("wide.sql"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(WideTableScript().toUtf8());
    }
    test::SandboxServer server({QStringLiteral("--database"), QStringLiteral("Wide=") + script,
                                QStringLiteral("--account"), QStringLiteral("bench:bench")});
    if (!server.isRunning()) {
        std::fprintf(stderr, "sandbox: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QString connectionString = server.connectionString(QStringLiteral("Wide"), QStringLiteral("bench"), QStringLiteral("bench"));

    testing::WizardHarness run;
    Wizard& wizard = run.start();
    Form3& form = wizard.form3();
    const TableEntry wide{QStringLiteral("dbo"), QStringLiteral("Wide")};
    wizard.globals().chosenTable = wide;

    auto load = [&] {
        odbc::Connection connection;
        connection.open(connectionString);
        ErrorTrap trap(run.messages, QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
        form.RunLoading(trap, connection);
    };
    auto choose = [&](const QStringList& names) {
        return [&form, names] {
            form.List2->clear();
            form.List2->addItems(names);
        };
    };

    load(); // warm-up: the driver, fonts and the window's first paint
    std::printf("| Case (%d columns, 100 rows) | Median of %d | Best | After the run |\n|---|---|---|---|\n", Columns, Runs);

    const Figures nothingChosen = Measure(choose({}), load);
    Print("loading, nothing chosen", nothingChosen, QStringLiteral("%1 available").arg(form.List1->count()));

    const Figures everyChosen = Measure(choose(Names(QStringLiteral("Column "))), load);
    Print("loading, all 1,024 already chosen (goal < 0.3 s)", everyChosen, QStringLiteral("%1 available").arg(form.List1->count()));

    const Figures otherChosen = Measure(choose(Names(QStringLiteral("Other "))), load);
    Print("loading, 1,024 other names chosen", otherChosen, QStringLiteral("%1 available").arg(form.List1->count()));

    PreviewData preview;
    const Figures previewOnly = Measure([] {}, [&] {
        odbc::Connection connection;
        connection.open(connectionString);
        preview = ReadPreview(connection, wide);
    });
    Print("of which: connect + ReadPreview", previewOnly, QStringLiteral("%1 x %2 values").arg(preview.rows.size()).arg(preview.columns.size()));

    QList<int> positions;
    const Figures pruneOnly = Measure([] {}, [&] {
        positions = PrunedPositions(Names(QStringLiteral("Column ")), Names(QStringLiteral("Column ")));
    });
    Print("of which: PrunedPositions 1,024 x 1,024", pruneOnly, QStringLiteral("%1 positions").arg(positions.size()));

    return run.messages.reports().isEmpty() ? 0 : 1;
}
