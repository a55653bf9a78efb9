// The progress dialog's tick rules, driven by a fast timer instead of 300 ms ticks.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <thread>

#include "app/ProgressDlg.h"

namespace {

class ProgressDialog : public testing::Test
{
protected:
    void SetUp() override
    {
        dialog.SetTickInterval(2);
        dialog.ClearDone();
    }

    // Runs the dialog; at its first tick, look is called with the window.
    int Run(const std::function<void(QDialog&)>& look = {})
    {
        QTimer::singleShot(0, [&] {
            if (look && dialog.Window())
                look(*dialog.Window());
        });
        return dialog.DoModal(nullptr);
    }

    CProgressDlg dialog;
};

TEST_F(ProgressDialog, WorkerDoneBeforeTheDialogAppearsClosesOnTheTwelfthTick)
{
    // The update clears the flag before its worker starts; the worker may finish before the dialog shows.
    dialog.SetDone();
    int nBarAtEnd = -1;
    QString title;
    Qt::WindowFlags flags;
    EXPECT_EQ(Run([&](QDialog& window) {
                  title = window.windowTitle();
                  flags = window.windowFlags();
                  auto* pBar = window.findChild<QProgressBar*>();
                  QObject::connect(pBar, &QProgressBar::valueChanged, [&](int n) { nBarAtEnd = n; });
              }),
              1);
    EXPECT_EQ(dialog.Ticks(), 11) << "closed on tick 12: 10 to fill, 1 to mark it full";
    EXPECT_EQ(nBarAtEnd, 100);
    EXPECT_EQ(title, QStringLiteral("Now Updating..."));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_EQ(dialog.Window(), nullptr) << "the window exists only while the dialog runs";
}

TEST_F(ProgressDialog, WorkerThatNeverReportsEndsOnTheFiftySecondTick)
{
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(dialog.Ticks(), 51);
}

TEST_F(ProgressDialog, WorkerFinishingLaterClosesItAtTheNextTick)
{
    std::thread worker;
    Run([&](QDialog&) {
        worker = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            dialog.SetDone();
        });
    });
    worker.join();
    EXPECT_GE(dialog.Ticks(), 11);
    EXPECT_LT(dialog.Ticks(), 51);
}

TEST_F(ProgressDialog, EscEnterAndCloseRequestsDoNotCloseIt)
{
    bool bStillOpen = false;
    Run([&](QDialog& window) {
        QTest::keyClick(&window, Qt::Key_Escape);
        QTest::keyClick(&window, Qt::Key_Return);
        QTest::keyClick(&window, Qt::Key_Enter);
        window.close();
        bStillOpen = window.isVisible();
        dialog.SetDone();
    });
    EXPECT_TRUE(bStillOpen);
    EXPECT_EQ(dialog.Ticks(), 11) << "it still runs its full course";
}

TEST_F(ProgressDialog, WindowGoingWithItsParentEndsTheWait)
{
    // The worker never reports and the window that owns the dialog goes while it is on the screen.
    auto* pParent = new QWidget;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (pParent && dialog.Window() && dialog.Window()->windowHandle() && dialog.Window()->windowHandle()->isExposed()) {
            delete pParent;
            pParent = nullptr;
        }
    });
    watch.start(10);
    // A wait that never ends is ended here after five seconds, and the test fails.
    bool bStuck = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        bStuck = true;
        QCoreApplication::exit();
    });
    guard.start(5000);
    EXPECT_EQ(dialog.DoModal(pParent), 1);
    EXPECT_FALSE(bStuck) << "the dialog's wait went on after its window was gone";
    EXPECT_EQ(dialog.Window(), nullptr);
}

TEST_F(ProgressDialog, ShowingLeavesTheDoneFlagAlone)
{
    dialog.SetDone();
    bool bDoneWhenShown = false;
    Run([&](QDialog&) { bDoneWhenShown = dialog.IsDone(); });
    EXPECT_TRUE(bDoneWhenShown);
    dialog.ClearDone();
    EXPECT_FALSE(dialog.IsDone());
}

} // namespace
