// What the clipboard backup reads from the program that owns a selection: its TARGETS list,
// the password-manager hint and each target's property, INCR transfers included, then put
// back through the backup. The owner is played by the input, one answer after the other:
//
//   control byte: bits 0-1 format (8, 16, 32, or a bogus 24), bit 2 the owner refuses,
//                 bit 3 type INCR, bit 4 type None, bit 5 more data left behind,
//                 bits 6-7 the type's name
//   count byte:   items; then count items of the format's width (32-bit items 4 bytes)
//
// Each piece lies in a buffer of exactly the size Xlib would allocate, so that a read past
// what the owner sent is caught.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "autocompletion/SecureClipboard.h"
#include "base/exceptions/Exception.h"
#include "platform/x11/FakeDesktop.h"
#include "platform/x11/SelectionData.h"

namespace {

using namespace Tarnwick::Platform;

constexpr std::uint32_t kTargetsAtom = 1000;
constexpr std::uint32_t kHintAtom = 1001;
// Small, so that the limits are reached; the backup's own limit is 8 MiB.
constexpr std::size_t kMaxBytes = 2048;

const char* const kAtomNames[] = {"UTF8_STRING", "STRING",         "text/plain;charset=utf-8", "image/png",
                                  "TARGETS",     "MULTIPLE",       "TIMESTAMP",                "SAVE_TARGETS",
                                  "DELETE",      "INSERT_SELECTION", "INSERT_PROPERTY",        "CLIPBOARD_MANAGER",
                                  "",            "text/html",      "application/x-qt-image",   "x-special/gnome-copied-files"};
const char* const kTypeNames[] = {"UTF8_STRING", "ATOM", "image/png", "TEXT"};

std::string AtomName(std::uint32_t atom) {
    if (atom == kTargetsAtom) {
        return "TARGETS";
    }
    if (atom == kHintAtom) {
        return std::string(X11::kSecretHintTarget);
    }
    return kAtomNames[atom % (sizeof kAtomNames / sizeof kAtomNames[0])];
}

class Owner {
public:
    Owner(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    ~Owner() { std::free(m_piece); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    bool AtEnd() const noexcept { return m_position + 2 > m_size; }

    // The next answer: false when the owner refuses (or has nothing more to say).
    bool Answer(X11::PropertyPiece& piece) {
        if (AtEnd()) {
            return false;
        }
        const std::uint8_t control = m_data[m_position++];
        const std::uint8_t count = m_data[m_position++];
        static const int kFormats[] = {8, 16, 32, 24};
        const int format = kFormats[control & 3];
        const std::size_t width = format == 32 ? 4 : format == 16 ? 2 : 1;
        const std::size_t available = (m_size - m_position) / width;
        const std::size_t items = std::min<std::size_t>(count, available);
        // Xlib: the items in longs, shorts or bytes, and one byte more for a terminator.
        const std::size_t bytes = X11::PropertyBytes(format, items);
        std::free(m_piece);
        m_piece = static_cast<unsigned char*>(std::malloc(bytes + 1));
        // A format Xlib never gives: the count is claimed, but no item is there to read.
        for (std::size_t i = 0; i < items && bytes != 0; ++i) {
            if (format == 32) {
                std::uint32_t value = 0;
                std::memcpy(&value, m_data + m_position + 4 * i, 4);
                const long widened = static_cast<long>(value);
                std::memcpy(m_piece + i * sizeof(long), &widened, sizeof widened);
            } else if (format == 16) {
                std::memcpy(m_piece + i * sizeof(short), m_data + m_position + 2 * i, 2);
            } else {
                m_piece[i] = m_data[m_position + i];
            }
        }
        m_piece[bytes] = 0;
        m_position += items * width;
        piece.type = (control & 0x08) != 0 ? "INCR" : (control & 0x10) != 0 ? "" : kTypeNames[control >> 6];
        piece.format = (control & 0x10) != 0 ? 0 : format;
        piece.data = m_piece;
        piece.count = items;
        piece.after = (control & 0x20) != 0 ? 1 : 0;
        return (control & 0x04) == 0;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
    unsigned char* m_piece = nullptr;
};

// One conversion's property: the first answer, then the chunks of an INCR transfer.
class Source final : public X11::IPropertySource {
public:
    explicit Source(Owner& owner) : m_owner(owner) {}
    bool First(X11::PropertyPiece& piece) override { return m_owner.Answer(piece); }
    bool Next(X11::PropertyPiece& piece) override { return m_owner.Answer(piece); }

private:
    Owner& m_owner;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Owner owner(data, size);
    std::size_t conversions = 0;
    const auto convert = [&](std::uint32_t, SelectionItem& item, bool& tooLarge) {
        if (owner.AtEnd()) {
            // An owner that stops answering: the backup gives up with an exception.
            throw Utilities::Exceptions::WindowsException(u"the clipboard owner does not answer", 0, u"OpenClilboard",
                                                          u"ClipboardBackup::OpenClipboard");
        }
        ++conversions;
        Source source(owner);
        return X11::ReadProperty(source, item, kMaxBytes, tooLarge);
    };
    SelectionSnapshot snapshot;
    try {
        snapshot = X11::CaptureTargets(convert, AtomName, kTargetsAtom, kHintAtom);
    } catch (const Utilities::Exceptions::Exception&) {
        return 0;
    }
    if (conversions > X11::kMaxCapturedTargets + 2) {
        TwFuzz::Broken("more conversions than targets");
    }
    for (const SelectionItem& item : snapshot.items) {
        if (item.data.size() > kMaxBytes) {
            TwFuzz::Broken("a kept target is over the limit");
        }
        if (X11::IsSkippedTarget(item.target)) {
            TwFuzz::Broken("a protocol target was kept");
        }
        if (item.format == 32) {
            int count = 0;
            const WipedBytes widened = X11::WidenedItems(item.data, count);
            if (static_cast<std::size_t>(count) != item.data.size() / 4 || widened.size() != count * sizeof(long)) {
                TwFuzz::Broken("served items differ from the held ones");
            }
        }
    }
    if (snapshot.secret && !snapshot.items.empty()) {
        TwFuzz::Broken("a secret was kept");
    }
    // Through the backup: what was captured is what is put back.
    Journal journal;
    FakeSelections selections(journal);
    selections.clipboard = snapshot;
    {
        Tarnwick::Clipboard::ClipboardBackup backup(selections, true, false);
        if (backup.Saved(Selection::Clipboard).items.size() != snapshot.items.size()) {
            TwFuzz::Broken("the backup lost items");
        }
        backup.Restore();
    }
    return 0;
}
