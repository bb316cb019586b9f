#pragma once

#include <QFuture>
#include <QString>
#include <vector>

namespace orvane::rig {

// One radio Hamlib can drive: its model number (what the "Radio" settings
// keep), maker and name as Hamlib spells them.
struct RigModel {
    int model = 0;
    QString maker;
    QString name;
    friend bool operator==(const RigModel&, const RigModel&) = default;
};

// Hamlib's own list as its backends register the models, unsorted (in
// HamlibRig.cpp, the one file that includes Hamlib).
std::vector<RigModel> hamlibModelList();

// Every model Hamlib knows, by maker, then name, then number. Loads all of
// Hamlib's backends, so the first call may take a while: call it off the
// GUI thread, or use rigModelsLater().
std::vector<RigModel> hamlibRigModels();

// The list, worked out once per run on the global thread pool; every call
// gets the same future.
QFuture<std::vector<RigModel>> rigModelsLater();

// "Yaesu FT-991 (1035)": how a choice lists a model.
QString rigModelCaption(const RigModel& m);

}  // namespace orvane::rig
