#include "spaceweather/SpaceWeatherFeed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstring>

#include "common/AtomicFile.h"
#include "reports/ReportServer.h"
#include "spaceweather/SpaceWeather.h"

namespace orvane::spaceweather {

QString feedBodyRefusal(const char* file, const QByteArray& body) {
    if (std::strstr(file, "k-index")) {
        const KpProduct p = parseKpJson(body);
        if (!p.ok()) return p.error;
        return p.samples.isEmpty() ? QStringLiteral("no Kp in it") : QString();
    }
    if (std::strstr(file, "scales")) return parseScalesJson(body).error;
    const SeriesProduct p = std::strstr(file, "xrays") ? parseXrayJson(body) : parseProtonJson(body);
    if (!p.ok()) return p.error;
    return p.samples.isEmpty() ? QStringLiteral("no flux in it") : QString();
}

SpaceWeatherFeed::SpaceWeatherFeed(const Clock& clock, QString folder, QObject* parent)
    : QObject(parent), clock_(clock), folder_(std::move(folder)) {
    // The web service the reports come from, or the mirror the environment names.
    Base = reports::reportServerFromEnvironment().webBase;
    timer_.setSingleShot(true);
    // A product is asked for minutes apart at best: a coarse timer is plenty
    // and lets the system bundle its wake-ups.
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &SpaceWeatherFeed::tick);
    // A fetch running when the program ends is given up.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &SpaceWeatherFeed::stop);
    web_.TimeOut = 20000;
    web_.OperationTimeOut = 120000;
    web_.MaxBodyBytes = kMaxJsonBytes;
}

SpaceWeatherFeed::~SpaceWeatherFeed() { web_.Abort(); }

void SpaceWeatherFeed::start() {
    running_ = true;
    // The first requests wait a minute: the window comes up at once, and a
    // run of the program that ends sooner asks nothing of the service.
    const UtcMs first = clock_.nowUtcMs() + kMinIntervalSeconds * 1000;
    for (ProductState& st : state_) st.nextDue = std::max(st.nextDue, first);
    schedule();
}

void SpaceWeatherFeed::stop() {
    running_ = false;
    timer_.stop();
    web_.Abort();
}

bool SpaceWeatherFeed::fetch(int index) {
    if (busy_ || index < 0 || index >= static_cast<int>(kFeedProducts.size())) return false;
    const FeedProduct& product = kFeedProducts[static_cast<size_t>(index)];
    ProductState& st = state_[static_cast<size_t>(index)];
    const UtcMs now = clock_.nowUtcMs();
    if (st.lastRequest >= 0 && now - st.lastRequest < kMinIntervalSeconds * 1000 && now >= st.lastRequest) {
        st.status = QStringLiteral("not asked again within the minute");
        return false;
    }
    busy_ = true;
    st.lastRequest = now;
    web_.RequestHeaders.clear();
    if (!st.etag.isEmpty()) web_.RequestHeaders.append({"If-None-Match", st.etag});
    if (!st.lastModified.isEmpty()) {
        web_.RequestHeaders.append({"If-Modified-Since", st.lastModified});
    } else if (st.etag.isEmpty()) {
        // A copy kept from an earlier run: asked for only if changed since it was saved.
        const QFileInfo kept(QDir(folder_).filePath(QString::fromLatin1(product.file)));
        if (kept.isFile() && kept.size() > 0 && kept.lastModified().toMSecsSinceEpoch() <= now)
            web_.RequestHeaders.append(
                {"If-Modified-Since",
                 QLocale::c().toString(kept.lastModified().toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1()});
    }
    bool ok = false;
    bool stored = false;
    try {
        const net::HttpsClient::Response response = web_.Get(Base.resolved(QUrl(QString::fromLatin1(product.path))));
        if (response.status == 304) {
            st.status = QStringLiteral("304 not modified");
            ok = true;
        } else if (const QString refusal = feedBodyRefusal(product.file, response.body); !refusal.isEmpty()) {
            st.status = QStringLiteral("refused: ") + refusal;
        } else {
            QString reason;
            if (writeFileAtomically(QDir(folder_).filePath(QString::fromLatin1(product.file)), response.body, &reason)) {
                st.etag = response.etag;
                st.lastModified = response.lastModified;
                st.status = QStringLiteral("200 OK, stored");
                ok = stored = true;
            } else {
                st.status = QStringLiteral("cannot store: ") + reason;
            }
        }
    } catch (const std::exception& e) {
        st.status = QString::fromUtf8(e.what());
    }
    web_.RequestHeaders.clear();
    st.failures = ok ? 0 : std::min(st.failures + 1, 30);
    qint64 wait = std::max(product.intervalSeconds, kMinIntervalSeconds);
    for (int i = 0; i < st.failures && wait < kMaxBackOffSeconds; ++i) wait *= 2;
    wait = std::min(wait, std::max(kMaxBackOffSeconds, product.intervalSeconds));
    st.nextDue = clock_.nowUtcMs() + wait * 1000;
    busy_ = false;
    if (stored) emit updated();
    return ok;
}

void SpaceWeatherFeed::tick() {
    if (!running_) return;
    for (size_t i = 0; i < kFeedProducts.size() && running_; ++i)
        if (state_[i].nextDue <= clock_.nowUtcMs()) fetch(static_cast<int>(i));
    schedule();
}

void SpaceWeatherFeed::schedule() {
    if (!running_) return;
    UtcMs due = state_[0].nextDue;
    for (const ProductState& st : state_) due = std::min(due, st.nextDue);
    const qint64 ms = std::clamp<qint64>(due - clock_.nowUtcMs(), 0, kMaxBackOffSeconds * 1000);
    timer_.start(std::chrono::milliseconds(ms));
}

}  // namespace orvane::spaceweather
