// The form's layout: the list above the band, the picture, the Update button and the current-data
// pair on it, and the band itself.
#include "view/TarnView.h"

#include "platform/TextCodec.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Each resize of a view that has been on the screen lets the window settle this long before the
// controls move.
constexpr std::chrono::milliseconds kResizePause{50};

constexpr QSize kPictureSize{35, 20};
constexpr QSize kButtonSize{156, 47};

}  // namespace

void CTarnView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    OnSize(width(), height());
}

void CTarnView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_bShownOnce = true;
}

void CTarnView::OnSize(int cx, int cy)
{
    if (!m_pDoc) return;
    // The pause lets a window that the user resizes settle. Before the view has ever been shown there
    // is nothing on the screen to settle, and the two resizes of start-up would add 100 ms to it; so
    // those go without the pause, and every resize after the first showing keeps it.
    if (m_bShownOnce)
        std::this_thread::sleep_for(kResizePause);

    m_list.setGeometry(0, 0, cx, std::max(0, cy - kBandHeight));
    update(QRect(0, cy - kBandHeight, cx, kBandHeight));

    const int half = cx / 2;
    m_stcPicture.setGeometry(QRect(QPoint(half - 17, cy - 100), kPictureSize));
    m_btnUpdate.setGeometry(QRect(QPoint(half - 78, cy - 80), kButtonSize));
    LayoutCurrentData(static_cast<std::uint16_t>(cx));
    for (QWidget* control : {static_cast<QWidget*>(&m_stcPicture), static_cast<QWidget*>(&m_btnUpdate),
                             static_cast<QWidget*>(&m_stcCurrentDataLabel), static_cast<QWidget*>(&m_stcCurrentData)})
        control->show();

    m_list.m_rcUpdateTarget = m_btnUpdate.geometry();
}

ResultCode CTarnView::LayoutCurrentData(std::uint16_t nWidth)
{
    const QRect list = m_list.geometry();
    const int vw = m_stcCurrentData.width();
    const int y = list.y() + list.height() + 80;
    const int x = nWidth / 2 - (g_cxLabel + vw) / 2;
    m_stcCurrentDataLabel.setGeometry(x, y, g_cxLabel, g_cyLabel);
    m_stcCurrentData.setGeometry(x + g_cxLabel, y, vw, g_cyLabel);
    return RC_OK;
}

ResultCode CTarnView::SetCurrentDataText(std::string_view name)
{
    const QString text = WideFromNarrow(CutToBytes(name, kMaxCurrentDataBytes));
    m_stcCurrentData.setText(text);
    const int width = QFontMetrics(m_stcCurrentData.font()).horizontalAdvance(text);
    const QRect old = m_stcCurrentData.geometry();
    m_stcCurrentData.setGeometry(old.x(), old.y(), width, old.height());
    return LayoutCurrentData(static_cast<std::uint16_t>(this->width()));
}

ResultCode CTarnView::FindRowByName(std::string_view name, std::uint16_t& nRow) const
{
    nRow = kNoRow;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        if (NarrowFromWide(m_list.GetItemText(row, 2)) == name) {
            nRow = static_cast<std::uint16_t>(row);
            break;
        }
    }
    return RC_OK;
}

void CTarnView::paintEvent(QPaintEvent*)
{
    // The band: a one-pixel-wide picture stretched along the bottom. The list covers everything above.
    if (m_bmpBand.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(QRect(0, height() - kBandHeight, width(), kBandHeight), m_bmpBand);
}
