#pragma once

#include <string>
#include <string_view>

#include "update/AutoUpdater.h"

namespace Tarnwick::UpdateProvider {

// Escapes a URL part the way the update service expects: every byte outside the printable
// ASCII range and each of  ; \ ? @ & = + $ , blank < > # % " { } | ^ [ ] `  becomes %XX
// (upper-case hex). Unlike curl's escaping, "/", "~", ":", "!", "'", "(", ")" and "*" stay.
std::string EscapeUrl(std::string_view text);

class UpdateParameterEncrypter {
public:
    // The five values, each followed by "|", as UTF-8, RC4 with the service's key, Base64
    // without line breaks, URL-escaped: the value of the request's "Update=" query.
    static std::string EncryptToString(const UpdateParameter& parameter);

    // The plain "|"-joined text (what the service decrypts).
    static std::u16string JoinParameter(const UpdateParameter& parameter);

    // The service's 64-byte key, assembled at run time rather than stored as one constant.
    static std::string Key();
};

} // namespace Tarnwick::UpdateProvider
