#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

namespace orvane::timesync {

// Responsibilities: turns a host name into one IPv4 address without blocking
// the caller's thread. The answer arrives later on the thread of `context`,
// never inside lookup(); when `context` is destroyed first, it never arrives.
// Tests replace the system resolver with a scripted one.
class HostResolver {
public:
    struct Result {
        bool ok = false;
        std::uint32_t address = 0;  // IPv4, network byte order
        QString error;              // the resolver's reason when !ok
    };
    using Done = std::function<void(const Result&)>;

    virtual ~HostResolver() = default;
    virtual void lookup(const QString& hostName, QObject* context, Done done) = 0;
};

// getaddrinfo() (IPv4 only) on a short-lived worker thread. A lookup cannot be
// cancelled; a worker whose requester has gone finishes and drops its answer.
class SystemHostResolver final : public HostResolver {
public:
    void lookup(const QString& hostName, QObject* context, Done done) override;
};

}  // namespace orvane::timesync
