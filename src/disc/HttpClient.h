#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// The reply of one HTTP exchange, after any redirects.
struct HttpReply {
    int status = 0;
    QByteArray body;
};

// The exchange failed below HTTP: no host, no connection, a lost or malformed reply, a reply too
// big, too many redirects, or no answer in time.
class HttpTransportError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A plain HTTP/1.0 GET on a TCP socket. It keeps serving the application's events while it waits,
// so the windows repaint; callers must keep the user from re-entering while it runs.
class HttpClient
{
public:
    static constexpr int MaxRedirects = 5;
    static constexpr qint64 MaxBodySize = 1 << 20;
    static constexpr int DefaultTimeoutMs = 60000;

    // How long one Get may take, from its first connection to the end of the last reply, redirects
    // included.
    void setTimeout(int ms) { m_timeoutMs = ms; }
    int timeout() const { return m_timeoutMs; }

    // Follows 300 to 302 redirects; any other status is returned to the caller.
    HttpReply Get(const QString &url);

private:
    int m_timeoutMs = DefaultTimeoutMs;
};
