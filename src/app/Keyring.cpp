#include "app/Keyring.h"

#include "base/Texts.h"

#include <QEventLoop>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("dadudu");
// A keyring that does not answer (its service hung) must not hold the program for good.
constexpr int KeyringWaitMs = 15000;

// Runs a keychain job to its end; false when it failed or took too long.
bool run(QKeychain::Job &job, QString *why)
{
    job.setAutoDelete(false);
    // Never a file beside the settings instead of the keyring.
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(KeyringWaitMs, &loop, &QEventLoop::quit);
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&finished] { finished = true; });
    job.start();
    if (!finished)
        loop.exec();
    if (!finished) {
        if (why)
            *why = Texts::KeyringNoAnswer;
        return false;
    }
    if (job.error() != QKeychain::NoError) {
        if (why)
            *why = job.errorString();
        return false;
    }
    return true;
}

class Keyring : public SecretStore
{
public:
    bool write(const QString &key, const QString &secret, QString *why) override
    {
        QKeychain::WritePasswordJob job(Service);
        job.setKey(key);
        job.setTextData(secret);
        return run(job, why);
    }

    QString read(const QString &key) override
    {
        QKeychain::ReadPasswordJob job(Service);
        job.setKey(key);
        return run(job, nullptr) ? job.textData() : QString();
    }
};

SecretStore *&replaced()
{
    static SecretStore *store = nullptr;
    return store;
}

} // namespace

SecretStore &programSecrets()
{
    static Keyring keyring;
    return replaced() ? *replaced() : keyring;
}

void setProgramSecrets(SecretStore *store)
{
    replaced() = store;
}
