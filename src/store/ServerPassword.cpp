#include "store/ServerPassword.h"

#include "store/DbBackend.h"

#include <QHash>
#include <QUrl>

#include <cstring>

namespace db {
namespace {

PasswordSource &source()
{
    static PasswordSource s;
    return s;
}

// Passwords taken from the command line, by the address they were taken from.
QHash<QString, QString> &given()
{
    static QHash<QString, QString> passwords;
    return passwords;
}

} // namespace

QString addressWithoutPassword(const QString &address, QString *password)
{
    QString found;
    QString out = address;
    if (isServerLocation(out)) {
        const qsizetype start = out.indexOf(QLatin1String("://")) + 3;
        qsizetype end = start;
        while (end < out.size() && out.at(end) != u'/' && out.at(end) != u'?')
            ++end;
        const qsizetype at = out.lastIndexOf(u'@', end - 1);
        if (at >= start) {
            const qsizetype colon = out.indexOf(u':', start);
            if (colon >= 0 && colon < at) {
                found = QUrl::fromPercentEncoding(out.mid(colon + 1, at - colon - 1).toUtf8());
                out.remove(colon, at - colon);
            }
        }
        // password=... among the parameters, wherever it stands
        const qsizetype query = out.indexOf(u'?');
        if (query >= 0) {
            QStringList kept;
            const QStringList pairs = out.mid(query + 1).split(u'&');
            for (const QString &pair : pairs) {
                if (pair.section(u'=', 0, 0).compare(QLatin1String("password"), Qt::CaseInsensitive) == 0)
                    found = QUrl::fromPercentEncoding(pair.section(u'=', 1).toUtf8());
                else
                    kept << pair;
            }
            out = out.left(query) + (kept.isEmpty() ? QString() : u'?' + kept.join(u'&'));
        }
    }
    if (password)
        *password = found;
    return out;
}

void setPasswordSource(PasswordSource s)
{
    source() = std::move(s);
}

QString passwordFor(const QString &address)
{
    const QString bare = addressWithoutPassword(address);
    if (const auto it = given().constFind(bare); it != given().constEnd())
        return *it;
    return source() ? source()(bare) : QString();
}

void takePasswordsFromArguments(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        // The address alone, or as --option=address.
        const qsizetype at = arg.indexOf(QLatin1String("postgres"), 0, Qt::CaseInsensitive);
        if (at < 0 || (at > 0 && arg.at(at - 1) != u'='))
            continue;
        QString password;
        const QString bare = addressWithoutPassword(arg.mid(at), &password);
        if (password.isEmpty())
            continue;
        given().insert(bare, password);
        // Written over in place, shorter: the rest of the argument's room is cleared.
        const QByteArray shown = (arg.left(at) + bare).toLocal8Bit();
        const size_t room = std::strlen(argv[i]);
        std::memset(argv[i], 0, room);
        std::memcpy(argv[i], shown.constData(), qMin(size_t(shown.size()), room));
    }
}

} // namespace db
