// The macro dialog driven at its own coordinates against a store of the test's own: macro list,
// recording through a fake hook, options, the event list's menu and in-place delay edit, and
// what OK, Cancel and the close box leave in the store and in MacroDefine.bin.

#include "macros/ui/CMacroRecordDlg.h"
#include "../../app/MainWindowFixture.h"
#include "../../support/AccessibleLookup.h"
#include "../MacroFileBuilder.h"
#include "format/DeviceKeyEntry.h"
#include "keys/ui/CKeyMap.h"
#include "platform/qt/LanguageSetting.h"
#include "skin/EditHelper.h"
#include "skin/SkinImage.h"
#include "skin/SkinLayout.h"
#include "skin/TransparentListBox.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace corvane {
namespace {

using apptest::MainWindowTest;
using apptest::ScriptedPrompt;
using test::MacroFileBuilder;

constexpr std::uint8_t kA = 'A', kB = 'B', kX = 'X';

class MacroHook : public KeyboardHook
{
public:
    bool installhook(HookWindow& target, std::int32_t mode) override
    {
        modes.push_back(mode);
        window = &target;
        return true;
    }
    void removehook() override { window = nullptr; }
    bool CapturesOnlyWhenFocused() const override { return focusedOnly; }
    void Key(std::uint8_t key, bool release, InputTime time = {})
    {
        if (window != nullptr) window->HookKey(key, release ? kHookKeyReleased : 0, time);
    }
    void Tap(std::uint8_t key)
    {
        Key(key, false);
        Key(key, true);
    }
    HookWindow* window = nullptr;
    std::vector<std::int32_t> modes;
    bool focusedOnly = false;
};

QPoint Centre(int entry)
{
    const layout::Rect& r = layout::kMacroButtons[entry].rect;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class MacroDialogTest : public ::testing::Test
{
protected:
    void SetUp() override { SetProgramFolder(QStringLiteral(CORVANE_SKIN_DIR)); }
    void TearDown() override { dialog.reset(); }

    void Open(std::uint16_t language = kLanguageEnglish)
    {
        if (!dialog)
            dialog = std::make_unique<CMacroRecordDlg>(*state, *macros, StandardKeyCodeTable(), prompt, &hook,
                                                       language);
        dialog->Begin();
        QCoreApplication::processEvents();
    }
    void Click(int entry)
    {
        QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, Centre(entry));
        QCoreApplication::processEvents();
    }
    std::vector<QString> Items(CTransparentListBox* list) const
    {
        std::vector<QString> items;
        for (int i = 0; i < list->count(); ++i)
            items.push_back(list->item(i)->text());
        return items;
    }
    std::vector<QString> Lines() const { return Items(dialog->EventList()); }
    std::vector<QString> Names() const { return Items(dialog->MacroList()); }
    QPoint LinePoint(CTransparentListBox* list, int line) const
    {
        return {10, list->ItemHeight() * line + list->ItemHeight() / 2};
    }
    void SelectLine(int line) { dialog->EventList()->setCurrentRow(line); }
    // The selected event line as assistive technology reads it.
    std::string SelectedLineName() const
    {
        CTransparentListBox* list = dialog->EventList();
        const int row = list->currentRow();
        if (row < 0 || !list->item(row)->isSelected()) return "(none)";
        return list->item(row)->data(Qt::AccessibleTextRole).toString().toStdString();
    }
    // Opens the event list's menu with a right click on a line (by default the selected one; -1:
    // below the last line) and picks an entry by its path of texts.
    void MenuCommand(const std::vector<QString>& path)
    {
        MenuCommand(path, dialog->EventList()->currentRow());
    }
    void MenuCommand(const std::vector<QString>& path, int row)
    {
        CTransparentListBox* list = dialog->EventList();
        QTest::mousePress(list->viewport(), Qt::RightButton, {},
                          row >= 0 ? list->visualItemRect(list->item(row)).center()
                                   : QPoint(10, list->ItemHeight() * list->count() + 2));
        QMenu* menu = dialog->EditMenu();
        ASSERT_NE(menu, nullptr);
        for (const QString& text : path) {
            QAction* found = nullptr;
            for (QAction* action : menu->actions())
                if (action->text() == text) found = action;
            ASSERT_NE(found, nullptr) << text.toStdString();
            if (found->menu() != nullptr) {
                menu = found->menu();
            } else {
                found->trigger();
            }
        }
        dialog->EditMenu()->close();
        QCoreApplication::processEvents();
    }
    // Shown, active, with the focus in the macro list.
    void OpenActive(std::uint16_t language = kLanguageEnglish)
    {
        Open(language);
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        dialog->MacroList()->setFocus();
    }
    const MacroRecord& Working(std::size_t i) const { return dialog->WorkingStore()[i]; }
    // The Record button as the window shows it now.
    QImage ShownRecordButton() const
    {
        const layout::Rect& r = layout::kMacroButtons[layout::kMacroButtonRecord].rect;
        return dialog->grab().toImage().copy(QRect(r.left, r.top, r.Width(), r.Height()));
    }
    void ClickRow(CTransparentListBox* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, LinePoint(list, row));
        QCoreApplication::processEvents();
    }

    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> macros = std::make_unique<MacroStore>();
    MacroHook hook;
    ScriptedPrompt prompt;
    std::unique_ptr<CMacroRecordDlg> dialog;
};

TEST_F(MacroDialogTest, EmptyStoreRecordAsksForAMacroAndNewCreatesOne)
{
    Open();
    EXPECT_EQ(dialog->size(), QSize(layout::kMacroDialogSize.width, layout::kMacroDialogSize.height));
    EXPECT_TRUE(Names().empty());
    EXPECT_FALSE(dialog->LoopOption());
    Click(layout::kMacroButtonRecord);
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].text, QStringLiteral("Select a Macro file to record \n"));
    EXPECT_EQ(prompt.calls[0].caption, QStringLiteral("Macro Management"));
    EXPECT_FALSE(dialog->HookInstalled());

    Click(layout::kMacroButtonNew);
    EXPECT_EQ(Names(), std::vector<QString>{"Macro_001"});
    EXPECT_EQ(dialog->MacroList()->currentRow(), 0);
    EXPECT_EQ(Working(0).Name(), u"Macro_001");
    EXPECT_EQ(Working(0).RepeatCount(), 1);
    for (int i = 1; i < 40; ++i)
        Click(layout::kMacroButtonNew);
    EXPECT_EQ(Names().size(), kMaxMacros);
    EXPECT_EQ(dialog->WorkingStore().CountInUse(), kMaxMacros);
    EXPECT_EQ(Names().back(), QStringLiteral("Macro_032"));
    EXPECT_FALSE(Working(kMaxMacros).InUse());
}

