#pragma once
// Every text the windows draw, and every caption the artwork generator bakes into a picture, is
// drawn with the place it has to fit in. While a DrawnTextLog lives, each such text is written
// down with its font, so that a check can lay every text out against its place in both
// languages; otherwise nothing is kept.

#include <QFont>
#include <QRectF>
#include <QString>
#include <vector>

namespace corvane {

struct DrawnText
{
    QString text;
    QFont font;
    QRectF box;    // where the text is laid out, with flags
    int flags = 0; // Qt::AlignmentFlag | Qt::TextFlag
    QRectF place;  // where it must stay: the button, field or strip it belongs to
};

class DrawnTextLog
{
public:
    DrawnTextLog();
    ~DrawnTextLog();
    DrawnTextLog(const DrawnTextLog&) = delete;
    DrawnTextLog& operator=(const DrawnTextLog&) = delete;

    // Called by the drawing helpers; does nothing while no log lives.
    static void Note(const DrawnText& text);

    // Takes what was drawn since the last call.
    std::vector<DrawnText> Take();

private:
    std::vector<DrawnText> texts_;
    DrawnTextLog* previous_ = nullptr;
};

// The area the text covers when laid out in its box.
QRectF DrawnArea(const DrawnText& text);
// Whether that area stays inside the text's place (half a pixel of antialiasing allowed).
bool StaysInPlace(const DrawnText& text);

} // namespace corvane
