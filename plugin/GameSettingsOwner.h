#pragma once

#include <cstdint>

namespace kor {

class BindingProperty;

// The owner of the local settings files, mirrored in the host's data store:
// which account they belong to, the player-preferences version they were
// last synchronised with, and whether they changed since.
struct GameSettingsOwner {
    uint64_t accountId = 0;  // 0: no owner known
    uint64_t timestamp = 0;  // the server's "modified" of that version; 0: never
    bool modified = false;   // changed locally and not uploaded yet

    bool operator==(const GameSettingsOwner&) const = default;
};

// The owner a data-store record describes. "accountId" is taken from any
// scalar kind (see AccountIdOf); "timestamp" only when unsigned and
// "modified" only when bool, else their zero values.
GameSettingsOwner OwnerFromRecord(const BindingProperty& record);

// The record sent to the data store: {"accountId", "modified", "timestamp"}.
BindingProperty OwnerRecord(const GameSettingsOwner& owner);

// A value read as an unsigned 64-bit account id: bool as 0 or 1, integers as
// they are, floats converted (0 when negative or not a number, the largest
// id when too large), texts parsed with the base their prefix names ("0x"
// hexadecimal, a leading "0" octal, else decimal), enums by their number,
// anything else 0.
uint64_t AccountIdOf(const BindingProperty& value);

}  // namespace kor
