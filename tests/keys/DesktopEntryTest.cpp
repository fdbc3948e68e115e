#include "keys/DesktopEntry.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Argv = std::vector<std::string>;

TEST(DesktopEntryCommand, SplitsTheExecLineWithoutAShell)
{
    const std::string entry = "/home/u/apps/edit.desktop";
    const struct
    {
        const char* text;
        Argv argv; // empty: no command
        const char* folder;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=gedit --new-window %U\n",
         {"gedit", "--new-window"},
         "/home/u/apps"},
        // Quotes keep blanks; nothing a shell would expand is touched.
        {"[Desktop Entry]\nType=Application\nExec=\"/opt/My App/run\" 'a b' $HOME *.txt ;rm\n",
         {"/opt/My App/run", "a b", "$HOME", "*.txt", ";rm"},
         "/home/u/apps"},
        // Value escapes first, then the quoting: \\" is a quote inside the argument, \s a blank.
        {"[Desktop Entry]\nType=Application\nExec=tool \"say \\\\\"hi\\\\\" \\\\$x\" a\\sb\n",
         {"tool", "say \"hi\" $x", "a", "b"},
         "/home/u/apps"},
        {"[Desktop Entry]\r\nName=Edit\r\nIcon=ed\r\nType = Application\r\nPath=/srv\r\n"
         "Exec=ed %i --title=%c %k 100%% --file=%f\r\n",
         {"ed", "--icon", "ed", "--title=Edit", entry, "100%", "--file="},
         "/srv"},
        {"# made by hand\n[Desktop Entry]\nType=Application\nTerminal=true\nExec=htop\n",
         {"x-terminal-emulator", "-e", "htop"},
         "/home/u/apps"},
        // Only the first group counts, and localised keys are other keys.
        {"[Desktop Entry]\nType=Application\nExec[de]=falsch\nExec=right\n[Desktop Action new]\nExec=wrong\n",
         {"right"},
         "/home/u/apps"},
        {"[Desktop Entry]\nType=Link\nURL=https://example.org\nExec=x\n", {}, ""},
        {"[Desktop Entry]\nType=Application\nHidden=true\nExec=x\n", {}, ""},
        {"[Desktop Entry]\nType=Application\n", {}, ""},
        {"[Desktop Entry]\nType=Application\nExec=%F\n", {}, ""},
        {"[Desktop Entry]\nType=Application\nExec=\"unclosed\n", {}, ""},
        {"[Desktop Entry]\nType=Application\nExec=tool %z\n", {}, ""},
        {"[Desktop Entry]\nType=Application\nExec=bin/tool\n", {}, ""},
        {"[Other]\nType=Application\nExec=x\n[Desktop Entry]\nType=Application\nExec=y\n",
         {"y"},
         "/home/u/apps"},
    };
    for (const auto& c : cases) {
        const std::optional<DesktopCommand> command = DesktopEntryCommand(c.text, entry);
        if (c.argv.empty()) {
            EXPECT_FALSE(command.has_value()) << c.text;
            continue;
        }
        ASSERT_TRUE(command.has_value()) << c.text;
        EXPECT_EQ(command->argv, c.argv) << c.text;
        EXPECT_EQ(command->workingFolder, c.folder) << c.text;
    }
}

} // namespace
} // namespace corvane
