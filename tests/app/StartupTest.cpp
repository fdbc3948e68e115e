// Start-up and the window's life: the firmware offer after a read, the language setting, the
// command line, a second start, a missing keyboard and its return.

#include "../device/RefusingBackend.h"
#include "MainWindowFixture.h"

#include "app/CTarvikApp.h"
#include "platform/qt/SingleInstance.h"
#include "skin/WindowMessage.h"
#include "store/SettingsFiles.h"

#include <QDir>
#include <QSettings>
#include <QUuid>
#include <thread>

namespace corvane::apptest {
namespace {

class FirmwareOfferTest : public MainWindowTest
{
protected:
    void StartWith(char fileMajor, char fileMinor, std::uint8_t deviceMajor, std::uint8_t deviceMinor,
                   std::uint16_t language = kLanguageEnglish)
    {
        WriteVersionFile(fileMajor, fileMinor);
        emulator.SetFirmwareVersion(deviceMajor, deviceMinor);
        Start(language);
    }
    std::filesystem::path Updater() const { return programFolder / "Corvane Keyboard_Update.exe"; }
    void CreateUpdater(const QByteArray& content = "#!/bin/sh\nexit 0\n",
                       QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner)
    {
        QFile updater(QString::fromStdString(Updater().string()));
        ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
        updater.write(content);
        updater.close();
        ASSERT_TRUE(updater.setPermissions(permissions));
    }
    // The colour of the help window's update row, opened for this: the grey level of its
    // brightest pixel (the row's text is drawn in one colour over a dark picture).
    int UpdateRowBrightness()
    {
        if (!window->HelpOpen()) Click(944, 12);
        const QImage frame = Frame();
        int brightest = 0;
        for (int y = 50; y < 66; ++y)
            for (int x = 850; x < 990; ++x)
                brightest = std::max(brightest, qGray(frame.pixel(x, y)));
        return brightest;
    }
    void ClickUpdateRow() { Click(900, 22 + 25 + 5); }
};

TEST_F(FirmwareOfferTest, NewerFileVersionOffersTheUpdaterAndStartsItAsAProgram)
{
    CreateUpdater();
    prompt.answers = {true};
    StartWith('2', '1', 1, 9);
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_TRUE(prompt.calls[0].question);
    EXPECT_EQ(prompt.calls[0].caption, "Firmware Update");
    EXPECT_EQ(prompt.calls[0].text, QString::fromUtf8("Update new firmware\xEF\xBC\x9F"));
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].first, Updater().string());
    EXPECT_EQ(starter.started[0].second, programFolder.string());
    // Never through the document opener, which would show the file rather than run it.
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(FirmwareOfferTest, GermanOfferAndCancelLaunchNothing)
{
    CreateUpdater();
    prompt.answers = {false};
    StartWith('1', '4', 1, 3, kLanguageGerman);
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].caption, "Firmware aktualisieren");
    EXPECT_EQ(prompt.calls[0].text,
              QString::fromUtf8("Es ist eine neue Firmware verfügbar. Möchtest Du sie aktualisieren?"));
    EXPECT_TRUE(starter.started.empty());
}

TEST_F(FirmwareOfferTest, EqualOrOlderFileOffersNothing)
{
    StartWith('1', '3', 1, 3);
    EXPECT_TRUE(prompt.calls.empty());
}

TEST_F(FirmwareOfferTest, OlderFileWithNewerMinorOffersNothing)
{
    StartWith('1', '9', 2, 0);
    EXPECT_TRUE(prompt.calls.empty());
}

TEST_F(FirmwareOfferTest, NoOfferAfterTheProfilePanel)
{
    StartWith('1', '3', 1, 3);
    WriteVersionFile('9', '9'); // too late: the file is read at start-up only
    emulator.SetFirmwareVersion(0, 1);
    SendWindowMessage(window.get(), UM_READ_COMPLETE, 0, 1);
    EXPECT_TRUE(prompt.calls.empty());
}

