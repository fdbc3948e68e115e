#pragma once
// CEditHelper: the single-line editor used for in-place editing in a list. It reports how
// editing ended with UM_EDIT_END, sent at once: wParam 1 confirmed (Enter released, or focus
// lost), 0 abandoned (Escape released).

#include <QLineEdit>
#include <QPointer>

namespace corvane {

class CEditHelper : public QLineEdit
{
    Q_OBJECT
public:
    explicit CEditHelper(QWidget* parent = nullptr);

    // Who receives UM_EDIT_END; the parent widget when unset.
    void SetNotifyTarget(QObject* target) { target_ = target; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Notify(bool keep);
    QPointer<QObject> target_;
};

} // namespace corvane
