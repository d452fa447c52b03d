#include "platform/physics/Pvd.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <string>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace phys {

void PvdSceneClient::setScenePvdFlag(PvdSceneFlag flag, bool value)
{
    const unsigned bit = static_cast<unsigned>(flag);
    flags = value ? (flags | bit) : (flags & ~bit);
}

bool PvdSceneClient::getScenePvdFlag(PvdSceneFlag flag) const
{
    return (flags & static_cast<unsigned>(flag)) != 0;
}

namespace {

class PvdImpl;

class SocketTransport final : public PvdTransport {
public:
    SocketTransport(const char* hostName, int portNumber, unsigned timeout)
        : host(hostName), port(portNumber), timeoutMs(timeout)
    {
    }

    void release() override;
    const char* getHost() const override { return host.c_str(); }
    int getPort() const override { return port; }
    unsigned getTimeoutMs() const override { return timeoutMs; }
    bool isConnected() const override { return fd >= 0; }

    bool open();
    void close();

    PvdImpl* user = nullptr;  // the Pvd connected through this transport

private:
    std::string host;
    int port;
    unsigned timeoutMs;
    int fd = -1;

    bool tryAddress(const addrinfo& address, std::chrono::steady_clock::time_point deadline);
};

class PvdImpl final : public Pvd {
public:
    void release() override
    {
        disconnect();
        delete this;
    }

    bool connect(PvdTransport& transport) override
    {
        auto& socket = static_cast<SocketTransport&>(transport);
        if (connected == &socket && socket.isConnected())
            return true;
        disconnect();
        if (socket.user != nullptr && socket.user != this)
            return false;  // the transport carries another debugger session
        if (!socket.open())
            return false;
        socket.user = this;
        connected = &socket;
        return true;
    }

    void disconnect() override
    {
        if (connected == nullptr)
            return;
        connected->close();
        connected->user = nullptr;
        connected = nullptr;
    }

    bool isConnected() const override { return connected != nullptr && connected->isConnected(); }

    // The transport is going away underneath us.
    void forget() { connected = nullptr; }

private:
    SocketTransport* connected = nullptr;
};

void SocketTransport::release()
{
    if (user != nullptr)
        user->forget();
    close();
    delete this;
}

void SocketTransport::close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool SocketTransport::tryAddress(const addrinfo& address, std::chrono::steady_clock::time_point deadline)
{
    const int s = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           address.ai_protocol);
    if (s < 0)
        return false;
    int result = ::connect(s, address.ai_addr, address.ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
        // Wait for the handshake, but never past the caller's time-out.
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{s, POLLOUT, 0};
            const int ready = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;  // timed out or failed: result stays non-zero
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                result = 0;
            break;
        }
    }
    if (result != 0) {
        ::close(s);
        return false;
    }
    fd = s;
    return true;
}

bool SocketTransport::open()
{
    if (fd >= 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0)
        return false;
    bool ok = false;
    for (const addrinfo* a = found; a != nullptr && !ok; a = a->ai_next)
        ok = tryAddress(*a, deadline);
    ::freeaddrinfo(found);
    return ok;
}

}  // namespace

PvdTransport* createPvdSocketTransport(const char* host, int port, unsigned timeoutMs)
{
    if (host == nullptr || port <= 0 || port > 65535)
        return nullptr;
    return new (std::nothrow) SocketTransport(host, port, timeoutMs);
}

Pvd* createPvd(Foundation&)
{
    return new (std::nothrow) PvdImpl();
}

}  // namespace phys
