#pragma once

#include <QString>

// Where the program keeps the passwords of catalogue servers: the desktop's keyring, never a file of
// its own. Tests, which have no keyring, put their own store in its place.
class SecretStore
{
public:
    virtual ~SecretStore() = default;
    // False, with the keyring's reason in `why`, when the secret could not be kept.
    virtual bool write(const QString &key, const QString &secret, QString *why) = 0;
    // Empty when there is none, or no keyring to ask.
    virtual QString read(const QString &key) = 0;
};

// The keyring, unless a test put another store in its place (nullptr: the keyring again).
SecretStore &programSecrets();
void setProgramSecrets(SecretStore *store);
