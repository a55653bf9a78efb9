#pragma once
#include <QObject>
#include <functional>
#include <optional>
#include <vector>

#include "midi/ConsoleChoice.h"

class QAction;
class QActionGroup;
class QMenu;

// The File menu's "Console" submenu: with two or more consoles on the network, one item for each (its
// client and pair identifier, as the network names them), the one that Update writes to marked. With
// one console or none the File menu holds no such item at all. User-interface thread only.
class CConsoleMenu : public QObject
{
    Q_OBJECT
public:
    // The submenu goes into pFile before pBefore whenever it is shown; choosing an item calls onChosen.
    CConsoleMenu(QMenu* pFile, QAction* pBefore, std::function<void(const ConsoleCandidate&)> onChosen);

    // The consoles found and the one in use (none: no mark).
    void Show(std::vector<ConsoleCandidate> consoles, const std::optional<ConsoleCandidate>& chosen);
    // The submenu, or null while the File menu has none.
    [[nodiscard]] QMenu* Menu() const;

    // An item's caption: the client as it is (an ampersand stays one) and the pair identifier.
    [[nodiscard]] static QString ItemCaption(const ConsoleCandidate& console);

private:
    QMenu* m_pFile;
    QAction* m_pBefore;
    QMenu* m_pMenu;
    QActionGroup* m_pGroup;
    std::function<void(const ConsoleCandidate&)> m_onChosen;
};