TEST_F(MacroDialogTest, RecordingThroughTheHookFillsListAndRecord)
{
    *macros = MacroFileBuilder().Macro(u"one").Tap(kX).Tap(kX).Store();
    Open();
    ASSERT_EQ(Lines().size(), 4u);
    Click(layout::kMacroButtonRecord);
    EXPECT_TRUE(dialog->Recording());
    ASSERT_TRUE(dialog->HookInstalled());
    EXPECT_EQ(hook.modes, std::vector<std::int32_t>{kHookModePressAndRelease});
    // The old events are gone at once, from the list and from the record.
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Working(0).Events(), MacroEvents{});
    hook.Tap(kA);
    hook.Key(kB, false);
    hook.Key(kB, false); // key repeat
    hook.Key(kB, true);
    EXPECT_EQ(Lines(), (std::vector<QString>{"A  dn", "A  up", "B  dn", "B  up"}));
    EXPECT_EQ(dialog->EventList()->currentRow(), 3);
    EXPECT_EQ(Working(0).Events(), dialog->Session().Events());
    EXPECT_EQ(Working(0).Name(), u"one");
    Click(layout::kMacroButtonRecord);
    EXPECT_FALSE(dialog->HookInstalled());
    EXPECT_EQ(hook.window, nullptr);
    hook.Tap(kX);
    EXPECT_EQ(Lines().size(), 4u);
    // With delays, the pause is the one between the key events' own times.
    Click(layout::kMacroButtonDelay);
    Click(layout::kMacroButtonRecord);
    hook.Key(kA, false, 1000);
    QTest::qWait(30);
    hook.Key(kA, true, 1123);
    EXPECT_EQ(Lines(), (std::vector<QString>{"A  dn", "123 ms", "A  up"}));
}

// Where keys are captured only while the dialog has the focus, it says so before anything is
// recorded, in the free space under the editing hint, in both languages.
TEST_F(MacroDialogTest, FocusedCaptureIsSaidBeforeRecording)
{
    const QRect note(254, 250, 124, 40);
    for (const std::uint16_t language : {kLanguageEnglish, kLanguageGerman}) {
        QImage frames[2];
        for (const bool focusedOnly : {false, true}) {
            hook.focusedOnly = focusedOnly;
            dialog.reset();
            Open(language);
            frames[focusedOnly ? 1 : 0] = dialog->ComposeFrame();
            dialog->reject();
        }
        EXPECT_NE(frames[0].copy(note), frames[1].copy(note)) << "language " << language;
        // Nothing else of the window changes.
        QImage outside[2] = {frames[0], frames[1]};
        for (QImage& frame : outside)
            QPainter(&frame).fillRect(note, Qt::black);
        EXPECT_EQ(outside[0], outside[1]) << "language " << language;
    }
}

TEST_F(MacroDialogTest, AFullMacroEndsTheRecordingAndSaysWhy)
{
    *macros = MacroFileBuilder().Macro(u"long").Store();
    Open();
    Click(layout::kMacroButtonRecord);
    ASSERT_TRUE(dialog->HookInstalled());
    for (int i = 0; i < 60 && dialog->HookInstalled(); ++i)
        hook.Tap(i % 2 == 0 ? kA : kB);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dialog->HookInstalled());
    EXPECT_FALSE(dialog->Recording());
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].text, QStringLiteral("The macro is full: recording stopped."));
    // Every press kept its release, and the record holds what the list shows.
    EXPECT_EQ(Lines().size(), 92u);
    EXPECT_EQ(Lines().back(), QStringLiteral("B  up"));
    EXPECT_EQ(Working(0).Events(), dialog->Session().Events());
    EXPECT_EQ(EndOfData(Working(0).Events()), 184u);
}

