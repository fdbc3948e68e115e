#include "colour/ui/SpectrumAccessible.h"

#include "colour/ui/CXColorSpectrumCtrl.h"

#include <QWindow>

namespace corvane {
namespace {

QAccessibleInterface* SpectrumFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("corvane::CXColorSpectrumCtrl") && object != nullptr &&
        object->isWidgetType())
        return new SpectrumAccessible(static_cast<CXColorSpectrumCtrl*>(object));
    return nullptr;
}

} // namespace

void InstallSpectrumAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(SpectrumFactory);
        return true;
    }();
    (void)installed;
}

SpectrumAccessible::SpectrumAccessible(CXColorSpectrumCtrl* control)
    : QAccessibleWidget(control, QAccessible::Grouping)
{
}

SpectrumAccessible::~SpectrumAccessible()
{
    for (QAccessible::Id id : parts_)
        if (id != 0) QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface* SpectrumAccessible::child(int index) const
{
    if (index != kField && index != kBar) return nullptr;
    QAccessible::Id& id = parts_[index];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new SpectrumPartAccessible(
            static_cast<CXColorSpectrumCtrl*>(widget()), static_cast<Part>(index)));
    return QAccessible::accessibleInterface(id);
}

int SpectrumAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (int i : {kField, kBar})
        if (parts_[i] != 0 && QAccessible::accessibleInterface(parts_[i]) == child) return i;
    return -1;
}

QAccessibleInterface* SpectrumAccessible::childAt(int x, int y) const
{
    for (int i : {kField, kBar})
        if (QAccessibleInterface* part = child(i); part->rect().contains(x, y)) return part;
    return nullptr;
}

QAccessibleInterface* SpectrumAccessible::focusChild() const
{
    const auto* control = static_cast<const CXColorSpectrumCtrl*>(widget());
    if (!control->hasFocus()) return nullptr;
    if (control->BarFocused()) return child(kBar);
    if (control->SpectrumFocused()) return child(kField);
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

SpectrumPartAccessible::SpectrumPartAccessible(CXColorSpectrumCtrl* control, SpectrumAccessible::Part part)
    : control_(control), part_(part)
{
}

QWindow* SpectrumPartAccessible::window() const
{
    return control_ ? control_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* SpectrumPartAccessible::parent() const
{
    return control_ ? QAccessible::queryAccessibleInterface(control_.data()) : nullptr;
}

QString SpectrumPartAccessible::text(QAccessible::Text t) const
{
    if (!control_) return {};
    const bool bar = part_ == SpectrumAccessible::kBar;
    switch (t) {
    case QAccessible::Name:
        // The field is read with the colour it shows, the bar with its value.
        return bar ? control_->BarName()
                   : control_->FieldName() + QStringLiteral(" ") +
                         CXColorSpectrumCtrl::HashName(control_->Colour());
    case QAccessible::Value:
        return bar ? QString::number(control_->Luminosity())
                   : CXColorSpectrumCtrl::HashName(control_->Colour());
    default:
        return {};
    }
}

QRect SpectrumPartAccessible::rect() const
{
    if (!control_) return {};
    const SpectrumGeometry& g = control_->Geometry();
    const QRect local =
        part_ == SpectrumAccessible::kBar
            ? QRect(QPoint(g.BarLeft(), g.BarTop()), QPoint(g.BarRight() - 1, g.BarBottom() - 1))
            : QRect(QPoint(0, g.Top()), QPoint(g.SpectrumWidth() - 1, g.Bottom() - 1));
    return QRect(control_->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role SpectrumPartAccessible::role() const
{
    return part_ == SpectrumAccessible::kBar ? QAccessible::Slider : QAccessible::ColorChooser;
}

bool SpectrumPartAccessible::Focused() const
{
    return control_ && control_->hasFocus() &&
           (part_ == SpectrumAccessible::kBar ? control_->BarFocused() : control_->SpectrumFocused());
}

QAccessible::State SpectrumPartAccessible::state() const
{
    QAccessible::State state;
    if (!control_) {
        state.invalid = true;
        return state;
    }
    state.focusable = control_->isEnabled();
    state.focused = Focused();
    state.disabled = !control_->isEnabled();
    state.invisible = !control_->isVisible();
    return state;
}

void* SpectrumPartAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface && part_ == SpectrumAccessible::kBar)
        return static_cast<QAccessibleValueInterface*>(this);
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

QVariant SpectrumPartAccessible::currentValue() const
{
    return control_ ? control_->Luminosity() : 0;
}

void SpectrumPartAccessible::setCurrentValue(const QVariant& value)
{
    if (control_ && control_->isEnabled()) control_->ChooseLuminosity(value.toInt());
}

QVariant SpectrumPartAccessible::maximumValue() const
{
    return kLuminosityMax;
}

QVariant SpectrumPartAccessible::minimumValue() const
{
    return 0;
}

QVariant SpectrumPartAccessible::minimumStepSize() const
{
    return CXColorSpectrumCtrl::kKeyStep;
}

QStringList SpectrumPartAccessible::actionNames() const
{
    if (!control_ || !control_->isEnabled()) return {};
    if (part_ == SpectrumAccessible::kBar) return {increaseAction(), decreaseAction(), setFocusAction()};
    return {setFocusAction()};
}

void SpectrumPartAccessible::doAction(const QString& actionName)
{
    if (!control_ || !control_->isEnabled()) return;
    const bool bar = part_ == SpectrumAccessible::kBar;
    if (actionName == setFocusAction()) {
        control_->FocusPart(bar);
    } else if (bar && actionName == increaseAction()) {
        control_->ChooseLuminosity(control_->Luminosity() + CXColorSpectrumCtrl::kKeyStep);
    } else if (bar && actionName == decreaseAction()) {
        control_->ChooseLuminosity(control_->Luminosity() - CXColorSpectrumCtrl::kKeyStep);
    }
}

QStringList SpectrumPartAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName == increaseAction()) return {QStringLiteral("Up")};
    if (actionName == decreaseAction()) return {QStringLiteral("Down")};
    return {};
}

} // namespace corvane
