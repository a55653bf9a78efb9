#include "app/MenuItemAccessible.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QWidget>
#include <QWindow>

namespace {

// The item of a menu or of a menu bar, asked for by the accessibility bridge when it meets the action.
QAccessibleInterface* MenuItemFactory(const QString&, QObject* pObject)
{
    auto* pAction = qobject_cast<QAction*>(pObject);
    if (!pAction) return nullptr;
    for (QObject* pOwner : pAction->associatedObjects())
        if (qobject_cast<QMenu*>(pOwner) || qobject_cast<QMenuBar*>(pOwner))
            return new CMenuItemAccessible(static_cast<QWidget*>(pOwner), pAction);
    return nullptr;
}

QAction* ActiveAction(QWidget* pOwner)
{
    if (auto* pMenu = qobject_cast<QMenu*>(pOwner)) return pMenu->activeAction();
    if (auto* pBar = qobject_cast<QMenuBar*>(pOwner)) return pBar->activeAction();
    return nullptr;
}

QRect ActionGeometry(QWidget* pOwner, QAction* pAction)
{
    if (auto* pMenu = qobject_cast<QMenu*>(pOwner)) return pMenu->actionGeometry(pAction);
    if (auto* pBar = qobject_cast<QMenuBar*>(pOwner)) return pBar->actionGeometry(pAction);
    return {};
}

}  // namespace

CMenuItemAccessible::CMenuItemAccessible(QWidget* pOwner, QAction* pAction) : m_pOwner(pOwner), m_pAction(pAction) {}

void CMenuItemAccessible::Install()
{
    static bool bInstalled = false;
    if (!bInstalled) QAccessible::installFactory(MenuItemFactory);
    bInstalled = true;
}

QString CMenuItemAccessible::SpokenCaption(QString caption)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)"));
    caption.remove(mnemonic);
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(u'&');
    caption.replace(u'\x01', u'&');
    return caption.trimmed();
}

void* CMenuItemAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
}

bool CMenuItemAccessible::isValid() const { return m_pOwner && m_pAction; }

QObject* CMenuItemAccessible::object() const { return m_pAction; }

QWindow* CMenuItemAccessible::window() const
{
    return m_pOwner ? m_pOwner->window()->windowHandle() : nullptr;
}

QAccessibleInterface* CMenuItemAccessible::parent() const
{
    return m_pOwner ? QAccessible::queryAccessibleInterface(m_pOwner) : nullptr;
}

QAccessibleInterface* CMenuItemAccessible::child(int index) const
{
    QMenu* pMenu = m_pAction ? m_pAction->menu<QMenu*>() : nullptr;
    return index == 0 && pMenu ? QAccessible::queryAccessibleInterface(pMenu) : nullptr;
}

int CMenuItemAccessible::childCount() const { return m_pAction && m_pAction->menu<QMenu*>() ? 1 : 0; }

int CMenuItemAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    return child && m_pAction && child->object() == m_pAction->menu<QMenu*>() ? 0 : -1;
}

QAccessibleInterface* CMenuItemAccessible::childAt(int, int) const { return nullptr; }

QString CMenuItemAccessible::text(QAccessible::Text type) const
{
    if (!m_pAction) return {};
    switch (type) {
    case QAccessible::Name: return SpokenCaption(m_pAction->text());
    case QAccessible::Accelerator: return m_pAction->shortcut().toString(QKeySequence::NativeText);
    default: return {};
    }
}

QRect CMenuItemAccessible::rect() const
{
    if (!isValid()) return {};
    const QRect local = ActionGeometry(m_pOwner, m_pAction);
    return QRect(m_pOwner->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role CMenuItemAccessible::role() const
{
    return m_pAction && m_pAction->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
}

QAccessible::State CMenuItemAccessible::state() const
{
    QAccessible::State state;
    if (!isValid()) return state;
    state.disabled = !m_pAction->isEnabled();
    state.invisible = !m_pAction->isVisible() || !m_pOwner->isVisible();
    state.focusable = !m_pAction->isSeparator();
    state.focused = ActiveAction(m_pOwner) == m_pAction;
    state.hasPopup = m_pAction->menu<QMenu*>() != nullptr;
    state.checkable = m_pAction->isCheckable();
    state.checked = m_pAction->isChecked();
    return state;
}

QStringList CMenuItemAccessible::actionNames() const
{
    return m_pAction && m_pAction->isEnabled() && !m_pAction->isSeparator() ? QStringList{pressAction()}
                                                                            : QStringList{};
}

void CMenuItemAccessible::doAction(const QString& actionName)
{
    if (actionName != pressAction() || !isValid() || !m_pAction->isEnabled()) return;
    if (auto* pBar = qobject_cast<QMenuBar*>(m_pOwner.data()); pBar && m_pAction->menu<QMenu*>())
        pBar->setActiveAction(m_pAction);
    else
        m_pAction->trigger();
}

QStringList CMenuItemAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction() || !m_pAction || m_pAction->shortcut().isEmpty()) return {};
    return {m_pAction->shortcut().toString(QKeySequence::NativeText)};
}
