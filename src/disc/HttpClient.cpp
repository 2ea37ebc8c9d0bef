#include "disc/HttpClient.h"

#include "base/Texts.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>

namespace {

constexpr qint64 MaxHeaderSize = 64 * 1024;

struct Target {
    QString host; // a name or an address, without the brackets of an IPv6 literal
    bool ipv6 = false;
    bool portGiven = false;
    quint16 port = 80;
    QByteArray path; // everything from the first "/" after the host

    // An IPv6 literal is named with its brackets and the port, as a server expects it.
    QByteArray hostHeader() const
    {
        if (!ipv6)
            return host.toLatin1();
        return '[' + host.toLatin1() + ']' + (portGiven ? ':' + QByteArray::number(port) : QByteArray());
    }
    QString authority() const
    {
        return (ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':') + QString::number(port);
    }
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

// A host name goes into the request's Host line as it stands, so it must not bring characters that
// could end that line or another request's; a DNS name needs none of them.
bool hostName(const QString &host)
{
    if (host.isEmpty())
        return false;
    for (const QChar c : host) {
        const char16_t u = c.unicode();
        const bool letterOrDigit = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
        if (!letterOrDigit && u != '-' && u != '.' && u != '_')
            return false;
    }
    return true;
}

Target parseAddress(const QString &url)
{
    static const QLatin1String scheme("http://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        fail(Texts::HttpUnsupportedAddress.arg(url));
    const QString rest = url.mid(scheme.size());
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    Target t;
    t.path = slash < 0 ? QByteArray("/") : requestTarget(rest.mid(slash));
    QString port;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        t.host = close < 0 ? QString() : authority.mid(1, close - 1);
        t.ipv6 = true;
        const QString after = close < 0 ? QString() : authority.mid(close + 1);
        QHostAddress address;
        // A zone index would need its own encoding in the Host line; no server of ours sits on one.
        if ((!after.isEmpty() && !after.startsWith(QLatin1Char(':'))) || t.host.contains(QLatin1Char('%'))
            || !address.setAddress(t.host) || address.protocol() != QAbstractSocket::IPv6Protocol)
            fail(Texts::HttpBadHost.arg(url));
        port = after.mid(1);
        t.portGiven = !after.isEmpty();
    } else {
        const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
        t.host = colon < 0 ? authority : authority.left(colon);
        port = colon < 0 ? QString() : authority.mid(colon + 1);
        t.portGiven = colon >= 0;
        if (!hostName(t.host))
            fail(Texts::HttpBadHost.arg(url));
    }
    if (t.portGiven) {
        bool ok = false;
        const uint n = port.toUInt(&ok);
        if (!ok || n == 0 || n > 65535)
            fail(Texts::HttpBadPort.arg(url));
        t.port = quint16(n);
    }
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

// Empty when the status line is not HTTP.
std::optional<RawReply> readHead(const QByteArray &data, qsizetype offset)
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
        return std::nullopt;
    r.status = code;
    for (qsizetype k = 1; k < lines.size(); ++k) {
        const qsizetype colon = lines[k].indexOf(':');
        if (colon > 0)
            r.headers.append({lines[k].left(colon).trimmed(), lines[k].mid(colon + 1).trimmed()});
    }
    return r;
}

// Qt reports a connection the server reset as closed like one it ended in order. A second
// descriptor keeps the connection alive past Qt's closing, so its state can still tell them apart:
// after the server's orderly end it waits for ours.
class ConnectionWatch
{
public:
    ConnectionWatch() = default;
    ConnectionWatch(const ConnectionWatch &) = delete;
    ConnectionWatch &operator=(const ConnectionWatch &) = delete;
    ~ConnectionWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    void watch(qintptr descriptor)
    {
        if (m_fd < 0 && descriptor >= 0)
            m_fd = ::fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
    }

