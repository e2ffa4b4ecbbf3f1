#include "settings/KeyringPassword.h"

#include "settings/Keyring.h"

namespace velloxa {

QString PasswordEntryKey(const LoginValues& login)
{
    const QString server = login.server.toLower();
    QString port = login.port;
    if (login.localConnection)
        port = server.contains(QLatin1Char('\\')) ? QString() : QStringLiteral("1433");
    return login.user + QLatin1Char('@') + server + (port.isEmpty() ? QString() : QLatin1Char(',') + port);
}

std::optional<QString> KeyringPassword(const LoginValues& login)
{
    Keyring keyring;
    return keyring.read(PasswordEntryKey(login));
}

} // namespace velloxa
