#pragma once

#include <QMetaObject>
#include <QObject>
#include <utility>

namespace orvane {

// Runs `work` on the thread of `context`, from its event loop, unless
// `context` is destroyed first. The one way the program hands work to
// another thread's queue. The queued call, holding the work's captures, is
// built in here: the race checker's suppressions name this function, because
// Qt (not built with the checker) passes the call over under a lock the
// checker cannot see.
template <typename Work>
void postToThreadOf(QObject* context, Work&& work) {
    QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::QueuedConnection);
}

}  // namespace orvane