TEST_F(MacroDialogTest, DeleteSelectsTheMacroThatTookThePlace)
{
    struct Case
    {
        const char* name;
        int macros;
        int selected; // -1: none
        bool confirm;
        std::vector<QString> names;
        int selectedAfter;
        const char* told;
    };
    const Case cases[] = {
        {"second of five", 5, 1, true, {"m0", "m2", "m3", "m4"}, 1, nullptr},
        {"last of five", 5, 4, true, {"m0", "m1", "m2", "m3"}, 3, nullptr},
        {"the only one", 1, 0, true, {}, -1, nullptr},
        {"cancelled", 3, 1, false, {"m0", "m1", "m2"}, 1, nullptr},
        {"no selection", 3, -1, true, {"m0", "m1", "m2"}, -1, "Please select a Macro file to delete\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MacroFileBuilder file;
        for (int i = 0; i < c.macros; ++i)
            file.Macro(u"m" + std::u16string(1, static_cast<char16_t>(u'0' + i)))
                .Tap(static_cast<std::uint8_t>('A' + i));
        *macros = file.Store();
        dialog.reset();
        prompt = ScriptedPrompt{};
        Open();
        dialog->MacroList()->setCurrentRow(c.selected);
        prompt.answers.push_back(c.confirm);
        Click(layout::kMacroButtonDelete);
        ASSERT_GE(prompt.calls.size(), 1u);
        EXPECT_EQ(prompt.calls[0].text, QStringLiteral("Confirm to delete?"));
        if (c.told != nullptr) {
            ASSERT_EQ(prompt.calls.size(), 2u);
            EXPECT_EQ(prompt.calls[1].text, QString::fromUtf8(c.told));
        }
        EXPECT_EQ(Names(), c.names);
        const int selected = dialog->MacroList()->currentRow();
        EXPECT_EQ(selected, c.selectedAfter);
        EXPECT_EQ(dialog->WorkingStore().CountInUse(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i)
            EXPECT_EQ(QString::fromStdU16String(Working(i).Name()), c.names[i]);
        EXPECT_FALSE(Working(c.names.size()).InUse());
        // The event list shows the macro now selected.
        if (selected >= 0) {
            EXPECT_EQ(dialog->Session().Events(), Working(static_cast<std::size_t>(selected)).Events());
        } else {
            EXPECT_TRUE(Lines().empty() || c.told != nullptr);
        }
    }
}

TEST_F(MacroDialogTest, DeleteNamesTheKeysThatPlayTheMacroBeforeAsking)
{
    constexpr std::uint8_t kSlotQ = 42, kSlotW = 43, kSlotE = 44, kSlotNumMinus = 40;
    // What the user does before Delete: select a macro, possibly after other deletions or a new one.
    enum class Before { kNothing, kDeleteFirst, kNew };
    struct Case
    {
        const char* name;
        std::uint16_t language;
        Before before;
        int selected;
        const char* question;
    };
    const Case cases[] = {
        {"keys on it", kLanguageEnglish, Before::kNothing, 1,
         "Keys playing this macro: Num -, Q, W.\nDelete it anyway? These keys get their own function back."},
        {"keys on it, German", kLanguageGerman, Before::kNothing, 1,
         "Tasten mit diesem Macro: Num -, Q, W.\nTrotzdem löschen? Diese Tasten erhalten ihre eigene "
         "Funktion "
         "zurück."},
        {"no key on it", kLanguageEnglish, Before::kNothing, 0, "Confirm to delete?"},
        {"no key on it, German", kLanguageGerman, Before::kNothing, 0, "Ausgewähltes Macro löschen?？"},
        {"only the keyboard's entry on it", kLanguageEnglish, Before::kNothing, 2,
         "Keys playing this macro: E.\nDelete it anyway? These keys get their own function back."},
        {"moved up by a deletion", kLanguageEnglish, Before::kDeleteFirst, 0,
         "Keys playing this macro: Num -, Q, W.\nDelete it anyway? These keys get their own function back."},
        {"made in this opening", kLanguageEnglish, Before::kNew, 3, "Confirm to delete?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *state = SettingsState{};
        for (std::size_t k = 0; k < 128; ++k)
            PutDeviceKeyEntry(state->image, k, DefaultDeviceKeyTable()[k]);
        MacroFileBuilder file;
        for (const char16_t* name : {u"m0", u"m1", u"m2"})
            file.Macro(name).Tap(kA);
        *macros = file.Store();
        for (std::uint8_t slot : {kSlotQ, kSlotW, kSlotNumMinus}) {
            AssignmentResult r;
            r.selectedKeySlot = slot;
            r.kind = KeyFunctionKind::kMacro;
            r.macroNumber = 1;
            AssignKey(*state, r, StandardKeyCodeTable(), *macros);
        }
        PutDeviceKeyEntry(state->image, DeviceKeyIndex(kSlotE), MacroEntry(2));
        dialog.reset();
        prompt = ScriptedPrompt{};
        Open(c.language);
        if (c.before == Before::kDeleteFirst) {
            dialog->MacroList()->setCurrentRow(0);
            prompt.answers.push_back(true);
            Click(layout::kMacroButtonDelete);
        } else if (c.before == Before::kNew) {
            Click(layout::kMacroButtonNew);
        }
        prompt.calls.clear();
        dialog->MacroList()->setCurrentRow(c.selected);
        const std::vector<QString> namesBefore = Names();
        prompt.answers.push_back(false);
        Click(layout::kMacroButtonDelete);
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_TRUE(prompt.calls[0].question);
        EXPECT_EQ(prompt.calls[0].caption, QStringLiteral("Macro Management"));
        EXPECT_EQ(prompt.calls[0].text, QString::fromUtf8(c.question));
        // Cancel deletes nothing.
        EXPECT_EQ(Names(), namesBefore);
    }
}

TEST_F(MacroDialogTest, LoopCountFollowsTheTickAndTheRecord)
{
    *macros = MacroFileBuilder()
                  .Macro(u"once")
                  .Tap(kA)
                  .Macro(u"twelve", 12)
                  .Tap(kB)
                  .Macro(u"zero", 0)
                  .Tap(kX)
                  .Store();
    Open();
    struct Shown
    {
        int row;
        bool loop;
        const char* text;
    };
    for (const Shown s : {Shown{1, true, "12"}, Shown{2, false, "1"}, Shown{0, false, "1"}}) {
        dialog->MacroList()->setCurrentRow(s.row);
        EXPECT_EQ(dialog->LoopOption(), s.loop) << s.row;
        EXPECT_EQ(dialog->LoopCountEdit()->text(), QString::fromLatin1(s.text)) << s.row;
        EXPECT_EQ(dialog->LoopCountEdit()->isEnabled(), s.loop) << s.row;
    }
    Click(layout::kMacroButtonLoop);
    ASSERT_TRUE(dialog->LoopOption());
    QLineEdit* edit = dialog->LoopCountEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("12x45"));
    EXPECT_EQ(edit->text(), QStringLiteral("124")); // digits only, three of them
    edit->clear();
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    edit->setText(QStringLiteral("7"));
    Click(layout::kMacroButtonOk);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ((*macros)[0].RepeatCount(), 7);

    Open();
    Click(layout::kMacroButtonLoop); // off
    EXPECT_EQ(dialog->LoopCountEdit()->text(), QStringLiteral("1"));
    EXPECT_FALSE(dialog->LoopCountEdit()->isEnabled());
    EXPECT_EQ(Working(0).RepeatCount(), 1);
}

// Showing a macro is no edit of it: counts the field cannot show as stored (0 reads 1, five digits
// do not fit the three that can be typed) and name fields with bytes after the name's end come
// back from a click on every row and OK exactly as they were.
TEST_F(MacroDialogTest, SelectingAndOkWithoutAnEditKeepEveryStoredByte)
{
    struct Shown
    {
        std::uint16_t count;
        bool loop;
        const char* text;
    };
    const Shown shown[] = {{0, false, "1"},    {1, false, "1"},      {2, true, "2"},         {12, true, "12"},
                           {999, true, "999"}, {1000, true, "1000"}, {65535, true, "65535"}, {0, false, "1"}};
    MacroFileBuilder file;
    for (std::size_t i = 0; i < std::size(shown); ++i)
        file.Macro(u"count" + std::u16string(1, static_cast<char16_t>(u'0' + i)), shown[i].count).Tap(kA);
    *macros = file.Store();
    // Written by another program: bytes after the name's end, and a name filling the whole field.
    (*macros)[1].bytes[20] = 0x5A;
    for (std::size_t unit = 0; unit < kMacroNameUnits; ++unit)
        (*macros)[2].bytes[2 * unit] = 'n';
    const MacroStore before = *macros;
    Open();
    for (const int row : {0, 1, 2, 3, 4, 5, 6, 7, 0, 6}) {
        SCOPED_TRACE(row);
        ClickRow(dialog->MacroList(), row);
        ASSERT_EQ(dialog->MacroList()->currentRow(), row);
        const Shown& s = shown[static_cast<std::size_t>(row)];
        EXPECT_EQ(dialog->LoopOption(), s.loop);
        EXPECT_EQ(dialog->LoopCountEdit()->text(), QString::fromLatin1(s.text));
        EXPECT_EQ(Working(static_cast<std::size_t>(row)).RepeatCount(), s.count);
    }
    Click(layout::kMacroButtonOk);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    for (std::size_t i = 0; i < std::size(shown); ++i) {
        EXPECT_EQ((*macros)[i].RepeatCount(), shown[i].count) << i;
        EXPECT_TRUE((*macros)[i].bytes == before[i].bytes) << i;
    }
    EXPECT_EQ(std::memcmp(macros->data(), before.data(), kMacroStoreSize), 0);

    // Typing is what changes a count; the field takes three digits again.
    Open();
    ClickRow(dialog->MacroList(), 6);
    QLineEdit* edit = dialog->LoopCountEdit();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("4321"));
    EXPECT_EQ(edit->text(), QStringLiteral("432"));
    Click(layout::kMacroButtonOk);
    EXPECT_EQ((*macros)[6].RepeatCount(), 432);
}

TEST_F(MacroDialogTest, RenameInPlaceReachesTheRecordAndAnEmptyNameIsRefused)
{
    *macros = MacroFileBuilder().Macro(u"first").Tap(kA).Macro(u"second").Tap(kB).Store();
    Open();
    CTransparentListBox* list = dialog->MacroList();
    struct Case
    {
        const char* typed;
        const char16_t* stored;
    };
    for (const Case c : {Case{"Greeting", u"Greeting"}, Case{"", u"Greeting"}}) {
        list->setCurrentRow(1);
        list->BeginEditAt(LinePoint(list, 1));
        ASSERT_NE(list->Editor(), nullptr);
        list->Editor()->setText(QString::fromUtf8(c.typed));
        list->EndEditing(true); // the record has the name at once
        EXPECT_EQ(Working(1).Name(), c.stored) << c.typed;
        EXPECT_EQ(Names()[1], QString::fromStdU16String(c.stored));
        EXPECT_EQ(Working(1).Events(), (*macros)[1].Events());
    }
    EXPECT_EQ(Working(0).Name(), u"first");
}

// Nothing changes while the dialog stands open, so nothing may wake the program for it: no timer
// fires, whatever was done before.
TEST_F(MacroDialogTest, AnIdleDialogRunsNoTimer)
{
    struct TimerEvents : QObject
    {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Timer) ++count;
            return false;
        }
    } timers;
    *macros = MacroFileBuilder().Macro(u"first", 12).Tap(kA).Macro(u"second").Tap(kB).Store();
    struct Step
    {
        const char* name;
        std::function<void()> act;
    };
    const Step steps[] = {
        {"opened", [] {}},
        {"renamed",
         [this] {
             CTransparentListBox* list = dialog->MacroList();
             list->BeginEditAt(LinePoint(list, 0));
             list->Editor()->setText(QStringLiteral("renamed"));
             list->EndEditing(true);
         }},
        {"another macro selected", [this] { ClickRow(dialog->MacroList(), 1); }},
    };
    Open();
    QCoreApplication::instance()->installEventFilter(&timers);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        QTest::qWait(20); // what the step itself left to do
        timers.count = 0;
        QTest::qWait(250);
        EXPECT_EQ(timers.count, 0);
    }
    EXPECT_EQ(Working(0).Name(), u"renamed");
}

