#include "controls/winsock.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QTcpSocket>

#include "platform/errors.h"

namespace {
Winsock::Route& route()
{
    static Winsock::Route r;
    return r;
}
} // namespace

void Winsock::setRoute(Route r) { route() = std::move(r); }

Winsock::Winsock(QObject* parent) : QObject(parent), m_sock(new QTcpSocket(this))
{
    m_sock->setReadBufferSize(m_maxBuffered);
    connect(m_sock, &QAbstractSocket::stateChanged, this, [this](QAbstractSocket::SocketState s) {
        switch (s) {
        case QAbstractSocket::HostLookupState: m_state = sckResolvingHost; break;
        case QAbstractSocket::ConnectingState: m_state = sckConnecting; break;
        case QAbstractSocket::ConnectedState: m_state = sckConnected; break;
        default: break; // closing and closed are set by the error and close handling
        }
    });
    connect(m_sock, &QAbstractSocket::readyRead, this, &Winsock::onReadyRead);
    connect(m_sock, &QAbstractSocket::errorOccurred, this, &Winsock::onError);
    connect(m_sock, &QAbstractSocket::disconnected, this, &Winsock::onDisconnected);
}

Winsock::~Winsock()
{
    ++m_generation;
    m_sock->abort();
}

void Winsock::post(std::function<void()> f)
{
    const quint64 gen = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, gen, f = std::move(f)] {
            if (gen == m_generation)
                f();
        },
        Qt::QueuedConnection);
}

void Winsock::Connect()
{
    if (m_state != sckClosed)
        throw AppError(sckInvalidOp, QStringLiteral("Invalid operation at current state"), QStringLiteral("Winsock"));
    ++m_generation;
    m_arrivalPosted = false;
    QString host = RemoteHost.trimmed();
    int32_t port = RemotePort;
    const auto fail = [this](int number, const QString& text) {
        m_state = sckResolvingHost;
        post([this, number, text] {
            m_state = sckError;
            emit Error(number, text);
        });
    };
    if (route() && !route()(host, port)) {
        fail(sckHostNotFound, QStringLiteral("Host not found"));
        return;
    }
    if (host.isEmpty()) {
        fail(sckHostNotFound, QStringLiteral("Host not found"));
        return;
    }
    if (port < 1 || port > 65535) {
        fail(sckAddressNotAvailable, QStringLiteral("Address is not available"));
        return;
    }
    m_state = sckResolvingHost;
    m_sock->connectToHost(host, static_cast<quint16>(port));
}

QString Winsock::LocalHostName() const { return QHostInfo::localHostName(); }

void Winsock::SendData(const QByteArray& data)
{
    if (m_state != sckConnected)
        throw AppError(sckBadState,
                       QStringLiteral("Wrong protocol or connection state for the requested transaction or request"),
                       QStringLiteral("Winsock"));
    m_sock->write(data);
}

void Winsock::SendData(const QString& text) { SendData(text.toUtf8()); }

QByteArray Winsock::GetData() { return m_sock->readAll(); }

qint64 Winsock::BytesReceived() const { return m_sock->bytesAvailable(); }

void Winsock::Close()
{
    if (m_sock->state() != QAbstractSocket::UnconnectedState) {
        // Hand what was sent to the network before the connection ends.
        m_sock->flush();
        m_sock->disconnectFromHost();
    }
    // Drops anything not taken and a connection that could not close gracefully.
    m_sock->abort();
    ++m_generation;
    m_arrivalPosted = false;
    m_state = sckClosed;
}

void Winsock::setMaxBuffered(qint64 bytes)
{
    m_maxBuffered = bytes > 0 ? bytes : 1;
    m_sock->setReadBufferSize(m_maxBuffered);
}

void Winsock::onReadyRead()
{
    if (m_arrivalPosted)
        return;
    m_arrivalPosted = true;
    post([this] {
        m_arrivalPosted = false;
        const qint64 n = m_sock->bytesAvailable();
        if (n > 0)
            emit DataArrival(n);
    });
}

void Winsock::onError()
{
    const auto e = m_sock->error();
    if (e == QAbstractSocket::RemoteHostClosedError)
        return; // the close is reported by onDisconnected
    int number = sckNetworkError;
    switch (e) {
    case QAbstractSocket::ConnectionRefusedError: number = sckConnectionRefused; break;
    case QAbstractSocket::HostNotFoundError: number = sckHostNotFound; break;
    case QAbstractSocket::SocketTimeoutError: number = sckTimedout; break;
    case QAbstractSocket::NetworkError: number = sckConnectionReset; break;
    default: break;
    }
    const QString text = m_sock->errorString();
    m_state = sckError;
    post([this, number, text] { emit Error(number, text); });
}

void Winsock::onDisconnected()
{
    if (m_state == sckError)
        return; // already reported as an error
    m_state = sckClosing;
    post([this] { emit Closed(); });
}
