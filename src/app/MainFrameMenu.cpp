// Menu 128 and accelerators 128 of the main frame.
#include "app/MainFrame.h"

#include "app/ConsoleMenu.h"
#include "app/MenuItemAccessible.h"
#include "app/TarnApp.h"
#include "midi/MIDIDevice.h"

#include <QMenuBar>

namespace {

// The action's object name carries its command, so that Action() finds it.
QString CommandName(int nCommand)
{
    return QStringLiteral("command%1").arg(nCommand);
}

} // namespace

QAction* CMainFrame::AddCommand(QMenu* pMenu, int nCommand, const char* pszLabel)
{
    QAction* pAction = pMenu->addAction(tr(pszLabel));
    pAction->setObjectName(CommandName(nCommand));
    connect(pAction, &QAction::triggered, this, [this, nCommand] { OnCommand(nCommand); });
    return pAction;
}

QAction* CMainFrame::Action(int nCommand) const
{
    return findChild<QAction*>(CommandName(nCommand));
}

void CMainFrame::CreateMenus()
{
    // Screen readers read the items by their captions without the mnemonic, with the shortcut as the
    // key binding.
    CMenuItemAccessible::Install();
    QMenu* pFile = menuBar()->addMenu(tr("File(&F)"));
    AddCommand(pFile, ID_FILE_UPDATE, QT_TR_NOOP("Update(&U)"));
    QAction* pSeparator = pFile->addSeparator();
    AddCommand(pFile, ID_APP_EXIT, QT_TR_NOOP("Exit(&X)"));
    m_pConsoleMenu = new CConsoleMenu(pFile, pSeparator, [this](const ConsoleCandidate& console) {
        m_app.ChooseConsole(console);
    });

    QMenu* pEdit = menuBar()->addMenu(tr("Edit(&E)"));
    AddCommand(pEdit, ID_EDIT_UNDO, QT_TR_NOOP("Undo(&U)"));
    pEdit->addSeparator();
    AddCommand(pEdit, ID_EDIT_CUT, QT_TR_NOOP("Cut(&T)"));
    AddCommand(pEdit, ID_EDIT_COPY, QT_TR_NOOP("Copy(&C)"));
    AddCommand(pEdit, ID_EDIT_PASTE, QT_TR_NOOP("Paste(&P)"));

    QMenu* pHelp = menuBar()->addMenu(tr("Help(&H)"));
    AddCommand(pHelp, ID_HELP_MANUAL, QT_TR_NOOP("Manual(&M)"));
    pHelp->addSeparator();
    AddCommand(pHelp, ID_APP_ABOUT, QT_TR_NOOP("About(&A)..."));

    // A menu shows its items' states as they are when it opens. Once it closes every item is enabled
    // again, so that its accelerator always reaches OnCommand, which applies the same rule at the
    // moment of the key.
    for (QMenu* pMenu : {pFile, pEdit, pHelp}) {
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateMenuStates);
        connect(pMenu, &QMenu::aboutToHide, this, [pMenu] {
            for (QAction* pAction : pMenu->actions()) pAction->setEnabled(true);
        });
    }
}

void CMainFrame::CreateAccelerators()
{
    // The accelerators are the items' own shortcuts: the menu shows them beside the items and assistive
    // technology offers them as the items' key bindings.
    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},  {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE}, {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_U), ID_FILE_UPDATE}, {QKeySequence(Qt::Key_F1), ID_HELP_MANUAL},
    };
    for (const auto& [keys, nCommand] : accelerators) {
        QAction* pAction = Action(nCommand);
        pAction->setShortcut(keys);
        pAction->setShortcutContext(Qt::WindowShortcut);
    }
}

void CMainFrame::ShowConsoles()
{
    std::vector<ConsoleCandidate> consoles;
    std::optional<ConsoleCandidate> chosen;
    if (const CMIDIController* pController = g_MIDIDevice.m_pController) {
        consoles = pController->Consoles();
        chosen = pController->ChosenConsole();
    }
    const bool bNamed = chosen && (consoles.size() >= 2 || !m_app.ChosenConsoleWish().IsMetBy(*chosen));
    m_pConsoleMenu->Show(std::move(consoles), chosen);
    // Console names are shown as the network gives them.
    setWindowTitle(bNamed ? QStringLiteral("Sonvale Data Manager - %1").arg(QString::fromUtf8(chosen->client))
                          : QStringLiteral("Sonvale Data Manager"));
}
