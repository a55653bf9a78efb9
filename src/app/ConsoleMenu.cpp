#include "app/ConsoleMenu.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <algorithm>

CConsoleMenu::CConsoleMenu(QMenu* pFile, QAction* pBefore, std::function<void(const ConsoleCandidate&)> onChosen)
    : QObject(pFile), m_pFile(pFile), m_pBefore(pBefore), m_pMenu(new QMenu(pFile)), m_pGroup(new QActionGroup(this)),
      m_onChosen(std::move(onChosen))
{
    // Translated with the other captions of menu 128.
    m_pMenu->setTitle(QCoreApplication::translate("CMainFrame", "Console(&C)"));
    m_pMenu->setObjectName(QStringLiteral("consoleMenu"));
    m_pGroup->setExclusive(true);
}

QMenu* CConsoleMenu::Menu() const
{
    return m_pFile->actions().contains(m_pMenu->menuAction()) ? m_pMenu : nullptr;
}

QString CConsoleMenu::ItemCaption(const ConsoleCandidate& console)
{
    QString client = QString::fromUtf8(console.client);
    client.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("%1 (%2)").arg(client).arg(console.pairId);
}

void CConsoleMenu::Show(std::vector<ConsoleCandidate> consoles, const std::optional<ConsoleCandidate>& chosen)
{
    for (QAction* pAction : m_pGroup->actions())
        delete pAction;
    if (consoles.size() < 2) {
        m_pFile->removeAction(m_pMenu->menuAction());
        return;
    }
    std::sort(consoles.begin(), consoles.end(), [](const ConsoleCandidate& a, const ConsoleCandidate& b) {
        return a.pairId != b.pairId ? a.pairId < b.pairId : a.client < b.client;
    });
    for (const ConsoleCandidate& console : consoles) {
        QAction* pAction = m_pMenu->addAction(ItemCaption(console));
        pAction->setCheckable(true);
        pAction->setChecked(chosen && chosen->client == console.client && chosen->pairId == console.pairId);
        m_pGroup->addAction(pAction);
        // Queued: the choice reopens the transport and rebuilds this menu, which deletes the item.
        connect(pAction, &QAction::triggered, this, [this, console] { m_onChosen(console); }, Qt::QueuedConnection);
    }
    if (!Menu())
        m_pFile->insertMenu(m_pBefore, m_pMenu);
}
