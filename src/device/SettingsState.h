#pragma once
// Everything the program knows about the keyboard's settings: the image the windows edit, the copy
// last synchronised with the keyboard, the host-side key records with their own copy, and the
// customised-key marks. The application owns one and hands it to its windows; tests build their own.

#include "format/KeyRecord.h"
#include "format/SettingsImage.h"

namespace corvane {

struct SettingsState
{
    SettingsImage image;
    SettingsShadow shadow;
    KeyRecordBuffer records;
    KeyRecordShadow recordShadow;
    KeyMarks marks;

    // After a load, an apply or a factory reset the edited state counts as synchronised.
    void TakeShadows()
    {
        shadow = image;
        recordShadow = records;
    }
};

// Another program changed the keyboard and the files while the window had edits not yet applied:
// `after` holds the settings read anew (its shadows what the keyboard has now); every byte and key
// record the user had changed in `before` and not applied is put back over them, so the next
// Apply still sends it. The key marks follow.
void KeepUnappliedEdits(const SettingsState& before, SettingsState& after);

} // namespace corvane
