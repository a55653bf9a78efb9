#pragma once
#include <atomic>

#include "platform/ResultCode.h"

// True while an update's progress dialog is open; the application then leaves the transport alone.
// Written and read on the user-interface thread.
extern std::atomic<bool> g_bUpdateRunning;

// The result of the last update run, RC_UPDATE_NO_RESULT until its worker stores one. Written by the
// worker before it marks the progress dialog done; read on the user-interface thread after the dialog.
extern std::atomic<ResultCode> g_nUpdateResult;
