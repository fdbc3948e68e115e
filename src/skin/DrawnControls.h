#pragma once
// The controls a skinned window draws itself (buttons, check boxes, page tabs, keys of the
// keyboard picture, list rows): what each is, where it is and how it reads. A window lists them in
// reading order, together with the real child widgets between them, and from that one list come
// the Tab order, the focus mark, the keyboard's Space and arrow keys, and what assistive
// technology is told.

#include <QAccessible>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <map>
#include <optional>
#include <vector>

namespace corvane {

struct DrawnControl
{
    // Stays the same while the control is there, so focus and assistive technology can follow it.
    int id = 0;
    QAccessible::Role role = QAccessible::Button;
    // In the window's language: the visible text, or what the control does.
    QString name;
    // More about it, when there is more to say (a key's present assignment).
    QString description;
    // Window coordinates. Pressing the control clicks its centre, as the mouse would.
    QRect rect;
    // A real child widget standing at this place of the reading order; it carries its own focus
    // and accessible interface, the entry only places it.
    QPointer<QWidget> widget;
    // Arrow keys move between the focused control and the others of its group by position (0: no
    // group, arrows are the window's own).
    int group = 0;
    bool checkable = false;
    bool checked = false;
    bool selected = false;
    bool disabled = false;
    // Tab stops here; texts and pictures are read but not visited.
    bool focusable = true;
};

using DrawnControlList = std::vector<DrawnControl>;

const DrawnControl* FindControl(const DrawnControlList& controls, int id);

// Whether Tab may stop at the entry: a drawn control that is focusable and enabled, or a child
// widget that is shown, enabled and takes focus from Tab.
bool IsTabStop(const DrawnControl& control);

// The tab stop after (forward) or before `current` in reading order, wrapping around. current is
// an index into controls, or none to begin at the first (last). None when there is no stop.
// A group is one Tab stop, as a radio group or a grid is, and the arrow keys move inside it: Tab
// leaves the group it is in and enters a group at the member focused last (lastFocused: group ->
// id), else at its checked or selected member, else at its first.
using GroupEntries = std::map<int, int>;
std::optional<std::size_t> NextTabStop(const DrawnControlList& controls, std::optional<std::size_t> current,
                                       bool forward, const GroupEntries& lastFocused = {});

enum class ArrowDirection { kLeft, kRight, kUp, kDown };
// The control of the same group nearest to controls[from] in the direction, by position: the
// candidate must lie that way (its centre past the current control's edge), and among those the one
// with the least distance along the direction plus twice the sideways distance wins, so a move
// stays on its row or column where it can. None when nothing lies that way.
std::optional<std::size_t> NeighbourInDirection(const DrawnControlList& controls, std::size_t from,
                                                ArrowDirection direction);

} // namespace corvane
