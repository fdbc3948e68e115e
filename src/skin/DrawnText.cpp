#include "skin/DrawnText.h"

#include <QFontMetricsF>

namespace corvane {

namespace {
DrawnTextLog* current = nullptr;
}

DrawnTextLog::DrawnTextLog() : previous_(current)
{
    current = this;
}

DrawnTextLog::~DrawnTextLog()
{
    current = previous_;
}

void DrawnTextLog::Note(const DrawnText& text)
{
    if (current != nullptr) current->texts_.push_back(text);
}

std::vector<DrawnText> DrawnTextLog::Take()
{
    std::vector<DrawnText> taken;
    taken.swap(texts_);
    return taken;
}

QRectF DrawnArea(const DrawnText& text)
{
    return QFontMetricsF(text.font).boundingRect(text.box, text.flags, text.text);
}

bool StaysInPlace(const DrawnText& text)
{
    return text.place.adjusted(-0.5, -0.5, 0.5, 0.5).contains(DrawnArea(text));
}

} // namespace corvane
