#pragma once
#include <string>
#include <vector>

#include "platform/ComBase.h"

// The component-object runtime of the program: per-thread initialisation, creation of objects by
// class identifier, and the in-process registration of class objects.
//
// Where CoCreateInstance looks for a class, in this order:
//  1. class objects registered in this process with CoRegisterClassObject (tests register scripted
//     drivers this way);
//  2. driver modules: shared libraries ("*.so") that export DllGetClassObject, searched in the driver
//     folders, in this order:
//       - the folder of the running executable (the build tree puts driver modules next to the programs);
//       - "<executable folder>/../<libdir>/sonvale-data-manager/drivers" (a relocated install);
//       - "<install prefix>/<libdir>/sonvale-data-manager/drivers" (the installed location);
//     where <libdir> is the install's library folder (e.g. "lib"). Within a folder, files are tried in
//     name order. A module is loaded once (dlopen, RTLD_NOW | RTLD_LOCAL) and stays loaded until the
//     process ends, so a driver's threads never outlive its code. A library without DllGetClassObject
//     is closed again and ignored.
// Folders added with ComAddDriverFolder are searched first, in the order they were added.
// The first source that yields the class wins.

// Context flags; only in-process servers and handlers exist here.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// Registration flags of CoRegisterClassObject; the object serves any number of creations either way.
inline constexpr DWORD REGCLS_SINGLEUSE = 0;
inline constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Initialises the runtime for the calling thread. S_OK the first time on a thread, S_FALSE when the
// thread is already initialised (each successful call needs its own CoUninitialize). pvReserved must
// be null (E_INVALIDARG otherwise).
[[nodiscard]] HRESULT CoInitialize(void* pvReserved);

// Ends one CoInitialize of the calling thread; the thread's last one ends its use of the runtime.
// A call on a thread that is not initialised does nothing.
void CoUninitialize();

// Creates an object of class rclsid and returns its riid interface in *ppv with one reference.
// The calling thread must be initialised (CO_E_NOTINITIALIZED otherwise). pUnkOuter must be null
// (CLASS_E_NOAGGREGATION). dwClsContext must include an in-process context. REGDB_E_CLASSNOTREG when no
// registered object or driver module serves the class; otherwise the factory's own result. *ppv is null
// on every failure.
[[nodiscard]] HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                       void** ppv);

// Registers pUnk (which must answer IID_IClassFactory) as the class object of rclsid for this process.
// The runtime holds one reference until CoRevokeClassObject. *lpdwRegister receives the cookie.
// A later registration of the same class hides the earlier one until it is revoked.
[[nodiscard]] HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags,
                                            DWORD* lpdwRegister);

// Revokes a registration and releases the runtime's reference. E_INVALIDARG for an unknown cookie.
HRESULT CoRevokeClassObject(DWORD dwRegister);

// The driver folders CoCreateInstance searches, in order (see above), without the added ones.
[[nodiscard]] std::vector<std::string> ComDriverFolders();

// Adds a folder of driver modules for this process, searched before the driver folders (a program's
// tests keep their own modules out of the folders an installed program scans this way).
void ComAddDriverFolder(const std::string& folder);