TEST_F(MacroDialogTest, EnterAndEscapeDoNotEndTheDialog)
{
    Open();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Enter}) {
        QTest::keyClick(dialog.get(), key);
        QTest::keyClick(dialog->MacroList(), key);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), 0);
    }
}

// However a recording ends, the Record button says so at once; still reading "Stop Recording", a
// click on it would start a new recording and clear the macro.
TEST_F(MacroDialogTest, EveryEndOfARecordingShowsOnTheRecordButton)
{
    struct Way
    {
        const char* name;
        std::function<void()> end;
    };
    const Way ways[] = {
        {"Record button", [this] { Click(layout::kMacroButtonRecord); }},
        {"in-place delay edit",
         [this] {
             CTransparentListBox* list = dialog->EventList();
             list->setCurrentRow(1); // the 123 ms line
             list->BeginEditAt(LinePoint(list, 1));
             ASSERT_NE(list->Editor(), nullptr);
         }},
        {"captured key",
         [this] {
             SelectLine(0);
             MenuCommand({QStringLiteral("Insert After")});
             hook.Tap(kX);
         }},
        {"full macro",
         [this] {
             for (int i = 0; i < 60 && dialog->HookInstalled(); ++i)
                 hook.Tap(i % 2 == 0 ? kA : kB);
         }},
        {"New", [this] { Click(layout::kMacroButtonNew); }},
        {"Delete",
         [this] {
             prompt.answers.push_back(true);
             Click(layout::kMacroButtonDelete);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        *macros = MacroFileBuilder().Macro(u"m", 1, true).Macro(u"n").Store();
        dialog.reset();
        prompt = ScriptedPrompt{};
        Open();
        const QImage start = ShownRecordButton();
        Click(layout::kMacroButtonRecord);
        ASSERT_TRUE(dialog->Recording());
        hook.Key(kA, false, 1000);
        hook.Key(kA, true, 1123);
        ASSERT_EQ(Lines(), (std::vector<QString>{"A  dn", "123 ms", "A  up"}));
        ASSERT_FALSE(ShownRecordButton() == start) << "shows Stop Recording";
        way.end();
        EXPECT_FALSE(dialog->Recording());
        EXPECT_FALSE(dialog->HookInstalled());
        EXPECT_TRUE(ShownRecordButton() == start) << "shows Start Recording";
    }
}

// OK keeps an edit still being typed in either list, as if it had been confirmed.
TEST_F(MacroDialogTest, OkKeepsAnEditStillBeingTyped)
{
    struct Case
    {
        const char* name;
        bool eventList;
        int line;
        const char* typed;
        std::vector<QString> names;
        std::vector<std::uint8_t> device; // usage A = 0x04
    };
    const Case cases[] = {
        {"rename", false, 0, "Greeting", {"Greeting"}, {0x01, 0x04, 0xB2, 0x04, 0}},
        {"delay", true, 1, "500", {"m"}, {0x01, 0x04, 0xFF, 0x04, 0x01, 0xF4, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        *macros = MacroFileBuilder().Macro(u"m", 1, true).Press(kA).Release(kA, 50).Store();
        dialog.reset();
        Open();
        CTransparentListBox* list = c.eventList ? dialog->EventList() : dialog->MacroList();
        list->setCurrentRow(c.line);
        list->BeginEditAt(LinePoint(list, c.line));
        ASSERT_NE(list->Editor(), nullptr);
        list->Editor()->setText(QString::fromLatin1(c.typed));
        Click(layout::kMacroButtonOk);
        ASSERT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(QString::fromStdU16String((*macros)[0].Name()), c.names[0]);
        const MacroRecord& record = (*macros)[0];
        EXPECT_EQ(std::vector<std::uint8_t>(record.DeviceEvents().begin(),
                                            record.DeviceEvents().begin() +
                                                static_cast<std::ptrdiff_t>(c.device.size())),
                  c.device);
    }
}

TEST_F(MacroDialogTest, TabVisitsTheWindowInReadingOrderNamedInBothLanguages)
{
    struct Case
    {
        std::uint16_t language;
        std::uint16_t repeat;           // more than 1: Loop is on and its count field takes the focus
        std::vector<std::string> names; // from the macro list on, round to it again
        std::vector<std::string> lines; // the event list's items as read out
    };
    const Case cases[] = {
        {kLanguageEnglish,
         1,
         {"Events", "Start Recording", "Delay between keystrokes", "Loop", "New", "Delete", "OK", "Cancel",
          "Close", "Macros"},
         {"X pressed", "X released"}},
        {kLanguageGerman,
         12,
         {"Ablauf", "Aufnahme starten", "Verzögerung zwischen Tastenanschlägen", "Schleife",
          "Anzahl der Wiederholungen", "Neu", "Löschen", "OK", "Abbrechen", "Schließen", "Makros"},
         {"X gedrückt", "X losgelassen"}},
    };
    for (const Case& c : cases) {
        *macros = MacroFileBuilder().Macro(u"one", c.repeat, true).Tap(kX).Store();
        dialog.reset();
        OpenActive(c.language);
        EXPECT_EQ(test::TabWalk(dialog.get(), static_cast<int>(c.names.size())), c.names);
        auto named = [&](QAccessible::Role role, const std::string& name) {
            return test::FindAccessible(dialog.get(), role, QString::fromStdString(name));
        };
        ASSERT_NE(named(QAccessible::CheckBox, c.names[2]), nullptr);
        EXPECT_TRUE(named(QAccessible::CheckBox, c.names[2])->state().checked) << "the macro's delay option";
        EXPECT_EQ(named(QAccessible::CheckBox, c.names[3])->state().checked, c.repeat > 1);
        EXPECT_NE(named(QAccessible::List, c.names.back()), nullptr);
        EXPECT_NE(named(QAccessible::ListItem, "one"), nullptr);
        for (const std::string& line : c.lines)
            EXPECT_NE(named(QAccessible::ListItem, line), nullptr) << line;
    }
}

TEST_F(MacroDialogTest, RecordingWithoutTheMouseKeepsTheStopKeyOutOfTheMacro)
{
    const std::string spaceDown = FormatKeyLine(StandardKeyCodeTable().Label(0x20), false);
    const std::string spaceUp = FormatKeyLine(StandardKeyCodeTable().Label(0x20), true);
    const std::vector<QString> typed{"A  dn", "A  up", "B  dn", "B  up"};
    struct Case
    {
        const char* name;
        bool keyboardStart;
        bool hookFirst; // which sees the Space first: the hook (as under X11) or the window
        std::vector<QString> lines;
        bool stops;
    };
    const Case cases[] = {
        {"the hook sees the stop key first", true, true, typed, true},
        {"the window sees the stop key first", true, false, typed, true},
        {"started with the mouse, Space is a key of the macro",
         false,
         true,
         {"A  dn", "A  up", "B  dn", "B  up", QString::fromStdString(spaceDown),
          QString::fromStdString(spaceUp)},
         false},
    };
    for (const Case& c : cases) {
        *macros = MacroFileBuilder().Macro(u"one").Tap(kX).Tap(kX).Store();
        dialog.reset();
        OpenActive();
        if (c.keyboardStart) {
            EXPECT_EQ(test::TabWalk(dialog.get(), 2).back(), "Start Recording") << c.name;
            QTest::keyClick(dialog.get(), Qt::Key_Space);
        } else {
            Click(layout::kMacroButtonRecord);
        }
        ASSERT_TRUE(dialog->HookInstalled()) << c.name;
        // Keys typed into the window while recording belong to the macro, not to its controls.
        if (c.keyboardStart) {
            QTest::keyClick(dialog.get(), Qt::Key_Tab);
            QTest::keyClick(dialog.get(), Qt::Key_Right);
            EXPECT_EQ(test::FocusedName(dialog.get()), "Stop Recording") << c.name;
        }
        hook.Tap(kA);
        hook.Tap(kB);
        // Each of the Space's press and release reaches both, in one order or the other.
        for (bool release : {false, true}) {
            if (c.hookFirst) hook.Key(0x20, release);
            if (release)
                QTest::keyRelease(dialog.get(), Qt::Key_Space);
            else
                QTest::keyPress(dialog.get(), Qt::Key_Space);
            if (!c.hookFirst) hook.Key(0x20, release);
        }
        EXPECT_EQ(dialog->Recording(), !c.stops) << c.name;
        EXPECT_EQ(Lines(), c.lines) << c.name;
        if (!c.stops) continue;
        EXPECT_FALSE(dialog->HookInstalled()) << c.name;
        EXPECT_EQ(test::FocusedName(dialog.get()), "Start Recording") << c.name << ": not started again";
        // On to OK and press it: the macro is stored.
        EXPECT_EQ(test::TabWalk(dialog.get(), 5).back(), "OK") << c.name;
        QTest::keyClick(dialog.get(), Qt::Key_Space);
        EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.name;
        EXPECT_FALSE(dialog->isVisible()) << c.name;
        EXPECT_EQ((*macros)[0].Events(), MacroFileBuilder().Macro(u"one").Tap(kA).Tap(kB).Events()) << c.name;
    }
}

// ---- The event list's menu and the delay edit

class EventEditingTest : public MacroDialogTest
{
protected:
    void SetUp() override
    {
        MacroDialogTest::SetUp();
        // A dn, A up: no pauses.
        *macros = MacroFileBuilder().Macro(u"m").Tap(kA).Store();
    }
};

TEST_F(EventEditingTest, MenuCommandsEditLinesAndRecordTogether)
{
    struct Case
    {
        const char* name;
        int selected;
        std::vector<QString> path;
        std::vector<QString> lines;
        std::vector<std::uint8_t> keyEvents;
        const char* told;
    };
    const Case cases[] = {
        {"left click after A dn",
         0,
         {"Insert Mouse Key", "Left", "Click"},
         {"A  dn", "MsLB dn", "MsLB up", "A  up"},
         {0x01, kA, 0x01, 0xF0, 0x81, 0xF0, 0x81, kA, 0},
         nullptr},
        {"right down after A up",
         1,
         {"Insert Mouse Key", "Right", "Down"},
         {"A  dn", "A  up", "MsRB dn"},
         {0x01, kA, 0x81, kA, 0x01, 0xF1, 0},
         nullptr},
        {"middle up",
         0,
         {"Insert Mouse Key", "Middle", "Up"},
         {"A  dn", "MsMB up", "A  up"},
         {0x01, kA, 0x81, 0xF2, 0x81, kA, 0},
         nullptr},
        {"insert delay", 0, {"Insert Delay"}, {"A  dn", "50 ms", "A  up"}, {0x01, kA, 0xB2, kA, 0}, nullptr},
        {"insert delay on the last line",
         1,
         {"Insert Delay"},
         {"A  dn", "A  up"},
         {0x01, kA, 0x81, kA, 0},
         nullptr},
        {"delete the press", 0, {"Delete"}, {"A  up"}, {0x81, kA, 0}, nullptr},
        {"no line selected", -1, {"Delete"}, {"A  dn", "A  up"}, {0x01, kA, 0x81, kA, 0}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.reset();
        Open();
        SelectLine(c.selected);
        MenuCommand(c.path);
        EXPECT_EQ(Lines(), c.lines);
        const MacroRecord& record = Working(0);
        EXPECT_EQ(std::vector<std::uint8_t>(record.KeyEvents().begin(),
                                            record.KeyEvents().begin() +
                                                static_cast<std::ptrdiff_t>(c.keyEvents.size())),
                  c.keyEvents);
        EXPECT_EQ(record.Events(), dialog->Session().Events());
        EXPECT_TRUE(prompt.calls.empty());
    }
}

TEST_F(EventEditingTest, GermanMenuTextsAndTheDelayLineMessage)
{
    *macros = MacroFileBuilder().Macro(u"m", 1, true).Press(kA).Release(kA, 300).Store();
    Open(kLanguageGerman);
    SelectLine(1); // the 300 ms line
    MenuCommand({QString::fromUtf8("Verzögerung einfügen")});
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].text, QStringLiteral("Bitte editiere die ausgewählte Verzögerung"));
    SelectLine(0);
    MenuCommand(
        {QStringLiteral("Maus Funktion umdrehen"), QStringLiteral("Rechtsklick"), QStringLiteral("klicken")});
    EXPECT_EQ(Lines(), (std::vector<QString>{"A  dn", "MsRB dn", "MsRB up", "300 ms", "A  up"}));
}

TEST_F(EventEditingTest, InsertBeforeAndAfterCaptureOneKeyThroughTheHook)
{
    struct Case
    {
        const char* command;
        int selected;
        std::vector<QString> lines;
    };
    for (const Case& c : {Case{"Insert Before", 0, {"X  dn", "X  up", "A  dn", "A  up"}},
                          Case{"Insert After", 1, {"A  dn", "A  up", "X  dn", "X  up"}}}) {
        SCOPED_TRACE(c.command);
        dialog.reset();
        hook.modes.clear();
        Open();
        SelectLine(c.selected);
        MenuCommand({QString::fromLatin1(c.command)});
        ASSERT_TRUE(dialog->HookInstalled());
        EXPECT_EQ(hook.modes, std::vector<std::int32_t>{kHookModePressAndRelease});
        hook.Tap(kX);
        EXPECT_FALSE(dialog->HookInstalled());
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(Working(0).Events(), dialog->Session().Events());
        hook.Tap(kB); // the hook is gone
        EXPECT_EQ(Lines().size(), 4u);
    }
}

TEST_F(EventEditingTest, DelayEditedInPlaceChangesTheEventForm)
{
    *macros = MacroFileBuilder().Macro(u"m", 1, true).Press(kA).Release(kA, 50).Tap(kB).Store();
    struct Case
    {
        const char* typed;
        const char* line;
        std::vector<std::uint8_t> device; // usage A = 0x04, B = 0x05
    };
    const Case cases[] = {
        {"1000", "1000 ms", {0x01, 0x04, 0xFF, 0x04, 0x03, 0xE8, 0x01, 0x05, 0x81, 0x05, 0}},
        {"0", "2 ms", {0x01, 0x04, 0x82, 0x04, 0x01, 0x05, 0x81, 0x05, 0}},
        {"99999", "60000 ms", {0x01, 0x04, 0xFF, 0x04, 0xEA, 0x60, 0x01, 0x05, 0x81, 0x05, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        dialog.reset();
        Open();
        CTransparentListBox* list = dialog->EventList();
        list->setCurrentRow(1);
        list->BeginEditAt(LinePoint(list, 1));
        ASSERT_NE(list->Editor(), nullptr);
        list->Editor()->setText(QString::fromLatin1(c.typed));
        list->EndEditing(true);
        QCoreApplication::processEvents();
        EXPECT_EQ(Lines()[1], QString::fromLatin1(c.line));
        const MacroRecord& record = Working(0);
        EXPECT_EQ(std::vector<std::uint8_t>(record.DeviceEvents().begin(),
                                            record.DeviceEvents().begin() +
                                                static_cast<std::ptrdiff_t>(c.device.size())),
                  c.device);
        EXPECT_EQ(RenderMacroLines(record, StandardKeyCodeTable()).size(), Lines().size());
    }
}

// The menu acts on the line under the pointer, which the right click selects; below the last line
// the selection stays.
TEST_F(EventEditingTest, TheMenuKeyAndShiftF10OpenTheMenuAtTheSelectedLine)
{
    OpenActive();
    CTransparentListBox* list = dialog->EventList();
    list->setFocus();
    // The first line is current once the list has the focus; Space chooses it.
    QTest::keyClick(list, Qt::Key_Space);
    ASSERT_EQ(SelectedLineName(), "A pressed");
    struct Step
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::vector<Qt::Key> inMenu; // from the first entry
        std::vector<QString> lines;
    };
    const Step steps[] = {
        // Insert Delay, the fourth entry, on line 0.
        {Qt::Key_Menu,
         Qt::NoModifier,
         {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
         {"A  dn", "50 ms", "A  up"}},
        // Delete, the last entry, on the delay line.
        {Qt::Key_F10,
         Qt::ShiftModifier,
         {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
         {"A  dn", "A  up"}},
    };
    int n = 0;
    for (const Step& step : steps) {
        if (n == 1) {
            // The edit left no line selected: Down goes to the first line, then to the delay.
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Down);
            ASSERT_EQ(list->currentRow(), 1);
            ASSERT_TRUE(list->currentItem()->isSelected());
        }
        QTest::keyClick(list, step.key, step.modifiers);
        QMenu* menu = dialog->EditMenu();
        ASSERT_NE(menu, nullptr) << n;
        EXPECT_TRUE(menu->isVisible()) << n;
        ASSERT_NE(menu->activeAction(), nullptr) << n;
        EXPECT_EQ(menu->activeAction()->text(), QStringLiteral("Insert Before")) << n;
        for (Qt::Key key : step.inMenu)
            QTest::keyClick(menu, key);
        QCoreApplication::processEvents();
        EXPECT_EQ(Lines(), step.lines) << n;
        EXPECT_EQ(Working(0).Events(), dialog->Session().Events()) << n;
        ++n;
    }
    // Escape closes the menu and leaves the dialog open.
    QTest::keyClick(list, Qt::Key_Menu);
    ASSERT_NE(dialog->EditMenu(), nullptr);
    QTest::keyClick(dialog->EditMenu(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->EditMenu(), nullptr);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(EventEditingTest, MenuActsOnTheLineUnderThePointer)
{
    *macros = MacroFileBuilder().Macro(u"m").Tap(kA).Tap(kB).Store();
    struct Case
    {
        const char* name;
        int selected;
        int clicked; // -1: below the last line
        std::vector<QString> path;
        std::vector<QString> lines;
    };
    const Case cases[] = {
        {"another line selected", 0, 2, {"Delete"}, {"A  dn", "A  up", "B  up"}},
        {"no line selected",
         -1,
         1,
         {"Insert Mouse Key", "Left", "Down"},
         {"A  dn", "A  up", "MsLB dn", "B  dn", "B  up"}},
        {"below the last line", 1, -1, {"Delete"}, {"A  dn", "B  dn", "B  up"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.reset();
        Open();
        SelectLine(c.selected);
        MenuCommand(c.path, c.clicked);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(Working(0).Events(), dialog->Session().Events());
    }
}

// In a macro longer than the list shows, the lines an insert adds come into view; otherwise the
// list stays where it was.
TEST_F(EventEditingTest, InsertedLinesComeIntoView)
{
    MacroFileBuilder file;
    file.Macro(u"long");
    for (int i = 0; i < 20; ++i)
        file.Tap(kA);
    *macros = file.Store(); // 40 lines
    struct Case
    {
        const char* name;
        int clicked;
        QAbstractItemView::ScrollHint shownAt;
        std::vector<QString> path;
        bool listStays;
    };
    const Case cases[] = {
        {"Insert After the last line", 39, QAbstractItemView::PositionAtBottom, {"Insert After"}, false},
        {"a click after the last line",
         39,
         QAbstractItemView::PositionAtBottom,
         {"Insert Mouse Key", "Left", "Click"},
         false},
        {"Insert After the top line", 20, QAbstractItemView::PositionAtTop, {"Insert After"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.reset();
        Open();
        CTransparentListBox* list = dialog->EventList();
        SelectLine(c.clicked);
        list->scrollToItem(list->item(c.clicked), c.shownAt);
        const int top = list->verticalScrollBar()->value();
        MenuCommand(c.path, c.clicked);
        hook.Tap(kX); // for Insert After
        ASSERT_EQ(Lines().size(), 42u);
        for (int line : {c.clicked, c.clicked + 1, c.clicked + 2})
            EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(line)))) << line;
        if (c.listStays) {
            EXPECT_EQ(list->verticalScrollBar()->value(), top);
        }
    }
}

// ---- OK, Cancel and the close box through the main window, on MacroDefine.bin

class MacroDialogFromMainWindowTest : public MainWindowTest
{
protected:
    QByteArray FileBytes() const
    {
        QFile file(QString::fromStdString((dataFolder / kMacroFileName).string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

// While the dialog runs, clicks on the main window open nothing: neither the macro dialog afresh
// (which would start its working copy over) nor a key dialog (whose end would take the hook
// away from the recording). Through the window system the dialog's modality holds them back;
// straight to the window, the window itself does.
TEST_F(MacroDialogFromMainWindowTest, WhileTheDialogRunsTheMainWindowOpensNothing)
{
    const layout::Rect& m = layout::kMainButtons[layout::kButtonMacro].rect;
    const QPoint macroButton((m.left + m.right) / 2, (m.top + m.bottom) / 2);
    const layout::Rect a = layout::KeyWindowRect(63); // the A key
    const QPoint keyA((a.left + a.right) / 2, (a.top + a.bottom) / 2);
    struct Way
    {
        const char* name;
        bool throughWindowSystem;
    };
    for (const Way way : {Way{"through the window system", true}, Way{"straight to the window", false}}) {
        SCOPED_TRACE(way.name);
        window.reset();
        std::filesystem::remove(dataFolder / kMacroFileName);
        Start();
        auto click = [&](const QPoint& p) {
            if (way.throughWindowSystem)
                QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, p);
            else
                QTest::mouseClick(window.get(), Qt::LeftButton, {}, p);
        };
        MacroHook hook;
        CMacroRecordDlg dialog(*state, *macros, StandardKeyCodeTable(), prompt, &hook, kLanguageEnglish);
        CKeyMap keyDialog(*state, *macros, StandardKeyCodeTable(), prompt, &hook, kLanguageEnglish);
        window->SetMacroWindow(&dialog);
        window->SetKeyAssignmentWindow(&keyDialog);
        // A key dialog that opened all the same is closed again, so that the test goes on.
        bool keyDialogSeen = false;
        QTimer closer;
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (!keyDialog.isVisible()) return;
            keyDialogSeen = true;
            QTest::mouseClick(&keyDialog, Qt::LeftButton, {}, QPoint(255, 357));
        });
        closer.start();
        QTimer::singleShot(0, &dialog, [&] {
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(layout::kMacroButtonNew));
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(layout::kMacroButtonNew));
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(layout::kMacroButtonRecord));
            hook.Tap(kA);
            click(macroButton);
            click(keyA);
            QTest::qWait(50);
            hook.Tap(kB);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_TRUE(dialog.Recording());
            EXPECT_TRUE(dialog.HookInstalled());
            EXPECT_EQ(dialog.MacroList()->count(), 2);
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(layout::kMacroButtonOk));
        });
        Click(macroButton.x(), macroButton.y());
        closer.stop();
        window->SetMacroWindow(nullptr);
        window->SetKeyAssignmentWindow(nullptr);
        EXPECT_FALSE(keyDialogSeen);
        MacroFileBuilder expected;
        expected.Macro(u"Macro_001").Macro(u"Macro_002").Tap(kA).Tap(kB);
        EXPECT_EQ(std::memcmp(macros->data(), expected.Store().data(), kMacroStoreSize), 0);
        EXPECT_EQ(macros->Names(), (std::vector<std::u16string>{u"Macro_001", u"Macro_002"}));
    }
}

TEST_F(MacroDialogFromMainWindowTest, OnlyOkChangesMacroDefineBin)
{
    struct Case
    {
        const char* name;
        int button;
        bool changed;
    };
    for (const Case c :
         {Case{"Cancel", layout::kMacroButtonCancel, false},
          Case{"close box", layout::kMacroButtonCloseBox, false}, Case{"OK", layout::kMacroButtonOk, true}}) {
        SCOPED_TRACE(c.name);
        window.reset();
        *macros = MacroFileBuilder().Macro(u"kept").Tap(kA).Store();
        ASSERT_TRUE(SaveMacroStore(dataFolder / kMacroFileName, *macros));
        Start();
        const QByteArray before = FileBytes();
        ASSERT_EQ(before.size(), static_cast<qsizetype>(kMacroStoreSize));
        MacroHook hook;
        CMacroRecordDlg dialog(*state, *macros, StandardKeyCodeTable(), prompt, &hook, kLanguageEnglish);
        window->SetMacroWindow(&dialog);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(layout::kMacroButtonNew));
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(layout::kMacroButtonRecord));
            hook.Tap(kB);
            QTest::mouseClick(&dialog, Qt::LeftButton, {}, Centre(c.button));
        });
        const layout::Rect& r = layout::kMainButtons[layout::kButtonMacro].rect;
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        const QByteArray after = FileBytes();
        ASSERT_EQ(after.size(), static_cast<qsizetype>(kMacroStoreSize));
        window->SetMacroWindow(nullptr);
        if (!c.changed) {
            EXPECT_EQ(after, before);
            EXPECT_EQ(macros->CountInUse(), 1u);
            continue;
        }
        MacroFileBuilder expected;
        expected.Macro(u"kept").Tap(kA).Macro(u"Macro_001").Tap(kB);
        EXPECT_EQ(after, QByteArray(reinterpret_cast<const char*>(expected.Bytes().data()),
                                    static_cast<qsizetype>(expected.Bytes().size())));
        // The keyboard's slot 1 now carries the new macro.
        SettingsImage image = state->image;
        MacroStore saved = expected.Store();
        DeriveMacroSlots(saved, image);
        EXPECT_EQ(image, state->image);
    }
}

} // namespace
} // namespace corvane
