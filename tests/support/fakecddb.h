#pragma once
// A CDDB server played on 127.0.0.1 inside the test: it greets, answers each command line
// by its first words, and records every byte the client sends. With no greeting and no
// replies it is a plain peer for socket tests.
#include <QByteArray>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QString>
#include <functional>
#include <map>
#include <ostream>

#include "pump.h"
#include "controls/winsock.h"

// Readable failure output for Qt texts.
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << '"' << b.toStdString() << '"'; }
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class FakeCddb {
public:
    QTcpServer server;
    QPointer<QTcpSocket> conn;
    QByteArray received;   // every byte the client sent, in order
    int connections = 0;
    bool clientClosed = false;
    QByteArray greeting = "201 localhost CDDBP server v1.5 ready at Thu Jan 15 12:00:00 2026\r\n";
    // Reply to a line that starts with the key; a missing key or an empty reply: no answer.
    std::map<QByteArray, QByteArray> replies;
    // Runs for a line before the table; return true when it answered the line itself.
    std::function<bool(const QByteArray& line)> onLine;
    // Runs when a client connects, after the greeting went out.
    std::function<void()> onConnect;

    FakeCddb()
    {
        server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        replies["cddb hello"] = "200 Hello and welcome me@example.org running test 1.0.\r\n";
        replies["quit"] = "230 localhost Closing connection.  Goodbye.\r\n";
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                ++connections;
                conn = s;
                clientClosed = false;
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onData(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, [this] { clientClosed = true; });
                if (!greeting.isEmpty())
                    s->write(greeting);
                if (onConnect)
                    onConnect();
            }
        });
    }
    quint16 port() const { return server.serverPort(); }

    void send(const QByteArray& bytes)
    {
        if (conn) {
            conn->write(bytes);
            conn->flush();
        }
    }
    void closeClient()
    {
        if (conn)
            conn->disconnectFromHost();
    }

private:
    void onData(QTcpSocket* s)
    {
        const QByteArray data = s->readAll();
        received += data;
        m_line += data;
        qsizetype e;
        while ((e = m_line.indexOf("\r\n")) >= 0) {
            const QByteArray line = m_line.left(e);
            m_line = m_line.mid(e + 2);
            if (onLine && onLine(line))
                continue;
            for (const auto& [key, reply] : replies) {
                if (line.startsWith(key)) {
                    if (!reply.isEmpty())
                        s->write(reply);
                    if (key == "quit")
                        s->disconnectFromHost();
                    break;
                }
            }
        }
    }
    QByteArray m_line;
};

// A port on 127.0.0.1 where nothing listens: a connection to it is refused.
inline quint16 unusedLocalPort()
{
    QTcpServer s;
    s.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    return s.serverPort();
}

// Sends every connection to the fake server on 127.0.0.1:port and records the host and port
// the client asked for.
inline void routeEverythingTo(quint16 port, QString& askedHost, int32_t& askedPort)
{
    Winsock::setRoute([&askedHost, &askedPort, port](QString& host, int32_t& p) {
        askedHost = host;
        askedPort = p;
        host = QStringLiteral("127.0.0.1");
        p = port;
        return true;
    });
}
