#pragma once
#include <QAccessibleActionInterface>
#include <QAccessibleInterface>
#include <QPointer>

class QAction;
class QWidget;

// What assistive technology reads of one item of the main frame's menus: the caption without its
// mnemonic ("Update(&U)" is read "Update"; the mnemonic key stays with the menu), its shortcut as the
// key binding, and its enabled state; "press" triggers it. An item that opens a menu has that menu as
// its one child. User-interface thread only.
class CMenuItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CMenuItemAccessible(QWidget* pOwner, QAction* pAction);

    // Installs the factory that gives every item of a menu or menu bar this interface; once per process.
    static void Install();
    // The caption as it is read: without the mnemonic in brackets and the ampersands.
    [[nodiscard]] static QString SpokenCaption(QString caption);

    void* interface_cast(QAccessible::InterfaceType type) override;
    [[nodiscard]] bool isValid() const override;
    [[nodiscard]] QObject* object() const override;
    [[nodiscard]] QWindow* window() const override;
    [[nodiscard]] QAccessibleInterface* parent() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int childCount() const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
    [[nodiscard]] QAccessibleInterface* childAt(int x, int y) const override;
    [[nodiscard]] QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override;
    [[nodiscard]] QAccessible::Role role() const override;
    [[nodiscard]] QAccessible::State state() const override;

    [[nodiscard]] QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    [[nodiscard]] QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QPointer<QWidget> m_pOwner;  // the menu or menu bar that shows the item
    QPointer<QAction> m_pAction;
};
