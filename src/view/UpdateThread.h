#pragma once
#include <cstdint>

class QObject;

// What the Update command hands to its worker thread: the view whose document writes the entry, and
// the entry's key. A local of the command, alive until the worker has been joined.
struct UpdateThreadParam {
    QObject* pView = nullptr;
    std::uint16_t nKey = 0;
};

// The update's worker, on a thread of its own: writes the entry through the view's document, stores
// the result in g_nUpdateResult (RC_UPDATE_UNPROVEN when the console answered but the answer cannot be
// told from the late one to an earlier write) and then marks the progress dialog done. Returns 0 after a run, 1 at
// once (storing nothing) when pParam does not name a CTarnView.
unsigned int UpdateThreadProc(const UpdateThreadParam* pParam);
