#pragma once
// What assistive technology is told of the spectrum control: the control as a group of its two
// parts, the hue and saturation field (a two-way picker named with the colour it shows) and the
// luminosity bar (a slider with its value and range). Either part takes the keyboard focus.

#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPointer>

namespace corvane {

class CXColorSpectrumCtrl;

// Lets Qt build the interfaces below for every spectrum control.
void InstallSpectrumAccessibility();

class SpectrumAccessible : public QAccessibleWidget
{
public:
    enum Part : int { kField = 0, kBar = 1 };

    explicit SpectrumAccessible(CXColorSpectrumCtrl* control);
    ~SpectrumAccessible() override;

    int childCount() const override { return 2; }
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

private:
    mutable QAccessible::Id parts_[2] = {0, 0};
};

class SpectrumPartAccessible : public QAccessibleInterface,
                               public QAccessibleValueInterface,
                               public QAccessibleActionInterface
{
public:
    SpectrumPartAccessible(CXColorSpectrumCtrl* control, SpectrumAccessible::Part part);

    bool isValid() const override { return !control_.isNull(); }
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

    // The bar's luminosity, 0 to 240.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    bool Focused() const;

    QPointer<CXColorSpectrumCtrl> control_;
    SpectrumAccessible::Part part_;
};

} // namespace corvane
