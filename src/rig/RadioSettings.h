#pragma once

#include "common/IniFile.h"
#include "rig/Rig.h"

namespace orvane::rig {

// The section "Radio" of the settings file: Model, Port, Speed. A model or
// speed that is no number, or out of range, reads as the default.
inline constexpr const char* kRadioSection = "Radio";
RigSettings ReadRadioIni(const IniFile& ini);
// Throws OrvaneError("Unable to write to <file>").
void SaveRadioIni(IniFile& ini, const RigSettings& settings);

}  // namespace orvane::rig
