#include "exchange/ImportAutoType.h"

#include <vector>

#include "exchange/ImportText.h"

namespace Tarnwick::Import {

namespace {

constexpr std::u16string_view kUserName = u"{USERNAME}";
constexpr std::u16string_view kPassword = u"{PASSWORD}";
constexpr std::u16string_view kTab = u"{TAB}";
constexpr std::u16string_view kEnter = u"{ENTER}";
constexpr std::u16string_view kSpace = u"{SPACE}";

constexpr std::u16string_view kWindowMarker = u"Auto-Type-Window: ";
constexpr std::u16string_view kSequenceMarker = u"Auto-Type: ";

std::u16string_view TokenFor(std::u16string_view name) {
    name = Detail::TrimBlanks(name);
    if (Detail::StartsWithAsciiNoCase(name, u"USER")) {
        return kUserName;
    }
    if (Detail::StartsWithAsciiNoCase(name, u"PASS")) {
        return kPassword;
    }
    if (Detail::EqualsAsciiNoCase(name, u"TAB")) {
        return kTab;
    }
    if (Detail::EqualsAsciiNoCase(name, u"ENTER")) {
        return kEnter;
    }
    if (Detail::EqualsAsciiNoCase(name, u"SPACE")) {
        return kSpace;
    }
    return {};
}

} // namespace

PlainString ConvertAutoTypeTemplate(std::u16string_view text, char16_t closing) {
    const char16_t opening = closing == u'>' ? u'<' : u'{';
    Detail::WipingBuffer out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(closing, start);
        if (end == std::u16string_view::npos) {
            break; // an unclosed rest is no token
        }
        const std::u16string_view token = text.substr(start, end - start);
        const std::size_t open = token.rfind(opening);
        if (open != std::u16string_view::npos) {
            out.Append(TokenFor(token.substr(open + 1)));
        }
        start = end + 1;
    }
    return out.ToPlain();
}

PlainString ConvertPasswordSafeAutoType(std::u16string_view text) {
    Detail::WipingBuffer out;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'\\') {
            continue;
        }
        switch (text[++i]) {
        case u'u':
            out.Append(kUserName);
            break;
        case u'p':
            out.Append(kPassword);
            break;
        case u't':
            out.Append(kTab);
            break;
        case u'n':
            out.Append(kEnter);
            break;
        default:
            break;
        }
    }
    return out.ToPlain();
}

NotesAutoType SplitAutoTypeLines(std::u16string_view notes) {
    NotesAutoType result;
    Detail::WipingBuffer comment;
    std::size_t lineStart = 0;
    bool firstLine = true;
    while (lineStart <= notes.size()) {
        std::size_t lineEnd = notes.find(u'\n', lineStart);
        const bool last = lineEnd == std::u16string_view::npos;
        if (last) {
            lineEnd = notes.size();
        }
        std::u16string_view line = notes.substr(lineStart, lineEnd - lineStart);
        const bool hadCr = !line.empty() && line.back() == u'\r';
        if (hadCr) {
            line.remove_suffix(1);
        }

        // Everything before the first marker stays; each marker takes the text up to the next.
        const auto nextMarker = [&](std::size_t from, std::size_t& length, bool& isWindow) {
            const std::size_t window = line.find(kWindowMarker, from);
            const std::size_t sequence = line.find(kSequenceMarker, from);
            if (window == std::u16string_view::npos && sequence == std::u16string_view::npos) {
                return std::u16string_view::npos;
            }
            isWindow = window != std::u16string_view::npos && (sequence == std::u16string_view::npos || window < sequence);
            length = isWindow ? kWindowMarker.size() : kSequenceMarker.size();
            return isWindow ? window : sequence;
        };
        std::size_t length = 0;
        bool isWindow = false;
        std::size_t marker = nextMarker(0, length, isWindow);
        std::u16string_view kept = line.substr(0, marker == std::u16string_view::npos ? line.size() : marker);
        while (marker != std::u16string_view::npos) {
            const std::size_t valueStart = marker + length;
            std::size_t nextLength = 0;
            bool nextIsWindow = false;
            const std::size_t next = nextMarker(valueStart, nextLength, nextIsWindow);
            const std::u16string_view value = Detail::TrimBlanks(
                line.substr(valueStart, (next == std::u16string_view::npos ? line.size() : next) - valueStart));
            if (isWindow && !result.hasWindow) {
                result.window.Assign(value);
                result.hasWindow = true;
            } else if (!isWindow && !result.hasSequence) {
                result.sequence.Assign(value);
                result.hasSequence = true;
            }
            marker = next;
            length = nextLength;
            isWindow = nextIsWindow;
        }
        const bool hadMarker = kept.size() != line.size();
        if (!(hadMarker && Detail::TrimBlanks(kept).empty())) {
            if (!firstLine) {
                comment.Append(u'\n');
            }
            comment.Append(kept);
            if (hadCr && !hadMarker) {
                comment.Append(u'\r');
            }
            firstLine = false;
        }
        if (last) {
            break;
        }
        lineStart = lineEnd + 1;
    }
    // Line breaks left behind by removed lines at the end go as well.
    std::u16string_view text = comment.View();
    if (result.hasWindow || result.hasSequence) {
        while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) {
            text.remove_suffix(1);
        }
    }
    result.comment.Assign(text);
    return result;
}

} // namespace Tarnwick::Import
