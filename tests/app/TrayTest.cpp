// The notification icon on the trays people use: a StatusNotifierItem tray reports a click as
// Trigger and never a double-click, so either brings the hidden window back; its menu ends the
// program without saving.

#include "MainWindowFixture.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace corvane::apptest {
namespace {

class TrayTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        trayAvailable = true;
    }
    void HideWithTheMinimiseButton()
    {
        Click(965, 12);
        ASSERT_FALSE(window->isVisible());
    }
    void Activate(QSystemTrayIcon::ActivationReason reason)
    {
        emit window->TrayIcon()->activated(reason);
        QCoreApplication::processEvents();
    }
};

TEST_F(TrayTest, AClickOrDoubleClickOnTheIconShowsTheHiddenWindow)
{
    struct Case
    {
        QSystemTrayIcon::ActivationReason reason;
        bool shows;
    };
    const Case cases[] = {
        {QSystemTrayIcon::Trigger, true},
        {QSystemTrayIcon::DoubleClick, true},
        {QSystemTrayIcon::MiddleClick, false},
        {QSystemTrayIcon::Context, false},
    };
    Start();
    ASSERT_NE(window->TrayIcon(), nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reason));
        HideWithTheMinimiseButton();
        Activate(c.reason);
        EXPECT_EQ(window->isVisible(), c.shows);
    }
}

TEST_F(TrayTest, WithoutAKeyboardAClickLeavesTheWindowHidden)
{
    Start();
    emulator.Unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Link()->CommandChannelOpen(); }, 2000));
    HideWithTheMinimiseButton();
    Activate(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(TrayTest, ExitInTheIconMenuEndsWithoutSaving)
{
    struct Case
    {
        std::uint16_t language;
        const char* item;
    };
    for (const Case& c : {Case{kLanguageEnglish, "Exit"}, Case{kLanguageGerman, "Beenden"}}) {
        SCOPED_TRACE(c.item);
        Start(c.language);
        QFile file(QString::fromStdString((dataFolder / "keymap.bin").string()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        file.close();
        window->Slider(layout::kSliderBrightness)->setValue(state->image[img::kBrightness] == 7 ? 8 : 7);
        window->ComposeFrame();

        QMenu* menu = window->TrayIcon()->contextMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8(c.item));
        bool ended = false;
        QObject::connect(window.get(), &CTarvikDlg::Ended, [&] { ended = true; });
        menu->actions()[0]->trigger();
        EXPECT_TRUE(ended);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        window.reset();
    }
}

} // namespace
} // namespace corvane::apptest
