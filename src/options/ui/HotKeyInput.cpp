#include "options/ui/HotKeyInput.h"

namespace Tarnwick::OptionsLibrary {

namespace {

// The German digit row with Shift: "!" is Shift+1, "=" is Shift+0.
constexpr std::u16string_view kShiftedDigits = u"=!\"§$%&/()";

} // namespace

int KeyScan(char16_t character) noexcept {
    if (character >= u'a' && character <= u'z') {
        return character - u'a' + 'A';
    }
    if ((character >= u'0' && character <= u'9') || character == u' ') {
        return character;
    }
    if (character >= u'A' && character <= u'Z') {
        return kNeedsModifier | character;
    }
    if (const std::size_t digit = kShiftedDigits.find(character); digit != std::u16string_view::npos) {
        return kNeedsModifier | static_cast<int>('0' + digit);
    }
    return kNoKey;
}

std::u16string KeyText(std::int32_t virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return std::u16string(1, static_cast<char16_t>(virtualKey - 'A' + u'a'));
    }
    if (virtualKey < 0x20 || virtualKey > 0xFFFF || (virtualKey >= 0xD800 && virtualKey <= 0xDFFF) || virtualKey == 0x7F) {
        return {};
    }
    return std::u16string(1, static_cast<char16_t>(virtualKey));
}

std::u16string_view CheckModifiers(int modifier1, int modifier2) noexcept {
    if (modifier1 == 0 && modifier2 == 0) {
        return kNoModifier;
    }
    if (modifier1 == modifier2) {
        return kSameModifier;
    }
    return {};
}

std::u16string_view CheckKey(std::u16string_view text, std::int32_t& virtualKey) noexcept {
    const int code = text.empty() ? kNoKey : KeyScan(text.front());
    if (code == kNoKey) {
        return kInvalidKey;
    }
    if (code >= kNeedsModifier) {
        return kKeyNeedsModifier;
    }
    virtualKey = code;
    return {};
}

} // namespace Tarnwick::OptionsLibrary
