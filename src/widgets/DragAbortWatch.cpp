#include "widgets/DragAbortWatch.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

CDragAbortWatch::CDragAbortWatch(std::function<void()> onAbort) : m_onAbort(std::move(onAbort)) {}

CDragAbortWatch::~CDragAbortWatch() { Stop(); }

void CDragAbortWatch::Start(QWidget& source)
{
    Stop();
    m_pSource = &source;
    m_bWatching = true;
    // Boxes and menus are windows of their own: only the application sees them all come up.
    qApp->installEventFilter(this);
}

void CDragAbortWatch::Stop()
{
    if (!m_bWatching) return;
    m_bWatching = false;
    m_pSource = nullptr;
    if (qApp) qApp->removeEventFilter(this);
}

bool CDragAbortWatch::Interrupts(const QObject* watched, const QEvent* event) const
{
    const QWidget* pTop = m_pSource->window();
    switch (event->type()) {
    case QEvent::WindowBlocked:
        return watched == pTop || watched == pTop->windowHandle();
    case QEvent::UngrabMouse:
        return watched == pTop->windowHandle();
    case QEvent::Hide:
        return watched == m_pSource || watched == pTop;
    case QEvent::Show:
        // A menu grabs the mouse while it is open.
        return watched->isWidgetType() && static_cast<const QWidget*>(watched)->windowType() == Qt::Popup;
    default:
        return false;
    }
}

bool CDragAbortWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (m_pSource && Interrupts(watched, event)) {
        Stop();
        m_onAbort();
    }
    return false;
}
