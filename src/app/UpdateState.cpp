#include "app/UpdateState.h"

constinit std::atomic<bool> g_bUpdateRunning{false};
constinit std::atomic<ResultCode> g_nUpdateResult{RC_UPDATE_NO_RESULT};