    bool endedInOrder() const
    {
        tcp_info info{};
        socklen_t size = sizeof info;
        return m_fd >= 0 && ::getsockopt(m_fd, IPPROTO_TCP, TCP_INFO, &info, &size) == 0
            && info.tcpi_state == TCP_CLOSE_WAIT;
    }

private:
    int m_fd = -1;
};

RawReply exchange(const Target &target, const QDeadlineTimer &deadline, qint64 allowedMs, LookupClock *clock)
{
    const QByteArray request = "GET " + target.path
        + " HTTP/1.0\r\n"
          "Host: "
        + target.hostHeader()
        + "\r\n"
          "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
          "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
          "Content-type: application/x-www-form-urlencoded\r\n"
          "\r\n";
    if (deadline.hasExpired())
        throw HttpTimedOut(allowedMs);

    QTcpSocket socket;
    ConnectionWatch connection;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QByteArray data;
    QString error;
    bool timedOut = false;
    bool finished = false;
    qsizetype offset = -1;
    qint64 contentLength = -1;

    // Nothing may raise out of these handlers: an exception must not cross Qt's event loop, so a
    // failure is kept in error and raised once the loop has returned.
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
                    finish(Texts::HttpHeadersTooLong);
                return;
            }
            const std::optional<RawReply> head = readHead(data, offset);
            if (!head) {
                finish(Texts::HttpNotHttp);
                return;
            }
            bool ok = false;
            const qint64 n = head->header("Content-Length").toLongLong(&ok);
            if (ok && n >= 0)
                contentLength = n;
        }
        const qint64 bodySize = data.size() - offset;
        if (bodySize > HttpClient::MaxBodySize)
            finish(Texts::HttpReplyTooLong);
        else if (contentLength >= 0 && bodySize >= contentLength)
            finish({});
    };
    auto closed = [&] {
        take();
        finish(connection.endedInOrder() ? QString() : Texts::HttpConnectionLost);
    };

    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] {
        connection.watch(socket.socketDescriptor());
        socket.write(request);
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, take);
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, closed);
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop, [&](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError)
            closed();
        else
            finish(socket.errorString());
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = !finished;
        finish(QStringLiteral("timed out"));
    });
    const LookupClock::Waiting waiting(clock, [&] { finish(QStringLiteral("cancelled")); });

    timer.start(int(qMax<qint64>(1, deadline.remainingTime())));
    socket.connectToHost(target.host, target.port);
    if (!finished)
        loop.exec();
    timer.stop();
    socket.disconnect();
    socket.abort();

    if (clock && clock->cancelled())
        throw LookupCancelled();
    if (timedOut)
        throw HttpTimedOut(allowedMs);
    if (!error.isEmpty())
        fail(error);
    if (offset < 0)
        fail(data.isEmpty() ? Texts::HttpNoReply : Texts::HttpEndedInHeaders);
    std::optional<RawReply> reply = readHead(data, offset);
    if (!reply)
        fail(Texts::HttpNotHttp);
    reply->body = data.mid(offset);
    if (contentLength >= 0) {
        if (reply->body.size() < contentLength)
            fail(Texts::HttpLostBeforeEnd);
        reply->body.truncate(contentLength);
    }
    return *reply;
}

} // namespace

HttpReply HttpClient::get(const QString &url)
{
    // One deadline for the whole exchange: a chain of slow redirects must not multiply it. Within a
    // lookup the lookup's deadline bounds it.
    if (m_clock)
        m_clock->check();
    const QDeadlineTimer deadline(m_clock ? m_clock->remaining() : m_timeoutMs);
    const qint64 allowed = m_clock ? m_clock->budget() : m_timeoutMs;
    Target target = parseAddress(url);
    for (int redirects = 0;; ++redirects) {
        const RawReply raw = exchange(target, deadline, allowed, m_clock);
        if (raw.status < 300 || raw.status > 302)
            return {raw.status, raw.body};
        if (redirects == MaxRedirects)
            fail(Texts::HttpTooManyRedirections);
        const QString location = QString::fromLatin1(raw.header("Location"));
        if (location.isEmpty())
            fail(Texts::HttpRedirectionWithoutAddress);
        if (location.startsWith(QLatin1Char('/')) && !location.startsWith(QLatin1String("//"))) {
            target.path = requestTarget(location);
        } else if (location.contains(QLatin1String("://"))) {
            target = parseAddress(location);
        } else {
            // A relative address, read against the one that was asked for.
            const QUrl base(QStringLiteral("http://%1%2").arg(target.authority(), QString::fromLatin1(target.path)));
            target = parseAddress(base.resolved(QUrl(location)).toString(QUrl::FullyEncoded));
        }
    }
}

void LookupClock::start(qint64 ms)
{
    m_budget = ms;
    m_deadline = QDeadlineTimer(ms, Qt::PreciseTimer);
    m_pausedRemaining = -1;
    m_cancelled = false;
}

qint64 LookupClock::remaining() const
{
    if (m_pausedRemaining >= 0)
        return m_pausedRemaining;
    return qMax<qint64>(0, m_deadline.remainingTime());
}

void LookupClock::cancel()
{
    m_cancelled = true;
    if (m_abort)
        m_abort();
}

void LookupClock::pause()
{
    m_pausedRemaining = remaining();
}

void LookupClock::resume()
{
    if (m_pausedRemaining >= 0)
        m_deadline = QDeadlineTimer(m_pausedRemaining, Qt::PreciseTimer);
    m_pausedRemaining = -1;
}

void LookupClock::check() const
{
    if (m_cancelled)
        throw LookupCancelled();
    if (remaining() == 0)
        throw HttpTimedOut(m_budget);
}

LookupClock::Waiting::Waiting(LookupClock *clock, std::function<void()> abort)
    : m_clock(clock)
{
    if (m_clock)
        m_clock->m_abort = std::move(abort);
}

LookupClock::Waiting::~Waiting()
{
    if (m_clock)
        m_clock->m_abort = nullptr;
}
