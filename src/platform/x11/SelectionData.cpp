#include "platform/x11/SelectionData.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

namespace Tarnwick::Platform::X11 {

std::size_t PropertyBytes(int format, unsigned long count) noexcept {
    switch (format) {
    case 32:
        return count * sizeof(long);
    case 16:
        return count * sizeof(short);
    case 8:
        return count;
    default:
        return 0;
    }
}

void AppendPiece(SelectionItem& item, const PropertyPiece& piece) {
    item.type = piece.type;
    item.format = piece.format;
    if (piece.data == nullptr) {
        return;
    }
    if (piece.format == 32) {
        // Xlib hands 32-bit items over as longs.
        for (unsigned long i = 0; i < piece.count; ++i) {
            long value = 0;
            std::memcpy(&value, piece.data + i * sizeof(long), sizeof value);
            const auto item32 = static_cast<std::uint32_t>(value);
            const char* bytes = reinterpret_cast<const char*>(&item32);
            item.data.insert(item.data.end(), bytes, bytes + 4);
        }
    } else {
        const auto* bytes = reinterpret_cast<const char*>(piece.data);
        item.data.insert(item.data.end(), bytes, bytes + PropertyBytes(piece.format, piece.count));
    }
}

std::uint64_t AnnouncedSize(const PropertyPiece& piece) noexcept {
    // Only a 32-bit item is a size; a shorter answer holds no long to read.
    if (piece.data == nullptr || piece.format != 32 || piece.count == 0) {
        return 0;
    }
    long value = 0;
    std::memcpy(&value, piece.data, sizeof value);
    return static_cast<std::uint32_t>(value);
}

bool ReadProperty(IPropertySource& source, SelectionItem& item, std::size_t maxBytes, bool& tooLarge) {
    PropertyPiece piece;
    if (!source.First(piece)) {
        return false;
    }
    if (piece.type == "INCR") {
        if (AnnouncedSize(piece) > maxBytes) {
            tooLarge = true;
            return false;
        }
        for (;;) {
            if (!source.Next(piece)) {
                return false;
            }
            if (piece.after != 0) {
                tooLarge = true;
                return false;
            }
            if (piece.data == nullptr || piece.count == 0) {
                return !item.data.empty() || !item.type.empty();
            }
            AppendPiece(item, piece);
            if (item.data.size() > maxBytes) {
                tooLarge = true;
                return false;
            }
        }
    }
    // The read asks for a little more than the limit in whole 32-bit units, so a property just
    // over it can still arrive complete.
    const std::size_t kept = piece.format == 32 ? piece.count * 4 : PropertyBytes(piece.format, piece.count);
    if (piece.after != 0 || kept > maxBytes) {
        tooLarge = true;
        return false;
    }
    if (piece.data == nullptr || piece.type.empty()) {
        return false;
    }
    AppendPiece(item, piece);
    return true;
}

std::vector<std::uint32_t> TargetAtoms(const SelectionItem& targets) {
    std::vector<std::uint32_t> atoms;
    if (targets.format != 32) {
        return atoms;
    }
    for (std::size_t i = 0; i + 4 <= targets.data.size() && atoms.size() < kMaxCapturedTargets; i += 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, targets.data.data() + i, 4);
        atoms.push_back(value);
    }
    return atoms;
}

bool MarksSecret(const SelectionItem& hint) noexcept {
    return std::string_view(hint.data.data(), hint.data.size()) == "secret";
}

bool IsSkippedTarget(std::string_view name) noexcept {
    static constexpr std::array<std::string_view, 8> kSkipped = {"TARGETS",          "MULTIPLE",        "TIMESTAMP",
                                                                 "SAVE_TARGETS",     "DELETE",          "INSERT_SELECTION",
                                                                 "INSERT_PROPERTY", "CLIPBOARD_MANAGER"};
    return name.empty() || std::find(kSkipped.begin(), kSkipped.end(), name) != kSkipped.end();
}

SelectionSnapshot CaptureTargets(const ConvertTarget& convert, const NameOfAtom& atomName, std::uint32_t targetsAtom,
                                 std::uint32_t hintAtom) {
    SelectionSnapshot snapshot;
    SelectionItem targets;
    bool tooLarge = false;
    if (!convert(targetsAtom, targets, tooLarge) || targets.format != 32) {
        return snapshot;
    }
    const std::vector<std::uint32_t> atoms = TargetAtoms(targets);
    // A secret (another password manager's copy, or ours) is not kept.
    if (std::find(atoms.begin(), atoms.end(), hintAtom) != atoms.end()) {
        SelectionItem marker;
        bool large = false;
        if (convert(hintAtom, marker, large) && MarksSecret(marker)) {
            snapshot.secret = true;
            return snapshot;
        }
    }
    for (const std::uint32_t target : atoms) {
        SelectionItem item;
        item.target = atomName(target);
        if (IsSkippedTarget(item.target)) {
            continue;
        }
        bool large = false;
        if (convert(target, item, large)) {
            snapshot.items.push_back(std::move(item));
        } else if (large) {
            ++snapshot.skipped;
        }
    }
    return snapshot;
}

WipedBytes WidenedItems(const WipedBytes& data, int& count) {
    const std::size_t items = std::min<std::size_t>(data.size() / 4, INT_MAX / sizeof(long));
    WipedBytes widened(items * sizeof(long));
    for (std::size_t i = 0; i < items; ++i) {
        std::uint32_t value = 0;
        std::memcpy(&value, data.data() + i * 4, 4);
        const long item = static_cast<long>(value);
        std::memcpy(widened.data() + i * sizeof(long), &item, sizeof item);
    }
    count = static_cast<int>(items);
    return widened;
}

} // namespace Tarnwick::Platform::X11