// Without an updater (a package brings none) nothing is offered: not at start, and the help
// window's update row is dimmed and takes no click. One that is there but cannot start here is
// told about at start, and its row is clicked as ever.
TEST_F(FirmwareOfferTest, AnUpdaterThatCannotStartIsToldInsteadOfOffered)
{
    const QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner;
    const QFile::Permissions runnable = readable | QFile::ExeOwner;
    struct Case
    {
        const char* content; // null: no updater at all
        QFile::Permissions permissions;
        std::uint16_t language;
        const char* says; // null: nothing is said
    };
    const Case cases[] = {
        {nullptr, runnable, kLanguageEnglish, nullptr},
        {nullptr, runnable, kLanguageGerman, nullptr},
        {"#!/bin/sh\n", readable, kLanguageEnglish, "cannot be run here: the file may not be executed."},
        {"MZ\x90", runnable, kLanguageEnglish, "cannot be run here: it is a program for another system."},
        {"MZ\x90", runnable, kLanguageGerman,
         "kann hier nicht ausgeführt werden: es ist ein Programm für ein anderes System."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        std::filesystem::remove(Updater());
        if (c.content != nullptr) CreateUpdater(c.content, c.permissions);
        prompt.calls.clear();
        prompt.answers = {true};
        starter.started.clear();
        StartWith('2', '1', 1, 9, c.language);
        if (c.says == nullptr) {
            EXPECT_TRUE(prompt.calls.empty());
        } else {
            ASSERT_EQ(prompt.calls.size(), 1u);
            EXPECT_FALSE(prompt.calls[0].question);
            const QString newer =
                c.language == kLanguageGerman
                    ? QString::fromUtf8("Es ist eine neue Firmware verfügbar, aber sie kann nicht "
                                        "installiert werden. ")
                    : QStringLiteral("A newer firmware is available, but it cannot be installed. ");
            EXPECT_TRUE(prompt.calls[0].text.startsWith(newer)) << prompt.calls[0].text.toStdString();
            EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromUtf8(c.says)))
                << prompt.calls[0].text.toStdString();
            EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromStdString(Updater().string())));
        }
        EXPECT_TRUE(starter.started.empty());

        prompt.calls.clear();
        const int brightness = UpdateRowBrightness();
        ClickUpdateRow();
        if (c.content == nullptr) {
            // Dimmed, yet still there to read.
            EXPECT_GT(brightness, 0x60);
            EXPECT_LT(brightness, 0xA0);
            EXPECT_TRUE(window->HelpOpen());
            EXPECT_TRUE(starter.started.empty());
        } else {
            EXPECT_EQ(brightness, 0xFF);
            EXPECT_FALSE(window->HelpOpen());
            EXPECT_EQ(starter.started.size(), 1u);
        }
        EXPECT_TRUE(prompt.calls.empty());
        window.reset();
    }
}

TEST_F(FirmwareOfferTest, HelpRowStartsTheUpdaterAndTellsAFailedStart)
{
    CreateUpdater();
    StartWith('1', '3', 1, 3);
    EXPECT_EQ(UpdateRowBrightness(), 0xFF);
    ClickUpdateRow();
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].first, Updater().string());
    EXPECT_TRUE(prompt.calls.empty());
    EXPECT_FALSE(window->HelpOpen());

    starter.result = {ProgramStartOutcome::kFailed, ProgramProblem::kNone, "Exec format error"};
    Click(944, 12);
    Click(900, 22 + 25 + 5);
    ASSERT_EQ(prompt.calls.size(), 1u);
    EXPECT_EQ(prompt.calls[0].caption, "Firmware Update");
    EXPECT_EQ(prompt.calls[0].text,
              QStringLiteral("The firmware updater %1 could not be started (Exec format error).")
                  .arg(QString::fromStdString(Updater().string())));
}

class WindowMessagesTest : public MainWindowTest
{
};

