#include "update/verify/VersionNumberParser.h"

#include <algorithm>
#include <limits>

#include "base/exceptions/Exception.h"

namespace Tarnwick::UpdateProvider {

namespace {

using Utilities::Exceptions::Exception;

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Like wcstol in base 10, clamped to 32 bits as on the platform the numbers come from.
std::int32_t ToInteger(std::u16string_view part) {
    std::size_t i = 0;
    while (i < part.size() && IsBlank(part[i])) {
        ++i;
    }
    bool negative = false;
    if (i < part.size() && (part[i] == u'+' || part[i] == u'-')) {
        negative = part[i] == u'-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < part.size() && part[i] >= u'0' && part[i] <= u'9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (part[i] - u'0'),
                                       std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1);
    }
    if (negative) {
        value = -value;
    }
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

} // namespace

VersionNumberParser::Version VersionNumberParser::ParseVersion(std::u16string_view text) {
    if (text.empty()) {
        throw Exception(u"empty version", u"VersionNumberParser::ParseVersion");
    }
    if (std::count(text.begin(), text.end(), u'.') < 3) {
        throw Exception(u"invalid version format", u"VersionNumberParser::VerifyFormat");
    }
    Version version{};
    std::size_t start = 0;
    for (std::size_t k = 0; k < version.size(); ++k) {
        const std::size_t dot = text.find(u'.', start);
        const std::u16string_view part = text.substr(start, dot == std::u16string_view::npos ? text.size() - start : dot - start);
        version[k] = ToInteger(part);
        start = dot == std::u16string_view::npos ? text.size() : dot + 1;
    }
    return version;
}

bool VersionNumberParser::IsNewer(std::u16string_view update, std::u16string_view current) {
    const Version a = ParseVersion(update);
    const Version b = ParseVersion(current);
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] != b[k]) {
            return a[k] > b[k];
        }
    }
    return false;
}

} // namespace Tarnwick::UpdateProvider
