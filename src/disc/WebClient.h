#pragma once

#include "disc/HttpClient.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;

// The reply of one web request, after its redirects.
struct WebReply {
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    int retryAfterSeconds = -1; // from a Retry-After header in seconds, -1 without one
};

// GET over HTTP or HTTPS (TLS through Qt's OpenSSL backend), waiting while it keeps serving the
// application's events, like HttpClient. Failures below HTTP (no host, no connection, TLS refused,
// a reply too big, no answer in time) raise HttpTransportError; an HTTP status is the caller's.
class WebClient
{
public:
    static constexpr int DefaultTimeoutMs = 30000;
    static constexpr qint64 DefaultMaxBody = 4 << 20;
    static constexpr int MaxRedirects = 5;

    WebClient();
    ~WebClient();
    WebClient(const WebClient &) = delete;
    WebClient &operator=(const WebClient &) = delete;

    void setTimeout(int ms) { m_timeoutMs = ms; }
    // With a clock, its deadline bounds each request instead, and its Cancel ends it.
    void setClock(LookupClock *clock) { m_clock = clock; }
    LookupClock *clock() const { return m_clock; }
    void setMaxBody(qint64 bytes) { m_maxBody = bytes; }
    void setUserAgent(const QByteArray &agent) { m_userAgent = agent; }
    // Certificates trusted besides the system's, for a server of one's own.
    void addCaCertificates(const QList<QSslCertificate> &certificates) { m_extraCas += certificates; }

    WebReply get(const QUrl &url, const QByteArray &accept = {});

private:
    std::unique_ptr<QNetworkAccessManager> m_manager;
    int m_timeoutMs = DefaultTimeoutMs;
    qint64 m_maxBody = DefaultMaxBody;
    QByteArray m_userAgent;
    QList<QSslCertificate> m_extraCas;
    LookupClock *m_clock = nullptr;
};

// Keeps requests to one server at least an interval apart, counted from the end of the previous
// reply (a server counts from when it answered), the events served while it waits.
class RequestPacer
{
public:
    // Timers may fire late but never early enough to matter; the margin covers the server's clock.
    static constexpr int MarginMs = 50;

    explicit RequestPacer(int intervalMs)
        : m_intervalMs(intervalMs)
    { }
    void setInterval(int ms) { m_intervalMs = ms; }
    int interval() const { return m_intervalMs; }
    // Returns once the interval (or a longer hold) since the end of the previous reply has passed.
    void pace(LookupClock *clock = nullptr);
    // A reply has ended, answered or not.
    void done();
    // The next request waits at least ms after the reply that asked for it (Retry-After).
    void hold(int ms) { m_holdMs = qMax(m_holdMs, ms); }
    // Waits at least ms milliseconds, serving events; with a clock, raises at once when the wait
    // would outlast the lookup's deadline, and ends at the user's Cancel.
    static void pause(int ms, LookupClock *clock = nullptr);

private:
    int m_intervalMs;
    int m_holdMs = 0;
    qint64 m_lastMs = -1;
};
