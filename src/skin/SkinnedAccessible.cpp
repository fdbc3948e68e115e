#include "skin/SkinnedAccessible.h"

#include "skin/SkinnedWindow.h"

#include <QWindow>
#include <algorithm>
#include <set>

namespace corvane {
namespace {

QAccessibleInterface* SkinnedFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("corvane::SkinnedDialog") && object != nullptr && object->isWidgetType())
        return new SkinnedDialogAccessible(static_cast<SkinnedDialog*>(object));
    return nullptr;
}

bool Checkable(QAccessible::Role role)
{
    return role == QAccessible::CheckBox || role == QAccessible::RadioButton;
}

} // namespace

void InstallSkinnedAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(SkinnedFactory);
        return true;
    }();
    (void)installed;
}

// ---------------------------------------------------------------------------------------------

SkinnedDialogAccessible::SkinnedDialogAccessible(SkinnedDialog* dialog)
    : QAccessibleWidget(dialog, QAccessible::Dialog)
{
}

SkinnedDialogAccessible::~SkinnedDialogAccessible()
{
    for (const auto& [id, uniqueId] : children_)
        QAccessible::deleteAccessibleInterface(uniqueId);
}

SkinnedDialog* SkinnedDialogAccessible::Dialog() const
{
    return static_cast<SkinnedDialog*>(widget());
}

std::vector<const DrawnControl*>
SkinnedDialogAccessible::ListedEntries(const DrawnControlList& controls) const
{
    std::vector<const DrawnControl*> entries;
    entries.reserve(controls.size());
    for (const DrawnControl& control : controls) {
        // A widget entry whose widget is hidden is no child; Qt leaves hidden widgets out too.
        if (QWidget* w = control.widget.data(); w != nullptr && !w->isVisibleTo(widget())) continue;
        entries.push_back(&control);
    }
    return entries;
}

QWidgetList SkinnedDialogAccessible::UnlistedWidgets(const DrawnControlList& controls) const
{
    std::set<const QWidget*> listed;
    for (const DrawnControl& control : controls)
        if (control.widget) listed.insert(control.widget.data());
    QWidgetList unlisted;
    for (QObject* object : widget()->children()) {
        QWidget* w = qobject_cast<QWidget*>(object);
        if (w == nullptr || w->isWindow() || w->isHidden() || listed.count(w) != 0) continue;
        unlisted.append(w);
    }
    return unlisted;
}

int SkinnedDialogAccessible::childCount() const
{
    const DrawnControlList& controls = Dialog()->Controls();
    return static_cast<int>(ListedEntries(controls).size() + UnlistedWidgets(controls).size());
}

QAccessibleInterface* SkinnedDialogAccessible::child(int index) const
{
    if (index < 0) return nullptr;
    const DrawnControlList& controls = Dialog()->Controls();
    const std::vector<const DrawnControl*> entries = ListedEntries(controls);
    if (static_cast<std::size_t>(index) < entries.size()) {
        const DrawnControl& entry = *entries[static_cast<std::size_t>(index)];
        if (entry.widget) return QAccessible::queryAccessibleInterface(entry.widget.data());
        return DrawnChild(entry.id);
    }
    const QWidgetList unlisted = UnlistedWidgets(controls);
    const qsizetype rest = index - static_cast<qsizetype>(entries.size());
    return rest < unlisted.size() ? QAccessible::queryAccessibleInterface(unlisted[rest]) : nullptr;
}

int SkinnedDialogAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (child == nullptr) return -1;
    const DrawnControlList& controls = Dialog()->Controls();
    const std::vector<const DrawnControl*> entries = ListedEntries(controls);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const DrawnControl& entry = *entries[i];
        if (entry.widget ? child->object() == entry.widget.data()
                         : (child->object() == nullptr && DrawnChild(entry.id) == child))
            return static_cast<int>(i);
    }
    const QWidgetList unlisted = UnlistedWidgets(controls);
    for (qsizetype i = 0; i < unlisted.size(); ++i)
        if (child->object() == unlisted[i])
            return static_cast<int>(entries.size() + static_cast<std::size_t>(i));
    return -1;
}

QAccessibleInterface* SkinnedDialogAccessible::childAt(int x, int y) const
{
    const QPoint point = widget()->mapFromGlobal(QPoint(x, y));
    for (const QObject* object : widget()->children()) {
        const QWidget* w = qobject_cast<const QWidget*>(object);
        if (w != nullptr && !w->isWindow() && w->isVisible() && w->geometry().contains(point))
            return QAccessible::queryAccessibleInterface(const_cast<QWidget*>(w));
    }
    for (const DrawnControl& control : Dialog()->Controls())
        if (!control.widget && control.rect.contains(point)) return DrawnChild(control.id);
    return nullptr;
}

QAccessibleInterface* SkinnedDialogAccessible::focusChild() const
{
    if (const std::optional<int> focused = Dialog()->FocusedControl()) return DrawnChild(*focused);
    return QAccessibleWidget::focusChild();
}

QAccessibleInterface* SkinnedDialogAccessible::DrawnChild(int id) const
{
    if (FindControl(Dialog()->Controls(), id) == nullptr) return nullptr;
    const auto known = children_.find(id);
    if (known != children_.end()) return QAccessible::accessibleInterface(known->second);
    auto* created = new DrawnControlAccessible(Dialog(), id);
    children_[id] = QAccessible::registerAccessibleInterface(created);
    return created;
}

