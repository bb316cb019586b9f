#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <array>

#include "common/Clock.h"
#include "net/HttpsClient.h"

namespace orvane::spaceweather {

// One JSON product of the web service and how often it is asked for.
struct FeedProduct {
    const char* path;  // below the base address
    const char* file;  // stored under this name in the reports' folder
    qint64 intervalSeconds;
};
inline constexpr std::array<FeedProduct, 4> kFeedProducts{{
    {"products/noaa-planetary-k-index.json", "noaa-planetary-k-index.json", 900},
    {"products/noaa-scales.json", "noaa-scales.json", 900},
    {"json/goes/primary/xrays-1-day.json", "xrays-1-day.json", 300},
    {"json/goes/primary/integral-protons-1-day.json", "integral-protons-1-day.json", 300},
}};
// No product is asked for more often than this, whatever happens.
inline constexpr qint64 kMinIntervalSeconds = 60;
// Failures double the wait up to this.
inline constexpr qint64 kMaxBackOffSeconds = 6 * 3600;

// Responsibilities: keeps the JSON products fresh in the reports' folder,
// each at its own interval, through the reports' HTTPS client (the same
// User-Agent, certificates and bounds). Requests are conditional (the
// ETag and Last-Modified of the copy kept), so an unchanged product costs
// a 304. A body that is no product of its kind (an HTML page, truncated
// or wrong JSON, over 4 MiB) is refused and the copy kept; every failure
// doubles that product's wait, from its interval up to six hours. One
// single-shot timer waits for the next product due: nothing runs between.
//
// Like the reports' retrieval, a fetch waits in the client's nested event
// loop on the calling thread, so the windows stay live; a fetch is never
// started while another runs.
class SpaceWeatherFeed : public QObject {
    Q_OBJECT
public:
    SpaceWeatherFeed(const Clock& clock, QString folder, QObject* parent = nullptr);
    ~SpaceWeatherFeed() override;

    // NOAA's web service unless the environment names a mirror, as for the reports.
    QUrl Base;
    net::HttpsClient& web() { return web_; }

    // Starts the timer: the products are first fetched a minute later, from
    // the event loop.
    void start();
    void stop();

    // Fetches product `index` now whatever its schedule (unless within the
    // minute of its last request); true when the copy is current (stored or
    // not modified). The outcome is in status(index).
    bool fetch(int index);

    // "200 OK, stored", "304 not modified", "refused: an HTML page ...",
    // "HTTP 404 Not Found"; empty before the first request.
    const QString& status(int index) const { return state_[static_cast<size_t>(index)].status; }
    int failures(int index) const { return state_[static_cast<size_t>(index)].failures; }
    // When the product is next due, ms since 1970 (UTC).
    UtcMs nextDue(int index) const { return state_[static_cast<size_t>(index)].nextDue; }

signals:
    // A product was stored anew.
    void updated();

private:
    struct ProductState {
        QByteArray etag;
        QByteArray lastModified;
        int failures = 0;
        UtcMs nextDue = 0;
        UtcMs lastRequest = -1;
        QString status;
    };
    void tick();
    void schedule();

    const Clock& clock_;
    QString folder_;
    net::HttpsClient web_;
    std::array<ProductState, kFeedProducts.size()> state_{};
    QTimer timer_;
    bool busy_ = false;
    bool running_ = false;
};

// Whether `body` is a product of the kind the file `file` holds; the reason
// when not.
QString feedBodyRefusal(const char* file, const QByteArray& body);

}  // namespace orvane::spaceweather
