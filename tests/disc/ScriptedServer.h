#pragma once

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A CDDB-over-HTTP server on 127.0.0.1 that plays a script of replies, one per connection, and
// keeps every raw request. It runs on the test's thread, so it only answers while the client
// serves events during its wait.
class ScriptedServer : public QObject
{
public:
    // Besides raw reply text ("{port}" stands for the server's port), a step may be one of these.
    static inline const QString CloseAtOnce = QStringLiteral("<close>");  // hang up without a word
    static inline const QString Stall = QStringLiteral("<stall>");        // start a reply, never end it
    static inline const QString Flood = QStringLiteral("<flood>");        // a body just over 1 MiB

    explicit ScriptedServer(const QStringList &script) : m_script(script)
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    QList<QByteArray> requests;

private:
    void onRead(QTcpSocket *s)
    {
        QByteArray &buffer = m_buffers[s];
        buffer += s->readAll();
        if (!buffer.contains("\r\n\r\n") || buffer.isNull())
            return;
        requests << buffer;
        buffer = QByteArray(); // null: this connection has had its request
        const QString step = m_script.value(requests.size() - 1, QStringLiteral("HTTP/1.0 500 Script ended\r\n\r\n"));
        if (step == CloseAtOnce) {
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
        } else {
            QString reply = step;
            s->write(reply.replace(QStringLiteral("{port}"), QString::number(port())).toLatin1());
            s->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QStringList m_script;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};
