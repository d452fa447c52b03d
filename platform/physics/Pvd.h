#pragma once

// Connection to an outside visual debugger.
//
// The transport really opens a TCP connection: a non-blocking connect to host:port, waited on
// for at most the given time-out, so a missing debugger costs the game at most that long and
// the game carries on unconnected. Streaming the scene needs that tool's own wire protocol,
// which this layer does not speak: once connected, nothing is sent; the socket is only held
// open until the visual-debugger object or the transport is released.

#include "platform/physics/Foundation.h"

namespace phys {

class PvdTransport : public Object {
public:
    virtual const char* getHost() const = 0;
    virtual int getPort() const = 0;
    virtual unsigned getTimeoutMs() const = 0;
    virtual bool isConnected() const = 0;
};

class Pvd : public Object {
public:
    // True when the transport's connection is (or already was) established. A second connect
    // while connected returns true without reconnecting.
    virtual bool connect(PvdTransport& transport) = 0;
    virtual void disconnect() = 0;
    virtual bool isConnected() const = 0;
};

// What a scene would stream when connected; only stored here.
enum class PvdSceneFlag : unsigned {
    TransmitContacts = 1u << 0,
    TransmitSceneQueries = 1u << 1,
    TransmitConstraints = 1u << 2,
};

// Belongs to its scene (no release of its own); a scene has one when its Physics was created
// with a Pvd, connected or not.
class PvdSceneClient {
public:
    void setScenePvdFlag(PvdSceneFlag flag, bool value);
    bool getScenePvdFlag(PvdSceneFlag flag) const;
    unsigned getScenePvdFlags() const { return flags; }

private:
    unsigned flags = 0;
};

// host: a numeric address or a name resolvable without the network ("127.0.0.1", "localhost").
// Null when host is null or port lies outside 1..65535.
PvdTransport* createPvdSocketTransport(const char* host, int port, unsigned timeoutMs);

Pvd* createPvd(Foundation& foundation);

}  // namespace phys
