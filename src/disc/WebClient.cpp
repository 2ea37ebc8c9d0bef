#include "disc/WebClient.h"

#include "base/Texts.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QTimer>

namespace {

[[noreturn]] void fail(const QString &text)
{
    throw HttpTransportError(text.toStdString());
}

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

WebClient::WebClient()
    : m_manager(std::make_unique<QNetworkAccessManager>())
{
    // Straight to the server, as the CDDB client goes: a proxy found in the environment would
    // carry the loopback servers of the tests away too.
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

WebClient::~WebClient() = default;

WebReply WebClient::get(const QUrl &url, const QByteArray &accept)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        fail(Texts::HttpUnsupportedAddress.arg(url.toString()));

    if (m_clock)
        m_clock->check();
    const qint64 allowed = m_clock ? m_clock->budget() : m_timeoutMs;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setTransferTimeout(0);
    if (!m_userAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    if (!accept.isEmpty())
        request.setRawHeader("Accept", accept);
    if (!m_extraCas.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(m_extraCas);
        request.setSslConfiguration(tls);
    }

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QString failure;
    bool timedOut = false;
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(m_manager->get(request),
                                                                    [](QNetworkReply *r) { r->deleteLater(); });
    // Nothing raises inside these handlers; a failure is kept and raised after the loop.
    auto stop = [&](const QString &why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (received > m_maxBody || total > m_maxBody)
            stop(Texts::HttpReplyTooLong);
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = failure.isEmpty();
        stop(QStringLiteral("timed out"));
    });
    const LookupClock::Waiting waiting(m_clock, [&] { stop(QStringLiteral("cancelled")); });
    timer.start(int(m_clock ? qMax<qint64>(1, m_clock->remaining()) : m_timeoutMs));
    if (!reply->isFinished())
        loop.exec();
    timer.stop();

    if (m_clock && m_clock->cancelled())
        throw LookupCancelled();
    if (timedOut)
        throw HttpTimedOut(allowed);
    if (!failure.isEmpty())
        fail(failure);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // An answer with an HTTP status is the caller's to judge; anything else failed on the way.
    if (!status.isValid() || status.toInt() <= 0
        || (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied))
        fail(reply->errorString());
    if (error == QNetworkReply::TooManyRedirectsError || error == QNetworkReply::InsecureRedirectError)
        fail(reply->errorString());

    WebReply out;
    out.status = status.toInt();
    out.body = reply->readAll();
    if (out.body.size() > m_maxBody)
        fail(Texts::HttpReplyTooLong);
    out.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    bool ok = false;
    const int seconds = reply->rawHeader("Retry-After").trimmed().toInt(&ok);
    out.retryAfterSeconds = ok && seconds >= 0 ? seconds : -1;
    return out;
}

void RequestPacer::pace(LookupClock *clock)
{
    const int gap = qMax(m_intervalMs, m_holdMs);
    if (m_lastMs >= 0 && gap > 0) {
        const qint64 wait = m_lastMs + gap + MarginMs - monotonicMs();
        if (wait > 0)
            pause(int(wait), clock);
    }
    m_holdMs = 0;
}

void RequestPacer::done()
{
    m_lastMs = monotonicMs();
}

void RequestPacer::pause(int ms, LookupClock *clock)
{
    if (clock) {
        clock->check();
        if (ms > clock->remaining())
            throw HttpTimedOut(clock->budget());
    }
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    const LookupClock::Waiting waiting(clock, [&] { loop.quit(); });
    // A timer may still end a little early; the wait is a lower bound.
    for (qint64 left = ms - waited.elapsed(); left > 0; left = ms - waited.elapsed()) {
        timer.start(int(left));
        loop.exec();
        if (clock && clock->cancelled())
            throw LookupCancelled();
    }
}
