#include "platform/FontSubstitutions.h"

#include <QFont>
#include <QStringList>

void RegisterFontSubstitutions()
{
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"), {QStringLiteral("IPAGothic")});
}
