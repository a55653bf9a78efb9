#include "widgets/Bitmaps.h"

#include <QBitmap>
#include <QString>

// The resources live in a static library; naming their initialiser keeps the linker from dropping them.
// Q_INIT_RESOURCE declares that initialiser, so it must be used outside any namespace.
static void RegisterResources() { Q_INIT_RESOURCE(resources); }

static void EnsureResources()
{
    static const bool registered = (RegisterResources(), true);
    (void)registered;
}

QPixmap LoadBitmap(int id)
{
    EnsureResources();
    return QPixmap(QStringLiteral(":/bitmaps/%1").arg(id));
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
    QIcon icon;
    for (int size : {32, 48, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1/%2").arg(IDR_MAINFRAME).arg(size), QSize(size, size));
    return icon;
}
