#pragma once
// What assistive technology (screen readers, GUI automation; on Linux through Qt's AT-SPI bridge)
// is told of a skinned window: the window with its drawn controls and child widgets as children,
// each drawn control with its role, name, states and actions, and the events when they change.

#include "skin/DrawnControls.h"

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QPointer>
#include <map>

namespace corvane {

class SkinnedDialog;

// Lets Qt build the interfaces below for every skinned window; called once by each window.
void InstallSkinnedAccessibility();

class SkinnedDialogAccessible : public QAccessibleWidget
{
public:
    explicit SkinnedDialogAccessible(SkinnedDialog* dialog);
    ~SkinnedDialogAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    // The interface of a drawn control, made on first use and kept while the control exists.
    QAccessibleInterface* DrawnChild(int id) const;
    // Tells assistive technology what changed in the drawn controls since the last call, and
    // drops the interfaces of controls that are gone.
    void TellChanges(const DrawnControlList& controls);

private:
    SkinnedDialog* Dialog() const;
    // The children in order: the window's list, then child widgets the list leaves out.
    std::vector<const DrawnControl*> ListedEntries(const DrawnControlList& controls) const;
    QWidgetList UnlistedWidgets(const DrawnControlList& controls) const;

    struct Seen
    {
        QString name;
        QString description;
        QAccessible::State state;
    };
    mutable std::map<int, QAccessible::Id> children_;
    std::map<int, Seen> seen_;
};

class DrawnControlAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    DrawnControlAccessible(SkinnedDialog* dialog, int id);

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

    // The state a control shows, for the interface and for telling its changes.
    static QAccessible::State StateOf(const DrawnControl& control, bool focused, bool shown);

private:
    const DrawnControl* Current() const;

    QPointer<SkinnedDialog> dialog_;
    int id_;
};

} // namespace corvane
