#pragma once
#include <QPixmap>
#include <QPoint>
#include <QWidget>

// The picture of a drag that follows the pointer: a frameless window that takes no input and no focus,
// kept with the picture's hotspot under the pointer, so it may leave the window the drag began in.
// While a drag runs it also owns the application's cursor, which the drag sets on every move.
// User-interface thread only.
class CDragImageWindow : public QWidget {
public:
    CDragImageWindow();
    // Ends a drag still running: the cursor is given back.
    ~CDragImageWindow() override;
    CDragImageWindow(const CDragImageWindow&) = delete;
    CDragImageWindow& operator=(const CDragImageWindow&) = delete;

    // Takes the picture and the point in it that stays under the pointer.
    void BeginDrag(const QPixmap& image, QPoint hotspot);
    // Shows the picture with its hotspot at the screen point.
    void DragEnter(QPoint globalPoint);
    void DragMove(QPoint globalPoint);
    void DragLeave();
    // Forgets the picture and gives the cursor back.
    void EndDrag();
    void SetDragCursor(Qt::CursorShape shape);

    [[nodiscard]] QPoint Hotspot() const { return m_ptHotspot; }
    [[nodiscard]] const QPixmap& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_image;
    QPoint m_ptHotspot;
    bool m_bCursorSet = false;
};
