#include "timesync/HostResolver.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <QMetaObject>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace orvane::timesync {

namespace {

HostResolver::Result resolveIPv4(const QByteArray& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(name.constData(), nullptr, &hints, &list);
    HostResolver::Result result;
    if (rc != 0) {
        result.error = QString::fromLocal8Bit(::gai_strerror(rc));
        return result;
    }
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET && ai->ai_addr && ai->ai_addrlen >= sizeof(sockaddr_in)) {
            sockaddr_in address{};
            std::memcpy(&address, ai->ai_addr, sizeof address);
            result.ok = true;
            result.address = address.sin_addr.s_addr;
            break;
        }
    }
    ::freeaddrinfo(list);
    if (!result.ok) result.error = QStringLiteral("no IPv4 address");
    return result;
}

// Shared between the GUI thread and one worker: the worker may post its
// answer only while the requester lives. The requester's destroyed() clears
// `context` under the mutex, so a post never races with the destruction, and
// Qt drops events already posted to a destroyed object.
struct Delivery {
    std::mutex mutex;
    QObject* context = nullptr;
    QMetaObject::Connection watch;
};

}  // namespace

void SystemHostResolver::lookup(const QString& hostName, QObject* context, Done done) {
    auto delivery = std::make_shared<Delivery>();
    delivery->context = context;
    delivery->watch = QObject::connect(context, &QObject::destroyed, [delivery] {
        const std::lock_guard lock(delivery->mutex);
        delivery->context = nullptr;
    });
    std::thread([delivery, name = hostName.toUtf8(), done = std::move(done)]() mutable {
        const HostResolver::Result result = resolveIPv4(name);
        const std::lock_guard lock(delivery->mutex);
        if (!delivery->context) return;
        QMetaObject::invokeMethod(
            delivery->context,
            [delivery, result, done = std::move(done)] {
                QObject::disconnect(delivery->watch);
                done(result);
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace orvane::timesync
