// The colour dialog and its spectrum control, offscreen, at the dialog's own coordinates: cells,
// spectrum and bar with the mouse and the keyboard, the six fields and the swatch, OK and Cancel.

#include "../../support/AccessibleLookup.h"
#include "colour/ColourSpace.h"
#include "colour/ui/CCustomColorDialog.h"
#include "colour/ui/CXColorSpectrumCtrl.h"
#include "platform/qt/LanguageSetting.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <malloc.h>
#include <memory>

namespace corvane {
namespace {

constexpr QPoint kSpectrumOrigin{layout::kColourSpectrum.x, layout::kColourSpectrum.y};

std::uint32_t CellColour(int i)
{
    const layout::ColourCell& c = layout::kColourCells[i];
    return ColourRef(c.red, c.green, c.blue);
}

QRgb Rgb(std::uint32_t colour)
{
    return qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

class ColourDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        previousFolder = ProgramFolder();
        SetProgramFolder(QStringLiteral(CORVANE_SKIN_DIR));
        dialog = std::make_unique<CCustomColorDialog>(kLanguageEnglish);
    }
    void TearDown() override
    {
        dialog.reset();
        SetProgramFolder(previousFolder);
    }

    void ShowWith(std::uint32_t colour)
    {
        dialog->SetChosenColour(colour);
        dialog->Initialise();
        dialog->show();
        QCoreApplication::processEvents();
    }
    void ClickDialog(int x, int y) { QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, QPoint(x, y)); }
    // A point of the spectrum control, in the control's coordinates.
    void ClickSpectrum(int x, int y)
    {
        QTest::mouseClick(dialog->Spectrum(), Qt::LeftButton, {}, QPoint(x, y));
    }
    int FieldValue(int id) const { return dialog->Field(id)->text().toInt(); }
    Hsl FieldsHsl() const
    {
        return {FieldValue(CCustomColorDialog::kHueId), FieldValue(CCustomColorDialog::kSaturationId),
                FieldValue(CCustomColorDialog::kLuminosityId)};
    }
    void ExpectFieldsShow(std::uint32_t colour, const char* what)
    {
        EXPECT_EQ(FieldValue(CCustomColorDialog::kRedId), RedOf(colour)) << what;
        EXPECT_EQ(FieldValue(CCustomColorDialog::kGreenId), GreenOf(colour)) << what;
        EXPECT_EQ(FieldValue(CCustomColorDialog::kBlueId), BlueOf(colour)) << what;
        const QImage frame = dialog->ComposeFrame();
        EXPECT_EQ(frame.pixel(30, 170) & 0xFFFFFF, Rgb(colour) & 0xFFFFFF) << what << ": the swatch";
        EXPECT_EQ(frame.pixel(58, 194) & 0xFFFFFF, Rgb(colour) & 0xFFFFFF) << what << ": the swatch's corner";
    }

    // Runs the dialog modally through Open, acting on it once it runs.
    std::optional<std::uint32_t> RunOpen(std::uint32_t initial, const std::function<void()>& act)
    {
        bool acted = false;
        QTimer::singleShot(0, dialog.get(), [&] {
            acted = true;
            act();
        });
        const std::optional<std::uint32_t> result = dialog->Open(initial);
        EXPECT_TRUE(acted);
        return result;
    }

