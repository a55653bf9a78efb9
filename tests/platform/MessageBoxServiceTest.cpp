#include "platform/MessageBoxScript.h"
#include "QtApplicationEnvironment.h"
#include "platform/MessageBoxService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The suite's widgets need an application object for the whole run.
[[maybe_unused]] auto* const g_pEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment("platform_tests"));

struct SeenBox
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool bShowingFlag = false;
};

// Shows the request for real and lets `act` handle the box once it is open (polled with a deadline).
MessageBoxAnswer ShowAndHandle(const MessageBoxRequest& request, SeenBox& seen,
                               const std::function<void(QMessageBox&)>& act)
{
    QTimer poll;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox) {
            if (std::chrono::steady_clock::now() > deadline)
                QApplication::exit(1); // never reached: the test fails below
            return;
        }
        poll.stop();
        seen = {pBox->windowTitle(), pBox->text(), pBox->icon(), pBox->standardButtons(),
                CMessageBoxService::IsShowing()};
        act(*pBox);
    });
    poll.start(10);
    return CMessageBoxService::Show(nullptr, request);
}

} // namespace

struct BoxCase
{
    MessageBoxIcon icon;
    MessageBoxButtons buttons;
    QMessageBox::Icon qtIcon;
    QMessageBox::StandardButtons qtButtons;
    QMessageBox::StandardButton press;
    MessageBoxAnswer answer;
};

class MessageBoxServiceTest : public ::testing::TestWithParam<BoxCase>
{
};

TEST_P(MessageBoxServiceTest, ShowsExactlyWhatWasAskedAndReturnsThePressedButton)
{
    const BoxCase& c = GetParam();
    const MessageBoxRequest request{"Sonvale Data Manager", "First line.\nSecond line?", c.icon, c.buttons};
    SeenBox seen;
    const MessageBoxAnswer answer =
        ShowAndHandle(request, seen, [&](QMessageBox& box) { QTest::mouseClick(box.button(c.press), Qt::LeftButton); });
    EXPECT_EQ(seen.caption, "Sonvale Data Manager");
    EXPECT_EQ(seen.text, "First line.\nSecond line?");
    EXPECT_EQ(seen.icon, c.qtIcon);
    EXPECT_EQ(seen.buttons, c.qtButtons);
    EXPECT_TRUE(seen.bShowingFlag);
    EXPECT_EQ(answer, c.answer);
    EXPECT_FALSE(CMessageBoxService::IsShowing());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxServiceTest,
    ::testing::Values(
        BoxCase{MessageBoxIcon::Information, MessageBoxButtons::Ok, QMessageBox::Information, QMessageBox::Ok,
                QMessageBox::Ok, MessageBoxAnswer::Ok},
        BoxCase{MessageBoxIcon::Warning, MessageBoxButtons::Ok, QMessageBox::Warning, QMessageBox::Ok, QMessageBox::Ok,
                MessageBoxAnswer::Ok},
        BoxCase{MessageBoxIcon::Error, MessageBoxButtons::RetryCancel, QMessageBox::Critical,
                QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, MessageBoxAnswer::Retry},
        BoxCase{MessageBoxIcon::Question, MessageBoxButtons::OkCancel, QMessageBox::Question,
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, MessageBoxAnswer::Ok},
        BoxCase{MessageBoxIcon::Question, MessageBoxButtons::OkCancel, QMessageBox::Question,
                QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, MessageBoxAnswer::Cancel},
        BoxCase{MessageBoxIcon::Question, MessageBoxButtons::YesNo, QMessageBox::Question,
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No, MessageBoxAnswer::No},
        BoxCase{MessageBoxIcon::Warning, MessageBoxButtons::YesNoCancel, QMessageBox::Warning,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, MessageBoxAnswer::Yes}));

TEST(MessageBoxEscapeTest, EscapeAnswersWithTheEscapeButton)
{
    for (const auto& [buttons, expected] : {std::pair{MessageBoxButtons::OkCancel, MessageBoxAnswer::Cancel},
                                            std::pair{MessageBoxButtons::YesNo, MessageBoxAnswer::No},
                                            std::pair{MessageBoxButtons::Ok, MessageBoxAnswer::Ok}}) {
        SeenBox seen;
        const MessageBoxAnswer answer =
            ShowAndHandle({"c", "t", MessageBoxIcon::Question, buttons}, seen,
                          [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        EXPECT_EQ(answer, expected);
    }
}

TEST(MessageBoxScriptTest, RecordsRequestsAndAnswersInTurn)
{
    CMessageBoxScript script;
    script.Answer(MessageBoxAnswer::Ok);
    const MessageBoxRequest first{"Sonvale Data Manager", "one", MessageBoxIcon::Question, MessageBoxButtons::OkCancel};
    const MessageBoxRequest second{"Sonvale Data Manager", "two", MessageBoxIcon::Warning, MessageBoxButtons::YesNo};
    EXPECT_EQ(CMessageBoxService::Show(nullptr, first), MessageBoxAnswer::Ok);
    // Nothing queued: the box is answered as if it had been closed.
    EXPECT_EQ(CMessageBoxService::Show(nullptr, second), MessageBoxAnswer::No);
    EXPECT_EQ(script.Shown(), (std::vector<MessageBoxRequest>{first, second}));
    EXPECT_EQ(QApplication::topLevelWidgets().count(), 0);
}
