#include "app/AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/ResourceSet.h"
#include "platform/SystemLanguage.h"
#include "widgets/Bitmaps.h"

namespace {

constexpr int kIconSize = 32;

// Places a child at a template position given in dialog units.
void PlaceAt(QWidget* pChild, const QFont& font, int x, int y, int w, int h)
{
    const QSize position = DialogUnitsToPixels(font, x, y);
    const QSize size = DialogUnitsToPixels(font, w, h);
    pChild->setGeometry(position.width(), position.height(), size.width(), size.height());
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(tr("About"));
    const QFont font = DialogFont(9, 9);
    setFont(font);
    const bool bJapanese = IsJapaneseSystem();
    setFixedSize(bJapanese ? DialogUnitsToPixels(font, 202, 101) : DialogUnitsToPixels(font, 203, 90));

    // Icon 128 at the size of a dialog's icon control.
    auto* pIcon = new QLabel(this);
    pIcon->setObjectName(QStringLiteral("programIcon"));
    pIcon->setPixmap(LoadProgramIcon().pixmap(kIconSize, kIconSize));
    const QSize iconAt = DialogUnitsToPixels(font, 22, 14);
    pIcon->setGeometry(iconAt.width(), iconAt.height(), kIconSize, kIconSize);

    // The product name is shown as it is: an ampersand in it would not be a mnemonic.
    auto* pName = new QLabel(QStringLiteral("Corvane Sonvale Data Manager"), this);
    pName->setTextFormat(Qt::PlainText);
    PlaceAt(pName, font, 47, 14, 150, 8);
    auto* pVersion = new QLabel(QStringLiteral("Version 2.0.0"), this);
    PlaceAt(pVersion, font, 81, 27, 110, 8);
    auto* pNotice = new QLabel(tr("Copyright (C) Corvane. All rights reserved.\n"
                                  "Use and copying are subject to the licence terms."),
                               this);
    pNotice->setObjectName(QStringLiteral("legalNotice"));
    PlaceAt(pNotice, font, 10, 41, 186, 20);

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setDefault(true);
    PlaceAt(pOk, font, 77, 67, 50, 16);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}
