#pragma once
// A keyboard that is listed but cannot be opened: the emulator's interfaces, with every open
// failing as the system would fail it (EACCES when the udev rule is missing, ENOENT when the node
// went away between listing and opening).

#include "emulator/KeyboardEmulator.h"

#include <cstring>

namespace corvane::testing {

class RefusingBackend final : public HidBackend
{
public:
    RefusingBackend(KeyboardEmulator& emulator, int systemError)
        : emulator_(emulator), systemError_(systemError)
    {
    }
    std::vector<HidInterfaceInfo> Enumerate() override { return emulator_.Enumerate(); }
    std::unique_ptr<HidChannel> Open(const std::string& path, OpenFailure& failure) override
    {
        failure = {OpenErrorOfErrno(systemError_), systemError_,
                   "/dev/hidraw7: " + std::string(std::strerror(systemError_))};
        (void)path;
        return nullptr;
    }
    using HidBackend::Open;

private:
    KeyboardEmulator& emulator_;
    int systemError_;
};

} // namespace corvane::testing
