#pragma once
// The one QApplication of a GUI test program, created before its first test and destroyed after its
// last. A suite registers it once, at namespace scope:
//   [[maybe_unused]] auto* const g_pEnvironment =
//       ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("suite_name"));
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

class QtApplicationEnvironment : public ::testing::Environment
{
public:
    // name: the program name the application sees; afterCreate: runs once the application exists.
    explicit QtApplicationEnvironment(const char* name, std::function<void()> afterCreate = {})
        : m_afterCreate(std::move(afterCreate))
    {
        std::strncpy(m_name, name, sizeof m_name - 1);
    }
    void SetUp() override
    {
        m_pApp = std::make_unique<QApplication>(m_argc, m_argv);
        if (m_afterCreate)
            m_afterCreate();
    }
    void TearDown() override { m_pApp.reset(); }

private:
    // QApplication keeps references to argc and argv for its whole life.
    int m_argc = 1;
    char m_name[32] = {};
    char* m_argv[2] = {m_name, nullptr};
    std::function<void()> m_afterCreate;
    std::unique_ptr<QApplication> m_pApp;
};
