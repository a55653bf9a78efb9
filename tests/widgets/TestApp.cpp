#include "WidgetTestSupport.h"

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
        RegisterFontSubstitutions();
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "widgets_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

QApplication& TestApp()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    EXPECT_NE(app, nullptr) << "the test environment creates the application";
    return *app;
}
