#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

// Watches a running row drag for what keeps its button release from reaching the list: a modal window
// that blocks the list's window (a box opened by a key or by a configuration change), a menu that takes
// the mouse, or the list's window going away. The release would then be lost and the drag's picture and
// cursor left behind, so the watch tells its owner to end the drag there and then.
// User-interface thread only; the owner's function runs from the event that interrupted the drag.
class CDragAbortWatch : public QObject {
public:
    explicit CDragAbortWatch(std::function<void()> onAbort);
    ~CDragAbortWatch() override;
    CDragAbortWatch(const CDragAbortWatch&) = delete;
    CDragAbortWatch& operator=(const CDragAbortWatch&) = delete;

    // Watches while the drag from source runs.
    void Start(QWidget& source);
    void Stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] bool Interrupts(const QObject* watched, const QEvent* event) const;

    std::function<void()> m_onAbort;
    QPointer<QWidget> m_pSource;
    bool m_bWatching = false;
};
