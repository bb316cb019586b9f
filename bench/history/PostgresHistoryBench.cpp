// Goals for a club's server: 20 receivers writing at once lose nothing and
// keep up (BM_PgTwentyReceiversInsert: slots stored per second by all of
// them together, each in its own connection and thread, in the writer's
// batches of ten minutes of five bands); the hour-by-beacon view over a year
// of 20 receivers <= 2 s (BM_PgViewYear, all receivers and one).
//
// The server is the tests' own (tests/support/PostgresServer.h): initdb and
// pg_ctl in a temporary folder, fsync off. A year of 20 receivers is 316
// million slots, more than this bench can write: the year's view reads only
// the hourly summaries (the slots only for the ragged ends of a window), so
// the year is written straight into the summaries as 20 receivers' writers
// would have left them (15.8 million rows by receiver, 788,400 over all).
// HISTORY_BENCH_DAYS sets a shorter year for a quick look.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <atomic>
#include <cstdlib>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "beacons/Schedule.h"
#include "common/TimeTypes.h"
#include "history/HistoryStore.h"
#include "support/PostgresServer.h"

using namespace orvane;
using namespace orvane::history;

namespace {

const std::int64_t kStart = daysFromCivil(2026, 1, 1) * 86'400'000LL;
constexpr int kBatchSlots = 5 * 360;
constexpr int kReceivers = 20;

PostgresServer* server() {
    static std::unique_ptr<PostgresServer> s = [] {
        return PostgresServer::unavailable() ? nullptr : std::make_unique<PostgresServer>();
    }();
    return s.get();
}

void fillBatch(std::vector<SlotRecord>& batch, std::int64_t fromMs, int receiver) {
    batch.clear();
    for (int i = 0; i < kBatchSlots / 5; ++i)
        for (int band = 0; band < 5; ++band) {
            SlotRecord r;
            r.slotStartMs = fromMs + i * beacons::kSlotMs;
            r.band = band;
            const bool heard = (receiver + band * 3 + i) % 5 < 2;
            r.outcome = heard ? Outcome::Heard : Outcome::NotHeard;
            if (heard) r.dashSnrDb = {12.5 + band, 3.0, -4.5, std::nullopt};
            r.input = "sdr";
            batch.push_back(r);
        }
}

QString rx(int i) { return QStringLiteral("rx%1").arg(i, 2, 10, QChar('0')); }

void BM_PgTwentyReceiversInsert(benchmark::State& state) {
    if (!server()) return state.SkipWithError("no PostgreSQL here");
    static int run = 0;
    const QString name = QStringLiteral("insert%1").arg(++run);
    server()->createDatabase(name);
    const QString url = server()->url(name);
    std::vector<std::unique_ptr<HistoryStore>> stores;
    for (int i = 0; i < kReceivers; ++i) stores.push_back(openHistory(url));
    std::int64_t t = kStart, stored = 0;
    std::vector<std::vector<SlotRecord>> batches(kReceivers);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kReceivers; ++i) fillBatch(batches[std::size_t(i)], t, i);
        t += kBatchSlots / 5 * beacons::kSlotMs;
        std::latch go(kReceivers + 1);
        std::atomic<std::int64_t> added{0};
        std::vector<std::thread> writers;
        for (int i = 0; i < kReceivers; ++i)
            writers.emplace_back([&, i] {
                go.arrive_and_wait();
                added += stores[std::size_t(i)]->add({rx(i), "JO62"}, batches[std::size_t(i)]);
            });
        state.ResumeTiming();
        go.arrive_and_wait();
        for (std::thread& w : writers) w.join();
        stored += added;
    }
    state.SetItemsProcessed(state.iterations() * kReceivers * kBatchSlots);
    state.counters["lost"] = double(state.iterations() * kReceivers * kBatchSlots - stored);
}
BENCHMARK(BM_PgTwentyReceiversInsert)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

struct YearOfTwenty {
    QString url;
    int days = 365;
    YearOfTwenty() {
        if (const char* d = std::getenv("HISTORY_BENCH_DAYS")) days = std::max(31, std::atoi(d));
        server()->createDatabase(QStringLiteral("year"));
        url = server()->url(QStringLiteral("year"));
        {
            const auto store = openHistory(url);  // makes the tables
            for (int i = 0; i < kReceivers; ++i) store->add({rx(i), "JO62"}, {});
        }
        const std::int64_t firstHour = kStart / 3'600'000, hours = days * 24LL;
        // Each cell of an hour: 20 slots (one per three-minute cycle), some
        // heard; the receivers differ a little.
        server()->exec(QStringLiteral("year"),
                       QStringLiteral("INSERT INTO history_hourly SELECT r.id, h, b, k, 20, (h + b + k + r.id) % 21, "
                                      "CASE WHEN (h + k) % 3 = 0 THEN NULL ELSE (h * 7 + k * 13 + r.id) % 400 - 100 END "
                                      "FROM history_receiver r, generate_series(%1::int, %2::int) h, "
                                      "generate_series(0, 4) b, generate_series(0, 17) k")
                           .arg(firstHour)
                           .arg(firstHour + hours - 1));
        server()->exec(QStringLiteral("year"),
                       QStringLiteral("INSERT INTO history_hourly_all SELECT hour, band, beacon, sum(listened), "
                                      "sum(heard), max(best_snr) FROM history_hourly GROUP BY 1, 2, 3"));
        server()->exec(QStringLiteral("year"), QStringLiteral("VACUUM ANALYZE"));
    }
};

void BM_PgViewYear(benchmark::State& state) {
    if (!server()) return state.SkipWithError("no PostgreSQL here");
    static YearOfTwenty year;
    const auto store = openHistory(year.url);
    HistoryQuery q;
    q.fromMs = kStart;
    q.toMs = kStart + year.days * 86'400'000LL;
    if (state.range(0) == 1) q.receiver = rx(7);
    std::size_t cells = 0;
    for (auto _ : state) cells = store->hours(q).size();
    state.counters["cells"] = double(cells);
    state.counters["days"] = year.days;
}
// 0: all 20 receivers together; 1: one of them.
BENCHMARK(BM_PgViewYear)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // the fixture's free-port probe
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
