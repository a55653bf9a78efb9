#include "widgets/DragImageWindow.h"

#include <QGuiApplication>
#include <QPainter>

#include "platform/WindowSystem.h"

CDragImageWindow::CDragImageWindow() : QWidget(nullptr) { Float(); }

CDragImageWindow::~CDragImageWindow()
{
    if (m_bCursorSet) QGuiApplication::restoreOverrideCursor();
}

void CDragImageWindow::Float()
{
    setParent(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CDragImageWindow::BeginDrag(const QPixmap& image, QPoint hotspot, QWidget& host)
{
    m_image = image;
    m_ptHotspot = hotspot;
    setFixedSize(image.deviceIndependentSize().toSize());
    // A window of its own would stay where it first appeared: the compositor alone moves windows.
    if (!CanPlaceWindows() && parentWidget() != host.window()) {
        setParent(host.window(), Qt::Widget);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void CDragImageWindow::DragEnter(QPoint globalPoint)
{
    DragMove(globalPoint);
    show();
    raise();
}

void CDragImageWindow::DragMove(QPoint globalPoint)
{
    const QPoint point = globalPoint - m_ptHotspot;
    move(parentWidget() ? parentWidget()->mapFromGlobal(point) : point);
}

void CDragImageWindow::DragLeave() { hide(); }

void CDragImageWindow::EndDrag()
{
    hide();
    m_image = QPixmap();
    // Between drags the picture belongs to no window, so it never outlives or follows one.
    if (parentWidget()) Float();
    if (m_bCursorSet) {
        QGuiApplication::restoreOverrideCursor();
        m_bCursorSet = false;
    }
}

void CDragImageWindow::SetDragCursor(Qt::CursorShape shape)
{
    if (m_bCursorSet) {
        QGuiApplication::changeOverrideCursor(QCursor(shape));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        m_bCursorSet = true;
    }
}

void CDragImageWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_image);
}
