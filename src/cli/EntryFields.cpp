#include "cli/EntryFields.h"

#include "base/text/Utf.h"

namespace Tarnwick::Cli {

bool AppendFieldValue(const PasswordADT::PasswordItem& item, std::u16string_view name, Json::Buffer& out) {
    const auto append = [&](std::u16string_view text) {
        Text::EncodeUtf8(text, [&](char c) { out.push_back(c); });
        return true;
    };
    if (name == u"Passwort") {
        const auto plain = item.GetPassword().Reveal();
        return append(plain.View());
    }
    for (const auto& field : kTextFields) {
        if (name == field.name) {
            return append((item.*field.get)().View());
        }
    }
    if (item.GetUserDefinedFields().Contains(name)) {
        return append(item.GetUserDefinedFields().Get(name).View());
    }
    return false;
}

} // namespace Tarnwick::Cli
