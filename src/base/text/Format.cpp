#include "base/text/Format.h"

#include "base/exceptions/Exception.h"

namespace Tarnwick::Text {

namespace {

struct Conversion {
    char16_t type = 0;
    bool zeroPad = false;
    std::size_t width = 0;
};

// Parses the conversion after a '%' at position pos; returns false when it is malformed.
bool ParseConversion(std::u16string_view format, std::size_t& pos, Conversion& out) {
    if (pos < format.size() && format[pos] == u'0') {
        out.zeroPad = true;
        ++pos;
    }
    while (pos < format.size() && format[pos] >= u'0' && format[pos] <= u'9') {
        out.width = out.width * 10 + (format[pos] - u'0');
        if (out.width > 1024) {
            return false;
        }
        ++pos;
    }
    // Length modifiers carry no meaning here: every integer argument is 64 bits wide.
    if (format.substr(pos, 3) == u"I64") {
        pos += 3;
    } else {
        while (pos < format.size() && (format[pos] == u'l' || format[pos] == u'h')) {
            ++pos;
        }
    }
    if (pos >= format.size()) {
        return false;
    }
    out.type = format[pos++];
    return true;
}

std::u16string Digits(std::uint64_t value, unsigned base, bool upper) {
    const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string text;
    do {
        text.insert(text.begin(), digits[value % base]);
        value /= base;
    } while (value != 0);
    return text;
}

// Renders one conversion; returns false when the argument does not fit it.
bool Render(const Conversion& conv, const FormatArgument& arg, std::u16string& out) {
    std::u16string body;
    bool negative = false;
    switch (conv.type) {
    case u's':
        if (arg.GetKind() != FormatArgument::Kind::Text) {
            return false;
        }
        body.assign(arg.Text());
        break;
    case u'c':
        if (arg.GetKind() == FormatArgument::Kind::Text) {
            return false;
        }
        body.push_back(static_cast<char16_t>(arg.GetKind() == FormatArgument::Kind::Signed ? arg.Signed()
                                                                                            : arg.Unsigned()));
        break;
    case u'd':
    case u'i':
        if (arg.GetKind() == FormatArgument::Kind::Text) {
            return false;
        }
        if (arg.GetKind() == FormatArgument::Kind::Signed && arg.Signed() < 0) {
            negative = true;
            body = Digits(0 - static_cast<std::uint64_t>(arg.Signed()), 10, false);
        } else {
            body = Digits(arg.GetKind() == FormatArgument::Kind::Signed ? static_cast<std::uint64_t>(arg.Signed())
                                                                        : arg.Unsigned(),
                          10, false);
        }
        break;
    case u'u':
    case u'x':
    case u'X': {
        if (arg.GetKind() == FormatArgument::Kind::Text) {
            return false;
        }
        const std::uint64_t value = arg.GetKind() == FormatArgument::Kind::Signed
                                        ? static_cast<std::uint64_t>(arg.Signed())
                                        : arg.Unsigned();
        body = Digits(value, conv.type == u'u' ? 10 : 16, conv.type == u'X');
        break;
    }
    default:
        return false;
    }
    const std::size_t used = body.size() + (negative ? 1 : 0);
    if (used < conv.width) {
        if (conv.zeroPad && conv.type != u's') {
            body.insert(body.begin(), conv.width - used, u'0');
        } else {
            body.insert(body.begin(), conv.width - used, u' ');
        }
    }
    if (negative) {
        // The sign goes in front of zero padding.
        std::size_t at = 0;
        if (!conv.zeroPad) {
            at = body.find_first_not_of(u' ');
        }
        body.insert(body.begin() + static_cast<std::ptrdiff_t>(at), u'-');
    }
    out += body;
    return true;
}

// One pass over the format; appends to out when it is given. Returns false when malformed.
bool RunPieces(std::u16string_view format, const std::vector<FormatArgument>& arguments, std::u16string* out,
               std::size_t& length, std::u16string& piece) {
    std::size_t next = 0;
    length = 0;
    for (std::size_t pos = 0; pos < format.size();) {
        const char16_t c = format[pos++];
        if (c != u'%') {
            ++length;
            if (out) {
                out->push_back(c);
            }
            continue;
        }
        if (pos < format.size() && format[pos] == u'%') {
            ++pos;
            ++length;
            if (out) {
                out->push_back(u'%');
            }
            continue;
        }
        Conversion conv;
        if (!ParseConversion(format, pos, conv) || next >= arguments.size()) {
            return false;
        }
        piece.clear();
        if (!Render(conv, arguments[next++], piece)) {
            return false;
        }
        length += piece.size();
        if (out) {
            out->append(piece);
        }
    }
    return true;
}

bool Run(std::u16string_view format, const std::vector<FormatArgument>& arguments, std::u16string* out,
         std::size_t& length) {
    std::u16string piece;
    const bool ok = RunPieces(format, arguments, out, length, piece);
    CryptoServiceProvider::SecureWipe(piece.data(), piece.capacity() * sizeof(char16_t));
    return ok;
}

} // namespace

StringServiceProvider::PlainString FormatArguments(std::u16string_view format,
                                                   const std::vector<FormatArgument>& arguments) {
    std::size_t measured = 0;
    if (!Run(format, arguments, nullptr, measured)) {
        throw Utilities::Exceptions::Exception(u"Fehler bei _vsc(w)printf", u"StringFormatter::Format");
    }
    std::u16string text;
    text.reserve(measured);
    std::size_t written = 0;
    if (!Run(format, arguments, &text, written) || written != measured) {
        CryptoServiceProvider::SecureWipe(text.data(), text.size() * sizeof(char16_t));
        throw Utilities::Exceptions::Exception(u"Fehler bei vs(w)print_s", u"StringFormatter::Format");
    }
    StringServiceProvider::PlainString result(text.data(), text.size());
    // The formatted text may carry a secret argument.
    CryptoServiceProvider::SecureWipe(text.data(), text.capacity() * sizeof(char16_t));
    return result;
}

} // namespace Tarnwick::Text
