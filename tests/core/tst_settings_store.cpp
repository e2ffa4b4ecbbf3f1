#include "settings/SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace velloxa;

namespace {

constexpr QFile::Permissions OwnerReadWrite = QFile::ReadOwner | QFile::WriteOwner;

QFile::Permissions unixPermissions(const QString& path) {
    // Qt also reports the "user" bits, which mirror the owner's for the running owner.
    return QFileInfo(path).permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                            | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
                                            | QFile::WriteOther | QFile::ExeOther);
}

// Qt keeps parsed ini files per path within a process; a copy under a new name is read from
// disk, as the next start of the program would read it.
QString copiedForNextStart(const QString& file) {
    static int copies = 0;
    const QString copy = file + ".next" + QString::number(++copies);
    return QFile::copy(file, copy) ? copy : QString();
}

} // namespace

class SettingsStoreTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readsGiveDefaultsAndCreateNothing();
    void emptyTextIsAValueNotAnAbsence();
    void anyTextRoundTripsToTheNextStart();
    void fileIsOwnerOnlyAndStaysSo();
    void userStoreIsOrvantaIniUnderTheConfigFolder();
    void unwritableStoreIsIgnored();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString file_;
};

void SettingsStoreTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    file_ = dir_->filePath("Orvanta.ini");
}

void SettingsStoreTest::readsGiveDefaultsAndCreateNothing() {
    {
        SettingsStore store(file_);
        QCOMPARE(store.read(SettingKeys::Server, ""), QString(""));
        QCOMPARE(store.read(SettingKeys::Port, "1433"), QString("1433"));
        QCOMPARE(store.read(SettingKeys::LocalConnection, "0"), QString("0"));
        QCOMPARE(store.read(SettingKeys::Password, "x"), QString("x"));
    }
    QVERIFY(!QFile::exists(file_));

    SettingsStore store(file_);
    store.write(SettingKeys::Server, "db1");
    QCOMPARE(store.read(SettingKeys::User, "fallback"), QString("fallback"));
    QFile written(file_);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray contents = written.readAll();
    QVERIFY(contents.contains("[Velloxa]"));
    QVERIFY(contents.contains("MSServer=db1"));
    QVERIFY(!contents.contains("MSUser"));
}

void SettingsStoreTest::emptyTextIsAValueNotAnAbsence() {
    {
        SettingsStore store(file_);
        store.write(SettingKeys::Port, "");
        store.write(SettingKeys::LocalConnection, QString()); // a null text is stored as empty too
        QCOMPARE(store.read(SettingKeys::Port, "1433"), QString(""));
    }
    SettingsStore nextStart(copiedForNextStart(file_));
    QCOMPARE(nextStart.read(SettingKeys::Port, "1433"), QString(""));
    QCOMPARE(nextStart.read(SettingKeys::LocalConnection, "0"), QString(""));
}

void SettingsStoreTest::anyTextRoundTripsToTheNextStart() {
    const QStringList texts = {
        QString::fromUtf8("pässwörd €✓ 数据库"),
        "a=b;c=d",
        "50%;%20%%",
        "  padded both  ",
        "line1\nline2\r\nline3\r",
        "@Variant(x)",
        "\"quoted\" \\back\\slash, [section]",
        "#not a comment",
        ";semicolon first",
    };
    const QStringList keys = {SettingKeys::Server,   SettingKeys::User, SettingKeys::Password,
                              SettingKeys::Database, SettingKeys::Port, SettingKeys::LocalConnection};
    for (int round = 0; round * keys.size() < texts.size(); ++round) {
        {
            SettingsStore store(file_);
            for (int k = 0; k < keys.size() && round * keys.size() + k < texts.size(); ++k)
                store.write(keys[k], texts[round * keys.size() + k]);
        }
        SettingsStore nextStart(copiedForNextStart(file_));
        for (int k = 0; k < keys.size() && round * keys.size() + k < texts.size(); ++k)
            QCOMPARE(nextStart.read(keys[k], "absent"), texts[round * keys.size() + k]);
    }
}

void SettingsStoreTest::fileIsOwnerOnlyAndStaysSo() {
    const QString folder = dir_->filePath("new/config");
    const QString file = folder + "/Orvanta.ini";
    SettingsStore store(file);
    store.write(SettingKeys::Password, "secret");
    QCOMPARE(unixPermissions(file), OwnerReadWrite);
    QVERIFY(!(unixPermissions(folder) & (QFile::ReadOther | QFile::ReadGroup)));

    QVERIFY(QFile::setPermissions(file, OwnerReadWrite | QFile::ReadGroup | QFile::ReadOther));
    store.write(SettingKeys::Password, "secret2");
    QCOMPARE(unixPermissions(file), OwnerReadWrite);
    QCOMPARE(SettingsStore(file).read(SettingKeys::Password, ""), QString("secret2"));
}

void SettingsStoreTest::userStoreIsOrvantaIniUnderTheConfigFolder() {
    qputenv("XDG_CONFIG_HOME", dir_->filePath("xdg").toLocal8Bit());
    SettingsStore store;
    QCOMPARE(QFileInfo(store.fileName()).fileName(), QString("Orvanta.ini"));
    QVERIFY(store.fileName().startsWith(dir_->path()));
    store.write(SettingKeys::User, "sa");
    QCOMPARE(SettingsStore().read(SettingKeys::User, ""), QString("sa"));
    QCOMPARE(unixPermissions(store.fileName()), OwnerReadWrite);
}

void SettingsStoreTest::unwritableStoreIsIgnored() {
    // A regular file where the folder should be: nothing can be created below it.
    QFile blocker(dir_->filePath("blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(dir_->filePath("blocker/Orvanta.ini"));
    store.write(SettingKeys::Server, "db1");
    QCOMPARE(SettingsStore(dir_->filePath("blocker/Orvanta.ini")).read(SettingKeys::Port, "1433"), QString("1433"));
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settings_store.moc"
