#include "app/ResourceSet.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QTranslator>

#include "platform/SystemLanguage.h"

bool InstallResourceSet(QTranslator& translator, QTranslator& qtTranslator)
{
    if (!IsJapaneseSystem())
        return false;
    // Without Qt's own Japanese texts the boxes keep English button labels; the program goes on.
    if (qtTranslator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
    if (!translator.load(QStringLiteral(":/i18n/sonvale_ja.qm")))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

QFont DialogFont(int nEnglishPoints, int nJapanesePoints)
{
    const bool bJapanese = IsJapaneseSystem();
    QFont font(bJapanese ? QStringLiteral("MS UI Gothic") : QStringLiteral("Arial"));
    font.setPointSize(bJapanese ? nJapanesePoints : nEnglishPoints);
    return font;
}

QSize DialogUnitsToPixels(const QFont& font, int nWidth, int nHeight)
{
    const QFontMetrics metrics(font);
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int nBaseX = (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
    const int nBaseY = metrics.height();
    return {(nWidth * nBaseX + 2) / 4, (nHeight * nBaseY + 4) / 8};
}
