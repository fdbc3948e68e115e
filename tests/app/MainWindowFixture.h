#pragma once
// A main window set up against the keyboard emulator in private folders, with the user's
// answers to message boxes given by the test.

#include "app/CTarvikDlg.h"
#include "device/Clocks.h"
#include "emulator/EmulatedDeviceMonitor.h"
#include "emulator/KeyboardEmulator.h"
#include "format/KeyLayout.h"
#include "keys/ApplyKeyAssignment.h"
#include "platform/qt/LanguageSetting.h"
#include "skin/BitSlider.h"
#include "skin/SkinLayout.h"
#include "uikit/OtherWindows.h"
#include "uikit/Prompt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <memory>
#include <vector>

namespace corvane::apptest {

struct PromptCall
{
    bool question = false;
    QString caption;
    QString text;
    QString accept; // the button that says yes, where it is named
};

class ScriptedPrompt : public Prompt
{
public:
    bool AskOkCancel(QWidget*, const QString& caption, const QString& text) override
    {
        calls.push_back({true, caption, text, {}});
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Tell(QWidget*, const QString& caption, const QString& text) override
    {
        calls.push_back({false, caption, text, {}});
    }
    bool AskChoice(QWidget* parent, const QString& caption, const QString& text, const QString& accept,
                   const QString&) override
    {
        const bool answer = AskOkCancel(parent, caption, text);
        calls.back().accept = accept;
        return answer;
    }

    std::deque<bool> answers;
    std::vector<PromptCall> calls;
};

class RecordingShell : public ShellOpener
{
public:
    bool Open(const std::string& path, const std::string& workingDir) override
    {
        opened.push_back({path, workingDir});
        return true;
    }
    bool CanRun(const std::string&) override { return false; }
    bool Run(const std::string&, const std::string&) override { return false; }
    bool StartDesktopEntry(const std::string&) override { return false; }
    std::vector<std::pair<std::string, std::string>> opened;
};

class RecordingStarter : public ProgramStarter
{
public:
    ProgramStartResult Start(const std::filesystem::path& program,
                             const std::filesystem::path& workingFolder) override
    {
        started.push_back({program.string(), workingFolder.string()});
        return result;
    }
    ProgramStartResult result;
    std::vector<std::pair<std::string, std::string>> started;
};

class FakeColourWindow : public ColourWindow
{
public:
    std::optional<std::uint32_t> Open(std::uint32_t initialColour) override
    {
        initialColours.push_back(initialColour);
        return answer;
    }
    std::optional<std::uint32_t> answer;
    std::vector<std::uint32_t> initialColours;
};

class FakeKeyWindow : public KeyAssignmentWindow
{
public:
    bool Open(AssignmentResult& result) override
    {
        openedSlots.push_back(result.selectedKeySlot);
        return false;
    }
    std::vector<int> openedSlots;
};

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        dataFolder = folder.path().toStdString() + "/data";
        programFolder = folder.path().toStdString() + "/program";
        QDir().mkpath(QString::fromStdString(dataFolder.string()));
        QDir().mkpath(QString::fromStdString(programFolder.string()));
        // The program folder holds the built artwork and whatever VER.bin a test writes.
        QFile::link(QStringLiteral(CORVANE_SKIN_DIR "/png"),
                    QString::fromStdString((programFolder / "png").string()));
    }

    void TearDown() override { window.reset(); }

    void WriteVersionFile(char major, char minor)
    {
        QFile file(QString::fromStdString((programFolder / "VER.bin").string()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes("V....x.y....", 12);
        bytes[5] = major;
        bytes[7] = minor;
        file.write(bytes);
    }

    // Sets the window up and waits for the start-up read to be taken over.
    void Start(std::uint16_t language = kLanguageEnglish, bool waitForRead = true)
    {
        window = std::make_unique<CTarvikDlg>(*state, *macros, StandardKeyCodeTable(), prompt);
        window->SetShellOpener(&shell);
        window->SetProgramStarter(&starter);
        MainWindowSetup setup;
        setup.language = language;
        setup.dataFolder = dataFolder;
        setup.programFolder = programFolder;
        setup.backend = backendOverride != nullptr ? backendOverride : &emulator;
        setup.clock = &clock;
        setup.monitor = &monitor;
        setup.ackTimeout = std::chrono::milliseconds(300);
        setup.trayAvailable = trayAvailable;
        opened = window->SetUp(setup);
        if (!waitForRead) return; // nothing may run the event loop before the test acts
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        WaitForRead();
    }

    void WaitForRead()
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->DeviceActionsAllowed(); }, 5000));
        QTest::qWait(20);
    }

    void Click(int x, int y, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(window.get(), Qt::LeftButton, modifiers, QPoint(x, y));
        QCoreApplication::processEvents();
    }
    void Move(int x, int y)
    {
        QTest::mouseMove(window.get(), QPoint(x, y));
        QCoreApplication::processEvents();
    }
    QPoint KeyCentre(int slot) const
    {
        const layout::Rect r = layout::KeyWindowRect(slot);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void ClickKey(int slot)
    {
        const QPoint p = KeyCentre(slot);
        Click(p.x(), p.y());
    }
    // Opens the effect list and chooses row `row`.
    void ChooseEffect(int row)
    {
        Click(100, 165);
        ASSERT_TRUE(window->EffectListOpen());
        Click(100, 173 + 20 * row + 10);
        ASSERT_FALSE(window->EffectListOpen());
    }
    QImage Frame() { return window->ComposeFrame(); }
    std::uint8_t Image(std::size_t offset) const { return state->image[offset]; }

    // Frames the keyboard accepted since the last ClearTrace, by command code (and first argument).
    std::vector<std::pair<std::uint8_t, std::uint8_t>> Commands() const
    {
        std::vector<std::pair<std::uint8_t, std::uint8_t>> commands;
        for (const auto& frame : emulator.AcceptedFrames())
            commands.push_back({frame[1], frame[2]});
        return commands;
    }

    QTemporaryDir folder;
    std::filesystem::path dataFolder;
    std::filesystem::path programFolder;
    VirtualClock clock;
    KeyboardEmulator emulator{clock};
    // Another view of the emulator's keyboard (one whose opens fail, say); null: the emulator.
    HidBackend* backendOverride = nullptr;
    EmulatedDeviceMonitor monitor{emulator};
    std::unique_ptr<SettingsState> state = std::make_unique<SettingsState>();
    std::unique_ptr<MacroStore> macros = std::make_unique<MacroStore>();
    ScriptedPrompt prompt;
    RecordingShell shell;
    RecordingStarter starter;
    bool trayAvailable = false; // a notification icon is created (it is never shown offscreen)
    std::unique_ptr<CTarvikDlg> window;
    bool opened = false;
};

// Command codes as the keyboard sees them.
inline constexpr std::uint8_t kUpdateCommand = 0x18;
inline constexpr std::uint8_t kSetLightingCommand = 0x08;
inline constexpr std::uint8_t kSetGameModeCommand = 0x09;
inline constexpr std::uint8_t kSetPaletteCommand = 0x14;
inline constexpr std::uint8_t kFactoryResetCommand = 0x13;

} // namespace corvane::apptest
