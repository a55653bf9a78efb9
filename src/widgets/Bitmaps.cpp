#include "widgets/Bitmaps.h"

#include <QBitmap>
#include <QString>

#include "widgets/ResourceIconEngine.h"

// The resources live in a static library; naming their initialiser keeps the linker from dropping them.
// Q_INIT_RESOURCE declares that initialiser, so it must be used outside any namespace.
static void RegisterResources() { Q_INIT_RESOURCE(resources); }

static void EnsureResources()
{
    static const bool registered = (RegisterResources(), true);
    (void)registered;
}

// Every resource is a PNG whose name says so: a name without a suffix makes an icon ask the MIME
// database, which loads the shared MIME tables and a regular-expression engine at every start.
static QPixmap LoadPng(const QString& path)
{
    EnsureResources();
    return QPixmap(path, "PNG");
}

QPixmap LoadBitmap(int id)
{
    return LoadPng(QStringLiteral(":/bitmaps/%1.png").arg(id));
}

QPixmap LoadBitmap(int id, QColor transparent)
{
    QPixmap pm = LoadBitmap(id);
    if (!pm.isNull()) pm.setMask(pm.createMaskFromColor(transparent, Qt::MaskInColor));
    return pm;
}

QIcon LoadProgramIcon()
{
    EnsureResources();
    QList<CResourceIconEngine::Picture> pictures;
    for (int nSize : {32, 48, 128, 256})
        pictures.append({nSize, QStringLiteral(":/icons/%1/%2.png").arg(IDR_MAINFRAME).arg(nSize)});
    return QIcon(new CResourceIconEngine(std::move(pictures)));
}
