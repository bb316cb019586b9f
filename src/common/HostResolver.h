#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orvane {

// Responsibilities: resolves a host name to one IPv4 address without
// blocking the GUI thread, for both network clients (the FTP session and the
// time-protocol endpoint). The answer arrives later, on the thread that
// started the lookup, through its event loop; never inside start(). A failed
// lookup is tried once more before it is reported. cancel() (or the
// destructor) drops the answer of the lookup in progress.
//
// Tests replace it with a scripted resolver (one that never answers, one that
// fails), or hand the system resolver a scripted name service.
class HostResolver {
public:
    struct Result {
        int errorNo = 0;             // 0, or a socket error number 11001..11004 (SocketErrors.h)
        uint32_t ipv4HostOrder = 0;  // the first IPv4 address of the answer
        bool ok() const { return errorNo == 0 && ipv4HostOrder != 0; }
    };
    using Done = std::function<void(const Result&)>;

    virtual ~HostResolver() = default;
    // Starts resolving `name`; `done` runs once, later, from the event loop,
    // unless cancel() or the destructor comes first. One lookup at a time: a
    // new start() cancels the one in progress.
    virtual void start(const QString& name, Done done) = 0;
    virtual void cancel() = 0;
};

// One attempt of the system's name service (getaddrinfo, IPv4 only). It runs
// on a worker thread, so it must not touch anything but its argument.
using ResolveOnce = std::function<HostResolver::Result(const std::string& name)>;
HostResolver::Result systemResolveOnce(const std::string& name);

// The system resolver: `resolveOnce` (the system's by default) on a
// short-lived worker thread, with one retry; the answer reaches the GUI
// thread through a pipe watched by a QSocketNotifier. A lookup the owner gave
// up on finishes on its own and is dropped; it never touches a destroyed
// object.
std::unique_ptr<HostResolver> makeSystemHostResolver(ResolveOnce resolveOnce = systemResolveOnce);

}  // namespace orvane
