#pragma once
#include <QPixmap>
#include <QPoint>
#include <QWidget>

// The picture of a drag that follows the pointer, kept with the picture's hotspot under the pointer.
// Where the window system lets a program place windows it is a frameless window of its own that takes
// no input and no focus, so it may leave the window the drag began in. Where it does not (Wayland) it is
// drawn inside the window the drag began in, over every other control there, for the drag's length.
// While a drag runs it also owns the application's cursor, which the drag sets on every move.
// User-interface thread only.
class CDragImageWindow : public QWidget {
public:
    CDragImageWindow();
    // Ends a drag still running: the cursor is given back.
    ~CDragImageWindow() override;
    CDragImageWindow(const CDragImageWindow&) = delete;
    CDragImageWindow& operator=(const CDragImageWindow&) = delete;

    // Takes the picture and the point in it that stays under the pointer; host is the window the drag
    // began in.
    void BeginDrag(const QPixmap& image, QPoint hotspot, QWidget& host);
    // Shows the picture with its hotspot at the screen point.
    void DragEnter(QPoint globalPoint);
    void DragMove(QPoint globalPoint);
    void DragLeave();
    // Forgets the picture and gives the cursor back.
    void EndDrag();
    void SetDragCursor(Qt::CursorShape shape);

    [[nodiscard]] QPoint Hotspot() const { return m_ptHotspot; }
    [[nodiscard]] const QPixmap& Image() const { return m_image; }
    // The picture's top-left corner in screen coordinates, as the program knows them.
    [[nodiscard]] QPoint GlobalPos() const { return mapToGlobal(QPoint(0, 0)); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Float();

    QPixmap m_image;
    QPoint m_ptHotspot;
    bool m_bCursorSet = false;
};
