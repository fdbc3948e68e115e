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

std::optional<std::size_t> NextTabStop(const DrawnControlList& controls, std::optional<std::size_t> current,
                                       bool forward)
{
    const std::size_t count = controls.size();
    if (count == 0) return std::nullopt;
    // With no current stop, the first step lands on the first (last) entry itself.
    std::size_t index = current ? *current : (forward ? count - 1 : 0);
    for (std::size_t step = 0; step < count; ++step) {
        index = forward ? (index + 1) % count : (index + count - 1) % count;
        if (IsTabStop(controls[index])) return index;
    }
    return std::nullopt;
}

std::optional<std::size_t> NeighbourInDirection(const DrawnControlList& controls, std::size_t from,
                                                ArrowDirection direction)
{
    if (from >= controls.size() || controls[from].group == 0) return std::nullopt;
    const QPoint origin = controls[from].rect.center();
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
        int along = 0;
        int across = 0;
        switch (direction) {
        case ArrowDirection::kLeft: along = -dx, across = dy; break;
        case ArrowDirection::kRight: along = dx, across = dy; break;
        case ArrowDirection::kUp: along = -dy, across = dx; break;
        case ArrowDirection::kDown: along = dy, across = dx; break;
        }
        if (along <= 0) continue;
        const long score = along + 2L * std::abs(across);
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

} // namespace corvane
