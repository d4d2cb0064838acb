#include "link/Framing.h"
#include "sim/SimPort.h"

#include <gtest/gtest.h>

namespace {
struct Port : ::testing::Test {
    LineServer server;
    SimPort port{server};
    int readyCalls = 0;
    QByteArray received;
    void SetUp() override
    {
        server.addDevice(1);
        server.setWireFormat({9600, 10, 5});
        port.onReadyRead = [this] {
            ++readyCalls;
            received += port.readAll();
        };
        ASSERT_TRUE(port.open(PortSettings{"/dev/pts/9"}, nullptr));
    }
    // What the engine does per transaction.
    void send(const QByteArray& frame)
    {
        port.discardInput();
        port.write(frame);
        port.write(QByteArray(1, '\0'));
    }
};
}

TEST_F(Port, AnswersWaitForDelivery)
{
    send(BuildReadRequest(1, 30001, 47));
    EXPECT_EQ(readyCalls, 0) << "never from inside write()";
    EXPECT_EQ(port.bytesAvailable(), 0);
    EXPECT_EQ(port.pending(), 1);
    EXPECT_EQ(port.deliver(), 1);
    EXPECT_EQ(readyCalls, 1);
    EXPECT_EQ(received.size(), 99);
    EXPECT_TRUE(CheckCrc(received));
    EXPECT_EQ(port.deliver(), 0);
    EXPECT_EQ(readyCalls, 1);
}

TEST_F(Port, ChunkedDeliveryAndLog)
{
    const QByteArray req = BuildReadRequest(1, 40001, 74);
    send(req);
    port.deliver(64);
    EXPECT_EQ(readyCalls, 3); // 64 + 64 + 25
    EXPECT_EQ(received.size(), 153);
    EXPECT_EQ(port.writes(), (QList<QByteArray>{req, QByteArray(1, '\0')}));
    EXPECT_EQ(port.requests(), QList<QByteArray>{req});
    port.clearLog();
    EXPECT_TRUE(port.writes().isEmpty());
}

TEST_F(Port, DueDeliveryFollowsTheWireTime)
{
    send(BuildReadRequest(1, 30001, 47)); // 116.458 ms on the wire
    port.advanceTime(116);
    EXPECT_EQ(port.deliverDue(), 0);
    port.advanceTime(1);
    EXPECT_EQ(port.deliverDue(), 1);
    EXPECT_EQ(received.size(), 99);
}

TEST_F(Port, LateAnswersNeedDeliverAll)
{
    FaultConfig f;
    f.delayRate = 1.0;
    server.setFaults(f);
    send(BuildReadRequest(1, 30001, 2));
    EXPECT_EQ(port.deliver(), 0);
    EXPECT_EQ(port.pending(), 1);
    EXPECT_EQ(port.deliverAll(), 1);
    EXPECT_EQ(received.size(), 9);
}

TEST_F(Port, UnservedDeviceGivesNothingToDeliver)
{
    send(BuildReadRequest(5, 30001, 2));
    EXPECT_EQ(port.deliver(), 0);
    EXPECT_EQ(readyCalls, 0);
    EXPECT_EQ(port.requests().size(), 1);
}

TEST_F(Port, DiscardDropsOnlyWhatWasReceived)
{
    port.onReadyRead = nullptr;
    send(BuildReadRequest(1, 30001, 2));
    port.deliver();
    EXPECT_EQ(port.bytesAvailable(), 9);
    send(BuildReadRequest(1, 30001, 3)); // discards the unread answer
    EXPECT_EQ(port.bytesAvailable(), 0);
    port.deliver();
    EXPECT_EQ(port.readAll().size(), 11);
}

TEST_F(Port, OpenFailureCloseAndRts)
{
    EXPECT_FALSE(port.setRts(true));
    send(BuildReadRequest(1, 30001, 2));
    port.close();
    EXPECT_EQ(port.pending(), 0);
    port.write(BuildReadRequest(1, 30001, 2));
    EXPECT_EQ(port.pending(), 0) << "a closed port sends nothing";

    port.setOpenError("busy");
    QString why;
    EXPECT_FALSE(port.open(PortSettings{"/dev/pts/9"}, &why));
    EXPECT_EQ(why, "busy");
    EXPECT_FALSE(port.isOpen());

    QString fatal;
    port.onFatalError = [&](const QString& w) { fatal = w; };
    port.setOpenError({});
    ASSERT_TRUE(port.open(PortSettings{"/dev/pts/9"}, nullptr));
    port.unplug("gone");
    EXPECT_EQ(fatal, "gone");
    EXPECT_FALSE(port.isOpen());
}
