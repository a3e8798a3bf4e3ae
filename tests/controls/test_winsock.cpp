// The socket control against a peer played by the test on 127.0.0.1.
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include "controls/winsock.h"
#include "platform/errors.h"
#include "fakecddb.h"
#include "fixture.h"

class WinsockTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [this] { fromClient += peer->readAll(); });
            QObject::connect(peer, &QTcpSocket::disconnected, [this] { peerSawClose = true; });
        });
        QObject::connect(&sock, &Winsock::DataArrival, [this](qint64 n) {
            arrivals.push_back(n);
            if (takeData)
                got += sock.GetData();
        });
        QObject::connect(&sock, &Winsock::Closed, [this] { ++closedEvents; });
        QObject::connect(&sock, &Winsock::Error, [this](int n, const QString&) { errors.push_back(n); });
    }
    void connectToServer()
    {
        sock.RemoteHost = QStringLiteral("127.0.0.1");
        sock.RemotePort = server.serverPort();
        sock.Connect();
        ASSERT_TRUE(pumpUntil([&] { return sock.State() == Winsock::sckConnected && peer; }));
    }

    QTcpServer server;
    QPointer<QTcpSocket> peer;
    Winsock sock;
    QByteArray fromClient, got;
    std::vector<qint64> arrivals;
    std::vector<int> errors;
    int closedEvents = 0;
    bool peerSawClose = false;
    bool takeData = true;
};

TEST_F(WinsockTest, ConnectsSendsReceivesAndClosesLikeTheControl)
{
    EXPECT_EQ(sock.State(), Winsock::sckClosed);
    EXPECT_FALSE(sock.LocalHostName().isEmpty());
    connectToServer();

    peer->write("201 ready\r\n");
    ASSERT_TRUE(pumpUntil([&] { return got == "201 ready\r\n"; }));
    EXPECT_EQ(arrivals, std::vector<qint64>{11});

    sock.SendData(QStringLiteral("quit\r\n"));
    // Close hands over what was sent before the connection ends.
    sock.Close();
    EXPECT_EQ(sock.State(), Winsock::sckClosed);
    ASSERT_TRUE(pumpUntil([&] { return peerSawClose; }));
    EXPECT_EQ(fromClient, "quit\r\n");
    EXPECT_EQ(closedEvents, 0); // our own Close raises no event
    EXPECT_TRUE(errors.empty());
}

TEST_F(WinsockTest, PeerCloseRaisesCloseAfterTheLastDataAndCloseResetsTheState)
{
    takeData = false;
    connectToServer();
    peer->write("230 Goodbye.\r\n");
    peer->disconnectFromHost();
    ASSERT_TRUE(pumpUntil([&] { return closedEvents == 1; }));
    EXPECT_EQ(sock.State(), Winsock::sckClosing);
    ASSERT_FALSE(arrivals.empty());
    EXPECT_EQ(sock.GetData(), "230 Goodbye.\r\n");
    sock.Close();
    EXPECT_EQ(sock.State(), Winsock::sckClosed);

    // The control connects again after Close.
    peer = nullptr;
    connectToServer();
    EXPECT_EQ(sock.State(), Winsock::sckConnected);
}

TEST_F(WinsockTest, RefusedUnknownOrBadTargetsRaiseErrorLaterNeverInsideConnect)
{
    const quint16 deadPort = unusedLocalPort();
    struct Case {
        QString host;
        int32_t port;
        int error;
    } cases[] = {
        {"127.0.0.1", deadPort, Winsock::sckConnectionRefused},
        {"cddb.example.invalid", 8880, Winsock::sckHostNotFound}, // kept off the network by the test route
        {"", 8880, Winsock::sckHostNotFound},
        {"127.0.0.1", 0, Winsock::sckAddressNotAvailable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host.toStdString());
        errors.clear();
        sock.RemoteHost = c.host;
        sock.RemotePort = c.port;
        sock.Connect();
        EXPECT_TRUE(errors.empty());
        EXPECT_NE(sock.State(), Winsock::sckClosed);
        ASSERT_TRUE(pumpUntil([&] { return !errors.empty(); }));
        EXPECT_EQ(errors, std::vector<int>{c.error});
        EXPECT_EQ(sock.State(), Winsock::sckError);
        sock.Close();
        EXPECT_EQ(sock.State(), Winsock::sckClosed);
    }
}

TEST_F(WinsockTest, WrongStateCallsThrow)
{
    try {
        sock.SendData(QByteArray("x"));
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, Winsock::sckBadState);
    }
    connectToServer();
    try {
        sock.Connect();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, Winsock::sckInvalidOp);
    }
}

TEST_F(WinsockTest, UntakenDataIsBoundedAndNothingIsLostWhenTaken)
{
    takeData = false;
    sock.setMaxBuffered(4096);
    connectToServer();
    QByteArray big(1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>('a' + i % 26);
    peer->write(big);
    ASSERT_TRUE(pumpUntil([&] { return sock.BytesReceived() >= 4096; }));
    // Nothing takes the data: the control stops reading at its limit.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_LE(sock.BytesReceived(), 4096);

    takeData = true;
    got = sock.GetData();
    ASSERT_TRUE(pumpUntil([&] { return got.size() == big.size(); }));
    EXPECT_EQ(got, big);
    for (qint64 n : arrivals)
        EXPECT_LE(n, 4096);
}
