#pragma once
#include <QDialog>
#include <QPointer>
#include <atomic>
#include <cstdint>

class QEventLoop;
class QProgressBar;
class QTimer;
class QWidget;

// The "Now Updating..." dialog shown while an update's worker runs. One object lives for the whole
// process; its window exists only while DoModal runs (on Wayland it stays on the screen until the next
// window of the program has the focus), so the object can be constructed before the
// application and destroyed after it.
//
// The bar fills in ten ticks of the timer; from the twelfth tick on the dialog closes on the first tick
// at which the worker is done, and on the 52nd tick whatever the worker does. Enter and Esc do nothing;
// there is no close button.
class CProgressDlg
{
public:
    static constexpr int kRangeEnd = 100;
    static constexpr int kStep = 10;
    static constexpr int kTickIntervalMs = 300;
    static constexpr int kMaxTicks = 50; // closes once more ticks than this have passed
    static constexpr int IDD = 134;
    // On Wayland: the longest the closed dialog waits for the next window to take the focus.
    static constexpr int kHandOverMs = 2000;

    constexpr CProgressDlg() = default;
    CProgressDlg(const CProgressDlg&) = delete;
    CProgressDlg& operator=(const CProgressDlg&) = delete;
    ~CProgressDlg();

    // Clears the done flag. The update calls it before it starts its worker, so that a worker that
    // finishes before the dialog is on the screen still counts as done.
    void ClearDone() { m_bDone.store(false); }
    // Any thread: the update's worker has finished.
    void SetDone() { m_bDone.store(true); }
    [[nodiscard]] bool IsDone() const { return m_bDone.load(); }

    // Shows the dialog modally over pParent until it closes itself; returns 1.
    int DoModal(QWidget* pParent);

    // The dialog window while DoModal runs, null otherwise.
    [[nodiscard]] QDialog* Window() const { return m_pWindow.data(); }
    // Ticks counted by the last or current run (the closing tick is not counted).
    [[nodiscard]] std::int32_t Ticks() const { return m_nTicks; }

    // Tests: the timer period; 0 returns to 300 ms.
    void SetTickInterval(int nMilliseconds) { m_nTickIntervalMs = nMilliseconds; }

private:
    void OnTimer();
    static void HandOverFocus(QDialog* pWindow);

    QPointer<QDialog> m_pWindow;
    QProgressBar* m_pProgress = nullptr; // control 1006, owned by the window
    QTimer* m_pTimer = nullptr;          // timer 1, owned by the window
    QEventLoop* m_pLoop = nullptr;       // the modal loop while DoModal runs
    std::int32_t m_nTicks = 0;
    std::atomic<bool> m_bDone{false};
    bool m_bFull = false;
    int m_nTickIntervalMs = 0;
};

// The progress dialog of the update.
extern constinit CProgressDlg g_ProgressDlg;
