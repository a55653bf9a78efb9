#pragma once
#include "platform/ResultCode.h"
#include "prefs/PrefHandler.h"

#include <QString>
#include <memory>

// The process-wide holder of the one preference store. It exists before start-up (constant-initialised)
// and destroys the store when the process ends, after the MIDI holder and the application object
// (platform/StaticObjectOrder.h).
class CPreference
{
public:
    constexpr CPreference() = default;
    ~CPreference();
    CPreference(const CPreference&) = delete;
    CPreference& operator=(const CPreference&) = delete;

    // Fills the holder with the INI-file store. A holder that has a store keeps it and succeeds;
    // RC_OUT_OF_MEMORY when the store cannot be allocated (the holder then stays empty).
    [[nodiscard]] ResultCode Create();

    [[nodiscard]] CPrefHandler* GetHandler() const { return m_pHandler.get(); }

    // The application's profile file, which the store reads and writes. Does nothing for a store of
    // another kind.
    void SetProfilePath(const QString& strPath);

    // Tests: empties the holder, or fills it with a store of their own.
    void Reset(std::unique_ptr<CPrefHandler> pHandler = nullptr);

private:
    std::unique_ptr<CPrefHandler> m_pHandler;
};

extern constinit CPreference g_Preference;