TEST_F(WindowMessagesTest, RefreshControlsSetsSlidersFromTheImage)
{
    Start();
    state->image[img::kSpeed] = 4;
    SendWindowMessage(window.get(), UM_REFRESH_CONTROLS, 3, 0);
    EXPECT_EQ(window->Slider(layout::kSliderSpeed)->value(), 4);
    state->image[img::kBrightness] = 12;
    SendWindowMessage(window.get(), UM_REFRESH_CONTROLS, 4, 0);
    EXPECT_EQ(window->Slider(layout::kSliderBrightness)->value(), 12);
    QCoreApplication::processEvents();
    const int before = window->FullPaintCount();
    SendWindowMessage(window.get(), UM_REFRESH_CONTROLS, 9, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->FullPaintCount(), before + 1);
}

TEST_F(WindowMessagesTest, IconDoubleClickShowsTheWindowOnlyWithAKeyboard)
{
    Start();
    window->showMinimized();
    QCoreApplication::processEvents();
    SendWindowMessage(window.get(), UM_TRAY_CALLBACK, 0, 0x203);
    EXPECT_FALSE(window->isMinimized());

    emulator.Unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Link()->CommandChannelOpen(); }, 2000));
    window->showMinimized();
    QCoreApplication::processEvents();
    SendWindowMessage(window.get(), UM_TRAY_CALLBACK, 0, 0x203);
    EXPECT_TRUE(window->isMinimized());
}

class KeyboardPresenceTest : public MainWindowTest
{
};

TEST_F(KeyboardPresenceTest, MissingKeyboardIsShownInTheWindowAndItsReturnIsRead)
{
    emulator.Unplug();
    Start(kLanguageEnglish, false);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(window->ShowsNoKeyboardNotice());
    EXPECT_TRUE(window->DeviceActionsAllowed());

    EmulatedDeviceState device = emulator.State();
    device.brightness = 33;
    emulator.SetState(device);
    emulator.Replug();
    // The arrival is looked at once the interfaces have settled (two seconds).
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Link()->CommandChannelOpen(); }, 4000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->Slider(layout::kSliderBrightness)->value() == 33; }, 2000));
    EXPECT_FALSE(window->ShowsNoKeyboardNotice());

    emulator.Unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Link()->CommandChannelOpen(); }, 2000));
    EXPECT_TRUE(window->ShowsNoKeyboardNotice());
}

TEST_F(KeyboardPresenceTest, AKeyboardThatCannotBeOpenedIsNotCalledMissing)
{
    struct Case
    {
        int openError;
        std::uint16_t language;
        const char* notice;
    };
    const Case cases[] = {
        {ENOENT, kLanguageEnglish, "Warning: No Gaming Keyboard!"},
        {EACCES, kLanguageEnglish, "Warning: Keyboard found but not accessible: udev rule missing"},
        {EACCES, kLanguageGerman, "Warnung: Tastatur gefunden, aber kein Zugriff: udev-Regel fehlt"},
        {EIO, kLanguageEnglish, "Warning: Keyboard found but cannot be opened"},
    };
    QImage missing;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.notice);
        testing::RefusingBackend refusing(emulator, c.openError);
        backendOverride = &refusing;
        Start(c.language, false);
        EXPECT_FALSE(opened);
        EXPECT_TRUE(window->ShowsNoKeyboardNotice());
        EXPECT_EQ(window->NoKeyboardNotice(), QString::fromUtf8(c.notice));
        // The notice strip is what is painted, and it differs with the reason.
        const QImage strip = window->ComposeFrame().copy(QRect(400, 0, 500, 30));
        if (c.openError == ENOENT)
            missing = strip;
        else
            EXPECT_NE(strip, missing);
        window.reset();
    }
    backendOverride = nullptr;
}

TEST_F(KeyboardPresenceTest, WithoutKeyboardThePanelShowsWhatKeymapHolds)
{
    SettingsState saved;
    saved.image[img::kBrightness] = 37;
    saved.image[img::kReportRate] = 2;
    saved.image[img::kResponseTime] = 5;
    ASSERT_TRUE(SaveKeymap(dataFolder / "keymap.bin", saved));
    emulator.Unplug();
    Start(kLanguageEnglish, false);
    window->ComposeFrame();
    EXPECT_EQ(window->Slider(layout::kSliderBrightness)->value(), 37);
    EXPECT_EQ(window->Slider(layout::kSliderReportRate)->value(), 2);
    EXPECT_EQ(state->image[img::kBrightness], 37);
    EXPECT_EQ(state->image[img::kReportRate], 2);
}

