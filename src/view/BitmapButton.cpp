#include "view/BitmapButton.h"

#include "widgets/Bitmaps.h"
#include "widgets/ListConstants.h"

#include <QPainter>

namespace {

// How far inside the face its focus rectangle runs: clear of the face's rounded border.
constexpr int kFocusInset = 4;

}  // namespace

CBitmapButton::CBitmapButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_NoSystemBackground);
}

bool CBitmapButton::LoadBitmaps(int idNormal, int idPressed, int idFocused, int idDisabled)
{
    m_bitmap = LoadBitmap(idNormal);
    m_bitmapSel = idPressed ? LoadBitmap(idPressed) : QPixmap();
    m_bitmapFocus = idFocused ? LoadBitmap(idFocused) : QPixmap();
    m_bitmapDisabled = idDisabled ? LoadBitmap(idDisabled) : QPixmap();
    updateGeometry();
    update();
    return !m_bitmap.isNull();
}

const QPixmap& CBitmapButton::CurrentFace() const
{
    if (isDown() && !m_bitmapSel.isNull()) return m_bitmapSel;
    if (hasFocus() && !m_bitmapFocus.isNull()) return m_bitmapFocus;
    if (!isEnabled() && !m_bitmapDisabled.isNull()) return m_bitmapDisabled;
    return m_bitmap;
}

QSize CBitmapButton::sizeHint() const { return m_bitmap.isNull() ? QSize(0, 0) : m_bitmap.size(); }

void CBitmapButton::paintEvent(QPaintEvent*)
{
    const QPixmap& face = CurrentFace();
    if (face.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, face);
    if (!hasFocus() || !isEnabled()) return;
    // The focused face is the normal one; the keyboard focus shows as the platform's dotted rectangle,
    // light on the dark face, inside its rounded border.
    QPen dotted(kFocusMarkColour, 0, Qt::CustomDashLine);
    dotted.setDashPattern({1, 1});
    painter.setPen(dotted);
    painter.setBrush(Qt::NoBrush);
    const QRect faceRect(QPoint(0, 0), face.size());
    painter.drawRect(faceRect.adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
}
