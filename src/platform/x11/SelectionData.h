#pragma once

// What a selection backup makes of the data other programs hand over: the list of targets,
// the password-manager hint and each property, INCR transfers included. Kept apart from the
// X calls so that hostile answers can be tried without a server; the owner of the selection
// is another program and may answer anything.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/Desktop.h"

namespace Tarnwick::Platform::X11 {

// Targets beyond this many are not asked for.
inline constexpr std::size_t kMaxCapturedTargets = 64;
inline constexpr std::string_view kSecretHintTarget = "x-kde-passwordManagerHint";

// One property as XGetWindowProperty returned it: items of format 32 in longs, of format 16
// in shorts, of format 8 in bytes.
struct PropertyPiece {
    std::string type; // the type's name; empty for None
    int format = 0;
    const unsigned char* data = nullptr;
    unsigned long count = 0;
    unsigned long after = 0; // bytes left behind what was read
};

// Where the pieces of one converted property come from. Each call replaces the piece before.
class IPropertySource {
public:
    virtual ~IPropertySource() = default;
    // The property as it stands; false when it cannot be read.
    virtual bool First(PropertyPiece& piece) = 0;
    // The next piece of an INCR transfer once the owner wrote it; false when it did not come.
    virtual bool Next(PropertyPiece& piece) = 0;
};

// Bytes Xlib holds for count items of the format (32-bit items in longs).
std::size_t PropertyBytes(int format, unsigned long count) noexcept;
// Appends the items to the item's data (32-bit items as 4 bytes each) and takes the piece's
// type and format; a format other than 8, 16 and 32 appends nothing.
void AppendPiece(SelectionItem& item, const PropertyPiece& piece);
// The size an INCR transfer announces (a lower bound): its first 32-bit item, 0 when the
// owner sent no such item.
std::uint64_t AnnouncedSize(const PropertyPiece& piece) noexcept;

// Reads a converted property into the item, following an INCR transfer. False when it is
// missing, incomplete or larger than maxBytes (then tooLarge is set); the source reads no
// piece beyond maxBytes, and one with more left behind it is too large.
bool ReadProperty(IPropertySource& source, SelectionItem& item, std::size_t maxBytes, bool& tooLarge);

// The atoms of a TARGETS answer: its 32-bit items, at most kMaxCapturedTargets; none when
// the answer is not of format 32.
std::vector<std::uint32_t> TargetAtoms(const SelectionItem& targets);
// Whether the answer to the hint target marks the content as a secret.
bool MarksSecret(const SelectionItem& hint) noexcept;
// Targets of the protocol itself, never backed up.
bool IsSkippedTarget(std::string_view name) noexcept;

// Asks the owner for one target: false when it refused; tooLarge when over the limit.
using ConvertTarget = std::function<bool(std::uint32_t target, SelectionItem& item, bool& tooLarge)>;
using NameOfAtom = std::function<std::string(std::uint32_t atom)>;

// The capture of an owner's content: its targets, the hint (a secret is not kept), then each
// target that is not skipped. A conversion that throws ends the capture with its exception.
SelectionSnapshot CaptureTargets(const ConvertTarget& convert, const NameOfAtom& atomName, std::uint32_t targetsAtom,
                                 std::uint32_t hintAtom);

// The 32-bit items of held data as a reply's property data: widened to longs, as Xlib takes
// them; count receives the number of whole items.
WipedBytes WidenedItems(const WipedBytes& data, int& count);

} // namespace Tarnwick::Platform::X11
