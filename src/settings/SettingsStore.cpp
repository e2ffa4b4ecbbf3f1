#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace velloxa {

const QString SettingsStore::ApplicationKey = QStringLiteral("Orvanta");
const QString SettingsStore::Section = QStringLiteral("Velloxa");

namespace {

constexpr QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions OwnerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QString sectionKey(const QString& key) {
    return SettingsStore::Section + u'/' + key;
}

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, ApplicationKey)) {}

SettingsStore::SettingsStore(const QString& file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::fileName() const {
    return settings_->fileName();
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    const QVariant stored = settings_->value(sectionKey(key));
    return stored.isValid() ? stored.toString() : defaultValue;
}

void SettingsStore::write(const QString& key, const QString& value) {
    // Before the write: Qt saves through a replacement file that takes over the permissions
    // of the file it replaces, so the password is never on disk readable by others.
    makeOwnerOnly();
    settings_->setValue(sectionKey(key), value.isNull() ? QStringLiteral("") : value);
    settings_->sync();
}

void SettingsStore::makeOwnerOnly() const {
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
