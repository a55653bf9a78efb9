#pragma once
#include <QHeaderView>
#include <QPixmap>

#include <array>
#include <cstdint>
#include <functional>

// The information list's column header: a glossy dark bar painted from bitmaps, with a tinted sort
// column, a lighter pressed column, white titles and a sort triangle. A double-click on a divider
// restores the column's default width when its contents fit that width.
//
// The items are the list's columns; their titles come from the model's header data and their format
// word (alignment and sort flags, see ListConstants.h) from the header data role kFormatRole.
class CTarnHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int kFormatRole = Qt::UserRole + 0x48;
    static constexpr int kBarHeight = 22;

    enum class Track { Begin, Move, End };
    // Asked when a divider drag of column `item` begins, at each pointer move of it, and when it ends;
    // x is the pointer in the list's client coordinates. Returning true refuses the step: a refused
    // begin starts no drag, a refused move leaves the width as it is. Runs on the user-interface thread.
    using TrackFilter = std::function<bool(Track track, int item, int x)>;

    explicit CTarnHeaderCtrl(QWidget* parent = nullptr);

    [[nodiscard]] int GetItemFormat(int item) const;
    void SetItemFormat(int item, int format);
    void SetTrackFilter(TrackFilter filter) { m_trackFilter = std::move(filter); }

    [[nodiscard]] QSize sizeHint() const override;

    std::int16_t m_nSortColumn = -1;     // written by the view after each sort
    bool m_bPressed = false;
    std::int16_t m_nPressedColumn = -1;
    std::array<bool, 6> m_bFitsDefault{};  // written by the list

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void PaintItem(QPainter& painter, int item, bool arrowCursor) const;
    // The column whose divider lies under x (viewport coordinates) as the platform header sees it, or -1.
    [[nodiscard]] int DividerAt(int x) const;
    [[nodiscard]] bool IsArrowCursor() const;

    QPixmap m_bmpBack;
    QPixmap m_bmpSorted;
    QPixmap m_bmpPressed;
    QPixmap m_bmpDivider;
    QPixmap m_bmpSortUp;
    QPixmap m_bmpSortDown;
    TrackFilter m_trackFilter;
    int m_nTrackItem = -1;
};