    void ShowActive(std::uint32_t colour)
    {
        ShowWith(colour);
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    QString previousFolder;
    std::unique_ptr<CCustomColorDialog> dialog;
};

TEST_F(ColourDialogTest, PlacesItsControlsAndSizesToItsPicture)
{
    ShowWith(0x0C0C0C);
    EXPECT_EQ(dialog->size(), QSize(layout::kColourDialogSize.width, layout::kColourDialogSize.height));
    EXPECT_EQ(dialog->Spectrum()->geometry(), QRect(171, 27, 160, 140));
    EXPECT_EQ(dialog->Button(CCustomColorDialog::kOkId)->geometry(), QRect(218, 187, 47, 15));
    EXPECT_EQ(dialog->Button(CCustomColorDialog::kCancelId)->geometry(), QRect(270, 187, 53, 15));
    EXPECT_FALSE(dialog->Button(CCustomColorDialog::kAddCustomId)->isVisible());
    EXPECT_FALSE(dialog->Button(CCustomColorDialog::kDefineCustomId)->isVisible());
    EXPECT_EQ(dialog->Field(CCustomColorDialog::kRedId)->geometry(), QRect(128, 150, 30, 15));
    EXPECT_EQ(dialog->Field(CCustomColorDialog::kLuminosityId)->geometry(), QRect(80, 180, 30, 15));
    for (int id : {1025, 1026, 1027, 1028, 1029, 1030}) {
        EXPECT_TRUE(dialog->Field(id)->isReadOnly()) << id;
        EXPECT_FALSE(dialog->Field(id)->isEnabled()) << id;
    }
    EXPECT_EQ(dialog->Button(CCustomColorDialog::kCancelId)->text(), QStringLiteral("Cancel"));

    CCustomColorDialog german(kLanguageGerman);
    EXPECT_EQ(german.Button(CCustomColorDialog::kCancelId)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(german.Button(CCustomColorDialog::kDefineCustomId)->text(), QStringLiteral("Farben festlegen"));
    EXPECT_EQ(german.Button(CCustomColorDialog::kAddCustomId)->text(),
              QString::fromUtf8("Farben hinzufügen"));
    EXPECT_EQ(german.windowTitle(), QStringLiteral("Farbe"));
}

TEST_F(ColourDialogTest, OpeningSelectsTheFirstCellOfThatColour)
{
    struct Case
    {
        const char* name;
        std::uint32_t colour;
        int cell;
    };
    const Case cases[] = {
        {"near black matches no cell", 0x0C0C0C, CCustomColorDialog::kNoCell},
        {"red", ColourRef(255, 0, 0), 8},
        {"(128,128,255) is in rows 2 and 3", ColourRef(128, 128, 255), 14},
        {"(64,0,64) is in rows 5 and 6", ColourRef(64, 0, 64), 38},
        {"white: the basic cell before the custom ones", ColourRef(255, 255, 255), 47},
        {"the top byte is no part of the colour", 0xFF0000FFu, 8},
    };
    for (const Case& c : cases) {
        ShowWith(c.colour);
        EXPECT_EQ(dialog->SelectedCell(), c.cell) << c.name;
        ExpectFieldsShow(c.colour & 0xFFFFFF, c.name);
        const Hsl hsl = RgbToHsl(c.colour);
        EXPECT_EQ(FieldsHsl(), hsl) << c.name;
    }
}

TEST_F(ColourDialogTest, ACellClickSetsColourFieldsSwatchAndFrame)
{
    ShowWith(0x0C0C0C);
    for (int cell : {0, 7, 8, 21, 40, 47}) {
        const layout::Point o = layout::kColourCells[cell].origin;
        ClickDialog(o.x + 6, o.y + 6);
        ASSERT_EQ(dialog->SelectedCell(), cell);
        const std::uint32_t colour = CellColour(cell);
        EXPECT_EQ(dialog->ChosenColour(), colour) << cell;
        ExpectFieldsShow(colour, "cell");
        EXPECT_EQ(dialog->Spectrum()->Colour(), colour) << cell;
        // The fields' hue, saturation and luminosity lead back to the cell's colour.
        const Hsl hsl = FieldsHsl();
        const std::uint32_t back = HslToRgb(hsl.hue, hsl.saturation, hsl.luminosity);
        EXPECT_LE(std::abs(RedOf(back) - RedOf(colour)), 5) << cell;
        EXPECT_LE(std::abs(GreenOf(back) - GreenOf(colour)), 5) << cell;
        EXPECT_LE(std::abs(BlueOf(back) - BlueOf(colour)), 5) << cell;
        const QImage frame = dialog->ComposeFrame();
        EXPECT_EQ(frame.pixel(o.x - 1, o.y - 1) & 0xFFFFFF, 0u) << "black frame round cell " << cell;
        EXPECT_EQ(frame.pixel(o.x + 12, o.y + 11) & 0xFFFFFF, 0u) << "black frame round cell " << cell;
    }
    // The hit area reaches one pixel past the cell's picture; the gap beyond hits nothing.
    const layout::Point o = layout::kColourCells[9].origin;
    ClickDialog(o.x + 13, o.y + 12);
    EXPECT_EQ(dialog->SelectedCell(), 9);
    ClickDialog(o.x + 15, o.y + 6);
    EXPECT_EQ(dialog->SelectedCell(), 9);
    EXPECT_EQ(dialog->ChosenColour(), CellColour(9));
}

TEST_F(ColourDialogTest, WhatIsNotACellOnShowIsNotClickable)
{
    auto centre = [](int cell) {
        const layout::Point o = layout::kColourCells[cell].origin;
        return QPoint(o.x + 6, o.y + 6);
    };
    // The custom rows are drawn nowhere: under them lie the swatch, the labels and the fields.
    for (const QPoint p :
         {QPoint(36, 172), QPoint(20, 190), centre(48), centre(53), centre(60), centre(63)}) {
        ShowWith(ColourRef(255, 0, 0));
        ClickDialog(p.x(), p.y());
        EXPECT_EQ(dialog->SelectedCell(), 8) << p.x() << "," << p.y();
        EXPECT_EQ(dialog->ChosenColour(), ColourRef(255, 0, 0)) << p.x() << "," << p.y();
    }
}

TEST_F(ColourDialogTest, APickInTheSpectrumLeavesTheCells)
{
    const layout::Point o = layout::kColourCells[8].origin;
    for (const QPoint p : {QPoint(62, 40), QPoint(140, 70)}) { // spectrum, bar
        ShowWith(ColourRef(255, 0, 0));
        ASSERT_EQ(dialog->SelectedCell(), 8);
        ClickSpectrum(p.x(), p.y());
        EXPECT_EQ(dialog->SelectedCell(), CCustomColorDialog::kNoCell) << p.x();
        EXPECT_NE(dialog->ComposeFrame().pixel(o.x - 1, o.y - 1) & 0xFFFFFF, 0u) << "no frame left on red";
    }
}

TEST_F(ColourDialogTest, SpectrumClickAndDragPickHueAndSaturation)
{
    ShowWith(ColourRef(255, 0, 0)); // luminosity 120
    CXColorSpectrumCtrl* spectrum = dialog->Spectrum();
    const SpectrumGeometry& g = spectrum->Geometry();
    QSignalSpy changes(spectrum, &CXColorSpectrumCtrl::SelectionChanged);

    ClickSpectrum(62, 40);
    const std::uint32_t picked = HslToRgb(g.HueAt(62), g.SaturationAt(40), 120);
    EXPECT_EQ(dialog->ChosenColour(), picked);
    EXPECT_EQ(spectrum->Crosshair(), QPoint(62, 40)) << "the cross-hair goes where the user pointed";
    EXPECT_EQ(FieldsHsl(), (Hsl{g.HueAt(62), g.SaturationAt(40), 120}));
    ExpectFieldsShow(picked, "spectrum click");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(spectrum->SpectrumFocused());

    // Dragging follows the pointer while the button is held, and only inside the spectrum.
    QTest::mousePress(spectrum, Qt::LeftButton, {}, QPoint(10, 100));
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 20), spectrum->mapToGlobal(QPointF(100, 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(spectrum, &move);
    EXPECT_EQ(spectrum->Crosshair(), QPoint(100, 20));
    EXPECT_EQ(dialog->ChosenColour(), HslToRgb(g.HueAt(100), g.SaturationAt(20), 120));
    QMouseEvent outside(QEvent::MouseMove, QPointF(140, 20), spectrum->mapToGlobal(QPointF(140, 20)),
                        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(spectrum, &outside);
    EXPECT_EQ(spectrum->Crosshair(), QPoint(100, 20)) << "the bar is not part of a spectrum drag";
    QTest::mouseRelease(spectrum, Qt::LeftButton, {}, QPoint(100, 20));
    const std::uint32_t afterDrag = dialog->ChosenColour();
    QMouseEvent free(QEvent::MouseMove, QPointF(30, 30), spectrum->mapToGlobal(QPointF(30, 30)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(spectrum, &free);
    EXPECT_EQ(dialog->ChosenColour(), afterDrag) << "no drag after the release";
}

TEST_F(ColourDialogTest, BarClickPicksLuminosity)
{
    ShowWith(ColourRef(255, 0, 0));
    CXColorSpectrumCtrl* spectrum = dialog->Spectrum();
    struct Case
    {
        int y;
        int luminosity;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {10, 240, ColourRef(255, 255, 255)}, {129, 0, ColourRef(0, 0, 0)},     {137, 0, ColourRef(0, 0, 0)},
        {2, 240, ColourRef(255, 255, 255)},  {70, 118, HslToRgb(0, 240, 118)},
    };
    for (const Case& c : cases) {
        ClickSpectrum(140, c.y);
        EXPECT_EQ(spectrum->Luminosity(), c.luminosity) << c.y;
        EXPECT_EQ(dialog->ChosenColour(), c.colour) << c.y;
        EXPECT_EQ(FieldValue(CCustomColorDialog::kLuminosityId), c.luminosity) << c.y;
        EXPECT_TRUE(spectrum->BarFocused());
        EXPECT_EQ(spectrum->Hue(), 0) << "hue and saturation stay";
        EXPECT_EQ(spectrum->Saturation(), 240);
    }
}

TEST_F(ColourDialogTest, KeyboardStepsAndFocusMoves)
{
    ShowWith(ColourRef(255, 0, 0));
    CXColorSpectrumCtrl* spectrum = dialog->Spectrum();
    ClickSpectrum(62, 60); // spectrum focused
    const int hue = spectrum->Hue();
    const int sat = spectrum->Saturation();
    struct Step
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Hsl expected;
    };
    const Step steps[] = {
        {Qt::Key_Right, Qt::NoModifier, {hue + 5, sat, 120}},
        {Qt::Key_Left, Qt::ControlModifier, {hue + 4, sat, 120}},
        {Qt::Key_Up, Qt::ShiftModifier, {hue + 4, sat + 10, 120}},
        {Qt::Key_PageUp, Qt::NoModifier, {hue + 4, 240, 120}},
        {Qt::Key_Home, Qt::NoModifier, {0, 240, 120}},
        {Qt::Key_Left, Qt::NoModifier, {0, 240, 120}},
        {Qt::Key_End, Qt::NoModifier, {239, 240, 120}},
        {Qt::Key_Tab, Qt::NoModifier, {239, 240, 120}}, // to the bar
        {Qt::Key_Up, Qt::NoModifier, {239, 240, 125}},
        {Qt::Key_Right, Qt::NoModifier, {239, 240, 125}}, // hue only in the spectrum
        {Qt::Key_PageDown, Qt::NoModifier, {239, 240, 0}},
        {Qt::Key_Home, Qt::NoModifier, {239, 240, 240}},
        {Qt::Key_End, Qt::NoModifier, {239, 240, 0}},
        {Qt::Key_Down, Qt::ControlModifier, {239, 240, 0}},
        {Qt::Key_Backtab, Qt::ShiftModifier, {239, 240, 0}}, // back to the spectrum
        {Qt::Key_PageDown, Qt::NoModifier, {239, 0, 0}},
    };
    int n = 0;
    for (const Step& s : steps) {
        QTest::keyClick(spectrum, s.key, s.modifiers);
        const Hsl now{spectrum->Hue(), spectrum->Saturation(), spectrum->Luminosity()};
        EXPECT_EQ(now, s.expected) << "step " << n;
        EXPECT_EQ(dialog->ChosenColour(), HslToRgb(now.hue, now.saturation, now.luminosity)) << "step " << n;
        EXPECT_EQ(FieldsHsl(), now) << "step " << n;
        ++n;
    }
    EXPECT_TRUE(spectrum->SpectrumFocused());
    // Page Up in the spectrum puts the cross-hair on the top row.
    QTest::keyClick(spectrum, Qt::Key_PageUp);
    EXPECT_EQ(spectrum->Crosshair().y(), 10);
}

TEST_F(ColourDialogTest, SpectrumPictureBarAndMarkers)
{
    ShowWith(ColourRef(255, 0, 0));
    CXColorSpectrumCtrl* spectrum = dialog->Spectrum();
    const QImage picture = spectrum->Render();
    ASSERT_EQ(picture.size(), QSize(160, 140));
    EXPECT_EQ(picture.pixel(60, 5) & 0xFFFFFF, 0x979797u) << "rows above the spectrum";
    EXPECT_EQ(picture.pixel(159, 70) & 0xFFFFFF, 0x979797u) << "right of the arrow";
    // Full saturation on row 10, none on the last row, hue 0 on the left.
    EXPECT_EQ(picture.pixel(60, 10) & 0xFFFFFF, Rgb(HslToRgb(240 * 60 / 124, 240, 120)) & 0xFFFFFF);
    EXPECT_EQ(picture.pixel(60, 139) & 0xFFFFFF,
              Rgb(HslToRgb(240 * 60 / 124, 240 * 10 / 139, 120)) & 0xFFFFFF);
    // The bar shows the current hue and saturation from white down to black.
    EXPECT_EQ(picture.pixel(135, 10) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(picture.pixel(135, 129) & 0xFFFFFF, 0u);
    EXPECT_EQ(picture.pixel(135, 70) & 0xFFFFFF, Rgb(HslToRgb(0, 240, 240 * 59 / 119)) & 0xFFFFFF);
    // The cross-hair sits on the colour's point; its middle is open.
    const QPoint c = spectrum->Crosshair();
    EXPECT_EQ(c, QPoint(0, 10));
    // Its arm below the centre differs from the spectrum there; the centre does not.
    ClickSpectrum(60, 60);
    const QImage marked = spectrum->Render();
    EXPECT_NE(marked.pixel(60, 60 + 7), picture.pixel(60, 60 + 7));
    EXPECT_EQ(marked.pixel(60, 60), picture.pixel(60, 60));
    EXPECT_EQ(marked.pixel(60 + 7, 60 + 7), picture.pixel(60 + 7, 60 + 7)) << "between the arms";
    // The arrow points at the luminosity's row of the bar.
    const int tipRow = 10 + spectrum->ArrowOffset();
    EXPECT_NE(marked.pixel(148, tipRow) & 0xFFFFFF, 0x979797u) << "arrow tip";
    EXPECT_EQ(marked.pixel(148, tipRow - 3) & 0xFFFFFF, 0x979797u) << "left of the arrow's slope";
}

TEST_F(ColourDialogTest, DoubleClickReportsOnlyInsideAndNeverEndsTheDialog)
{
    ShowWith(ColourRef(0, 0, 255));
    CXColorSpectrumCtrl* spectrum = dialog->Spectrum();
    QSignalSpy ends(spectrum, &CXColorSpectrumCtrl::SelectionEndOk);
    QTest::mouseDClick(spectrum, Qt::LeftButton, {}, QPoint(127, 60)); // between spectrum and bar
    QTest::mouseDClick(spectrum, Qt::LeftButton, {}, QPoint(60, 3));   // above the spectrum
    EXPECT_EQ(ends.count(), 0);
    QTest::mouseDClick(spectrum, Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseDClick(spectrum, Qt::LeftButton, {}, QPoint(140, 60));
    EXPECT_EQ(ends.count(), 2);

    const std::optional<std::uint32_t> result = RunOpen(0x0C0C0C, [&] {
        QTest::mouseDClick(dialog->Spectrum(), Qt::LeftButton, {}, QPoint(60, 60));
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog->isVisible()) << "a double-click does not close the dialog";
        dialog->Button(CCustomColorDialog::kCancelId)->click();
    });
    EXPECT_FALSE(result);
}

TEST_F(ColourDialogTest, OkGivesTheChosenColourCancelAndTheCloseMarkGiveNothing)
{
    const layout::Point cell = layout::kColourCells[20].origin;
    struct Case
    {
        const char* name;
        std::function<void()> end;
        bool ok;
    };
    const Case cases[] = {
        {"OK", [&] { QTest::mouseClick(dialog->Button(CCustomColorDialog::kOkId), Qt::LeftButton); }, true},
        {"Cancel", [&] { QTest::mouseClick(dialog->Button(CCustomColorDialog::kCancelId), Qt::LeftButton); },
         false},
        {"close mark", [&] { ClickDialog(324, 11); }, false},
    };
    for (const Case& c : cases) {
        const std::optional<std::uint32_t> result = RunOpen(0x0C0C0C, [&] {
            ClickDialog(cell.x + 5, cell.y + 5);
            c.end();
        });
        EXPECT_EQ(result.has_value(), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(*result, CellColour(20)) << c.name;
        }
        EXPECT_FALSE(dialog->isVisible()) << c.name;
    }
    // The next opening starts from the caller's colour again, not from the last choice.
    RunOpen(0x0C0C0C, [&] {
        EXPECT_EQ(dialog->SelectedCell(), CCustomColorDialog::kNoCell);
        EXPECT_EQ(dialog->ChosenColour(), 0x0C0C0Cu);
        dialog->reject();
    });
}

TEST_F(ColourDialogTest, OpeningAgainAndAgainDoesNotGrowTheHeap)
{
    auto openAndCancel = [&](int times) {
        for (int i = 0; i < times; ++i)
            RunOpen(0x0C0C0C, [&] { dialog->reject(); });
    };
    openAndCancel(10);
    const std::size_t before = mallinfo2().uordblks;
    openAndCancel(100);
    const std::size_t after = mallinfo2().uordblks;
    // Each opening used to leave about a hundred bytes behind for good.
    EXPECT_LT(after, before + 2000) << "grew by " << after - before << " bytes in 100 openings";
}

TEST_F(ColourDialogTest, AssistiveTechnologyFindsEveryControlByRoleAndNameInBothLanguages)
{
    struct Control
    {
        QAccessible::Role role;
        const char* english;
        const char* german;
        const char* value; // the text it reads as its value; null: not asked
        bool checked;
    };
    const Control controls[] = {
        {QAccessible::StaticText, "COLOR", "FARBE", nullptr, false},
        {QAccessible::Button, "#FF0000", "#FF0000", nullptr, true},
        {QAccessible::Button, "#FFFF00", "#FFFF00", nullptr, false},
        {QAccessible::Button, "#FFFFFF", "#FFFFFF", nullptr, false},
        {QAccessible::ColorChooser, "Hue and saturation #FF0000", "Farbton und Sättigung #FF0000", "#FF0000",
         false},
        {QAccessible::Slider, "Luminosity", "Helligkeit", "120", false},
        {QAccessible::StaticText, "Chosen colour #FF0000", "Gewählte Farbe #FF0000", nullptr, false},
        {QAccessible::EditableText, "Red", "Rot", "255", false},
        {QAccessible::EditableText, "Green", "Grün", "0", false},
        {QAccessible::EditableText, "Blue", "Blau", "0", false},
        {QAccessible::EditableText, "Hue", "Farbton", "0", false},
        {QAccessible::EditableText, "Saturation", "Sättigung", "240", false},
        {QAccessible::EditableText, "Luminosity", "Helligkeit", "120", false},
        {QAccessible::Button, "OK", "OK", nullptr, false},
        {QAccessible::Button, "Cancel", "Abbrechen", nullptr, false},
        {QAccessible::Button, "Close", "Schließen", nullptr, false},
    };
    for (std::uint16_t language : {kLanguageEnglish, kLanguageGerman}) {
        dialog = std::make_unique<CCustomColorDialog>(language);
        ShowWith(ColourRef(255, 0, 0));
        for (const Control& c : controls) {
            const QString name = QString::fromUtf8(language == kLanguageGerman ? c.german : c.english);
            QAccessibleInterface* found = test::FindAccessible(dialog.get(), c.role, name);
            ASSERT_NE(found, nullptr) << name.toStdString();
            if (c.value != nullptr) {
                EXPECT_EQ(found->text(QAccessible::Value), QString::fromUtf8(c.value)) << name.toStdString();
            }
            EXPECT_EQ(found->state().checked, c.checked) << name.toStdString();
        }
        // The basic cells are there, each once; the custom cells are never shown, so never listed.
        int cells = 0;
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(dialog.get());
        for (int i = 0; i < window->childCount(); ++i)
            if (window->child(i)->role() == QAccessible::Button &&
                window->child(i)->text(QAccessible::Name).startsWith(QLatin1Char('#')))
                ++cells;
        EXPECT_EQ(cells, layout::kColourBasicCellCount);
    }
}

TEST_F(ColourDialogTest, TabVisitsTheWindowInReadingOrderInBothLanguages)
{
    struct Case
    {
        std::uint16_t language;
        std::vector<std::string> forward; // from the hue and saturation field, where the dialog opens
    };
    const Case cases[] = {
        {kLanguageEnglish,
         {"Luminosity", "OK", "Cancel", "Close", "#FF0000", "Hue and saturation #FF0000", "Luminosity"}},
        {kLanguageGerman,
         {"Helligkeit", "OK", "Abbrechen", "Schließen", "#FF0000", "Farbton und Sättigung #FF0000",
          "Helligkeit"}},
    };
    for (const Case& c : cases) {
        dialog = std::make_unique<CCustomColorDialog>(c.language);
        ShowActive(ColourRef(255, 0, 0));
        EXPECT_EQ(test::FocusedName(dialog.get()), c.forward[5]);
        EXPECT_EQ(test::TabWalk(dialog.get(), static_cast<int>(c.forward.size())), c.forward);
        // Shift+Tab comes back the same way.
        std::vector<std::string> back(c.forward.rbegin() + 1, c.forward.rend());
        EXPECT_EQ(test::TabWalk(dialog.get(), static_cast<int>(back.size()), false), back);
    }
}

TEST_F(ColourDialogTest, TheKeyboardAloneChoosesACellAndEndsWithOk)
{
    const std::optional<std::uint32_t> result = RunOpen(0x0C0C0C, [&] {
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        // No cell has this colour: Tab enters the grid at its first cell.
        EXPECT_EQ(test::TabWalk(dialog.get(), 5).back(), "#FF8080");
        QTest::keyClick(dialog.get(), Qt::Key_Right);
        QTest::keyClick(dialog.get(), Qt::Key_Down);
        EXPECT_EQ(test::FocusedName(dialog.get()), "#FFFF00");
        EXPECT_EQ(dialog->SelectedCell(), CCustomColorDialog::kNoCell) << "moving is no choice";
        QTest::keyClick(dialog.get(), Qt::Key_Space);
        EXPECT_EQ(dialog->SelectedCell(), 9);
        ExpectFieldsShow(ColourRef(255, 255, 0), "the cell chosen by Space");
        EXPECT_NE(test::FindAccessible(dialog.get(), QAccessible::ColorChooser,
                                       QStringLiteral("Hue and saturation #FFFF00")),
                  nullptr);
        // Left of the grid's first column there is nothing: the focus stays.
        QTest::keyClick(dialog.get(), Qt::Key_Left);
        QTest::keyClick(dialog.get(), Qt::Key_Left);
        EXPECT_EQ(test::FocusedName(dialog.get()), "#FF0000");
        EXPECT_EQ(test::TabWalk(dialog.get(), 3, false), (std::vector<std::string>{"Close", "Cancel", "OK"}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    });
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, ColourRef(255, 255, 0));
}

TEST_F(ColourDialogTest, TheBarIsASliderAndTheFieldIsNamedWithItsColour)
{
    ShowActive(ColourRef(255, 0, 0));
    QAccessibleInterface* bar =
        test::FindAccessible(dialog.get(), QAccessible::Slider, QStringLiteral("Luminosity"));
    ASSERT_NE(bar, nullptr);
    QAccessibleValueInterface* value = bar->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 240);
    EXPECT_EQ(value->minimumStepSize().toInt(), 5);
    EXPECT_EQ(value->currentValue().toInt(), 120);

    value->setCurrentValue(200);
    EXPECT_EQ(dialog->Spectrum()->Luminosity(), 200);
    EXPECT_EQ(dialog->ChosenColour(), HslToRgb(0, 240, 200));
    EXPECT_EQ(FieldValue(CCustomColorDialog::kLuminosityId), 200);
    value->setCurrentValue(999);
    EXPECT_EQ(value->currentValue().toInt(), 240) << "kept within the range";

    // The bar's actions step it and give it the keyboard, where the arrows go on.
    bar->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    EXPECT_EQ(value->currentValue().toInt(), 235);
    bar->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    EXPECT_TRUE(dialog->Spectrum()->BarFocused());
    EXPECT_TRUE(bar->state().focused);
    EXPECT_EQ(test::FocusedName(dialog.get()), "Luminosity");
    QTest::keyClick(dialog->Spectrum(), Qt::Key_Down);
    EXPECT_EQ(value->currentValue().toInt(), 230);

    // The field's name follows the colour.
    QTest::keyClick(dialog->Spectrum(), Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyRelease(dialog->Spectrum(), Qt::Key_Shift);
    QTest::keyClick(dialog->Spectrum(), Qt::Key_End);
    const QString field =
        QStringLiteral("Hue and saturation ") + CXColorSpectrumCtrl::HashName(dialog->ChosenColour());
    EXPECT_EQ(test::FocusedName(dialog.get()), field.toStdString());
    // A cell pressed through its action is chosen.
    QAccessibleInterface* cell =
        test::FindAccessible(dialog.get(), QAccessible::Button, QStringLiteral("#0000FF"));
    ASSERT_NE(cell, nullptr);
    cell->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->ChosenColour(), ColourRef(0, 0, 255));
    EXPECT_TRUE(cell->state().checked);
}

} // namespace
} // namespace corvane
