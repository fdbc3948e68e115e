#pragma once
// The paint cycle every skinned window shares: the background picture is copied into an
// off-screen frame, the window's elements are drawn onto it in their fixed order, and the frame is
// copied to the screen in one opaque copy. A partial redraw draws one element onto the kept frame
// and copies only that area.

#include "skin/DrawnControls.h"
#include "skin/WindowMessage.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>
#include <optional>

namespace corvane {

// The frame alone, for windows that are not SkinnedDialogs and for measuring.
class SkinFrame
{
public:
    void SetBackground(const QString& folder, const QString& fileName);
    QString Folder() const { return folder_; }
    QString BackgroundName() const { return background_; }

    // The background picture's size; 0 x 0 when it is missing.
    QSize BackgroundSize() const;

    // Full paint: background, then drawElements on top. Returns the frame (null when the
    // background is missing, so nothing is copied to the screen).
    const QImage& Compose(const std::function<void(QPainter&)>& drawElements);
    // Draws onto the kept frame without renewing the background. False when there is no frame.
    bool DrawPartial(const std::function<void(QPainter&)>& draw);
    // One opaque copy of area of the frame to the painter's device at the same place.
    void CopyTo(QPainter& painter, const QRect& area) const;

    const QImage& Frame() const { return frame_; }

private:
    QString folder_;
    QString background_;
    QImage frame_;
};

// A borderless dialog painted from its skin folder. Subclasses draw in PaintElements and handle
// private messages in WindowMessage.
class SkinnedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SkinnedDialog(QWidget* parent = nullptr);
    ~SkinnedDialog() override;

    void SetSkin(const QString& folder, const QString& backgroundFile);
    QString SkinFolder() const { return frame_.Folder(); }
    QSize BackgroundSize() const { return frame_.BackgroundSize(); }

    // Asks for a full paint on the next paint event.
    void FullPaint();
    // Draws one element straight onto the shown frame and copies only area to the screen.
    void PartialRedraw(const QRect& area, const std::function<void(QPainter&)>& draw);
    // Composes a full frame now and returns it (what the next paint will show).
    QImage ComposeFrame();
    // Whether a full frame is being composed (settled and drawn) right now.
    bool Composing() const { return composing_; }
    // Whether a partial redraw would draw now; otherwise it waits for the next full paint.
    bool CanRedrawPart() const { return !stale_ && !frame_.Frame().isNull(); }

    // The window's controls in reading order, drawn ones and child widgets (kept until the window
    // asks for its next paint, since whatever changes a control changes the picture too).
    const DrawnControlList& Controls() const;
    // The drawn control that has the keyboard focus; none while a child widget or nothing has it.
    std::optional<int> FocusedControl() const;
    // Gives the focus to a drawn control (the window takes the focus) and shows its mark.
    void FocusControl(int id);
    enum class Press { kNow, kQueued };
    // Presses a drawn control as Space does. Queued: once the caller has returned, for callers
    // that must not wait on a modal dialog the press may open.
    void PressControl(int id, Press when = Press::kNow);
    // Whether the focus mark is shown: from the first Tab or focus move until a mouse press.
    bool FocusMarkShown() const { return focusVisible_; }

protected:
    // The window's controls in reading order; each window lists its own.
    virtual DrawnControlList ListControls() const;
    // What pressing a drawn control does: by default the mouse's click at its centre (a move, a
    // press and a release), so a key and the mouse take one path.
    virtual void ActivateControl(const DrawnControl& control);
    // The rectangle the focus mark is drawn around; the window may draw its own mark instead
    // (an empty rectangle draws none).
    virtual QRect FocusMarkArea(const DrawnControl& control) const;
    // Draws the focus mark over the composed frame.
    void PaintFocusMark(QPainter& painter) const;

    // Called before every full paint, outside drawing: whatever the paint needs settled in the
    // window's state is done here, so that PaintElements only draws.
    virtual void SettleBeforePaint();
    virtual void PaintElements(QPainter& painter);
    virtual std::intptr_t WindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // Inside WindowMessage: when the input event behind the message happened, on the input's own
    // millisecond clock, as GetMessageTime gives it; nothing when the message has no such time.
    std::optional<std::uint32_t> MessageTime() const { return messageTime_; }

    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    // Tab and Shift+Tab walk the window's list; Space presses the focused drawn control and the
    // arrow keys move within its group. Windows that take keys themselves pass the rest here.
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Enter and Escape, the keys a dialog would end on, for windows that end only through their
    // own buttons. IgnoreEndingKey takes such a key (true) so that it does nothing.
    static bool EndsDialog(int key);
    static bool IgnoreEndingKey(QKeyEvent* event);

private:
    SkinFrame frame_;
    bool stale_ = true;
    bool composing_ = false;
    std::optional<std::uint32_t> messageTime_;

    void ControlsChanged();
    // Focus changes reach the window while it exists; QWidget's own end moves the focus too.
    QMetaObject::Connection focusWatch_;
    void TellAssistiveTechnology();
    mutable std::optional<DrawnControlList> controls_;
    std::optional<int> focusedId_;
    GroupEntries lastFocusedInGroup_;
    bool focusVisible_ = false;
    bool pressing_ = false; // a press of a drawn control is sending its mouse events
};

} // namespace corvane
