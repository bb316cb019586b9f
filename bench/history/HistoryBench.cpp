// Goals: inserts of >= 200,000 slots/s in batches; handing a result to the
// writer costs the listener no wait on the database (BM_SubmitWhileCommitting); the view over 30 days
// <= 50 ms and over a year <= 1 s, also as the History window reads it
// (BM_WindowReading); <= 40 bytes per slot on disk. A year is
// one receiver on all five bands: 5 x 8,640 x 365 = 15.8 million slots.
// The year's database is built once per run in a temporary folder (about a
// minute); HISTORY_BENCH_DAYS sets a shorter one for a quick look.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <vector>

#include "beacons/Schedule.h"
#include "common/TimeTypes.h"
#include "history/HistoryView.h"
#include "history/HistoryWriter.h"
#include "history/SqliteHistory.h"

using namespace orvane;
using namespace orvane::history;

namespace {

const std::int64_t kStart = daysFromCivil(2026, 1, 1) * 86'400'000LL;
constexpr int kBatchSlots = 5 * 360;  // ten minutes of five bands, a writer's batch at most

// Slots as a listener on five bands gives them: heard by the hour, SNRs on
// the heard ones.
void fillBatch(std::vector<SlotRecord>& batch, std::int64_t fromMs) {
    batch.clear();
    for (int i = 0; i < kBatchSlots / 5; ++i)
        for (int band = 0; band < 5; ++band) {
            SlotRecord r;
            r.slotStartMs = fromMs + i * beacons::kSlotMs;
            r.band = band;
            const std::int64_t hour = (r.slotStartMs / 3'600'000) % 24;
            const bool heard = (hour + band * 3 + i) % 5 < 2;
            r.outcome = heard ? Outcome::Heard : Outcome::NotHeard;
            if (heard) {
                r.dashSnrDb = {12.5 + band, 3.0, -4.5, std::nullopt};
                r.toneOffsetHz = -3.2;
                r.timeOffsetMs = 40;
            }
            r.input = "radio";
            batch.push_back(r);
        }
}

struct YearDatabase {
    QTemporaryDir dir;
    std::unique_ptr<SqliteHistory> store;
    std::int64_t slotCount = 0;
    int days = 365;
    YearDatabase() {
        if (const char* d = std::getenv("HISTORY_BENCH_DAYS")) days = std::max(31, std::atoi(d));
        store = std::make_unique<SqliteHistory>(dir.filePath("year.sqlite"));
        std::vector<SlotRecord> batch;
        const std::int64_t end = kStart + days * 86'400'000LL;
        for (std::int64_t t = kStart; t < end; t += kBatchSlots / 5 * beacons::kSlotMs) {
            fillBatch(batch, t);
            slotCount += store->add({"G4ABC", "IO91"}, batch);
        }
    }
    double bytesPerSlot() const {
        qint64 bytes = 0;
        for (const QFileInfo& f : QDir(dir.path()).entryInfoList(QDir::Files)) bytes += f.size();
        return double(bytes) / double(slotCount);
    }
};

YearDatabase& year() {
    static YearDatabase db;
    return db;
}

void BM_InsertBatches(benchmark::State& state) {
    QTemporaryDir dir;
    SqliteHistory store(dir.filePath("insert.sqlite"));
    std::vector<SlotRecord> batch;
    std::int64_t t = kStart;
    for (auto _ : state) {
        state.PauseTiming();
        fillBatch(batch, t);
        t += kBatchSlots / 5 * beacons::kSlotMs;
        state.ResumeTiming();
        benchmark::DoNotOptimize(store.add({"G4ABC", "IO91"}, batch));
    }
    state.SetItemsProcessed(state.iterations() * kBatchSlots);
}
BENCHMARK(BM_InsertBatches)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_ViewDays(benchmark::State& state) {
    YearDatabase& db = year();
    const int days = std::min<int>(static_cast<int>(state.range(0)), db.days);
    HistoryQuery q;
    q.toMs = kStart + db.days * 86'400'000LL;
    q.fromMs = q.toMs - days * 86'400'000LL;
    for (auto _ : state) benchmark::DoNotOptimize(db.store->hours(q));
    state.counters["slots"] = double(db.slotCount);
    state.counters["bytes_per_slot"] = db.bytesPerSlot();
}
BENCHMARK(BM_ViewDays)->Arg(30)->Arg(365)->Unit(benchmark::kMillisecond);

// The ragged ends of a window come from the slots themselves.
void BM_ViewRaggedMonth(benchmark::State& state) {
    YearDatabase& db = year();
    HistoryQuery q;
    q.toMs = kStart + db.days * 86'400'000LL - 1'234'000;
    q.fromMs = q.toMs - 30 * 86'400'000LL + 2'345'000;
    for (auto _ : state) benchmark::DoNotOptimize(db.store->hours(q));
}
BENCHMARK(BM_ViewRaggedMonth)->Unit(benchmark::kMillisecond);

// What the History window's worker does for "Last year" (or month): open its
// own connection to the file, list the receivers, read every band's view.
// The window stays live whatever this takes; this says how long the user
// waits for the grid.
void BM_WindowReading(benchmark::State& state) {
    YearDatabase& db = year();
    const PeriodBounds b = periodBounds(static_cast<HistoryPeriod>(state.range(0)), kStart + db.days * 86'400'000LL - 1);
    HistoryQuery q;
    q.fromMs = b.fromMs;
    q.toMs = b.toMs;
    q.receiver = "G4ABC";
    const QString url = "sqlite:" + db.dir.filePath("year.sqlite");
    for (auto _ : state) {
        const HistoryReading reading = readHistory(url, q);
        if (!reading.problem.isEmpty()) state.SkipWithError(reading.problem.toStdString().c_str());
        benchmark::DoNotOptimize(reading.cells.data());
    }
}
BENCHMARK(BM_WindowReading)
    ->Arg(static_cast<int>(HistoryPeriod::Month))
    ->Arg(static_cast<int>(HistoryPeriod::Year))
    ->Unit(benchmark::kMillisecond);

}  // namespace

// What the listener pays to hand over one result while the writer commits
// to a real file as fast as it can (a commit asked for every batch): the
// queue's lock, never the database. A listener hands over five results in
// ten seconds; this hands over millions a second, so the queue stays at its
// bound and the oldest are dropped ("dropped" counts them).
void BM_SubmitWhileCommitting(benchmark::State& state) {
    QTemporaryDir dir;
    const QString file = dir.filePath("live.sqlite");
    HistoryWriter writer([file] { return std::make_unique<SqliteHistory>(file); }, {"G4ABC", "IO91"},
                         [](const QString&, bool) {}, std::chrono::milliseconds(1));
    std::vector<SlotRecord> batch;
    std::int64_t t = kStart;
    fillBatch(batch, t);
    std::size_t i = 0;
    for (auto _ : state) {
        writer.submit(batch[i]);
        if (++i == batch.size()) {
            t += kBatchSlots / 5 * beacons::kSlotMs;
            state.PauseTiming();
            fillBatch(batch, t);
            writer.flushSoon();
            state.ResumeTiming();
            i = 0;
        }
    }
    const HistoryWriter::Counts counts = writer.finish();
    state.counters["dropped"] = static_cast<double>(counts.dropped);
}
BENCHMARK(BM_SubmitWhileCommitting)->Unit(benchmark::kNanosecond);
