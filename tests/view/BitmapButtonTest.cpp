// The bitmap button shows the face of its state.
#include "view/BitmapButton.h"
#include "widgets/WidgetTestSupport.h"

namespace {

TEST(BitmapButton, ShowsTheFaceOfItsState)
{
    TestApp();
    QWidget window;
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    CBitmapButton button(&window);
    ASSERT_TRUE(button.LoadBitmaps(IDB_UPDATE_NORMAL, IDB_UPDATE_PRESSED, IDB_UPDATE_NORMAL, IDB_UPDATE_DISABLED));
    EXPECT_EQ(button.sizeHint(), QSize(156, 47));
    button.resize(button.sizeHint());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    auto shows = [&](int id) { return button.grab().toImage() == LoadBitmap(id).toImage().convertToFormat(button.grab().toImage().format()); };
    EXPECT_TRUE(shows(IDB_UPDATE_NORMAL));
    button.setDown(true);
    EXPECT_TRUE(shows(IDB_UPDATE_PRESSED));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_TRUE(shows(IDB_UPDATE_DISABLED));
    EXPECT_FALSE(button.LoadBitmaps(0)) << "no normal face";
}

TEST(BitmapButton, ClickReportsOnce)
{
    TestApp();
    CBitmapButton button;
    ASSERT_TRUE(button.LoadBitmaps(IDB_UPDATE_NORMAL));
    button.resize(button.sizeHint());
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(78, 23));
    EXPECT_EQ(clicks, 1);
}

}  // namespace
