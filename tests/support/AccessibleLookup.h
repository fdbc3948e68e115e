#pragma once
// Finding a window's controls as assistive technology sees them (by role and name), and walking
// its Tab order by the names of what takes the focus.

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

namespace corvane::test {

// The first interface under root, depth first, with the role and name; null when none.
inline QAccessibleInterface* FindAccessible(QAccessibleInterface* root, QAccessible::Role role,
                                            const QString& name)
{
    if (root == nullptr) return nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        if (child == nullptr) continue;
        if (child->role() == role && child->text(QAccessible::Name) == name) return child;
        if (QAccessibleInterface* found = FindAccessible(child, role, name)) return found;
    }
    return nullptr;
}

inline QAccessibleInterface* FindAccessible(QWidget* window, QAccessible::Role role, const QString& name)
{
    return FindAccessible(QAccessible::queryAccessibleInterface(window), role, name);
}

// What has the keyboard focus in the window: a drawn control or a child widget, and inside a
// grouping widget (the spectrum control) the part that has it; for a list the list, not its
// current item. Null when nothing has it.
inline QAccessibleInterface* FocusedAccessible(QWidget* window)
{
    QAccessibleInterface* focused = QAccessible::queryAccessibleInterface(window)->focusChild();
    if (focused == nullptr) return nullptr;
    // A list answers with its current item: the control is the list.
    if (focused->role() == QAccessible::ListItem && focused->parent() != nullptr &&
        focused->parent()->role() == QAccessible::List)
        return focused->parent();
    if (focused->role() == QAccessible::Grouping) {
        if (QAccessibleInterface* part = focused->focusChild()) focused = part;
    }
    return focused;
}

inline std::string FocusedName(QWidget* window)
{
    QAccessibleInterface* focused = FocusedAccessible(window);
    return focused != nullptr ? focused->text(QAccessible::Name).toStdString() : std::string("(nothing)");
}

// Presses Tab (Shift+Tab backwards) count times where the focus is and gives the names that
// took the focus, in order.
inline std::vector<std::string> TabWalk(QWidget* window, int count, bool forward = true)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        QWidget* at = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window;
        QTest::keyClick(at, Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
        names.push_back(FocusedName(window));
    }
    // Shift goes up again, as the user lets it go.
    if (!forward)
        QTest::keyRelease(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window,
                          Qt::Key_Shift);
    return names;
}

// Presses Tab until the control named so has the focus; false when a whole round (limit presses)
// does not reach it.
inline bool TabTo(QWidget* window, const std::string& name, int limit = 40)
{
    for (int i = 0; i < limit && FocusedName(window) != name; ++i)
        TabWalk(window, 1);
    return FocusedName(window) == name;
}

} // namespace corvane::test
