// The main window without a mouse, and as assistive technology reads it: the Tab order, the
// arrow keys on the keyboard picture, Space on each kind of control, the names and states, and
// the focus mark.

#include "../support/AccessibleLookup.h"
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
    }
    // The focused control's name; for a key, only the key's own name.
    std::string Focused() const
    {
        return QString::fromStdString(test::FocusedName(window.get())).section(',', 0, 0).toStdString();
    }
    bool TabTo(const std::string& name) { return test::TabTo(window.get(), name); }
    QAccessibleInterface* Named(const QString& name, QAccessible::Role role = QAccessible::Button) const
    {
        return test::FindAccessible(window.get(), role, name);
    }

    FakeKeyWindow keys;
    CountingMacroWindow macroWindow;
};

// One round of Tab in reading order, and one of Shift+Tab back: groups (colours, directions, the
// keyboard picture) are one stop each. The window opens with the focus on its first widget.
TEST_F(KeyboardOperationTest, TabWalksTheWindowInReadingOrderBothWays)
{
    const struct
    {
        std::uint16_t language;
        std::vector<std::string> stops;
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
        ASSERT_TRUE(TabTo(c.stops.front()));
        std::vector<std::string> forward = {c.stops.front()};
        for (const std::string& name : test::TabWalk(window.get(), static_cast<int>(c.stops.size()) - 1))
            forward.push_back(QString::fromStdString(name).section(',', 0, 0).toStdString());
        EXPECT_EQ(forward, c.stops);
        EXPECT_TRUE(window->FocusMarkShown());
        std::vector<std::string> backward;
        for (const std::string& name : test::TabWalk(window.get(), static_cast<int>(c.stops.size()), false))
            backward.insert(backward.begin(), QString::fromStdString(name).section(',', 0, 0).toStdString());
        // From Apply back round to Apply: the stops in reverse, ending where it began.
        std::rotate(backward.begin(), backward.begin() + 1, backward.end());
        EXPECT_EQ(backward, c.stops);
        window.reset();
    }
}

// The arrow keys move between keys by where they lie; Tab comes back to the key focused last.
TEST_F(KeyboardOperationTest, ArrowKeysMoveBetweenKeysByPosition)
{
    StartFocused();
    ASSERT_TRUE(TabTo("Esc"));
    const std::pair<int, const char*> moves[] = {
        {Qt::Key_Right, "F1"},  {Qt::Key_Left, "Esc"}, {Qt::Key_Down, "`"},   {Qt::Key_Right, "1"},
        {Qt::Key_Down, "Q"},    {Qt::Key_Left, "Tab"}, {Qt::Key_Left, "Tab"}, // nothing lies further left
        {Qt::Key_Down, "Caps"}, {Qt::Key_Up, "Tab"},   {Qt::Key_Up, "`"},
    };
    for (const auto& [key, to] : moves) {
        Press(key);
        EXPECT_EQ(Focused(), to) << key;
    }
    test::TabWalk(window.get(), 1);
    test::TabWalk(window.get(), 1, false);
    EXPECT_EQ(Focused(), "`");
}

// Space does what a click does on every kind of control, and a walk without the mouse changes
// the keyboard: game mode, a key opened, an effect chosen from the list, Apply.
TEST_F(KeyboardOperationTest, SpacePressesButtonsTogglesCheckBoxesAndOpensKeys)
{
    StartFocused();
    ASSERT_TRUE(TabTo("GAME MODE"));
    const bool gameMode = test::FocusedAccessible(window.get())->state().checked;
    Press(Qt::Key_Space);
    EXPECT_NE(test::FocusedAccessible(window.get())->state().checked, gameMode);

    ASSERT_TRUE(TabTo("Macro"));
    Press(Qt::Key_Space);
    EXPECT_EQ(macroWindow.openings, 1);

    ASSERT_TRUE(TabTo("Esc"));
    Press(Qt::Key_Right);
    Press(Qt::Key_Space);
    EXPECT_EQ(keys.openedSlots,
              std::vector<int>{static_cast<int>(*SlotOfName("F1", StandardKeyCodeTable()))});

    ASSERT_TRUE(TabTo("Light effects: Wave"));
    Press(Qt::Key_Space);
    ASSERT_TRUE(window->EffectListOpen());
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    const std::string chosen = Focused();
    Press(Qt::Key_Space);
    EXPECT_FALSE(window->EffectListOpen());
    EXPECT_NE(Named(QString::fromStdString("Light effects: " + chosen), QAccessible::ComboBox), nullptr)
        << chosen;

    emulator.ClearTrace();
    ASSERT_TRUE(TabTo("Apply"));
    Press(Qt::Key_Space);
    EXPECT_FALSE(Commands().empty());
    EXPECT_EQ(emulator.State().gameMode != 0, !gameMode);
}

// A key's name says what it does now; the press action answers at once and presses afterwards.
TEST_F(KeyboardOperationTest, KeysAreNamedWithTheirAssignmentAndActionsAreQueued)
{
    StartFocused();
    const KeyCodeTable& codes = StandardKeyCodeTable();
    KeyRecord& record = state->records[*SlotOfName("F1", codes)];
    record.SetKind(KeyFunctionKind::kCombination);
    const std::uint8_t combination[3] = {*KeyCodeOfName("Ctrl", codes), *KeyCodeOfName("Shift", codes),
                                         *KeyCodeOfName("K", codes)};
    std::copy(std::begin(combination), std::end(combination), record.Data());
    window->FullPaint();
    EXPECT_NE(Named(QStringLiteral("F1, combination LCtrl+LShift+K")), nullptr);

    QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(window.get());
    int named = 0;
    for (int i = 0; i < dialog->childCount(); ++i)
        named += dialog->child(i)->text(QAccessible::Name).isEmpty() ? 0 : 1;
    EXPECT_GE(named, 100);

    QAccessibleInterface* macro = Named(QStringLiteral("Macro"));
    ASSERT_NE(macro, nullptr);
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
    ASSERT_TRUE(TabTo("Apply"));
    const QRect apply = AreaOf(layout::kMainButtons[layout::kButtonApply].rect);
    const QPoint corner = apply.topLeft() - QPoint(2, 2);
    EXPECT_NE(Frame().pixel(corner), before.pixel(corner));
    EXPECT_EQ(Frame().pixel(apply.center()), before.pixel(apply.center()));
    Click(600, 500);
    EXPECT_FALSE(window->FocusMarkShown());
    EXPECT_EQ(Frame().pixel(corner), before.pixel(corner));
}

} // namespace
} // namespace corvane::apptest
