// corvanectl: the program's core on the command line.

#include "ctl/Commands.h"
#include "emulator/EmulatorMemory.h"
#include "platform/Paths.h"

#include <iostream>

int main(int argc, char** argv)
{
    return corvane::ctl::RunCorvanectl({argv + 1, argv + argc}, std::cout, std::cerr, nullptr, nullptr,
                                       corvane::DefaultStateFolder() / corvane::kEmulatorMemoryFileName);
}
