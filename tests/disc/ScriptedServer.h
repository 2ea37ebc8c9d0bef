#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

// A web server (CDDB over HTTP, a web service) on 127.0.0.1, and on ::1 at the same port where the machine has it, that
// plays a script of replies, one per connection, and keeps every raw request. It runs on the
// test's thread, so it only answers while the client serves events during its wait.
class ScriptedServer : public QObject
{
public:
    // Besides raw reply text ("{port}" stands for the server's port), a step may be one of these.
    static inline const QString CloseAtOnce = QStringLiteral("<close>"); // hang up without a word
    static inline const QString Stall = QStringLiteral("<stall>");       // start a reply, never end it
    static inline const QString Flood = QStringLiteral("<flood>");       // a body just over 1 MiB
    static inline const QString Huge = QStringLiteral("<huge>");         // a 10 MiB body of JSON
    // Prefixes of a reply text: "<after 500>" waits that many milliseconds before the reply;
    // "<reset>" sends the text, then resets the connection (RST) instead of closing it.
    static inline const QString Reset = QStringLiteral("<reset>");
    static QString after(int ms) { return QStringLiteral("<after %1>").arg(ms); }

    explicit ScriptedServer(const QStringList &script)
        : m_script(script)
    {
        m_clock.start();
        m_server.listen(QHostAddress::LocalHost);
        m_hasIpv6 = m_server6.listen(QHostAddress::LocalHostIPv6, m_server.serverPort());
        for (QTcpServer *server : {&m_server, &m_server6}) {
            connect(server, &QTcpServer::newConnection, this, [this, server] {
                while (QTcpSocket *s = server->nextPendingConnection()) {
                    s->setParent(this);
                    connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
                }
            });
        }
    }

    quint16 port() const { return m_server.serverPort(); }
    // Whether it also listens on the IPv6 loopback.
    bool hasIpv6() const { return m_hasIpv6; }
    QList<QByteArray> requests;
    // On the server's own clock, in milliseconds: when each request had come in whole, and when
    // its reply was sent.
    QList<qint64> arrived;
    QList<qint64> replied;

private:
    void onRead(QTcpSocket *s)
    {
        QByteArray &buffer = m_buffers[s];
        buffer += s->readAll();
        if (!buffer.contains("\r\n\r\n") || buffer.isNull())
            return;
        requests << buffer;
        arrived << m_clock.elapsed();
        buffer = QByteArray(); // null: this connection has had its request
        QString step = m_script.value(requests.size() - 1, QStringLiteral("HTTP/1.0 500 Script ended\r\n\r\n"));
        static const QRegularExpression delay(QStringLiteral("^<after (\\d+)>"));
        const QRegularExpressionMatch m = delay.match(step);
        if (!m.hasMatch())
            return play(s, step);
        step.remove(0, m.capturedLength());
        QTimer::singleShot(m.captured(1).toInt(), s, [this, s, step] { play(s, step); });
    }

    void play(QTcpSocket *s, QString step)
    {
        replied << m_clock.elapsed();
        if (step.startsWith(Reset)) {
            s->write(step.mid(Reset.size()).toLatin1());
            s->flush();
            // Late enough for the client to have read what came before: a reset drops data still
            // on its way.
            QTimer::singleShot(200, s, [s] {
                const linger now{1, 0};
                ::setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
                s->abort();
            });
        } else if (step == CloseAtOnce) {
            s->close();
        } else if (step == Stall) {
            s->write("HTTP/1.0 200 OK\r\n\r\n211 Found inexact matches, list follows\r\n");
        } else if (step == Flood) {
            s->write("HTTP/1.0 200 OK\r\n\r\n");
            // Complete, so a client without the limit would go on to read it as a (bad) query reply.
            const QByteArray line = QByteArray(1023, 'x') + '\n';
            for (int k = 0; k < 1025; ++k)
                s->write(line);
            s->disconnectFromHost();
        } else if (step == Huge) {
            s->write("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n{\"releases\":[");
            s->write(QByteArray(10 << 20, ' '));
            s->write("]}");
            s->disconnectFromHost();
        } else {
            QString reply = step;
            s->write(reply.replace(QStringLiteral("{port}"), QString::number(port())).toLatin1());
            s->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QTcpServer m_server6;
    bool m_hasIpv6 = false;
    QStringList m_script;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QElapsedTimer m_clock;
};
