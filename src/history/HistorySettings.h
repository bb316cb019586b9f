#pragma once

#include <QString>

#include "common/AppPaths.h"
#include "common/IniFile.h"
#include "history/HistoryStore.h"

namespace orvane::history {

// The settings' section and keys for the history.
inline constexpr char kHistorySection[] = "History";
inline constexpr char kHistoryDatabaseKey[] = "Database";
inline constexpr char kHistoryReceiverKey[] = "Receiver";

// The database the history goes to: `[History] Database=` when set, else the
// default SQLite file (beside the settings when they lie beside the program,
// else in the user's data folder).
QString historyDatabaseUrl(const IniFile& ini, const AppPaths& paths);

// The receiver the slots are kept under: `[History] Receiver=` when set, else
// this machine's host name; the locator given.
Receiver historyReceiver(const IniFile& ini, const QString& locator);

}  // namespace orvane::history
