#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "connection/LoginValues.h"
#include "settings/Keyring.h"
#include "settings/KeyringPassword.h"

namespace velloxa {

const QString SettingsStore::ApplicationKey = QStringLiteral("Orvanta");
const QString SettingsStore::Section = QStringLiteral("Velloxa");

namespace {

constexpr QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions OwnerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QString sectionKey(const QString& key)
{
    return SettingsStore::Section + u'/' + key;
}

} // namespace

SettingsStore::SettingsStore(Keyring* passwordKeyring)
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, ApplicationKey)),
      keyring_(passwordKeyring) {}

SettingsStore::SettingsStore(const QString& file, Keyring* passwordKeyring)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)), keyring_(passwordKeyring) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const
{
    return settings_->fileName();
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    return key == SettingKeys::Password ? readPassword(defaultValue) : readFile(key, defaultValue);
}

void SettingsStore::write(const QString& key, const QString& value)
{
    if (key == SettingKeys::Password)
        return writePassword(value);
    const bool login = key == SettingKeys::Server || key == SettingKeys::Port || key == SettingKeys::User
        || key == SettingKeys::LocalConnection;
    const QString previousEntry = login && keyring_ ? passwordEntry() : QString();
    writeFile(key, value);
    if (login && keyring_)
        followLogin(previousEntry);
}

QString SettingsStore::readFile(const QString& key, const QString& defaultValue) const
{
    const QVariant stored = settings_->value(sectionKey(key));
    return stored.isValid() ? stored.toString() : defaultValue;
}

QString SettingsStore::passwordEntry() const
{
    LoginValues login;
    login.server = readFile(SettingKeys::Server, QString());
    login.port = readFile(SettingKeys::Port, QStringLiteral("1433"));
    login.user = readFile(SettingKeys::User, QString());
    login.localConnection = readFile(SettingKeys::LocalConnection, QStringLiteral("0")) != QStringLiteral("0");
    return PasswordEntryKey(login);
}

QString SettingsStore::readPassword(const QString& defaultValue) const
{
    const QString inFile = readFile(SettingKeys::Password, QString());
    if (!keyring_ || !inFile.isEmpty())
        return readFile(SettingKeys::Password, defaultValue);
    keptPassword_ = keyring_->read(passwordEntry());
    if (keptPassword_)
        return *keptPassword_;
    if (keyring_->answers())
        keptPassword_ = QString(); // the keyring holds none for this login
    return readFile(SettingKeys::Password, defaultValue);
}

void SettingsStore::writePassword(const QString& password)
{
    if (keyring_ && keyring_->answers()) {
        // The start's write-back of what was just read asks the keyring nothing.
        const bool known = keptPassword_ == password && readFile(SettingKeys::Password, QString()).isEmpty();
        const QString entry = passwordEntry();
        if (known || (password.isEmpty() ? keyring_->remove(entry) : keyring_->write(entry, password))) {
            keptPassword_ = password;
            passedEntries_.erase(entry); // typed for this login: it stays when the login moves on
            writeFile(SettingKeys::Password, QString());
            return;
        }
    }
    keptPassword_.reset();
    writeFile(SettingKeys::Password, password);
}

void SettingsStore::followLogin(const QString& previousEntry)
{
    const QString entry = passwordEntry();
    if (entry == previousEntry || !keyring_->answers() || !readFile(SettingKeys::Password, QString()).isEmpty())
        return; // a password in the file belongs to whatever login the file holds
    const QString password = keptPassword_ ? *keptPassword_ : keyring_->read(previousEntry).value_or(QString());
    if (password.isEmpty())
        return;
    const std::optional<QString> before = keyring_->read(entry);
    if (!keyring_->write(entry, password)) {
        keptPassword_.reset();
        writeFile(SettingKeys::Password, password);
        return;
    }
    keptPassword_ = password;
    passedEntries_.try_emplace(entry, before);
    if (const auto passed = passedEntries_.find(previousEntry); passed != passedEntries_.end()) {
        if (passed->second)
            keyring_->write(previousEntry, *passed->second);
        else
            keyring_->remove(previousEntry);
        passedEntries_.erase(passed);
    }
}

void SettingsStore::writeFile(const QString& key, const QString& value)
{
    // Before the write: Qt saves through a replacement file that takes over the permissions
    // of the file it replaces, so the password is never on disk readable by others.
    makeOwnerOnly();
    settings_->setValue(sectionKey(key), value.isNull() ? QStringLiteral("") : value);
    settings_->sync();
}

void SettingsStore::makeOwnerOnly() const
{
    const QString file = fileName();
    const QFileInfo info(file);
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, OwnerOnlyFolder);
    if (!info.exists()) {
        QFile created(file);
        if (created.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            created.close();
    }
    QFile::setPermissions(file, OwnerOnlyFile);
}

} // namespace velloxa
