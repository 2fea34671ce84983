#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/smpp/socket_address.h"
#include "engine/smpp/tcp_client.h"
#include "engine/smpp/tcp_server.h"
#include "tests/engine/smpp/scripted_smsc.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/scripted_line_server.h"

namespace trevalon {
namespace {

using testing::Bytes;
using testing::ScriptedSmsc;
using testing::SmscConnection;
using testing::UnusedPort;

void ConnectTo(TtcTcpClient& client, int port) {
    client.SetRemoteHost("127.0.0.1");
    client.SetRemotePort(std::to_string(port));
    ASSERT_TRUE(client.Open()) << "errno " << LastSocketError();
}

// Reads until `count` bytes are buffered; every read is bounded by the wait before it.
void ReadUntil(TtcTcpClient& client, int count) {
    for (int reads = 0; reads < 100 && client.BytesRead() < count; ++reads) {
        ASSERT_TRUE(client.WaitForData(5000));
        ASSERT_GT(client.ReadData(), 0);
    }
    ASSERT_EQ(client.BytesRead(), count);
}

TEST(SocketAddress, HostsThatStartWithADigitAreNeverLookedUp) {
    EXPECT_EQ(ResolveHostAddress(""), "0.0.0.0");
    EXPECT_EQ(ResolveHostAddress("localhost"), "127.0.0.1");
    EXPECT_EQ(ResolveHostAddress("10.0.0.7"), "10.0.0.7");
    EXPECT_EQ(ResolveHostAddress("1gateway"), "");
    EXPECT_EQ(ResolveHostAddress("300.1.2.3"), "");
    EXPECT_EQ(ResolveHostAddress("no-such-host.invalid"), "");
}

TEST(SocketAddress, PortsAreServiceNamesOrDecimalNumbers) {
    EXPECT_EQ(ResolvePort("smtp"), 25);
    EXPECT_EQ(ResolvePort("2775"), 2775);
    EXPECT_EQ(ResolvePort("0"), 0);
    EXPECT_EQ(ResolvePort("70000"), 0);
    EXPECT_EQ(ResolvePort("12ab"), 0);
    EXPECT_EQ(ResolvePort(""), 0);
}

TEST(TcpClient, ReceiveBufferCallsAndByteTotals) {
    ScriptedSmsc peer;
    peer.Run([](SmscConnection& connection) {
        connection.Send(Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcTcpClient client;
    std::vector<std::string> events;
    int received = 0;
    client.OnCreateHandle = [&](TBaseSocket&) { events.push_back("create"); };
    client.OnConnect = [&](TBaseSocket&) { events.push_back("connect"); };
    client.OnReceive = [&](TBaseSocket&, const void*, int length) { received += length; };
    ConnectTo(client, peer.Port());
    EXPECT_EQ(events, (std::vector<std::string>{"create", "connect"}));

    ReadUntil(client, 10);
    EXPECT_EQ(client.BytesReceived(), 10);
    EXPECT_EQ(received, 10);

    Bytes peeked(20, 0xEE);
    EXPECT_EQ(client.PeekData(peeked.data(), 20), 10);
    EXPECT_EQ(Bytes(peeked.begin(), peeked.begin() + 10), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(client.BytesRead(), 10);

    Bytes taken(3);
    EXPECT_EQ(client.ReceiveData(taken.data(), 3), 3);
    EXPECT_EQ(taken, (Bytes{0, 1, 2}));
    Bytes rest(7);
    EXPECT_EQ(client.PeekData(rest.data(), 7), 7);
    EXPECT_EQ(rest, (Bytes{3, 4, 5, 6, 7, 8, 9}));

    const Bytes sent{'a', 'b', 'c'};
    EXPECT_EQ(client.SendBuf(sent.data(), 3, 0), 3);
    EXPECT_EQ(client.BytesSent(), 3);

    client.OnDisconnect = [&](TBaseSocket&) { events.push_back("disconnect"); };
    client.OnDestroyHandle = [&](TBaseSocket&) { events.push_back("destroy"); };
    client.Close();
    EXPECT_FALSE(client.Active());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.Handle(), -1);
    EXPECT_EQ(events.back(), "destroy");
    EXPECT_EQ(events[events.size() - 2], "disconnect");
    peer.Finish();
}

TEST(TcpClient, AFullBufferAsksForNothing) {
    ScriptedSmsc peer;
    peer.Run([](SmscConnection& connection) {
        connection.Send(Bytes(8192 + 100, 0x5A));
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcTcpClient client;
    ConnectTo(client, peer.Port());
    ReadUntil(client, 8192);
    EXPECT_EQ(client.ReadData(), 0);
    EXPECT_EQ(client.BytesRead(), 8192);
    client.Close();
    peer.Finish();
}

TEST(TcpClient, PeerClosingEndsTheWaitForData) {
    ScriptedSmsc peer;
    peer.Run([](SmscConnection& connection) { connection.Close(); });
    TtcTcpClient client;
    ConnectTo(client, peer.Port());
    peer.Finish();
    EXPECT_FALSE(client.WaitForData(-1));
    EXPECT_EQ(LastSocketError(), 0);
}

TEST(TcpClient, ConnectThatGetsNoAnswerEndsAtItsTimeOut) {
    testing::SilentListener silent;
    TtcTcpClient client;
    client.SetRemoteHost("127.0.0.1");
    client.SetRemotePort(std::to_string(silent.Port()));
    client.SetConnectTimeOut(200);
    EXPECT_FALSE(client.Open());
    EXPECT_EQ(LastSocketError(), ETIMEDOUT);
    EXPECT_FALSE(client.Connected());

    ScriptedSmsc peer;
    peer.Run([](SmscConnection& connection) { connection.Close(); });
    TtcTcpClient answered;
    answered.SetConnectTimeOut(5000);
    answered.SetRemoteHost("127.0.0.1");
    answered.SetRemotePort(std::to_string(peer.Port()));
    EXPECT_TRUE(answered.Open());
    EXPECT_TRUE(answered.Connected());
    answered.Close();
    peer.Finish();
}

TEST(TcpClient, RefusedAndUnresolvableConnectionsReportTheirError) {
    TtcTcpClient client;
    int reported = 0;
    client.OnError = [&](TBaseSocket&, int error) { reported = error; };
    client.SetRemoteHost("127.0.0.1");
    const testing::ClosedLoopbackPort closed;
    client.SetRemotePort(std::to_string(closed.Port()));
    EXPECT_FALSE(client.Open());
    EXPECT_EQ(LastSocketError(), ECONNREFUSED);
    EXPECT_EQ(reported, ECONNREFUSED);
    EXPECT_FALSE(client.Connected());

    TtcTcpClient named;
    named.SetRemoteHost("1gateway");
    named.SetRemotePort("2775");
    EXPECT_FALSE(named.Open());
    EXPECT_EQ(LastSocketError(), EADDRNOTAVAIL);
}

TEST(TcpClient, ChangingAnEndpointClosesTheSocket) {
    ScriptedSmsc peer;
    peer.Run([](SmscConnection& connection) { EXPECT_TRUE(connection.WaitClosed()); });
    TtcTcpClient client;
    ConnectTo(client, peer.Port());
    client.SetRemoteHost("127.0.0.1");
    EXPECT_TRUE(client.Connected());
    client.SetRemotePort("1");
    EXPECT_FALSE(client.Active());
    peer.Finish();
}

TEST(TcpClient, CancelBlockingCallEndsAWaitInAnotherThread) {
    ScriptedSmsc peer;
    std::atomic<bool> done{false};
    peer.Run([&](SmscConnection& connection) {
        for (int waits = 0; waits < 100 && !done.load(); ++waits) {
            connection.WaitClosed(100);
        }
    });
    TtcTcpClient client;
    ConnectTo(client, peer.Port());
    std::atomic<int> waitError{-1};
    std::thread waiter([&] {
        EXPECT_FALSE(client.WaitForData(-1));
        waitError.store(LastSocketError());
    });
    client.CancelBlockingCall();
    waiter.join();
    EXPECT_EQ(waitError.load(), EINTR);

    // A blocking read is cancelled the same way, and a cancel stays until it is cleared.
    std::thread reader([&] { EXPECT_EQ(client.ReadData(), -1); });
    reader.join();
    client.ClearCancel();

    std::thread closedWhileWaiting([&] { EXPECT_FALSE(client.WaitForData(-1)); });
    client.Close();
    closedWhileWaiting.join();
    done.store(true);
    peer.Finish();
}

TEST(TcpServer, AcceptsAConnectionWithThePeersEndpoint) {
    TtcTcpServer server;
    const int port = UnusedPort();
    server.SetLocalHost("127.0.0.1");
    server.SetLocalPort(std::to_string(port));
    bool listening = false;
    server.OnListening = [&](TBaseSocket&) { listening = true; };
    ASSERT_TRUE(server.Open());
    EXPECT_TRUE(server.Listening());
    EXPECT_TRUE(listening);

    TtcTcpClient client;
    const int clientPort = UnusedPort();
    client.SetLocalHost("127.0.0.1");
    client.SetLocalPort(std::to_string(clientPort));
    ConnectTo(client, port);

    ASSERT_TRUE(server.WaitForConnection());
    TtcTcpClient accepted;
    TtcTcpClient* announced = nullptr;
    server.OnAccept = [&](TBaseSocket&, TtcTcpClient& socket) { announced = &socket; };
    ASSERT_TRUE(server.Accept(accepted));
    EXPECT_EQ(announced, &accepted);
    EXPECT_TRUE(accepted.Active());
    EXPECT_TRUE(accepted.Connected());
    EXPECT_EQ(accepted.RemoteHost(), "127.0.0.1");
    EXPECT_EQ(accepted.RemotePort(), std::to_string(clientPort));

    const Bytes hello{'h', 'i'};
    client.SendBuf(hello.data(), 2, 0);
    ReadUntil(accepted, 2);

    server.Close();
    EXPECT_FALSE(server.Listening());
    TtcTcpServer busy;
    busy.SetLocalHost("127.0.0.1");
    busy.SetLocalPort(std::to_string(clientPort));
    EXPECT_FALSE(busy.Open());
    EXPECT_EQ(LastSocketError(), EADDRINUSE);
    EXPECT_FALSE(busy.Listening());
}

}  // namespace
}  // namespace trevalon
