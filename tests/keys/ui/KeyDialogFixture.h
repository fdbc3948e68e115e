#pragma once
// The key dialog against a settings state of the test's own, with a hook, file choices and message
// boxes the test drives.

#include "format/KeyEnableMap.h"
#include "format/KeyLayout.h"
#include "keys/KeyboardHook.h"
#include "keys/ui/CKeyMap.h"
#include "keys/ui/LaunchChooser.h"
#include "macros/MacroStore.h"
#include "platform/qt/LanguageSetting.h"
#include "skin/SkinImage.h"
#include "uikit/Prompt.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace corvane::keytest {

// Keys as the keyboard's table names them.
inline constexpr std::uint8_t kLCtrl = 162;
inline constexpr std::uint8_t kLShift = 160;
inline constexpr std::uint8_t kA = 'A';
inline constexpr std::uint8_t kB = 'B';
inline constexpr std::uint8_t kQ = 'Q';
inline constexpr std::uint8_t kF5 = 116;
// The slot edited by default: the A key.
inline constexpr std::uint8_t kSlotA = 63;

class FakeHook : public KeyboardHook
{
public:
    bool installhook(HookWindow& target, std::int32_t mode) override
    {
        modes.push_back(mode);
        if (!installs) return false;
        window = &target;
        return true;
    }
    void removehook() override
    {
        ++removes;
        window = nullptr;
    }
    bool CapturesOnlyWhenFocused() const override { return focusedOnly; }
    // A keystroke anywhere on the desktop.
    void Press(std::uint8_t key)
    {
        if (window != nullptr) window->HookKey(key, 0, {});
    }

    bool installs = true;
    bool focusedOnly = false;
    HookWindow* window = nullptr;
    std::vector<std::int32_t> modes;
    int removes = 0;
};

class ScriptedChooser : public LaunchChooser
{
public:
    std::optional<QString> ChooseFile(QWidget*, int row, std::uint16_t) override
    {
        asked.push_back(row);
        return Next();
    }
    std::optional<QString> ChooseFolder(QWidget*, std::uint16_t) override
    {
        asked.push_back(3);
        return Next();
    }
    // A null text stands for a cancelled choice; an empty one for a choice without a path.
    std::optional<QString> Next()
    {
        if (answers.empty()) return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull()) return std::nullopt;
        return answer;
    }
    std::deque<QString> answers;
    std::vector<int> asked;
};

class RecordingPrompt : public Prompt
{
public:
    bool AskOkCancel(QWidget*, const QString&, const QString& text) override
    {
        texts.push_back(text);
        return false;
    }
    void Tell(QWidget*, const QString&, const QString& text) override { texts.push_back(text); }
    std::vector<QString> texts;
};

// The edit takes the focus the way a click on it gives it: it becomes the window's focus widget,
// so the window's activation, however late it arrives, goes to it, and it hears of the click.
inline void ClickFocus(QLineEdit* edit)
{
    edit->setFocus(Qt::MouseFocusReason);
    if (edit->hasFocus()) return; // an active window: setFocus told the edit itself
    QFocusEvent focus(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(edit, &focus);
}

class KeyDialogTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        SetProgramFolder(QStringLiteral(CORVANE_SKIN_DIR));
        for (std::size_t slot = 0; slot < kLayoutKeyCount; ++slot) {
            state->records[slot][rec::kKeyCode] = DefaultKeyOrder[slot];
            SetKeyEnabled(state->image, DeviceKeyIndex(slot), true);
        }
    }
    void TearDown() override { dialog.reset(); }

    void MakeDialog(std::uint16_t language = kLanguageEnglish)
    {
        dialog = std::make_unique<CKeyMap>(*state, *macros, StandardKeyCodeTable(), prompt, &hook, language);
        dialog->SetLaunchChooser(&chooser);
    }
    // Opens the dialog on a slot, as the main window does.
    void Open(std::uint8_t slot = kSlotA, std::uint16_t language = kLanguageEnglish)
    {
        if (!dialog) MakeDialog(language);
        result = AssignmentResult{};
        result.selectedKeySlot = slot;
        result.selectedKeyCode = DefaultKeyOrder[slot];
        dialog->Begin(result);
        QCoreApplication::processEvents();
    }
    KeyRecord& Record(std::uint8_t slot = kSlotA) { return state->records[slot]; }
    void StoreKeys(KeyFunctionKind kind, const std::vector<std::uint8_t>& keys, std::uint8_t slot = kSlotA)
    {
        Record(slot).SetKind(kind);
        std::copy(keys.begin(), keys.end(), Record(slot).Data());
        Record(slot)[rec::kCount] = static_cast<std::uint8_t>(keys.size());
    }
    void NameMacros(std::initializer_list<const char16_t*> names)
    {
        std::size_t i = 0;
        for (const char16_t* name : names)
            (*macros)[i++].SetName(name);
    }

    void Click(int x, int y)
    {
        QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, QPoint(x, y));
        QCoreApplication::processEvents();
    }
    void Move(int x, int y)
    {
        QTest::mouseMove(dialog.get(), QPoint(x, y));
        QCoreApplication::processEvents();
    }
    void ClickTab(int page) { Click(47 + 97 * page, 45); }
    void ClickSave() { Click(345, 357); }
    void ClickReset() { Click(165, 357); }
    void ClickClose() { Click(255, 357); }
    void ClickDisable() { Click(24, 355); }
    // The option mark and the browse button of a launch row, at their hit rectangles.
    void ClickOption(int row) { Click(6, 90 + 60 * row); }
    void ClickBrowse(int row) { Click(347, 92 + 60 * row); }
    void FocusEdit(QLineEdit* edit) { ClickFocus(edit); }
    bool Ended() const { return !dialog->isVisible(); }
    bool Accepted() const { return Ended() && dialog->result() == QDialog::Accepted; }
    std::vector<std::uint8_t> Keys() const
    {
        std::vector<std::uint8_t> keys;
        for (std::uint8_t key : result.keys)
            if (key != 0) keys.push_back(key);
        return keys;
    }

    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> macros = std::make_unique<MacroStore>();
    FakeHook hook;
    ScriptedChooser chooser;
    RecordingPrompt prompt;
    std::unique_ptr<CKeyMap> dialog;
    AssignmentResult result;
};

} // namespace corvane::keytest
