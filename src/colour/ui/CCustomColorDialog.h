#pragma once
// CCustomColorDialog: the skinned dialog in which the user picks one colour, from a grid of 48
// basic and 16 custom colour cells or from the spectrum, seeing the colour as a swatch and as red,
// green, blue, hue, saturation and luminosity values. The colour travels in and out through
// ChosenColour: the caller sets it, runs the dialog, and reads it back after OK.

#include "skin/SkinnedWindow.h"
#include "uikit/OtherWindows.h"

#include <QPoint>
#include <cstdint>
#include <optional>

class QLineEdit;
class QPushButton;

namespace corvane {

class CXColorSpectrumCtrl;

class CCustomColorDialog : public SkinnedDialog, public ColourWindow
{
    Q_OBJECT
public:
    // Control ids of the dialog.
    static constexpr int kPlaceholderId = 1020;
    static constexpr int kOkId = 1021;
    static constexpr int kCancelId = 1022;
    static constexpr int kAddCustomId = 1023;
    static constexpr int kDefineCustomId = 1024;
    static constexpr int kRedId = 1030;
    static constexpr int kGreenId = 1025;
    static constexpr int kBlueId = 1026;
    static constexpr int kHueId = 1027;
    static constexpr int kSaturationId = 1028;
    static constexpr int kLuminosityId = 1029;
    static constexpr int kSpectrumId = 9001;
    static constexpr int kNoCell = -1;
    // Ids of the drawn controls: the title, the close mark, the swatch, and cell i at kCellIdBase + i.
    static constexpr int kTitleControl = 1;
    static constexpr int kCloseControl = 2;
    static constexpr int kSwatchControl = 3;
    static constexpr int kCellIdBase = 100;

    explicit CCustomColorDialog(std::uint16_t language, QWidget* parent = nullptr);
    ~CCustomColorDialog() override;

    // ColourWindow: runs the dialog from the colour; the chosen colour on OK.
    std::optional<std::uint32_t> Open(std::uint32_t initialColour) override;

    // The colour in and out of the dialog (0x00BBGGRR); every change in the dialog writes it.
    std::uint32_t ChosenColour() const { return chosenColour_; }
    void SetChosenColour(std::uint32_t colour) { chosenColour_ = colour & 0x00FFFFFFu; }

    // Set-up as each run does it: skin, controls, the spectrum at ChosenColour, fields, cell.
    void Initialise();

    int SelectedCell() const { return selectedCell_; }
    CXColorSpectrumCtrl* Spectrum() const { return spectrum_; }
    QLineEdit* Field(int id) const;
    QPushButton* Button(int id) const;
    std::uint16_t Language() const { return language_; }

protected:
    DrawnControlList ListControls() const override;
    void PaintElements(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnSpectrumChanged(std::uint32_t colour);
    void RefreshFields();
    void ClickAt(int x, int y);

    std::uint16_t language_;
    std::uint32_t chosenColour_ = 0;
    int selectedCell_ = kNoCell;
    CXColorSpectrumCtrl* spectrum_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* addCustom_ = nullptr;
    QPushButton* defineCustom_ = nullptr;
    QLineEdit* fields_[6] = {};

    // Dragging the dialog by any background point.
    bool pressed_ = false;
    bool dragged_ = false;
    QPoint pressGlobal_;
    QPoint windowAtPress_;
};

} // namespace corvane
