// corvanectl: the program's core on the command line.

#include "ctl/Commands.h"
#include "emulator/EmulatorMemory.h"
#include "platform/Paths.h"
#include "platform/RuntimeFolder.h"

#include <iostream>

int main(int argc, char** argv)
{
    corvane::ctl::CtlEnvironment environment;
    environment.emulatorMemory = corvane::DefaultStateFolder() / corvane::kEmulatorMemoryFileName;
    // A running window shows what a command changed without a restart.
    environment.tellWindow = [] { corvane::TellRunningWindow(corvane::kRereadRequest); };
    return corvane::ctl::RunCorvanectl({argv + 1, argv + argc}, std::cout, std::cerr, environment);
}
