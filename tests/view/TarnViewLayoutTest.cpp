// The form's layout for several sizes, the current-data line, the colours on screen and screenshots.
#include "ViewTestSupport.h"

#include <chrono>

namespace {

using TarnViewLayout = ViewTest;

TEST_F(TarnViewLayout, ControlsSitWhereTheSizeSays)
{
    UseSort(1, false);
    StartView();
    for (const QSize size : {QSize(800, 500), QSize(641, 300), QSize(1201, 733)}) {
        m_view->resize(size);
        const int cx = size.width(), cy = size.height();
        EXPECT_EQ(List().geometry(), QRect(0, 0, cx, cy - 105)) << cx;
        EXPECT_EQ(m_view->Picture().geometry(), QRect(cx / 2 - 17, cy - 100, 35, 20)) << cx;
        EXPECT_EQ(m_view->UpdateButton().geometry(), QRect(cx / 2 - 78, cy - 80, 156, 47)) << cx;
        EXPECT_EQ(List().m_rcUpdateTarget, m_view->UpdateButton().geometry()) << cx;
        EXPECT_EQ(m_view->CurrentDataLabel().y(), cy - 25) << cx;
        EXPECT_EQ(m_view->CurrentDataValue().y(), cy - 25) << cx;
    }
}

TEST_F(TarnViewLayout, CurrentDataNameIsCutTo40BytesAndThePairStaysCentred)
{
    UseSort(1, false);
    StartView({801, 500});
    const QLabel& label = m_view->CurrentDataLabel();
    const QLabel& value = m_view->CurrentDataValue();
    EXPECT_EQ(value.text(), QString()) << "the template's text is replaced at start-up";
    EXPECT_EQ(label.text(), QStringLiteral("Current Data :"));
    EXPECT_EQ(label.width(), g_cxLabel);
    EXPECT_EQ(label.width(), QFontMetrics(label.font()).horizontalAdvance(label.text()) + 5);
    EXPECT_TRUE(label.font().bold());

    const std::string name45 = "Brisa #19 Almighty, with a very long name!!!!";
    ASSERT_EQ(name45.size(), 45u);
    m_view->SetCurrentDataText(name45);
    EXPECT_EQ(value.text(), QString::fromStdString(name45.substr(0, 40)));
    EXPECT_EQ(value.width(), QFontMetrics(value.font()).horizontalAdvance(value.text()));
    EXPECT_EQ(value.x(), label.x() + label.width());
    EXPECT_EQ(label.x(), 801 / 2 - (label.width() + value.width()) / 2);

    // 39 ASCII bytes and a three-byte character: the character does not fit and is left out whole.
    m_view->SetCurrentDataText(std::string(39, 'x').append("\xE3\x83\x9C" "tail"));
    EXPECT_EQ(value.text(), QString(39, QLatin1Char('x')));
}

TEST_F(TarnViewLayout, FindsRowsByTheirExactName)
{
    UseSort(2, true);
    StartView();
    std::uint16_t row = 0;
    m_view->FindRowByName("Brisa #07 Dr Shell", row);
    ASSERT_NE(row, CTarnView::kNoRow);
    EXPECT_EQ(Cell(row, 1), QStringLiteral("10"));
    m_view->FindRowByName("brisa #07 dr shell", row);
    EXPECT_EQ(row, CTarnView::kNoRow);
    m_view->FindRowByName("Brisa #07 Dr Shel", row);
    EXPECT_EQ(row, CTarnView::kNoRow);
}

TEST_F(TarnViewLayout, ColoursOnScreen)
{
    UseSort(1, false);
    StartView();
    List().SelectItem(2);
    QApplication::processEvents();
    const QImage image = m_view->grab().toImage();
    const QRect selected = List().visualItemRect(List().topLevelItem(2));
    const QRect other = List().visualItemRect(List().topLevelItem(4));
    // In the Note column, where these rows have no text.
    const QPoint inList = List().viewport()->mapTo(m_view.get(), QPoint(List().viewport()->width() - 10, 0));
    EXPECT_TRUE(IsColour(image.pixelColor(inList.x(), inList.y() + selected.top() + 2), 23, 54, 100));
    EXPECT_TRUE(IsColour(image.pixelColor(inList.x(), inList.y() + other.top() + 2), 0, 0, 0));

    // The band's first rows (black, white, white), its colour beside the labels, and the label's own.
    const int top = 500 - 105;
    EXPECT_TRUE(IsColour(image.pixelColor(5, top), 0, 0, 0));
    EXPECT_TRUE(IsColour(image.pixelColor(5, top + 1), 255, 255, 255));
    EXPECT_TRUE(IsColour(image.pixelColor(5, top + 90), 189, 190, 196));
    const QRect label = m_view->CurrentDataLabel().geometry();
    EXPECT_TRUE(IsColour(image.pixelColor(label.right(), label.top()), 189, 190, 196));
    // The picture's arrow shaft (dark blue) above the button.
    const QRect picture = m_view->Picture().geometry();
    EXPECT_TRUE(IsColour(image.pixelColor(picture.x() + 15, picture.y() + 3), 17, 58, 98));
}

void SaveScreenshot(CTarnView& view, const QString& name)
{
    view.List().SetCurrentDataMark(4);
    view.List().SelectItem(6);
    std::uint16_t row = 0;
    view.FindRowByName(NarrowFromWide(view.List().GetItemText(4, 2)), row);
    EXPECT_EQ(row, 4);
    view.SetCurrentDataText(NarrowFromWide(view.List().GetItemText(4, 2)));
    QApplication::processEvents();
    const QString path = ArtefactPath(name);
    EXPECT_TRUE(view.grab().save(path)) << path.toStdString();
}

TEST_F(TarnViewLayout, ScreenshotEnglish)
{
    UseSort(2, false, "NoteNum=2\nNote0=4::for the lead vocal\nNote1=11::hand drums\n");
    StartView({820, 520});
    SaveScreenshot(*m_view, QStringLiteral("view_en.png"));
}

TEST_F(TarnViewLayout, ScreenshotJapanese)
{
    SetSystemDefaultLangIDOverride(0x0411);
    UseSort(1, false, "NoteNum=2\nNote0=4::ボーカル用\nNote1=11::ハンドドラム\n");
    StartView({820, 520});
    EXPECT_EQ(m_view->font().family(), QStringLiteral("MS UI Gothic"));
    SaveScreenshot(*m_view, QStringLiteral("view_ja.png"));
}

}  // namespace

TEST_F(TarnViewLayout, ResizesPauseOnlyOnceTheViewHasBeenShown)
{
    using std::chrono::milliseconds;
    const auto timeResizes = [this](int nTimes) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < nTimes; ++i)
            m_view->OnSize(700 + i, 450);
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    };
    m_view = std::make_unique<CTarnView>(m_doc);
    m_view->OnInitialUpdate();
    ASSERT_TRUE(m_view->IsInitOK());
    // Not shown yet: four layouts take well under the four pauses they would otherwise add.
    EXPECT_LT(timeResizes(4), milliseconds(200));
    m_view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_view.get()));
    EXPECT_GE(timeResizes(4), milliseconds(200));
    // Hidden again after being on the screen: the pause stays.
    m_view->hide();
    EXPECT_GE(timeResizes(2), milliseconds(100));
}
