#include "shell/DialogFilter.h"
#include "shell/ShellServices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velloxa;

class ShellServicesTest : public QObject {
    Q_OBJECT
private slots:
    void fileExistsAnswersWithoutFailing();
    void desktopPathEndsInExactlyOneSeparator_data();
    void desktopPathEndsInExactlyOneSeparator();
    void nullToDefault();
    void applicationFolderHasNoTrailingSeparator();
    void applicationFolderIsFoundThroughALink();
    void dialogFilterBecomesQtForm();
};

void ShellServicesTest::fileExistsAnswersWithoutFailing() {
    QTemporaryDir dir;
    QFile file(dir.filePath("HAND-M.CUR"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(!FileExists(""));
    QVERIFY(FileExists(file.fileName()));
    QVERIFY(FileExists(dir.path()));
    QVERIFY(!FileExists(dir.filePath("missing.cur")));
    QVERIFY(!FileExists(file.fileName() + "/below/a/file"));
    QVERIFY(!FileExists(QString(u'\0') + "x"));
}

void ShellServicesTest::desktopPathEndsInExactlyOneSeparator_data() {
    QTest::addColumn<QString>("userDirsLine");
    QTest::addColumn<QString>("expectedUnderHome");
    QTest::newRow("no user-dirs file") << QString() << "Desktop/";
    QTest::newRow("user-dirs with trailing slash") << "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch/\"" << "Schreibtisch/";
    QTest::newRow("user-dirs with double slash") << "XDG_DESKTOP_DIR=\"$HOME//Bureau//\"" << "Bureau/";
}

void ShellServicesTest::desktopPathEndsInExactlyOneSeparator() {
    QFETCH(QString, userDirsLine);
    QFETCH(QString, expectedUnderHome);
    QTemporaryDir dir;
    const QString home = dir.filePath("home");
    QVERIFY(QDir().mkpath(home + "/.config"));
    qputenv("HOME", (home + "/").toLocal8Bit()); // a trailing slash in HOME as well
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toLocal8Bit());
    if (!userDirsLine.isEmpty()) {
        QFile userDirs(home + "/.config/user-dirs.dirs");
        QVERIFY(userDirs.open(QIODevice::WriteOnly));
        userDirs.write(userDirsLine.toUtf8() + "\n");
    }
    QCOMPARE(DesktopPath(), home + "/" + expectedUnderHome);
}

void ShellServicesTest::nullToDefault() {
    QCOMPARE(NullToDefault(QVariant(), QString("")), QVariant(QString("")));
    QCOMPARE(NullToDefault(QVariant::fromValue(nullptr), QString("")), QVariant(QString("")));
    QCOMPARE(NullToDefault(QVariant(QString("Last Name")), QString("")), QVariant(QString("Last Name")));
    QCOMPARE(NullToDefault(QVariant(0), QString("")), QVariant(0));
    QCOMPARE(NullToDefault(QVariant(QString("")), QString("x")), QVariant(QString("")));
}

void ShellServicesTest::applicationFolderHasNoTrailingSeparator() {
    // The resources are found by appending "/name"; the test program itself is such a name.
    QVERIFY(!ApplicationFolder().endsWith('/'));
    QVERIFY(FileExists(ApplicationFolder() + "/tst_shell_services"));
}

void ShellServicesTest::applicationFolderIsFoundThroughALink() {
    // Installed, the programs are started through links in bin/; their files stay beside
    // the real executable. The case above, run through a link in a folder that holds no
    // tst_shell_services, proves it.
    QTemporaryDir bin;
    const QString link = bin.filePath("linked");
    QVERIFY(QFile::link(QCoreApplication::applicationFilePath(), link));
    QProcess linked;
    linked.start(link, {"applicationFolderHasNoTrailingSeparator"});
    QVERIFY(linked.waitForFinished());
    QVERIFY2(linked.exitStatus() == QProcess::NormalExit && linked.exitCode() == 0,
             linked.readAllStandardOutput().constData());
}

void ShellServicesTest::dialogFilterBecomesQtForm() {
    QCOMPARE(QtDialogFilter("Text Files (*.txt)|*.txt|CSV Files (*.csv)|*.csv|All Files (*.*)|*.*|"),
             QString("Text Files (*.txt) (*.txt);;CSV Files (*.csv) (*.csv);;All Files (*.*) (*)"));
    QCOMPARE(QtDialogFilter("Data|*.txt;*.csv"), QString("Data (*.txt *.csv)"));
}

QTEST_GUILESS_MAIN(ShellServicesTest)
#include "tst_shell_services.moc"
