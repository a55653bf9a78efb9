#include "WidgetTestSupport.h"
#include "QtApplicationEnvironment.h"

namespace {

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("widgets_tests", RegisterFontSubstitutions));

}  // namespace

QApplication& TestApp()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    EXPECT_NE(app, nullptr) << "the test environment creates the application";
    return *app;
}
