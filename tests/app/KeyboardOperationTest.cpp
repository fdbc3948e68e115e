// The main window without a mouse, and as assistive technology reads it: the Tab order, the
// arrow keys on the keyboard picture, Space on each kind of control, the names and states, and
// the focus mark.

#include "MainWindowFixture.h"

#include "keys/KeyNames.h"
#include "keys/MacroKeys.h"
#include "skin/SkinDraw.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <algorithm>

namespace corvane::apptest {
namespace {

class CountingMacroWindow : public MacroWindow
{
public:
    bool Open() override
    {
        ++openings;
        return false;
    }
    const MacroNumbering& Numbering() const override { return numbering; }
    int openings = 0;
    MacroNumbering numbering{};
};

class KeyboardOperationTest : public MainWindowTest
{
protected:
    void StartFocused(std::uint16_t language = kLanguageEnglish)
    {
        Start(language);
        window->SetKeyAssignmentWindow(&keys);
        window->SetMacroWindow(&macroWindow);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Keys go where the focus is, as the keyboard's would.
    void Press(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        QCoreApplication::processEvents();
    }
    QAccessibleInterface* Accessible() const { return QAccessible::queryAccessibleInterface(window.get()); }
    QString FocusedName() const
    {
        QAccessibleInterface* focused = Accessible()->focusChild();
        return focused != nullptr ? focused->text(QAccessible::Name) : QString();
    }
    QAccessibleInterface* Named(const QString& name) const
    {
        QAccessibleInterface* dialog = Accessible();
        for (int i = 0; i < dialog->childCount(); ++i)
            if (QAccessibleInterface* child = dialog->child(i); child->text(QAccessible::Name) == name)
                return child;
        return nullptr;
    }
    // Tabs until the focus is on the control named so; false when a whole round does not reach it.
    bool TabTo(const QString& name)
    {
        for (int i = 0; i < 40; ++i) {
            if (FocusedName() == name) return true;
            Press(Qt::Key_Tab);
        }
        return false;
    }
    QString KeyName(std::uint8_t slot) const
    {
        return QString::fromStdString(SlotName(slot, StandardKeyCodeTable()));
    }

    FakeKeyWindow keys;
    CountingMacroWindow macroWindow;
};

// One round of Tab in reading order, and Shift+Tab the same round backwards: groups (colours,
// directions, the keyboard picture) are one stop each.
TEST_F(KeyboardOperationTest, TabWalksTheWindowInReadingOrderBothWays)
{
    const struct
    {
        std::uint16_t language;
        QStringList stops;
    } cases[] = {
        {kLanguageEnglish,
         {"Help", "Minimise", "Close", "Light effects: Wave", "Speed", "Brightness", "Multicolour",
          "Light direction: left", "RESPONSE TIME", "REPORT RATE", "GAME MODE", "WINDOWS KEY LOCK", "Profile",
          "Macro", "Esc", "Apply"}},
        {kLanguageGerman,
         {"Hilfe", "Minimieren", "Schließen", "Lichteffekte: Welle", "Effekt geschwindigkeit", "Helligkeit",
          "Mehrfarbig", "Lichtrichtung: nach links", "Wiederholrate", "REPORT RATE", "Spielmodus",
          "Windowstasten sperren", "Profil", "Macro", "Esc", "Anwenden"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        StartFocused(c.language);
        // The window opens with the focus on its first widget; the round is the same from anywhere.
        std::vector<std::string> forward;
        for (int i = 0; i < 2 * c.stops.size(); ++i) {
            Press(Qt::Key_Tab);
            forward.push_back(FocusedName().section(QLatin1Char(','), 0, 0).toStdString());
        }
        const auto first = std::find(forward.begin(), forward.end(), c.stops.first().toStdString());
        ASSERT_LE(first + c.stops.size(), forward.end());
        std::vector<std::string> expected;
        for (const QString& stop : c.stops)
            expected.push_back(stop.toStdString());
        EXPECT_EQ(std::vector<std::string>(first, first + c.stops.size()), expected);
        EXPECT_TRUE(window->FocusMarkShown());
        std::vector<std::string> backward;
        for (int i = 0; i < c.stops.size(); ++i) {
            Press(Qt::Key_Backtab, Qt::ShiftModifier);
            backward.insert(backward.begin(), FocusedName().section(QLatin1Char(','), 0, 0).toStdString());
        }
        std::sort(backward.begin(), backward.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(backward, expected); // one round backwards visits every stop once
        window.reset();
    }
}

// The arrow keys move between keys by where they lie; a group's stop is the key focused last.
TEST_F(KeyboardOperationTest, ArrowKeysMoveBetweenKeysByPosition)
{
    StartFocused();
    ASSERT_TRUE(TabTo(QStringLiteral("Esc")));
    const struct
    {
        int key;
        const char* to;
    } moves[] = {
        {Qt::Key_Right, "F1"},  {Qt::Key_Left, "Esc"}, {Qt::Key_Down, "`"},   {Qt::Key_Right, "1"},
        {Qt::Key_Down, "Q"},    {Qt::Key_Left, "Tab"}, {Qt::Key_Left, "Tab"}, // nothing lies further left
        {Qt::Key_Down, "Caps"}, {Qt::Key_Up, "Tab"},   {Qt::Key_Up, "`"},
    };
    for (const auto& move : moves) {
        Press(move.key);
        EXPECT_EQ(FocusedName().section(QLatin1Char(','), 0, 0).toStdString(), move.to) << move.key;
    }
    Press(Qt::Key_Tab);
    Press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedName().toStdString(), "`");
}

// Every kind of control does with Space what a click does, and its accessible state follows.
TEST_F(KeyboardOperationTest, SpacePressesButtonsTogglesCheckBoxesAndOpensKeys)
{
    StartFocused();
    ASSERT_TRUE(TabTo(QStringLiteral("GAME MODE")));
    const bool gameMode = Accessible()->focusChild()->state().checked;
    Press(Qt::Key_Space);
    EXPECT_NE(Accessible()->focusChild()->state().checked, gameMode);

    ASSERT_TRUE(TabTo(QStringLiteral("Macro")));
    Press(Qt::Key_Space);
    EXPECT_EQ(macroWindow.openings, 1);

    ASSERT_TRUE(TabTo(QStringLiteral("Esc")));
    Press(Qt::Key_Right);
    Press(Qt::Key_Space);
    ASSERT_EQ(keys.openedSlots.size(), 1u);
    EXPECT_EQ(KeyName(static_cast<std::uint8_t>(keys.openedSlots[0])), QStringLiteral("F1"));

    // The effect list: Space opens it, the arrows walk its rows, Space chooses.
    ASSERT_TRUE(TabTo(QStringLiteral("Light effects: Wave")));
    Press(Qt::Key_Space);
    ASSERT_TRUE(window->EffectListOpen());
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    const QString chosen = FocusedName();
    Press(Qt::Key_Space);
    EXPECT_FALSE(window->EffectListOpen());
    EXPECT_EQ(Named(QStringLiteral("Light effects: ") + chosen) != nullptr, true) << chosen.toStdString();

    // Apply sends what the keyboard alone changed.
    emulator.ClearTrace();
    ASSERT_TRUE(TabTo(QStringLiteral("Apply")));
    Press(Qt::Key_Space);
    EXPECT_FALSE(Commands().empty());
    EXPECT_EQ(emulator.State().gameMode != 0, !gameMode);
}

// A key's name says what it does now; the press action answers at once and presses afterwards.
TEST_F(KeyboardOperationTest, KeysAreNamedWithTheirAssignmentAndActionsAreQueued)
{
    StartFocused();
    const std::uint8_t f1 = static_cast<std::uint8_t>(*SlotOfName("F1", StandardKeyCodeTable()));
    KeyRecord& record = state->records[f1];
    record.SetKind(KeyFunctionKind::kCombination);
    const std::uint8_t combination[3] = {*KeyCodeOfName("Ctrl", StandardKeyCodeTable()),
                                         *KeyCodeOfName("Shift", StandardKeyCodeTable()),
                                         *KeyCodeOfName("K", StandardKeyCodeTable())};
    std::copy(std::begin(combination), std::end(combination), record.Data());
    window->FullPaint();
    EXPECT_NE(Named(QStringLiteral("F1, combination LCtrl+LShift+K")), nullptr);

    int named = 0;
    for (int i = 0; i < Accessible()->childCount(); ++i)
        named += Accessible()->child(i)->text(QAccessible::Name).isEmpty() ? 0 : 1;
    EXPECT_GE(named, 100);

    QAccessibleInterface* macro = Named(QStringLiteral("Macro"));
    ASSERT_NE(macro, nullptr);
    ASSERT_NE(macro->actionInterface(), nullptr);
    macro->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(macroWindow.openings, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(macroWindow.openings, 1);
}

// The mark shows from the first Tab, around the focused control, and goes with a mouse press.
TEST_F(KeyboardOperationTest, FocusMarkFollowsTheKeyboardAndGoesWithTheMouse)
{
    StartFocused();
    const QImage before = Frame();
    ASSERT_TRUE(TabTo(QStringLiteral("Apply")));
    const QImage marked = Frame();
    const QRect apply = AreaOf(layout::kMainButtons[layout::kButtonApply].rect);
    const QPoint corner = apply.topLeft() - QPoint(2, 2);
    EXPECT_NE(marked.pixel(corner), before.pixel(corner));
    EXPECT_EQ(marked.pixel(apply.center()), before.pixel(apply.center()));
    Click(600, 500);
    EXPECT_FALSE(window->FocusMarkShown());
    EXPECT_EQ(Frame().pixel(corner), before.pixel(corner));
}

} // namespace
} // namespace corvane::apptest
