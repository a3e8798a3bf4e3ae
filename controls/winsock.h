#pragma once
// A small TCP client control for the line conversations with CDDB servers.
//
// Members and events follow the socket control the windows were designed around:
// set RemoteHost and RemotePort, call Connect, watch State, send with SendData and
// take what arrived with GetData from the DataArrival handler. Every event is delivered
// later through the event queue, never inside a call such as Connect or Close, so a
// caller can start its wait after Connect without missing a quick failure.
//
// Memory is bounded: the socket stops reading from the network while MaxBuffered bytes
// are waiting to be taken with GetData.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class QTcpSocket;

class Winsock : public QObject {
    Q_OBJECT
public:
    // State values.
    enum {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8, // the peer closed the connection; Close() brings the state back to 0
        sckError = 9,   // a connection error happened; Close() brings the state back to 0
    };
    // Error numbers of the Error event and of AppError thrown by wrong calls.
    enum {
        sckInvalidOp = 40020,        // Connect while not closed
        sckBadState = 40006,         // SendData while not connected
        sckConnectionRefused = 10061,
        sckConnectionReset = 10054,
        sckTimedout = 10060,
        sckHostNotFound = 11001,
        sckAddressNotAvailable = 10049, // port out of range
        sckNetworkError = 10050,
    };

    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    QString RemoteHost;
    int32_t RemotePort = 0;

    // Starts connecting to RemoteHost:RemotePort. Completion shows as State 7 (and the
    // server's first data); failure as the Error event. Throws AppError(sckInvalidOp)
    // unless State is 0.
    void Connect();
    int State() const { return m_state; }
    // This machine's host name.
    QString LocalHostName() const;
    // Queues the bytes for sending (a text goes out as UTF-8). Throws AppError(sckBadState)
    // unless State is 7.
    void SendData(const QByteArray& data);
    void SendData(const QString& text);
    // Takes everything that has arrived and not been taken yet.
    QByteArray GetData();
    // Bytes waiting to be taken with GetData.
    qint64 BytesReceived() const;
    // Ends the connection (what was sent is flushed first) and discards what was not taken.
    // State becomes 0 and no further event of the old connection is delivered.
    void Close();

    // Most bytes held for GetData before the socket stops reading (default 64 KiB).
    void setMaxBuffered(qint64 bytes);
    qint64 maxBuffered() const { return m_maxBuffered; }

    // Decides where a connection really goes. Gets the host and port to connect to and may
    // change them; returns false when the host is unknown (Error sckHostNotFound follows).
    // Tests install one that keeps every connection on the loopback interface.
    using Route = std::function<bool(QString& host, int32_t& port)>;
    static void setRoute(Route r);

signals:
    // Data arrived; bytesTotal is what GetData would take now.
    void DataArrival(qint64 bytesTotal);
    // The peer closed the connection (the Close event). The handler usually calls Close().
    void Closed();
    // Connecting failed or the connection broke (refused, unknown host, reset...).
    void Error(int number, const QString& description);

private:
    void post(std::function<void()> f);
    void onError();
    void onDisconnected();
    void onReadyRead();

    QTcpSocket* m_sock = nullptr;
    int m_state = sckClosed;
    quint64 m_generation = 0; // bumped by Connect and Close: drops events of an older connection
    qint64 m_maxBuffered = 64 * 1024;
    bool m_arrivalPosted = false;
};
