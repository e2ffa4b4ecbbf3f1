#pragma once

#include <QString>
#include <map>
#include <memory>
#include <optional>

class QSettings;

namespace velloxa {

class Keyring;

namespace SettingKeys {
inline const QString Server = "MSServer", User = "MSUser", Password = "MSPassword",
                     Database = "MSDatabase", Port = "Port", LocalConnection = "Local Connection";
}

// The login values of the last run, per user. Kept in an ini file: the user's store is
// <user config folder>/Orvanta.ini (on Linux ~/.config/Orvanta.ini), group [Velloxa].
// A password kept in the file is clear text, so the file is made owner-only (0600) when it is
// created and again on every write, and a config folder created here is owner-only (0700).
// Every write goes to disk at once. A store that cannot be written is ignored silently.
//
// Given a keyring, the password lives there while the keyring answers, under the entry of the
// login the store holds (PasswordEntryKey), and "MSPassword" in the file stays empty. A password
// found in clear text in the file is still read (a non-empty one is newer than any keyring entry:
// with a keyring it is always emptied) and moves into the keyring at its next write. Where no
// keyring answers, the password stays in the file as before. When the server, port, user or local
// flag change under a remembered password, the password follows to the new login's entry; an
// entry it only passed through (a server name typed letter by letter) is left as it was before.
class SettingsStore {
public:
    explicit SettingsStore(Keyring* passwordKeyring = nullptr);                      // the user's store
    explicit SettingsStore(const QString& file, Keyring* passwordKeyring = nullptr); // a given ini file (tests, demo)
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
    QString readFile(const QString& key, const QString& defaultValue) const;
    void writeFile(const QString& key, const QString& value);
    QString passwordEntry() const; // of the login the file holds now
    QString readPassword(const QString& defaultValue) const;
    void writePassword(const QString& password);
    void followLogin(const QString& previousEntry);
    void makeOwnerOnly() const;

    std::unique_ptr<QSettings> settings_;
    Keyring* keyring_ = nullptr;
    // The password as last read from or written to the keyring; nothing while it is not known
    // there (not asked yet, or kept in the file).
    mutable std::optional<QString> keptPassword_;
    // Entries the password followed into, with what they held before (nothing: no entry).
    std::map<QString, std::optional<QString>> passedEntries_;
};

} // namespace velloxa
