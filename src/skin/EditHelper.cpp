#include "skin/EditHelper.h"

#include "skin/WindowMessage.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace corvane {

namespace {

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

CEditHelper::CEditHelper(QWidget* parent) : QLineEdit(parent) {}

void CEditHelper::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape end the edit on release; pressed, they must not reach the dialog, where
    // they would close it while a name is half typed.
    if (IsEnter(event->key()) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CEditHelper::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats releases; only the real release ends the edit.
    if (!event->isAutoRepeat()) {
        if (IsEnter(event->key())) {
            Notify(true);
        } else if (event->key() == Qt::Key_Escape) {
            Notify(false);
        }
    }
    QLineEdit::keyReleaseEvent(event);
}

void CEditHelper::focusOutEvent(QFocusEvent* event)
{
    Notify(true); // clicking elsewhere confirms the text
    QLineEdit::focusOutEvent(event);
}

void CEditHelper::Notify(bool keep)
{
    QObject* target = target_ ? target_.data() : parent();
    SendWindowMessage(target, UM_EDIT_END, keep ? 1 : 0, 0);
}

} // namespace corvane
