#pragma once

#include <windows.h>

#include <sqlite3.h>

#include "history/change_history.h"

// Undoes (or redoes) the history's last step on the database; where it cannot,
// tells the user why in a message box owned by `owner`. The outcome, for the
// caller to show the records it changed.
ChangeHistory::Outcome apply_history_step_reporting(HWND owner,
                                                    ChangeHistory& history,
                                                    sqlite3* db,
                                                    bool redo);
