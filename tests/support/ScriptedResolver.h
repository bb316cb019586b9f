#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <utility>
#include <vector>

#include "common/HostResolver.h"

// The one scripted host-name resolver of the tests: each start() takes the
// next answer of the script and delivers it through the event loop, as the
// system resolver does; once the script is used up it never answers (a
// lookup that hangs). It records the names it was asked for.
class ScriptedResolver final : public orvane::HostResolver {
public:
    explicit ScriptedResolver(std::vector<Result> answers = {}) : answers_(std::move(answers)) {}

    void start(const QString& name, Done done) override {
        names.push_back(name);
        ++lookups;
        done_ = nullptr;
        if (next_ >= answers_.size()) return;  // never answers
        const Result result = answers_[next_++];
        done_ = std::move(done);
        QTimer::singleShot(0, &guard_, [this, result] {
            if (done_) std::exchange(done_, nullptr)(result);
        });
    }
    void cancel() override { done_ = nullptr; }

    static Result address(uint32_t ipv4HostOrder) { return {0, ipv4HostOrder}; }
    static Result loopback() { return address(0x7F000001u); }
    static Result notFound() { return {11001, 0}; }  // "Host not found"

    int lookups = 0;
    std::vector<QString> names;

private:
    std::vector<Result> answers_;
    size_t next_ = 0;
    Done done_;
    QObject guard_;  // queued answers die with the resolver
};
