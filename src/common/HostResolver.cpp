#include "common/HostResolver.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "common/SocketErrors.h"

namespace orvane {

HostResolver::Result systemResolveOnce(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    HostResolver::Result result;
    if (rc != 0 || list == nullptr) {
        result.errorNo = rc != 0 ? socketErrorFromLookup(rc) : WSAHOST_NOT_FOUND;
    } else {
        sockaddr_in addr{};
        std::memcpy(&addr, list->ai_addr, sizeof addr);
        result.ipv4HostOrder = ntohl(addr.sin_addr.s_addr);
    }
    if (list) ::freeaddrinfo(list);
    return result;
}

namespace {

// What the worker thread and the GUI thread share for one lookup. It lives as
// long as either side holds it, so a worker that outlives its owner writes
// into its own copy and nothing else.
struct LookupShared {
    std::mutex mutex;
    HostResolver::Result result;
    int fds[2] = {-1, -1};  // the worker writes one byte into fds[1] when done

    ~LookupShared() {
        for (int fd : fds)
            if (fd >= 0) ::close(fd);
    }
};

class SystemHostResolver final : public HostResolver {
public:
    explicit SystemHostResolver(ResolveOnce resolveOnce) : resolveOnce_(std::move(resolveOnce)) {}
    ~SystemHostResolver() override { cancel(); }

    void start(const QString& name, Done done) override {
        cancel();
        notifier_.reset();  // never deleted from inside its own signal: see finish()
        auto shared = std::make_shared<LookupShared>();
        if (::pipe2(shared->fds, O_CLOEXEC | O_NONBLOCK) != 0) {
            // No pipe, no worker: answer "not found" through the event loop all the same.
            shared->result.errorNo = socketErrorFromErrno(errno);
            done_ = std::move(done);
            QMetaObject::invokeMethod(&guard_, [this, shared] { deliver(shared->result); }, Qt::QueuedConnection);
            return;
        }
        shared_ = shared;
        done_ = std::move(done);
        notifier_ = std::make_unique<QSocketNotifier>(shared->fds[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &guard_, [this] { finish(); });
        std::thread([shared, resolveOnce = resolveOnce_, host = name.toStdString()] {
            Result result = resolveOnce(host);
            // Name services fail now and then for a moment: one more try.
            if (!result.ok()) result = resolveOnce(host);
            {
                std::lock_guard lock(shared->mutex);
                shared->result = result;
            }
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(shared->fds[1], &byte, 1);
        }).detach();
    }

    void cancel() override {
        if (notifier_) notifier_->setEnabled(false);
        shared_.reset();
        done_ = nullptr;
    }

private:
    void finish() {
        notifier_->setEnabled(false);
        if (!shared_) return;
        Result result;
        {
            std::lock_guard lock(shared_->mutex);
            result = shared_->result;
        }
        shared_.reset();
        deliver(result);
    }

    void deliver(const Result& result) {
        Done done = std::move(done_);
        done_ = nullptr;
        if (done) done(result);
    }

    ResolveOnce resolveOnce_;
    QObject guard_;  // context of the queued calls: they die with this object
    std::shared_ptr<LookupShared> shared_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Done done_;
};

}  // namespace

std::unique_ptr<HostResolver> makeSystemHostResolver(ResolveOnce resolveOnce) {
    return std::make_unique<SystemHostResolver>(std::move(resolveOnce));
}

}  // namespace orvane
