#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QtGlobal>

#include <functional>
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

// No answer came within the time the request had; ms is that time.
class HttpTimedOut : public HttpTransportError
{
public:
    explicit HttpTimedOut(qint64 ms)
        : HttpTransportError("The server did not answer in time.")
        , m_ms(ms)
    { }
    qint64 ms() const { return m_ms; }

private:
    qint64 m_ms;
};

// The user cancelled the lookup the request belongs to.
class LookupCancelled : public std::exception
{
public:
    const char *what() const noexcept override { return "cancelled"; }
};

// The time a whole lookup may take, and the user's Cancel: every request and every wait of the
// lookup ends at the one deadline, or at once when the user cancels.
class LookupClock
{
public:
    void start(qint64 ms);
    qint64 budget() const { return m_budget; }
    // What is left of the budget, never below 0.
    qint64 remaining() const;
    bool cancelled() const { return m_cancelled; }
    // Ends the wait under way, if any; every later one refuses to start.
    void cancel();
    // The time the user spends choosing a candidate is not the servers'.
    void pause();
    void resume();
    // Raises LookupCancelled or HttpTimedOut when the lookup may not go on.
    void check() const;

    // Registered by a wait for its time: cancel() calls abort.
    class Waiting
    {
    public:
        Waiting(LookupClock *clock, std::function<void()> abort);
        ~Waiting();
        Waiting(const Waiting &) = delete;
        Waiting &operator=(const Waiting &) = delete;

    private:
        LookupClock *m_clock;
    };

private:
    qint64 m_budget = 0;
    QDeadlineTimer m_deadline;
    qint64 m_pausedRemaining = -1;
    bool m_cancelled = false;
    std::function<void()> m_abort;
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
    // With a clock, its deadline bounds the request instead, and its Cancel ends it.
    void setClock(LookupClock *clock) { m_clock = clock; }

    // Follows 300 to 302 redirects; any other status is returned to the caller.
    HttpReply get(const QString &url);

private:
    int m_timeoutMs = DefaultTimeoutMs;
    LookupClock *m_clock = nullptr;
};
