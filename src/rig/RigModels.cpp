#include "rig/RigModels.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <mutex>

namespace orvane::rig {

std::vector<RigModel> hamlibRigModels() {
    std::vector<RigModel> models = hamlibModelList();
    std::sort(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
        if (const int c = QString::compare(a.maker, b.maker, Qt::CaseInsensitive)) return c < 0;
        if (const int c = QString::compare(a.name, b.name, Qt::CaseInsensitive)) return c < 0;
        return a.model < b.model;
    });
    return models;
}

QFuture<std::vector<RigModel>> rigModelsLater() {
    static std::once_flag once;
    static QFuture<std::vector<RigModel>> future;
    std::call_once(once, [] { future = QtConcurrent::run(hamlibRigModels); });
    return future;
}

QString rigModelCaption(const RigModel& m) { return QStringLiteral("%1 %2 (%3)").arg(m.maker, m.name).arg(m.model); }

}  // namespace orvane::rig
