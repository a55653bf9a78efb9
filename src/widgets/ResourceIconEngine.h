#pragma once
#include <QIconEngine>
#include <QList>
#include <QString>

// An icon drawn from square PNG resources, one per size, each read when a pixmap of it is asked for
// and not kept. A window icon is handed to the window system once per window, which keeps its own
// copy, and the About box draws one size; holding every size decoded for the program's whole life
// would cost a third of a megabyte for nothing.
class CResourceIconEngine final : public QIconEngine
{
public:
    struct Picture {
        int nSize;     // width and height in pixels
        QString path;  // a PNG resource of that size
    };

    // `pictures` in ascending order of size.
    explicit CResourceIconEngine(QList<Picture> pictures);

    [[nodiscard]] QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    [[nodiscard]] QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    [[nodiscard]] QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    [[nodiscard]] QIconEngine* clone() const override;
    [[nodiscard]] QString key() const override;

private:
    // The smallest picture at least as large as `size` in both directions, else the largest.
    [[nodiscard]] const Picture* BestFor(const QSize& size) const;

    QList<Picture> m_pictures;
};
