// The whole road as a user takes it: an empty settings store, the login typed in, a table
// picked, fields moved, a file written; then the next day's start on the saved login.
#include "GuiSandbox.h"
#include "WizardHarness.h"

#include "connection/Form1.h"
#include "export/Form4.h"
#include "export/SeparatorEdit.h"
#include "selection/Form2.h"
#include "selection/Form3.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace velloxa;
using velloxa::testing::GuiServerArguments;
using velloxa::testing::WizardHarness;

namespace {

void clickItem(QListWidget* list, int row, bool twice = false)
{
    const QPoint centre = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

int rowOf(const QListWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? -1 : list->row(found.first());
}

QByteArray contents(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<unreadable>");
}

} // namespace

class WholeRoadTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void fromAnEmptyStoreToAWrittenFile();

private:
    std::unique_ptr<test::SandboxServer> server_;
};

void WholeRoadTest::initTestCase()
{
    server_ = std::make_unique<test::SandboxServer>(GuiServerArguments());
    QVERIFY2(server_->isRunning(), qPrintable(server_->errorString()));
}

void WholeRoadTest::fromAnEmptyStoreToAWrittenFile()
{
    WizardHarness run;
    Wizard& wizard = run.start();
    Form1& login = wizard.form1();
    QVERIFY(QTest::qWaitForWindowActive(&login));

    // Typed as the user does: focus starts in Server, Tab moves on and selects the box's text.
    QTest::keyClicks(QApplication::focusWidget(), "127.0.0.1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), QString::number(server_->port()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "tester");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "secret");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClicks(QApplication::focusWidget(), "Gui");
    QCOMPARE(login.loginValues().port, QString::number(server_->port()));
    QTest::mouseClick(login.PushButton3, Qt::LeftButton);

    Form2& tables = wizard.form2();
    QVERIFY(tables.isVisible());
    clickItem(tables.List1, 0);
    QCOMPARE(tables.List1->currentItem()->text(), QStringLiteral("Customers"));
    QTest::mouseClick(tables.PushButton3, Qt::LeftButton);

    Form3& fields = wizard.form3();
    QVERIFY(fields.isVisible());
    clickItem(fields.List1, rowOf(fields.List1, "Name"));
    QTest::mouseClick(fields.PushButton5, Qt::LeftButton);
    clickItem(fields.List1, rowOf(fields.List1, "City"), true);
    clickItem(fields.List1, rowOf(fields.List1, "Id"));
    QTest::mouseClick(fields.PushButton5, Qt::LeftButton);
    QTest::mouseClick(fields.PushButton3, Qt::LeftButton);

    Form4& exportWindow = wizard.form4();
    QVERIFY(exportWindow.isVisible());
    QVERIFY(!fields.isVisible());
    const QString output = run.folder.filePath("customers.txt");
    exportWindow.Text1->setText(output);
    QCOMPARE(exportWindow.Text2->text(), QStringLiteral(","));
    QVERIFY(exportWindow.Check6->isChecked());
    QTest::mouseClick(exportWindow.PushButton4, Qt::LeftButton);

    QVERIFY(run.messages.boxes.isEmpty());
    QCOMPARE(contents(output), QByteArray("Name,City,Id\r\n"
                                          "Alder Ltd,Bristol,1\r\n"
                                          "Brightwater,,2\r\n"
                                          "Casa, Montes,Valencia,3\r\n"
                                          "\r\n"));
    QCOMPARE(exportWindow.PushButton4->text(), QStringLiteral("Exit"));
    QTest::mouseClick(exportWindow.PushButton4, Qt::LeftButton);
    QCOMPARE(run.endProgramCalls, 1);

    // The next day: the saved login still connects, so the program opens on the Table
    // chooser with the first table selected.
    run.start();
    QVERIFY(run.wizard->form2().isVisible());
    QVERIFY(!run.wizard->form1().isVisible());
    QCOMPARE(run.wizard->form2().List1->currentRow(), 0);
    QCOMPARE(run.wizard->form1().Text3->text(), QStringLiteral("secret"));
}

QTEST_MAIN(WholeRoadTest)
#include "tst_whole_road.moc"
