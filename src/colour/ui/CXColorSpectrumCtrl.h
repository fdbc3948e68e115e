#pragma once
// CXColorSpectrumCtrl: a colour picker child window. Every hue (left to right) and saturation
// (top to bottom) at medium luminosity, and beside it a luminosity bar for the current hue and
// saturation; a cross-hair marks the hue and saturation, an arrow the luminosity. It works with
// mouse and keyboard and tells its parent of every change the user makes.

#include "colour/ColourSpace.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>

namespace corvane {

class CXColorSpectrumCtrl : public QWidget
{
    Q_OBJECT
public:
    static constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;
    // Tool-tip formats: none, "#RRGGBB", "BBGGRR", "HSL(h,s,l)"; any other value "RGB(r,g,b)".
    enum ToolTipFormat : int {
        kNoToolTip = 0,
        kToolTipRgb = 1,
        kToolTipHash = 2,
        kToolTipHex = 3,
        kToolTipHsl = 4
    };

    // The keyboard's step without Ctrl or Shift.
    static constexpr int kKeyStep = 5;

    explicit CXColorSpectrumCtrl(QWidget* parent = nullptr);

    // A colour as "#RRGGBB".
    static QString HashName(std::uint32_t colour);

    // Places the control in parent at rect (parent coordinates) with its id, initial colour (no
    // notification) and tool-tip format. False without a parent.
    bool Create(QWidget* parent, const QRect& rect, int id, std::uint32_t colour, int toolTipFormat);

    // Moves both markers to the colour; the parent is not told.
    void SetColour(std::uint32_t colour);
    // Limits hue to 239 and saturation and luminosity to 240; the parent is not told.
    void SetHslColour(int hue, int saturation, int luminosity);

    std::uint32_t Colour() const { return colour_; }
    int Hue() const { return hsl_.hue; }
    int Saturation() const { return hsl_.saturation; }
    int Luminosity() const { return hsl_.luminosity; }
    int Id() const { return id_; }

    // What assistive technology calls the hue and saturation field and the luminosity bar, in the
    // window's language.
    void SetPartNames(const QString& field, const QString& bar);
    QString FieldName() const { return fieldName_; }
    QString BarName() const { return barName_; }
    // Gives the keyboard focus to the bar or the field.
    void FocusPart(bool bar);
    // A luminosity the user chose other than by mouse or key (an assistive technology's slider):
    // limited to the range, and the parent is told.
    void ChooseLuminosity(int luminosity);

    // View state, for the dialog and for tests.
    QPoint Crosshair() const { return crosshair_; }
    int ArrowOffset() const { return arrowOffset_; }
    bool SpectrumFocused() const { return spectrumFocused_; }
    bool BarFocused() const { return barFocused_; }
    const SpectrumGeometry& Geometry() const { return geometry_; }
    // What the tool tip says at a client point; empty outside both areas or without a tool tip.
    QString ToolTipTextAt(const QPoint& point);
    // The control as it is drawn.
    QImage Render();

signals:
    // Every change by the user (WM_XCOLORPICKER_SELCHANGE).
    void SelectionChanged(std::uint32_t colour, int id);
    // A double-click in the spectrum or the bar (WM_XCOLORPICKER_SELENDOK).
    void SelectionEndOk(std::uint32_t colour, int id);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void BuildSpectrum();
    void DrawCrosshair(QImage& frame) const;
    void DrawBar(QImage& frame) const;
    void DrawArrow(QImage& frame) const;
    void PickInSpectrum(const QPoint& point);
    void PickInBar(const QPoint& point);
    // A change of hue, saturation or luminosity: new colour, markers, and the parent is told.
    void ChangeHsl(int hue, int saturation, int luminosity, bool notify);
    void Notify();
    // Assistive technology hears of a new colour, and of the part that has the focus.
    void TellColour();
    void TellFocus();

    SpectrumGeometry geometry_;
    QImage spectrum_; // built on the first paint and kept
    QPoint crosshair_{0, 10};
    int arrowOffset_ = 0;
    std::uint32_t colour_ = kNoColour;
    std::uint32_t lastSent_ = kNoColour;
    Hsl hsl_;
    int id_ = 0;
    int toolTipFormat_ = kNoToolTip;
    bool trackingSpectrum_ = false;
    bool trackingBar_ = false;
    bool spectrumFocused_ = false;
    bool barFocused_ = false;
    QString fieldName_ = QStringLiteral("Hue and saturation");
    QString barName_ = QStringLiteral("Luminosity");
};

} // namespace corvane
