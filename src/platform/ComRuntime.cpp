#include "platform/ComRuntime.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace {

namespace fs = std::filesystem;

struct Registration {
    DWORD cookie;
    CLSID clsid;
    IUnknown* pUnk;
};

struct Module {
    std::string path;
    void* handle;
    PFNDLLGETCLASSOBJECT getClassObject;
};

// The runtime's process-wide tables. Guarded by one mutex: registrations and module loads happen
// rarely and from any thread.
struct RuntimeState {
    std::mutex mutex;
    std::vector<Registration> registrations;
    std::vector<Module> modules;
    std::vector<std::string> triedPaths; // libraries looked at, with or without DllGetClassObject
    std::vector<std::string> addedFolders; // ComAddDriverFolder's, searched first
    DWORD nextCookie = 1;
};

RuntimeState& State()
{
    // Never destroyed: driver modules and registrations may be used until the very end of the process.
    static RuntimeState* state = new RuntimeState;
    return *state;
}

thread_local unsigned t_initCount = 0;

fs::path ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

// Loads every driver module of the driver folders not looked at yet. Caller holds the mutex.
void LoadNewModules(RuntimeState& state)
{
    std::vector<std::string> folders = state.addedFolders;
    for (std::string& folder : ComDriverFolders())
        folders.push_back(std::move(folder));
    for (const std::string& folder : folders) {
        std::error_code ec;
        std::vector<fs::path> candidates;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& p = it->path();
            if (p.extension() == ".so" && it->is_regular_file(ec))
                candidates.push_back(p);
        }
        std::sort(candidates.begin(), candidates.end());
        for (const fs::path& p : candidates) {
            const std::string path = fs::weakly_canonical(p, ec).string();
            if (std::find(state.triedPaths.begin(), state.triedPaths.end(), path) != state.triedPaths.end())
                continue;
            state.triedPaths.push_back(path);
            void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle)
                continue;
            auto entry = reinterpret_cast<PFNDLLGETCLASSOBJECT>(dlsym(handle, DLL_GET_CLASS_OBJECT_SYMBOL));
            if (!entry) {
                dlclose(handle);
                continue;
            }
            state.modules.push_back({path, handle, entry});
        }
    }
}

// The class factory for rclsid with one reference, or null.
IClassFactory* FindFactory(REFCLSID rclsid)
{
    RuntimeState& state = State();
    std::lock_guard lock(state.mutex);
    for (auto it = state.registrations.rbegin(); it != state.registrations.rend(); ++it) {
        if (it->clsid != rclsid)
            continue;
        void* pv = nullptr;
        if (SUCCEEDED(it->pUnk->QueryInterface(IID_IClassFactory, &pv)) && pv)
            return static_cast<IClassFactory*>(pv);
    }
    LoadNewModules(state);
    for (const Module& module : state.modules) {
        void* pv = nullptr;
        if (SUCCEEDED(module.getClassObject(rclsid, IID_IClassFactory, &pv)) && pv)
            return static_cast<IClassFactory*>(pv);
    }
    return nullptr;
}

} // namespace

HRESULT CoInitialize(void* pvReserved)
{
    if (pvReserved)
        return E_INVALIDARG;
    return t_initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (t_initCount > 0)
        --t_initCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (t_initCount == 0)
        return CO_E_NOTINITIALIZED;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    if ((dwClsContext & CLSCTX_INPROC) == 0)
        return REGDB_E_CLASSNOTREG;
    IClassFactory* pFactory = FindFactory(rclsid);
    if (!pFactory)
        return REGDB_E_CLASSNOTREG;
    // The factory is called outside the runtime's lock: it may create objects that use the runtime.
    HRESULT hr = pFactory->CreateInstance(nullptr, riid, ppv);
    pFactory->Release();
    if (FAILED(hr))
        *ppv = nullptr;
    else if (!*ppv)
        hr = E_NOINTERFACE;
    return hr;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD /*flags*/,
                              DWORD* lpdwRegister)
{
    if (!pUnk || !lpdwRegister)
        return E_INVALIDARG;
    *lpdwRegister = 0;
    if ((dwClsContext & CLSCTX_INPROC) == 0)
        return E_INVALIDARG;
    RuntimeState& state = State();
    std::lock_guard lock(state.mutex);
    pUnk->AddRef();
    *lpdwRegister = state.nextCookie++;
    state.registrations.push_back({*lpdwRegister, rclsid, pUnk});
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister)
{
    IUnknown* pUnk = nullptr;
    {
        RuntimeState& state = State();
        std::lock_guard lock(state.mutex);
        auto it = std::find_if(state.registrations.begin(), state.registrations.end(),
                               [&](const Registration& r) { return r.cookie == dwRegister; });
        if (it == state.registrations.end())
            return E_INVALIDARG;
        pUnk = it->pUnk;
        state.registrations.erase(it);
    }
    pUnk->Release();
    return S_OK;
}

std::vector<std::string> ComDriverFolders()
{
    std::vector<std::string> folders;
    const fs::path exeFolder = ExecutableFolder();
    const fs::path subPath = fs::path(SONVALE_INSTALL_LIBDIR) / "sonvale-data-manager" / "drivers";
    if (!exeFolder.empty()) {
        folders.push_back(exeFolder.string());
        folders.push_back((exeFolder.parent_path() / subPath).lexically_normal().string());
    }
    const std::string installed = (fs::path(SONVALE_INSTALL_PREFIX) / subPath).lexically_normal().string();
    if (std::find(folders.begin(), folders.end(), installed) == folders.end())
        folders.push_back(installed);
    return folders;
}

void ComAddDriverFolder(const std::string& folder)
{
    RuntimeState& state = State();
    std::lock_guard lock(state.mutex);
    state.addedFolders.push_back(folder);
}
