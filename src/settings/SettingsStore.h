#pragma once

#include <QString>
#include <memory>

class QSettings;

namespace velloxa {

namespace SettingKeys {
inline const QString Server = "MSServer", User = "MSUser", Password = "MSPassword",
                     Database = "MSDatabase", Port = "Port", LocalConnection = "Local Connection";
}

// The login values of the last run, per user. Kept in an ini file: the user's store is
// <user config folder>/Orvanta.ini (on Linux ~/.config/Orvanta.ini), group [Velloxa].
// The password is kept in clear text, so the file is made owner-only (0600) when it is
// created and again on every write, and a config folder created here is owner-only (0700).
// Every write goes to disk at once. A store that cannot be written is ignored silently.
class SettingsStore {
public:
    SettingsStore();                             // the user's store
    explicit SettingsStore(const QString& file); // a given ini file (tests, demo)
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Absent key -> defaultValue (the key is not created); a stored empty text is a value.
    QString read(const QString& key, const QString& defaultValue) const;
    void write(const QString& key, const QString& value);
    QString fileName() const;

    static const QString ApplicationKey; // "Orvanta"
    static const QString Section;        // "Velloxa"

private:
    void makeOwnerOnly() const;

    std::unique_ptr<QSettings> settings_;
};

} // namespace velloxa
