#pragma once
// The key dialog's key page as rules over its AssignmentResult: which keys can be captured, how a
// captured key joins the single key or the combination, and what Save makes of them. The dialog
// and corvanectl's assign both go through these.

#include "format/KeyCodeTable.h"
#include "keys/ApplyKeyAssignment.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane {

struct NamedFunction;

// The keys the keyboard view opens the key dialog for: not the two Ctrl keys, the Windows key and
// Fn, nor the four media keys the picture does not show.
bool IsAssignableKey(std::size_t slot);

// The keyboard has no code for a key whose usage is 0: such a key is left out, not captured.
bool CanCaptureKey(std::uint8_t key, const KeyCodeTable& codes);

// A key captured on the key page, by the chosen kind: a single key replaces the one before; a
// combination takes up to three keys and a fourth starts a new one. A media key works only alone:
// it starts a combination of its own, and the key after it starts another. Returns whether the key
// was taken (not for a key that cannot be captured, nor while another kind is chosen).
bool CaptureKey(AssignmentResult& result, std::uint8_t key, const KeyCodeTable& codes);

// Save on the key page: the count is the number of keys captured; with none the key gets its own
// function back, and a combination holding a media key becomes the named function it stands for.
void SaveKeyPage(AssignmentResult& result, const KeyCodeTable& codes);

// The keys a combination holds: the first three that are not 0.
std::vector<std::uint8_t> CombinationKeys(const std::uint8_t* keys);
// The named function of the first media key among them, or nullptr.
const NamedFunction* CombinationMediaKey(const std::uint8_t* keys, const KeyCodeTable& codes);

} // namespace corvane
