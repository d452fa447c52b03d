#include <chrono>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/physics/Physics.h"

namespace {

// A listening socket on 127.0.0.1 with a port the system picked.
struct Listener {
    int fd = -1;
    int port = 0;

    explicit Listener(bool listening = true)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        if (listening)
            ::listen(fd, 4);
    }
    ~Listener() { ::close(fd); }

    // The accepted peer, or -1 when none arrives within timeoutMs.
    int accept(int timeoutMs) const
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return -1;
        return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
    }
};

TEST(PvdTransport, ConnectsToALocalListenerAndSendsNothing)
{
    Listener listener;
    phys::Foundation* foundation = phys::createFoundation();
    phys::Pvd* pvd = phys::createPvd(*foundation);
    phys::PvdTransport* transport = phys::createPvdSocketTransport("127.0.0.1", listener.port, 10);
    ASSERT_NE(transport, nullptr);
    EXPECT_EQ(transport->getPort(), listener.port);
    EXPECT_STREQ(transport->getHost(), "127.0.0.1");

    EXPECT_TRUE(pvd->connect(*transport));
    EXPECT_TRUE(pvd->isConnected());
    EXPECT_TRUE(transport->isConnected());
    EXPECT_TRUE(pvd->connect(*transport));  // already connected

    const int peer = listener.accept(1000);
    ASSERT_GE(peer, 0);
    pollfd p{peer, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 50), 0);  // connected, silent

    // Releasing the debugger object closes the connection: the peer reads end of stream.
    pvd->release();
    EXPECT_FALSE(transport->isConnected());
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    char byte = 0;
    EXPECT_EQ(::read(peer, &byte, 1), 0);
    ::close(peer);
    transport->release();
    foundation->release();
}

TEST(PvdTransport, FailsFastWhenNothingListens)
{
    Listener bound(false);  // holds the port without listening: connections are refused
    phys::Foundation* foundation = phys::createFoundation();
    phys::Pvd* pvd = phys::createPvd(*foundation);
    phys::PvdTransport* transport = phys::createPvdSocketTransport("127.0.0.1", bound.port, 10);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(pvd->connect(*transport));
    const auto took = std::chrono::steady_clock::now() - start;
    // Refused at once on loopback; the bound is loose so a loaded machine still passes.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 500);
    EXPECT_FALSE(pvd->isConnected());
    EXPECT_FALSE(transport->isConnected());
    pvd->release();
    transport->release();
    foundation->release();
}

TEST(PvdTransport, TransportReleasedFirstLeavesThePvdUnconnected)
{
    Listener listener;
    phys::Foundation* foundation = phys::createFoundation();
    phys::Pvd* pvd = phys::createPvd(*foundation);
    phys::PvdTransport* transport = phys::createPvdSocketTransport("localhost", listener.port, 100);
    ASSERT_TRUE(pvd->connect(*transport));
    transport->release();
    EXPECT_FALSE(pvd->isConnected());
    pvd->release();
    foundation->release();
}

TEST(PvdTransport, RejectsBadEndpoints)
{
    EXPECT_EQ(phys::createPvdSocketTransport(nullptr, 5425, 10), nullptr);
    EXPECT_EQ(phys::createPvdSocketTransport("127.0.0.1", 0, 10), nullptr);
    EXPECT_EQ(phys::createPvdSocketTransport("127.0.0.1", 70000, 10), nullptr);

    phys::Foundation* foundation = phys::createFoundation();
    phys::Pvd* pvd = phys::createPvd(*foundation);
    phys::PvdTransport* transport = phys::createPvdSocketTransport("no such host.invalid", 5425, 10);
    ASSERT_NE(transport, nullptr);
    EXPECT_FALSE(pvd->connect(*transport));
    pvd->release();
    transport->release();
    foundation->release();
}

}  // namespace
