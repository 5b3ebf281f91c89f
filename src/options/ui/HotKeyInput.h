#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Tarnwick::OptionsLibrary {

// What the hot key's key field means: the key that types a character without any modifier.
// Only keys that the desktop's key grab can hold count (letters, digits, space).
inline constexpr int kNoKey = 0xFFFF;
inline constexpr int kNeedsModifier = 0x100;

// The virtual key of the character in its low byte, with kNeedsModifier added when the
// character needs Shift on a German layout (capital letters, the shifted digit row), or kNoKey
// when no grabbable key gives it.
int KeyScan(char16_t character) noexcept;

// The character the key types without a modifier: "a" for the key A, so that the stored
// default (Windows key + Shift + A) reads back as a valid key. Empty for codes that are no
// character.
std::u16string KeyText(std::int32_t virtualKey);

// The messages of the key combination's checks.
inline constexpr std::u16string_view kNoModifier =
    u"Es muss mindestens eine Funktionstaste für die Tastenkombination gewählt werden.";
inline constexpr std::u16string_view kSameModifier =
    u"Es können nicht zwei identische Funktionstasten für die Tastenkombination gewählt werden.";
inline constexpr std::u16string_view kInvalidKey = u"Die gewählte Taste ist ungültig.";
inline constexpr std::u16string_view kKeyNeedsModifier = u"Die gewählte Taste muss ohne Funktionstaste eingegeben werden.";
inline constexpr std::u16string_view kHotKeyTaken = u"Diese Taste für den Schnellzugriff ist bereits vergeben.";
inline constexpr std::u16string_view kHotKeyInvalid = u"Ungültige Taste für den Schnellzugriff.";

// The first message that the modifiers give (empty when they are fine).
std::u16string_view CheckModifiers(int modifier1, int modifier2) noexcept;
// The message of the key field's text (empty when fine); the key's code goes to virtualKey.
std::u16string_view CheckKey(std::u16string_view text, std::int32_t& virtualKey) noexcept;

} // namespace Tarnwick::OptionsLibrary