void SkinnedDialogAccessible::TellChanges(const DrawnControlList& controls)
{
    SkinnedDialog* dialog = Dialog();
    const std::optional<int> focused = dialog->FocusedControl();
    std::map<int, Seen> now;
    for (const DrawnControl& control : controls) {
        if (control.widget) continue;
        const bool hasFocus = focused == control.id;
        now[control.id] = Seen{control.name, control.description,
                               DrawnControlAccessible::StateOf(control, hasFocus, dialog->isVisible())};
    }
    // Controls that are gone: their interfaces go with them.
    for (auto it = children_.begin(); it != children_.end();) {
        if (now.count(it->first) != 0) {
            ++it;
            continue;
        }
        QAccessibleEvent gone(QAccessible::accessibleInterface(it->second), QAccessible::ObjectDestroyed);
        QAccessible::updateAccessibility(&gone);
        QAccessible::deleteAccessibleInterface(it->second);
        it = children_.erase(it);
    }
    bool reordered = false;
    for (const auto& [id, seen] : now) {
        const auto before = seen_.find(id);
        if (before == seen_.end()) {
            reordered = true;
            continue;
        }
        // Only controls someone has asked about have an interface to tell of.
        const auto known = children_.find(id);
        if (known == children_.end()) continue;
        QAccessibleInterface* child = QAccessible::accessibleInterface(known->second);
        if (before->second.name != seen.name) {
            QAccessibleEvent event(child, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
        if (before->second.description != seen.description) {
            QAccessibleEvent event(child, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&event);
        }
        QAccessible::State changed;
        const QAccessible::State& a = before->second.state;
        const QAccessible::State& b = seen.state;
        changed.checked = a.checked != b.checked;
        changed.selected = a.selected != b.selected;
        changed.disabled = a.disabled != b.disabled;
        changed.focused = a.focused != b.focused;
        changed.invisible = a.invisible != b.invisible;
        if (changed.checked || changed.selected || changed.disabled || changed.focused || changed.invisible) {
            QAccessibleStateChangeEvent event(child, changed);
            QAccessible::updateAccessibility(&event);
        }
        if (!a.focused && b.focused) {
            QAccessibleEvent event(child, QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
        }
    }
    if (reordered || now.size() != seen_.size()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
    seen_ = std::move(now);
}

// ---------------------------------------------------------------------------------------------

DrawnControlAccessible::DrawnControlAccessible(SkinnedDialog* dialog, int id) : dialog_(dialog), id_(id) {}

const DrawnControl* DrawnControlAccessible::Current() const
{
    return dialog_ ? FindControl(dialog_->Controls(), id_) : nullptr;
}

bool DrawnControlAccessible::isValid() const
{
    return Current() != nullptr;
}

QWindow* DrawnControlAccessible::window() const
{
    return dialog_ ? dialog_->windowHandle() : nullptr;
}

QAccessibleInterface* DrawnControlAccessible::parent() const
{
    return dialog_ ? QAccessible::queryAccessibleInterface(dialog_.data()) : nullptr;
}

QString DrawnControlAccessible::text(QAccessible::Text t) const
{
    const DrawnControl* control = Current();
    if (control == nullptr) return {};
    switch (t) {
    case QAccessible::Name:
        return control->name;
    case QAccessible::Description:
        return control->description;
    default:
        return {};
    }
}

QRect DrawnControlAccessible::rect() const
{
    const DrawnControl* control = Current();
    if (control == nullptr) return {};
    return QRect(dialog_->mapToGlobal(control->rect.topLeft()), control->rect.size());
}

QAccessible::Role DrawnControlAccessible::role() const
{
    const DrawnControl* control = Current();
    return control != nullptr ? control->role : QAccessible::NoRole;
}

QAccessible::State DrawnControlAccessible::StateOf(const DrawnControl& control, bool focused, bool shown)
{
    QAccessible::State state;
    state.focusable = control.focusable && !control.disabled;
    state.focused = focused;
    state.checkable = control.checkable || Checkable(control.role);
    state.checked = control.checked;
    state.selectable = control.role == QAccessible::ListItem || control.role == QAccessible::PageTab;
    state.selected = control.selected;
    state.disabled = control.disabled;
    state.invisible = !shown;
    return state;
}

QAccessible::State DrawnControlAccessible::state() const
{
    const DrawnControl* control = Current();
    if (control == nullptr) {
        QAccessible::State gone;
        gone.invalid = true;
        return gone;
    }
    return StateOf(*control, dialog_->FocusedControl() == id_, dialog_->isVisible());
}

void* DrawnControlAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QStringList DrawnControlAccessible::actionNames() const
{
    const DrawnControl* control = Current();
    if (control == nullptr || control->role == QAccessible::StaticText) return {};
    QStringList names;
    if (!control->disabled) {
        names << (control->checkable || Checkable(control->role) ? toggleAction() : pressAction());
    }
    if (control->focusable && !control->disabled) names << setFocusAction();
    return names;
}

void DrawnControlAccessible::doAction(const QString& actionName)
{
    const DrawnControl* control = Current();
    if (control == nullptr || control->disabled) return;
    if (actionName == setFocusAction()) {
        dialog_->FocusControl(id_);
    } else if (actionName == pressAction() || actionName == toggleAction()) {
        // After the caller has returned: a press may open a modal dialog, and the caller (the
        // accessibility bus) is waiting for the action's answer.
        dialog_->PressControl(id_, SkinnedDialog::Press::kQueued);
    }
}

QStringList DrawnControlAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == pressAction() || actionName == toggleAction()) return {QStringLiteral("Space")};
    return {};
}

} // namespace corvane
