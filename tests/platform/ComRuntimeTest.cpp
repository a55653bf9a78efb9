#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "TestDriverModule.h"
#include "platform/ComRuntime.h"

// The component runtime: per-thread initialisation, in-process class objects, and driver modules
// found in the driver folders.

namespace {

// {3F2A9C41-8E77-4B0D-A5C6-1D2E3F405162}
constexpr CLSID kTestClass = {0x3F2A9C41, 0x8E77, 0x4B0D, {0xA5, 0xC6, 0x1D, 0x2E, 0x3F, 0x40, 0x51, 0x62}};
// {3F2A9C41-8E77-4B0D-A5C6-1D2E3F405163}: served by nobody.
constexpr CLSID kUnservedClass = {0x3F2A9C41, 0x8E77, 0x4B0D, {0xA5, 0xC6, 0x1D, 0x2E, 0x3F, 0x40, 0x51, 0x63}};

// A class object with a settable value and failure, that counts its references.
class Factory final : public IClassFactory {
public:
    explicit Factory(int value, HRESULT failure = S_OK) : m_value(value), m_failure(failure) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            AddRef();
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override
    {
        if (FAILED(m_failure))
            return m_failure;
        auto* pObject = new TestValueObject(m_value);
        const HRESULT hr = pObject->QueryInterface(riid, ppv);
        pObject->Release();
        return hr;
    }
    HRESULT LockServer(bool) override { return S_OK; }

    std::atomic<ULONG> refs{1};

private:
    int m_value;
    HRESULT m_failure;
};

class ComRuntimeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }

    // The value of a new kTestClass object, or the failure.
    static HRESULT Create(const CLSID& clsid, int& value)
    {
        void* pv = reinterpret_cast<void*>(1);
        const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITestValue, &pv);
        if (FAILED(hr)) {
            EXPECT_EQ(pv, nullptr);
            return hr;
        }
        auto* pValue = static_cast<ITestValue*>(pv);
        value = pValue->Value();
        EXPECT_EQ(pValue->Release(), 0U);
        return hr;
    }
};

} // namespace

TEST_F(ComRuntimeTest, InitialisationIsCountedPerThread)
{
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    int dummy = 0;
    EXPECT_EQ(CoInitialize(&dummy), E_INVALIDARG);

    Factory factory(1);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kTestClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    HRESULT otherThread = S_OK;
    std::thread([&] {
        int value = 0;
        otherThread = Create(kTestClass, value);
    }).join();
    EXPECT_EQ(otherThread, CO_E_NOTINITIALIZED);
    int value = 0;
    EXPECT_EQ(Create(kTestClass, value), S_OK);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
}

TEST_F(ComRuntimeTest, UninitialisedThreadCannotCreate)
{
    CoUninitialize();
    int value = 0;
    EXPECT_EQ(Create(kTestClass, value), CO_E_NOTINITIALIZED);
    CoUninitialize(); // one too many does nothing
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
}

TEST_F(ComRuntimeTest, RegisteredClassObjectServesUntilRevoked)
{
    Factory factory(7);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kTestClass, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_NE(cookie, 0U);
    EXPECT_EQ(factory.refs, 2U);
    int value = 0;
    ASSERT_EQ(Create(kTestClass, value), S_OK);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(factory.refs, 2U);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(factory.refs, 1U);
    EXPECT_EQ(Create(kTestClass, value), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
}

TEST_F(ComRuntimeTest, LaterRegistrationHidesTheEarlierUntilRevoked)
{
    Factory first(1), second(2);
    DWORD firstCookie = 0, secondCookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kTestClass, &first, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &firstCookie), S_OK);
    ASSERT_EQ(CoRegisterClassObject(kTestClass, &second, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &secondCookie), S_OK);
    int value = 0;
    ASSERT_EQ(Create(kTestClass, value), S_OK);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(CoRevokeClassObject(secondCookie), S_OK);
    ASSERT_EQ(Create(kTestClass, value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(CoRevokeClassObject(firstCookie), S_OK);
}

TEST_F(ComRuntimeTest, FailuresOfTheCallAndOfTheFactory)
{
    Factory failing(0, E_OUTOFMEMORY);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(kTestClass, &failing, CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie), S_OK);
    int value = 0;
    EXPECT_EQ(Create(kTestClass, value), E_OUTOFMEMORY);

    auto* outer = new TestValueObject(0);
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kTestClass, outer, CLSCTX_INPROC_SERVER, IID_ITestValue, &pv), CLASS_E_NOAGGREGATION);
    outer->Release();
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_ITestValue, nullptr), E_POINTER);
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, 0x4 /* local server */, IID_ITestValue, &pv), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(CoRegisterClassObject(kTestClass, nullptr, CLSCTX_INPROC_SERVER, REGCLS_SINGLEUSE, &cookie), E_INVALIDARG);
}

TEST_F(ComRuntimeTest, UnservedClassIsNotRegistered)
{
    int value = 0;
    EXPECT_EQ(Create(kUnservedClass, value), REGDB_E_CLASSNOTREG);
}

TEST_F(ComRuntimeTest, DriverFoldersStartNextToTheExecutable)
{
    const std::vector<std::string> folders = ComDriverFolders();
    ASSERT_GE(folders.size(), 2U);
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(folders[0], exe.parent_path().string());
    EXPECT_EQ(std::filesystem::path(folders[1]).filename(), "drivers");
    EXPECT_EQ(std::filesystem::path(folders.back()).filename(), "drivers");
}

TEST_F(ComRuntimeTest, TestModulesStayOutOfTheFoldersTheProgramScans)
{
    // The test executables are built next to the program, so their driver folders are the program's.
    for (const std::string& folder : ComDriverFolders())
        for (const char* name : {TEST_DRIVER_MODULE_NAME, NOT_A_DRIVER_MODULE_NAME})
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / name)) << folder << "/" << name;
}

TEST_F(ComRuntimeTest, CreatesFromADriverModuleInAnAddedFolder)
{
    const std::filesystem::path module = std::filesystem::path(TEST_DRIVER_FOLDER) / TEST_DRIVER_MODULE_NAME;
    ASSERT_TRUE(std::filesystem::exists(module)) << module;
    ASSERT_TRUE(std::filesystem::exists(std::filesystem::path(TEST_DRIVER_FOLDER) / NOT_A_DRIVER_MODULE_NAME));
    ComAddDriverFolder(TEST_DRIVER_FOLDER);
    int value = 0;
    ASSERT_EQ(Create(CLSID_TestModuleObject, value), S_OK);
    EXPECT_EQ(value, kTestModuleValue);

    // A registration in the process comes before the module.
    Factory factory(5);
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_TestModuleObject, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
              S_OK);
    ASSERT_EQ(Create(CLSID_TestModuleObject, value), S_OK);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    ASSERT_EQ(Create(CLSID_TestModuleObject, value), S_OK);
    EXPECT_EQ(value, kTestModuleValue);
}
