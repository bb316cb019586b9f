#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace orvane::net {

// Responsibilities: resolves a host name to an IPv4 address without blocking
// the GUI thread. The answer arrives later, on the thread that started the
// lookup, through the event loop. Tests replace it with a scripted lookup
// (one that never answers, one that fails).
class HostLookup {
public:
    struct Result {
        int errorNo = 0;           // 0, or a socket error number 11001..11004
        uint32_t ipv4HostOrder = 0;  // the first IPv4 address of the answer
    };
    using Done = std::function<void(const Result&)>;

    virtual ~HostLookup() = default;
    // Starts resolving `name`; `done` runs once, later, from the event loop,
    // unless cancel() or the destructor comes first. One lookup at a time.
    virtual void start(const QString& name, Done done) = 0;
    // Forgets the lookup in progress; its answer is dropped.
    virtual void cancel() = 0;
};

// The system resolver (getaddrinfo, IPv4 only) on a short-lived worker
// thread; the answer reaches the GUI thread through a pipe watched by a
// QSocketNotifier. A lookup the owner gave up on finishes on its own and is
// dropped; it never touches a destroyed object.
std::unique_ptr<HostLookup> makeSystemHostLookup();

}  // namespace orvane::net
