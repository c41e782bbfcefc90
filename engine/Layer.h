#pragma once

#include <string>
#include <string_view>

#include "engine/CheckResult.h"

namespace qv {

class Exchange;

// Why a step of a check failed: the result to report and, in words a user can read, the reason:
// the system's description of a socket error, or a protocol layer's own word ("socks refused").
struct Failure {
    CheckResult result = CheckResult::OtherError;
    std::string_view reason;
};

// One step of a check's conversation, in a stack between the socket (at the bottom) and the judge
// request (on top). Every layer sees the one below as a socket: it is told when the way through is
// connected, gets the bytes that arrive, the close and the failure, and sends bytes down. A layer
// with a conversation of its own (a proxy handshake, a tunnel, TLS) keeps these events to itself
// until that conversation is done, then reports connected upward and carries the payload both ways;
// it fails by passing onFailed upward with a short reason.
//
// Upward calls are made only from upward calls (events that came from the loop): a layer never
// reports upward from inside send(); it reports later instead (failUpLater).
class Layer {
public:
    virtual ~Layer() = default;
    Layer() = default;
    Layer(const Layer&) = delete;
    Layer& operator=(const Layer&) = delete;

    // From below.
    virtual void onConnected() { m_above->onConnected(); }
    // The layer may take the bytes (move from them).
    virtual void onData(std::string& bytes) { m_above->onData(bytes); }
    // The peer closed its side; everything it sent came first.
    virtual void onClosed() { m_above->onClosed(); }
    virtual void onFailed(const Failure& failure) { m_above->onFailed(failure); }

    // From above.
    virtual void send(std::string_view bytes) { m_below->send(bytes); }

    // A new check is about to connect: forget the last one.
    virtual void reset() { }

protected:
    Layer* below() const { return m_below; }
    Layer* above() const { return m_above; }
    Exchange& exchange() const { return *m_exchange; }
    // Reports a failure upward from the loop's next turn, unless the check has ended by then.
    void failUpLater(CheckResult result, std::string reason);

private:
    friend class Exchange;
    Layer* m_below = nullptr;
    Layer* m_above = nullptr;
    Exchange* m_exchange = nullptr;
};

} // namespace qv
