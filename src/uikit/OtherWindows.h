#pragma once
// The windows the main window opens: the key assignment dialog, the macro dialog, the colour
// dialog and the profile panel. The main window holds one of each (or none, in which case the
// click that would open it does nothing) and runs it modally through these calls.

#include <cstdint>
#include <optional>

class QRect;

namespace corvane {

struct AssignmentResult;
class MacroNumbering;

class KeyAssignmentWindow
{
public:
    virtual ~KeyAssignmentWindow() = default;
    // Runs the dialog for the key named in result (slot and default key code filled in). True on
    // OK, with the user's choice left in result for the main window to apply.
    virtual bool Open(AssignmentResult& result) = 0;
};

class MacroWindow
{
public:
    virtual ~MacroWindow() = default;
    // Runs the macro dialog; true on OK (the macro store then holds the edited macros).
    virtual bool Open() = 0;
    // How the last opening renumbered the macros it began with; unchanged unless OK kept edits.
    virtual const MacroNumbering& Numbering() const = 0;
};

class ColourWindow
{
public:
    virtual ~ColourWindow() = default;
    // Runs the colour dialog starting from a 0x00BBGGRR colour; the chosen colour on OK.
    virtual std::optional<std::uint32_t> Open(std::uint32_t initialColour) = 0;
};

class ProfileWindow
{
public:
    virtual ~ProfileWindow() = default;
    // Runs the profile panel beside the main window, whose screen rectangle is given.
    virtual void Open(const QRect& mainWindowRect) = 0;
};

} // namespace corvane
