#pragma once
// Settings as a keyboard fresh from the factory has them, for the key tests: every key's own device
// entry, every key enabled, the records stamped with the default key order.

#include "format/DeviceKeyEntry.h"
#include "format/KeyLayout.h"
#include "store/SettingsFiles.h"

namespace corvane::testing {

inline void SetFactoryKeys(SettingsState& state)
{
    for (std::size_t k = 0; k < 128; ++k)
        PutDeviceKeyEntry(state.image, k, DefaultDeviceKeyTable()[k]);
    for (std::size_t i = 0; i < img::kKeyEnableMapSize; ++i)
        state.image[img::kKeyEnableMap + i] = 0xFF;
    RestampDefaultKeyOrder(state.records);
}

} // namespace corvane::testing
