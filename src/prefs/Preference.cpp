#include "prefs/Preference.h"

#include "platform/StaticObjectOrder.h"
#include "prefs/Win32PrefHandler.h"

#include <new>
#include <utility>

[[gnu::init_priority(kInitOrderPreference)]] constinit CPreference g_Preference;

CPreference::~CPreference() = default;

ResultCode CPreference::Create()
{
    if (m_pHandler)
        return RC_OK;
    m_pHandler.reset(new (std::nothrow) CWin32PrefHandler());
    return m_pHandler ? RC_OK : RC_OUT_OF_MEMORY;
}

void CPreference::SetProfilePath(const QString& strPath)
{
    if (auto* pStore = dynamic_cast<CWin32PrefHandler*>(m_pHandler.get()))
        pStore->SetProfilePath(strPath);
}

void CPreference::Reset(std::unique_ptr<CPrefHandler> pHandler)
{
    m_pHandler = std::move(pHandler);
}
