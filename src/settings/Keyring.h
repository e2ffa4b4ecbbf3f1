#pragma once

#include <QString>

#include <chrono>
#include <optional>

namespace velloxa {

// The system's password store: the Secret Service on Linux (GNOME Keyring, KWallet), the
// Credential Manager on Windows. Every call is bounded: a keyring that fails or does not answer
// in time (no session bus, a bus that never answers, a prompt nobody can see) counts as absent
// for the rest of the run, so later calls return at once and callers keep the password elsewhere.
// Without a session bus (Linux) it is absent from the start, and nothing is asked.
class Keyring {
public:
    // One entry per login under this service name (the Secret Service item's "server" attribute).
    static const QString Service; // "Velloxa"
    static constexpr std::chrono::milliseconds DefaultBound{2000};

    explicit Keyring(std::chrono::milliseconds bound = DefaultBound);

    // The entry's password; nothing when there is no such entry or no keyring.
    std::optional<QString> read(const QString& entry);
    // True when the keyring now holds the password.
    bool write(const QString& entry, const QString& password);
    // True when the keyring holds no such entry now (also when it never did).
    bool remove(const QString& entry);
    // False once a call failed or ran out of time.
    bool answers() const { return answers_; }

private:
    std::chrono::milliseconds bound_;
    bool answers_;
};

} // namespace velloxa
