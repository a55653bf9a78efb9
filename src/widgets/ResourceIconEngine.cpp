#include "widgets/ResourceIconEngine.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

CResourceIconEngine::CResourceIconEngine(QList<Picture> pictures) : m_pictures(std::move(pictures)) {}

const CResourceIconEngine::Picture* CResourceIconEngine::BestFor(const QSize& size) const
{
    if (m_pictures.isEmpty()) return nullptr;
    for (const Picture& picture : m_pictures)
        if (picture.nSize >= size.width() && picture.nSize >= size.height()) return &picture;
    return &m_pictures.back();
}

QSize CResourceIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    const Picture* pPicture = BestFor(size);
    if (!pPicture || size.isEmpty()) return {};
    // Never larger than asked, and square as every picture is.
    const int nSide = std::min({pPicture->nSize, size.width(), size.height()});
    return {nSide, nSide};
}

QPixmap CResourceIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    const Picture* pPicture = BestFor(size);
    const QSize actual = actualSize(size, mode, state);
    if (!pPicture || actual.isEmpty()) return {};
    // Read through an image: a pixmap read from a file stays in Qt's pixmap cache after this one has gone.
    QPixmap picture = QPixmap::fromImage(QImage(pPicture->path, "PNG"));
    if (picture.isNull()) return {};
    if (picture.size() != actual)
        picture = picture.scaled(actual, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // Disabled and selected forms as the style draws them for any other icon.
    if (mode != QIcon::Normal && mode != QIcon::Active && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QApplication::palette();
        picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
    }
    return picture;
}

void CResourceIconEngine::paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal dpr = pPainter->device() ? pPainter->device()->devicePixelRatio() : 1.0;
    QPixmap picture = pixmap(rect.size() * dpr, mode, state);
    if (picture.isNull()) return;
    picture.setDevicePixelRatio(dpr);
    const QSize shown = picture.size() / dpr;
    pPainter->drawPixmap(QRect(rect.topLeft() + QPoint((rect.width() - shown.width()) / 2,
                                                       (rect.height() - shown.height()) / 2), shown),
                         picture);
}

QList<QSize> CResourceIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (const Picture& picture : m_pictures)
        sizes.append(QSize(picture.nSize, picture.nSize));
    return sizes;
}

QIconEngine* CResourceIconEngine::clone() const
{
    return new CResourceIconEngine(m_pictures);
}

QString CResourceIconEngine::key() const
{
    return QStringLiteral("CResourceIconEngine");
}