TEST(LanguageSettingTest, OnlyExactLowerCaseGermanSelectsGerman)
{
    EXPECT_EQ(LanguageFromText("german"), kLanguageGerman);
    EXPECT_EQ(LanguageFromText("German"), kLanguageEnglish);
    EXPECT_EQ(LanguageFromText("german "), kLanguageEnglish);
    EXPECT_EQ(LanguageFromText(""), kLanguageEnglish);

    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("QT302"));
    settings.remove(QStringLiteral("Language"));
    settings.sync();
    // Without the setting, the locale decides: the first of LC_ALL, LC_MESSAGES and LANG set.
    struct Locale
    {
        const char* all;
        const char* messages;
        const char* lang;
        std::uint16_t language;
    };
    const Locale locales[] = {
        {"", "", "de_DE.UTF-8", kLanguageGerman},
        {"", "", "de_AT@euro", kLanguageGerman},
        {"", "", "de", kLanguageGerman},
        {"", "", "en_GB.UTF-8", kLanguageEnglish},
        {"", "", "", kLanguageEnglish},
        {"", "", "dez_XX", kLanguageEnglish},
        {"C.UTF-8", "", "de_DE.UTF-8", kLanguageEnglish},
        {"", "de_CH.UTF-8", "en_US.UTF-8", kLanguageGerman},
    };
    const QByteArray saved[] = {qgetenv("LC_ALL"), qgetenv("LC_MESSAGES"), qgetenv("LANG")};
    for (const Locale& l : locales) {
        qputenv("LC_ALL", l.all);
        qputenv("LC_MESSAGES", l.messages);
        qputenv("LANG", l.lang);
        EXPECT_EQ(ReadLanguageSetting(), l.language) << l.all << "/" << l.messages << "/" << l.lang;
    }
    // The setting, once written, counts whatever the locale says.
    settings.setValue(QStringLiteral("Language"), QStringLiteral("english"));
    settings.sync();
    EXPECT_EQ(ReadLanguageSetting(), kLanguageEnglish);
    qputenv("LC_ALL", saved[0]);
    qputenv("LC_MESSAGES", saved[1]);
    qputenv("LANG", saved[2]);
    settings.setValue(QStringLiteral("Language"), QStringLiteral("german"));
    settings.sync();
    EXPECT_EQ(ReadLanguageSetting(), kLanguageGerman);
    settings.setValue(QStringLiteral("Language"), QStringLiteral("German"));
    settings.sync();
    EXPECT_EQ(ReadLanguageSetting(), kLanguageEnglish);
    settings.remove(QStringLiteral("Language"));
}

