#include "colour/ui/CCustomColorDialog.h"

#include "colour/ColourSpace.h"
#include "colour/ui/CXColorSpectrumCtrl.h"
#include "skin/SkinDraw.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "uikit/Texts.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>

namespace corvane {

namespace {

QRect RectOf(const layout::Placement& p)
{
    return {p.x, p.y, p.width, p.height};
}

std::uint32_t CellColour(const layout::ColourCell& cell)
{
    return ColourRef(cell.red, cell.green, cell.blue);
}

// Only the basic cells are drawn; the custom cells keep their places in the table but show
// nowhere (the swatch and the fields lie over them), so they are neither chosen nor framed.
constexpr int kShownCells = layout::kColourBasicCellCount;

struct FieldPlace
{
    int id;
    layout::Placement place;
    const char* german;
    const char* english;
};
// In the order of fields_: red, green, blue, hue, saturation, luminosity.
constexpr FieldPlace kFields[6] = {
    {CCustomColorDialog::kRedId, layout::kColourRedField, "Rot", "Red"},
    {CCustomColorDialog::kGreenId, layout::kColourGreenField, "Grün", "Green"},
    {CCustomColorDialog::kBlueId, layout::kColourBlueField, "Blau", "Blue"},
    {CCustomColorDialog::kHueId, layout::kColourHueField, "Farbton", "Hue"},
    {CCustomColorDialog::kSaturationId, layout::kColourSaturationField, "Sättigung", "Saturation"},
    {CCustomColorDialog::kLuminosityId, layout::kColourLuminosityField, "Helligkeit", "Luminosity"},
};

struct Label
{
    const char* text;
    int x;
    int y;
};
constexpr Label kFieldLabels[6] = {{"R", 118, 150}, {"G", 118, 165}, {"B", 118, 180},
                                   {"H", 70, 150},  {"S", 70, 165},  {"L", 70, 180}};
constexpr int kTitleHeight = 18;
constexpr int kTitleStripHeight = 22;
constexpr int kLabelHeight = 15;
constexpr int kLabelWidth = 10;

} // namespace

CCustomColorDialog::CCustomColorDialog(std::uint16_t language, QWidget* parent)
    : SkinnedDialog(parent), language_(language)
{
    setModal(true);
    ok_ = new QPushButton(PickText(language_, "OK", "OK"), this);
    cancel_ = new QPushButton(PickText(language_, "Abbrechen", "Cancel"), this);
    defineCustom_ = new QPushButton(PickText(language_, "Farben festlegen", "Define Custom Colors"), this);
    addCustom_ = new QPushButton(PickText(language_, "Farben hinzufügen", "Add to Custom Colors"), this);
    // Created for the layout's sake; they have no action.
    defineCustom_->hide();
    addCustom_->hide();
    // The buttons are only 15 pixels high: a small font without padding keeps "Abbrechen" whole.
    QFont buttonFont = font();
    buttonFont.setPixelSize(10);
    buttonFont.setStretch(QFont::SemiCondensed);
    for (QPushButton* button : {ok_, cancel_, defineCustom_, addCustom_}) {
        button->setFont(buttonFont);
        button->setStyleSheet(QStringLiteral(
            "QPushButton { padding: 0px; border: 1px solid #202020; background: #e4e4e4; color: black; }"
            "QPushButton:pressed { background: #b8b8b8; }"));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
    }
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    for (std::size_t i = 0; i < std::size(fields_); ++i) {
        fields_[i] = new QLineEdit(this);
        fields_[i]->setReadOnly(true);
        fields_[i]->setEnabled(false);
        fields_[i]->setFrame(false);
        fields_[i]->setAlignment(Qt::AlignCenter);
        // Disabled only so that nobody types into them: the values must stay easy to read.
        QPalette palette = fields_[i]->palette();
        palette.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
        palette.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
        fields_[i]->setPalette(palette);
        fields_[i]->setAccessibleName(PickText(language_, kFields[i].german, kFields[i].english));
    }
    spectrum_ = new CXColorSpectrumCtrl(this);
    spectrum_->Create(this, RectOf(layout::kColourSpectrum), kSpectrumId, 0xC0C0C0,
                      CXColorSpectrumCtrl::kNoToolTip);
    spectrum_->setAccessibleName(PickText(language_, "Farbspektrum", "Colour spectrum"));
    spectrum_->SetPartNames(PickText(language_, "Farbton und Sättigung", "Hue and saturation"),
                            PickText(language_, "Helligkeit", "Luminosity"));
    connect(spectrum_, &CXColorSpectrumCtrl::SelectionChanged, this,
            [this](std::uint32_t colour, int) { OnSpectrumChanged(colour); });
    // A double-click in the spectrum does not end the dialog: nothing listens to SelectionEndOk.
    setWindowTitle(PickText(language_, "Farbe", "Color"));
    Initialise();
}

CCustomColorDialog::~CCustomColorDialog() = default;

std::optional<std::uint32_t> CCustomColorDialog::Open(std::uint32_t initialColour)
{
    SetChosenColour(initialColour);
    Initialise();
    const bool accepted = exec() == QDialog::Accepted;
    // Each showing of the window ties it to the application's focus tracking anew, and where no
    // other window takes the focus back (no window manager, the offscreen platform) that tie is
    // never undone: it would pile up for as long as the window lives. The next opening makes a
    // fresh window instead.
    destroy();
    if (!accepted) return std::nullopt;
    return chosenColour_;
}

void CCustomColorDialog::Initialise()
{
    SetSkin(SkinFolderPath(SkinWindow::Colour, language_), SkinBackgroundName(SkinWindow::Colour));
    setFixedSize(BackgroundSize());
    ok_->setGeometry(RectOf(layout::kColourOkButton));
    cancel_->setGeometry(RectOf(layout::kColourCancelButton));
    defineCustom_->setGeometry(RectOf(layout::kColourDefineButton));
    addCustom_->setGeometry(RectOf(layout::kColourAddButton));
    for (std::size_t i = 0; i < std::size(fields_); ++i)
        fields_[i]->setGeometry(RectOf(kFields[i].place));
    spectrum_->setGeometry(RectOf(layout::kColourSpectrum));
    spectrum_->setFocus(Qt::OtherFocusReason);
    spectrum_->SetColour(chosenColour_);
    RefreshFields();
    selectedCell_ = kNoCell;
    for (int i = 0; i < kShownCells; ++i) {
        if (CellColour(layout::kColourCells[i]) == chosenColour_) {
            selectedCell_ = i;
            break;
        }
    }
    pressed_ = false;
    dragged_ = false;
    FullPaint();
}

QLineEdit* CCustomColorDialog::Field(int id) const
{
    for (std::size_t i = 0; i < std::size(kFields); ++i)
        if (kFields[i].id == id) return fields_[i];
    return nullptr;
}

QPushButton* CCustomColorDialog::Button(int id) const
{
    switch (id) {
    case kOkId:
        return ok_;
    case kCancelId:
        return cancel_;
    case kAddCustomId:
        return addCustom_;
    case kDefineCustomId:
        return defineCustom_;
    default:
        return nullptr;
    }
}

void CCustomColorDialog::RefreshFields()
{
    const int values[6] = {RedOf(chosenColour_), GreenOf(chosenColour_),  BlueOf(chosenColour_),
                           spectrum_->Hue(),     spectrum_->Saturation(), spectrum_->Luminosity()};
    for (std::size_t i = 0; i < std::size(fields_); ++i)
        fields_[i]->setText(QString::number(values[i]));
}

void CCustomColorDialog::OnSpectrumChanged(std::uint32_t colour)
{
    // A colour from the spectrum is no cell's, even where it matches one.
    selectedCell_ = kNoCell;
    chosenColour_ = colour & 0x00FFFFFFu;
    RefreshFields();
    FullPaint();
}

DrawnControlList CCustomColorDialog::ListControls() const
{
    DrawnControlList controls;
    auto drawn = [&](int id, QAccessible::Role role, const QString& name,
                     const QRect& rect) -> DrawnControl& {
        DrawnControl& control = controls.emplace_back();
        control.id = id;
        control.role = role;
        control.name = name;
        control.rect = rect;
        return control;
    };
    auto widget = [&](QWidget* w) { controls.emplace_back().widget = w; };
    drawn(kTitleControl, QAccessible::StaticText, PickText(language_, "FARBE", "COLOR"),
          QRect(0, 0, layout::kColourCloseMark.left, kTitleStripHeight))
        .focusable = false;
    // The cells are one group: Tab enters at the chosen one, the arrows move through the grid.
    constexpr int kCellGroup = 1;
    for (int i = 0; i < kShownCells; ++i) {
        const layout::Rect hit = layout::ColourCellHitRect(layout::kColourCells[i]);
        DrawnControl& cell =
            drawn(kCellIdBase + i, QAccessible::Button,
                  CXColorSpectrumCtrl::HashName(CellColour(layout::kColourCells[i])),
                  QRect(hit.left, hit.top, layout::kColourCellSize.width, layout::kColourCellSize.height));
        cell.group = kCellGroup;
        cell.checkable = true;
        cell.checked = i == selectedCell_;
    }
    widget(spectrum_);
    drawn(kSwatchControl, QAccessible::StaticText,
          PickText(language_, "Gewählte Farbe", "Chosen colour") + QStringLiteral(" ") +
              CXColorSpectrumCtrl::HashName(chosenColour_),
          RectFromEdges(layout::kColourSwatch.left, layout::kColourSwatch.top, layout::kColourSwatch.right,
                        layout::kColourSwatch.bottom))
        .focusable = false;
    // Read as the rows show them: hue beside red, saturation beside green, luminosity beside blue.
    for (std::size_t i : {3u, 0u, 4u, 1u, 5u, 2u})
        widget(fields_[i]);
    widget(ok_);
    widget(cancel_);
    const layout::Rect& close = layout::kColourCloseMark;
    drawn(kCloseControl, QAccessible::Button, PickText(language_, "Schließen", "Close"),
          QRect(QPoint(close.left, close.top), QPoint(close.right, close.bottom)));
    return controls;
}

void CCustomColorDialog::PaintElements(QPainter& painter)
{
    if (selectedCell_ != kNoCell) {
        const layout::Point cell = layout::kColourCells[selectedCell_].origin;
        // A black outline through (x - 1, y - 1) and (x + 12, y + 11), both corners included.
        const QRect frame(QPoint(cell.x - 1, cell.y - 1), QPoint(cell.x + 12, cell.y + 11));
        painter.fillRect(frame.left(), frame.top(), frame.width(), 1, Qt::black);
        painter.fillRect(frame.left(), frame.bottom(), frame.width(), 1, Qt::black);
        painter.fillRect(frame.left(), frame.top(), 1, frame.height(), Qt::black);
        painter.fillRect(frame.right(), frame.top(), 1, frame.height(), Qt::black);
    }
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    DrawSkinText(painter, PickText(language_, "FARBE", "COLOR"), 0, 0, 0, kWhite, kTitleHeight,
                 QRect(0, 0, layout::kColourCloseMark.left, kTitleStripHeight));
    // Each letter stands left of its field.
    for (const Label& label : kFieldLabels)
        DrawSkinText(painter, QString::fromLatin1(label.text), label.x, label.y, 0, kWhite, kLabelHeight,
                     QRect(label.x, label.y, kLabelWidth, kLabelHeight));
    FillColourRect(painter,
                   RectFromEdges(layout::kColourSwatch.left, layout::kColourSwatch.top,
                                 layout::kColourSwatch.right, layout::kColourSwatch.bottom),
                   chosenColour_);
}

void CCustomColorDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return SkinnedDialog::mousePressEvent(event);
    pressed_ = true;
    dragged_ = false;
    pressGlobal_ = event->globalPosition().toPoint();
    windowAtPress_ = pos();
}

void CCustomColorDialog::mouseMoveEvent(QMouseEvent* event)
{
    // Any background point drags the dialog.
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint delta = event->globalPosition().toPoint() - pressGlobal_;
    if (delta.isNull()) return;
    dragged_ = true;
    move(windowAtPress_ + delta);
}

void CCustomColorDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return SkinnedDialog::mouseReleaseEvent(event);
    const bool wasDrag = dragged_;
    pressed_ = false;
    dragged_ = false;
    if (wasDrag) return;
    const QPoint p = event->position().toPoint();
    ClickAt(p.x(), p.y());
}

void CCustomColorDialog::ClickAt(int x, int y)
{
    for (int i = 0; i < kShownCells; ++i) {
        const layout::ColourCell& cell = layout::kColourCells[i];
        if (!layout::ColourCellHitRect(cell).Contains(x, y)) continue;
        selectedCell_ = i;
        chosenColour_ = CellColour(cell);
        spectrum_->SetColour(chosenColour_);
        RefreshFields();
        FullPaint();
        return;
    }
    if (layout::kColourCloseMark.Contains(x, y)) reject();
}

} // namespace corvane
