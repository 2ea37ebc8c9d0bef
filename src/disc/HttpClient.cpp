#include "disc/HttpClient.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace {

constexpr qint64 MaxHeaderSize = 64 * 1024;

struct Target {
    QString host;
    quint16 port = 80;
    QByteArray path; // everything from the first "/" after the host
};

[[noreturn]] void fail(const QString &text)
{
    throw HttpTransportError(text.toStdString());
}

// The request line must stay one line of printable characters whatever the address holds, since
// parts of it come from the server's replies.
QByteArray requestTarget(const QString &path)
{
    const QByteArray raw = path.toUtf8();
    QByteArray out;
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F)
            out += '%' + QByteArray::number(u, 16).toUpper().rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

Target parseAddress(const QString &url)
{
    static const QLatin1String scheme("http://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        fail(QStringLiteral("Unsupported address: %1").arg(url));
    const QString rest = url.mid(scheme.size());
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    Target t;
    t.path = slash < 0 ? QByteArray("/") : requestTarget(rest.mid(slash));
    const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
    t.host = colon < 0 ? authority : authority.left(colon);
    if (colon >= 0) {
        bool ok = false;
        const uint port = authority.mid(colon + 1).toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            fail(QStringLiteral("Bad port in address: %1").arg(url));
        t.port = quint16(port);
    }
    if (t.host.isEmpty() || t.host.contains(QLatin1Char('@')))
        fail(QStringLiteral("Bad host in address: %1").arg(url));
    return t;
}

struct RawReply {
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers)
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.second;
        return {};
    }
};

// Finds the empty line after the headers; returns the offset of the body, or -1.
qsizetype bodyOffset(const QByteArray &data)
{
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype nl = data.indexOf('\n', pos);
        if (nl < 0)
            return -1;
        const qsizetype len = nl - pos;
        if (len == 0 || (len == 1 && data[pos] == '\r'))
            return nl + 1;
        pos = nl + 1;
    }
    return -1;
}

RawReply parseHead(const QByteArray &data, qsizetype offset)
{
    RawReply r;
    QList<QByteArray> lines = data.left(offset).split('\n');
    for (QByteArray &l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    const QList<QByteArray> status = lines.value(0).simplified().split(' ');
    bool ok = false;
    const int code = status.value(1).toInt(&ok);
    if (!status.value(0).startsWith("HTTP/") || !ok || status.value(1).size() != 3)
        fail(QStringLiteral("The server's reply is not HTTP."));
    r.status = code;
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const qsizetype colon = lines[k].indexOf(':');
        if (colon > 0)
            r.headers.append({lines[k].left(colon).trimmed(), lines[k].mid(colon + 1).trimmed()});
    }
    return r;
}

RawReply exchange(const Target &target, int timeoutMs)
{
    const QByteArray request = "GET " + target.path + " HTTP/1.0\r\n"
                               "Host: " + target.host.toUtf8() + "\r\n"
                               "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                               "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                               "Content-type: application/x-www-form-urlencoded\r\n"
                               "\r\n";

    QTcpSocket socket;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QByteArray data;
    QString error;
    bool finished = false;
    qsizetype offset = -1;
    qint64 contentLength = -1;

    auto finish = [&](const QString &why) {
        if (finished)
            return;
        finished = true;
        error = why;
        loop.quit();
    };
    auto take = [&] {
        data += socket.readAll();
        if (offset < 0) {
            offset = bodyOffset(data);
            if (offset < 0) {
                if (data.size() > MaxHeaderSize)
                    finish(QStringLiteral("The server's reply headers are too long."));
                return;
            }
            bool ok = false;
            const qint64 n = parseHead(data, offset).header("Content-Length").toLongLong(&ok);
            if (ok && n >= 0)
                contentLength = n;
        }
        const qint64 bodySize = data.size() - offset;
        if (bodySize > HttpClient::MaxBodySize)
            finish(QStringLiteral("The server's reply is too long."));
        else if (contentLength >= 0 && bodySize >= contentLength)
            finish({});
    };

    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, take);
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, [&] {
        take();
        finish({});
    });
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError) {
            take();
            finish({});
        } else {
            finish(socket.errorString());
        }
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] { finish(QStringLiteral("The server did not answer in time.")); });

    timer.start(timeoutMs);
    socket.connectToHost(target.host, target.port);
    if (!finished)
        loop.exec();
    timer.stop();
    socket.disconnect();
    socket.abort();

    if (!error.isEmpty())
        fail(error);
    if (offset < 0)
        fail(data.isEmpty() ? QStringLiteral("The server closed the connection without a reply.")
                            : QStringLiteral("The server's reply ended inside its headers."));
    RawReply reply = parseHead(data, offset);
    reply.body = data.mid(offset);
    if (contentLength >= 0) {
        if (reply.body.size() < contentLength)
            fail(QStringLiteral("The connection was lost before the end of the reply."));
        reply.body.truncate(contentLength);
    }
    return reply;
}

} // namespace

HttpReply HttpClient::Get(const QString &url)
{
    Target target = parseAddress(url);
    for (int redirects = 0;; ++redirects) {
        const RawReply raw = exchange(target, m_timeoutMs);
        if (raw.status < 300 || raw.status > 302)
            return {raw.status, raw.body};
        if (redirects == MaxRedirects)
            fail(QStringLiteral("Too many redirections."));
        const QString location = QString::fromLatin1(raw.header("Location"));
        if (location.isEmpty())
            fail(QStringLiteral("A redirection without a new address."));
        if (location.startsWith(QLatin1Char('/')) && !location.startsWith(QLatin1String("//"))) {
            target.path = requestTarget(location);
        } else if (location.contains(QLatin1String("://"))) {
            target = parseAddress(location);
        } else {
            // A relative address, read against the one that was asked for.
            const QUrl base(QStringLiteral("http://%1:%2%3").arg(target.host).arg(target.port)
                                .arg(QString::fromLatin1(target.path)));
            target = parseAddress(base.resolved(QUrl(location)).toString(QUrl::FullyEncoded));
        }
    }
}
