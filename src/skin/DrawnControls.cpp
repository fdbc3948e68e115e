#include "skin/DrawnControls.h"

#include <cstdlib>
#include <limits>

namespace corvane {

const DrawnControl* FindControl(const DrawnControlList& controls, int id)
{
    for (const DrawnControl& control : controls)
        if (control.widget.isNull() && control.id == id) return &control;
    return nullptr;
}

bool IsTabStop(const DrawnControl& control)
{
    if (QWidget* widget = control.widget.data()) {
        return widget->isVisibleTo(widget->window()) && widget->isEnabled() &&
               (widget->focusPolicy() & Qt::TabFocus) != 0;
    }
    return control.focusable && !control.disabled;
}

namespace {

// Where Tab enters each group: group -> id.
GroupEntries ChooseGroupEntries(const DrawnControlList& controls, const GroupEntries& lastFocused)
{
    GroupEntries first;
    GroupEntries marked;
    for (const DrawnControl& control : controls) {
        if (control.group == 0 || !control.widget.isNull() || !IsTabStop(control)) continue;
        first.emplace(control.group, control.id);
        if (control.checked || control.selected) marked.emplace(control.group, control.id);
    }
    GroupEntries entries = first;
    for (const auto& [group, id] : marked)
        entries[group] = id;
    for (const auto& [group, id] : lastFocused) {
        const DrawnControl* control = FindControl(controls, id);
        if (control != nullptr && control->group == group && IsTabStop(*control)) entries[group] = id;
    }
    return entries;
}

} // namespace

std::optional<std::size_t> NextTabStop(const DrawnControlList& controls, std::optional<std::size_t> current,
                                       bool forward, const GroupEntries& lastFocused)
{
    GroupEntries entries = ChooseGroupEntries(controls, lastFocused);
    // Tab leaves the group it is in, wherever in the group the focus was.
    if (current && controls[*current].group != 0 && !controls[*current].widget)
        entries[controls[*current].group] = controls[*current].id;
    const auto stops = [&](const DrawnControl& control) {
        if (!IsTabStop(control)) return false;
        if (control.group == 0 || control.widget) return true;
        const auto entry = entries.find(control.group);
        return entry == entries.end() || entry->second == control.id;
    };
    const std::size_t count = controls.size();
    if (count == 0) return std::nullopt;
    // With no current stop, the first step lands on the first (last) entry itself.
    std::size_t index = current ? *current : (forward ? count - 1 : 0);
    for (std::size_t step = 0; step < count; ++step) {
        index = forward ? (index + 1) % count : (index + count - 1) % count;
        if (stops(controls[index])) return index;
    }
    return std::nullopt;
}

std::optional<std::size_t> NeighbourInDirection(const DrawnControlList& controls, std::size_t from,
                                                ArrowDirection direction)
{
    if (from >= controls.size() || controls[from].group == 0) return std::nullopt;
    const QRect& here = controls[from].rect;
    const QPoint origin = here.center();
    std::optional<std::size_t> best;
    long bestScore = std::numeric_limits<long>::max();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const DrawnControl& candidate = controls[i];
        if (i == from || candidate.group != controls[from].group || !candidate.widget.isNull() ||
            !IsTabStop(candidate))
            continue;
        const QPoint centre = candidate.rect.center();
        const int dx = centre.x() - origin.x();
        const int dy = centre.y() - origin.y();
        // A candidate lies that way when its centre is past the current control's edge: a wide
        // key does not count as left of a narrow one above it by a few pixels.
        int along = 0;
        int across = 0;
        bool beyond = false;
        switch (direction) {
        case ArrowDirection::kLeft:
            along = -dx, across = dy, beyond = centre.x() < here.left();
            break;
        case ArrowDirection::kRight:
            along = dx, across = dy, beyond = centre.x() > here.right();
            break;
        case ArrowDirection::kUp:
            along = -dy, across = dx, beyond = centre.y() < here.top();
            break;
        case ArrowDirection::kDown:
            along = dy, across = dx, beyond = centre.y() > here.bottom();
            break;
        }
        if (!beyond) continue;
        const long score = along + 2L * std::abs(across);
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

} // namespace corvane
