// Menu 128 and accelerators 128 of the main frame.
#include "app/MainFrame.h"

#include <QMenuBar>
#include <QShortcut>

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
    // The text after the tab is what the menu shows as the item's accelerator.
    QMenu* pFile = menuBar()->addMenu(tr("File(&F)"));
    AddCommand(pFile, ID_FILE_UPDATE, QT_TR_NOOP("Update(&U)\tCtrl+U"));
    pFile->addSeparator();
    AddCommand(pFile, ID_APP_EXIT, QT_TR_NOOP("Exit(&X)"));

    QMenu* pEdit = menuBar()->addMenu(tr("Edit(&E)"));
    AddCommand(pEdit, ID_EDIT_UNDO, QT_TR_NOOP("Undo(&U)\tCtrl+Z"));
    pEdit->addSeparator();
    AddCommand(pEdit, ID_EDIT_CUT, QT_TR_NOOP("Cut(&T)\tCtrl+X"));
    AddCommand(pEdit, ID_EDIT_COPY, QT_TR_NOOP("Copy(&C)\tCtrl+C"));
    AddCommand(pEdit, ID_EDIT_PASTE, QT_TR_NOOP("Paste(&P)\tCtrl+V"));

    QMenu* pHelp = menuBar()->addMenu(tr("Help(&H)"));
    AddCommand(pHelp, ID_HELP_MANUAL, QT_TR_NOOP("Manual(&M)\tF1"));
    pHelp->addSeparator();
    AddCommand(pHelp, ID_APP_ABOUT, QT_TR_NOOP("About(&A)..."));

    for (QMenu* pMenu : {pFile, pEdit, pHelp})
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateMenuStates);
}

void CMainFrame::CreateAccelerators()
{
    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},  {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE}, {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::Key_U), ID_FILE_UPDATE}, {QKeySequence(Qt::Key_F1), ID_HELP_MANUAL},
    };
    for (const auto& [keys, nCommand] : accelerators) {
        auto* pShortcut = new QShortcut(keys, this);
        pShortcut->setContext(Qt::WindowShortcut);
        const int nCommandOfKey = nCommand;
        connect(pShortcut, &QShortcut::activated, this, [this, nCommandOfKey] { OnCommand(nCommandOfKey); });
    }
}