TEST(CommandLineTest, OptionsAreReadAndBadOnesRefused)
{
    const ParsedCommandLine good =
        ParseCommandLine({"corvane-keyboard", "--emulate", "--language", "german", "--data-dir", "/tmp/x",
                          "--device-ids", "3f1c:0101,1234:ABCD"});
    ASSERT_FALSE(good.exitCode);
    EXPECT_TRUE(good.options.emulate);
    EXPECT_EQ(good.options.language, kLanguageGerman);
    EXPECT_EQ(good.options.dataDir, std::filesystem::path("/tmp/x"));
    EXPECT_EQ(good.options.deviceIds, (std::vector<UsbIdPair>{{0x3F1C, 0x0101}, {0x1234, 0xABCD}}));

    const ParsedCommandLine help = ParseCommandLine({"corvane-keyboard", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--emulate", "--language", "--data-dir", "--device-ids"})
        EXPECT_TRUE(help.output.contains(QLatin1String(option))) << option;

    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--language", "french"}).exitCode, 2);
    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--device-ids", "3f1c"}).exitCode, 2);
    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--device-ids", "3f1c:10000"}).exitCode, 2);
    EXPECT_EQ(ParseCommandLine({"corvane-keyboard", "--bogus"}).exitCode, 2);
}

class SecondStartTest : public MainWindowTest
{
};

TEST_F(SecondStartTest, SecondStartRaisesTheFirstWindowAndEnds)
{
    Start();
    const QString name = QStringLiteral("corvane-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance first(name);
    ASSERT_EQ(first.Acquire(), SingleInstance::Outcome::kFirst);
    BringForwardOnSecondStart(first, *window);
    window->showMinimized();
    QCoreApplication::processEvents();
    ASSERT_TRUE(window->isMinimized());

    // The second start runs beside the event loop, as another process would.
    SingleInstance::Outcome secondOutcome = SingleInstance::Outcome::kFirst;
    std::thread second([&] {
        SingleInstance other(name);
        secondOutcome = other.Acquire();
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isMinimized(); }, 3000));
    second.join();
    EXPECT_EQ(secondOutcome, SingleInstance::Outcome::kForwarded);
    EXPECT_TRUE(window->isVisible());
}

TEST(UnreachableFirstStartTest, SaysSoInTheChosenLanguageAndFails)
{
    struct Case
    {
        std::uint16_t language;
        const char* text;
    };
    const Case cases[] = {
        {kLanguageGerman,
         "Corvane Keyboard läuft bereits, antwortet aber nicht. Bitte beende es und starte es erneut."},
        {kLanguageEnglish,
         "Corvane Keyboard is already running but does not answer. Please end it and start again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        ScriptedPrompt prompt;
        ::testing::internal::CaptureStderr();
        const int code = ReportFirstInstanceUnreachable(prompt, c.language, QStringLiteral("held by pid 42"));
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(code, 0);
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_FALSE(prompt.calls[0].question);
        EXPECT_EQ(prompt.calls[0].caption, "Corvane Keyboard");
        EXPECT_EQ(prompt.calls[0].text, QString::fromUtf8(c.text));
        EXPECT_NE(err.find(c.text), std::string::npos) << err;
        EXPECT_NE(err.find("held by pid 42"), std::string::npos) << err;
    }
}

TEST(BlockedInstanceLockTest, SaysWhatIsInTheWayAndWhereInTheChosenLanguage)
{
    struct Case
    {
        std::uint16_t language;
        bool folder; // else a symbolic link
        const char* says;
    };
    const Case cases[] = {
        {kLanguageEnglish, true, "In place of its lock file there is a folder:"},
        {kLanguageGerman, true, "Anstelle seiner Sperrdatei liegt dort ein Ordner:"},
        {kLanguageEnglish, false, "there is a symbolic link:"},
        {kLanguageGerman, false, "liegt dort ein symbolischer Link:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const QString name = QStringLiteral("blocked-") + QUuid::createUuid().toString(QUuid::Id128).left(8);
        const std::optional<QString> folder = SingleInstance::PrivateFolder();
        ASSERT_TRUE(folder);
        const QString lock = *folder + QLatin1Char('/') + name + QStringLiteral(".lock");
        if (c.folder)
            ASSERT_TRUE(QDir().mkdir(lock));
        else
            ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent"), lock));
        SingleInstance instance(name);
        instance.SetPatience(200);
        ASSERT_EQ(instance.Acquire(), SingleInstance::Outcome::kBlocked);
        ScriptedPrompt prompt;
        ::testing::internal::CaptureStderr();
        const int code = ReportInstanceLockBlocked(prompt, c.language, instance);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, kExitInstanceLockBlocked);
        ASSERT_EQ(prompt.calls.size(), 1u);
        EXPECT_TRUE(prompt.calls[0].text.contains(QLatin1Char('\n') + lock + QLatin1Char('\n')))
            << "the path to remove, on a line of its own";
        EXPECT_TRUE(prompt.calls[0].text.contains(QString::fromUtf8(c.says)))
            << prompt.calls[0].text.toStdString();
        EXPECT_FALSE(prompt.calls[0].text.contains(QLatin1String("does not answer")));
        EXPECT_NE(err.find(lock.toStdString()), std::string::npos) << err;
        if (c.folder)
            QDir().rmdir(lock);
        else
            QFile::remove(lock);
    }
}

} // namespace
} // namespace corvane::apptest
