#pragma once

#include <string_view>

#include "cli/Json.h"
#include "model/PasswordItem.h"

namespace Tarnwick::Cli {

// The plain text fields of an entry, by the German names the window gives them, with the
// option that sets each in add and edit.
struct TextField {
    const char16_t* name;
    const StringServiceProvider::PlainString& (PasswordADT::PasswordItem::*get)() const;
    void (PasswordADT::PasswordItem::*set)(std::u16string_view);
    const char* option;
};

inline constexpr TextField kTextFields[] = {
    {u"Beschreibung", &PasswordADT::PasswordItem::GetDescription, &PasswordADT::PasswordItem::SetDescription,
     "--description"},
    {u"Benutzername", &PasswordADT::PasswordItem::GetUserName, &PasswordADT::PasswordItem::SetUserName, "--username"},
    {u"Url", &PasswordADT::PasswordItem::GetUrl, &PasswordADT::PasswordItem::SetUrl, "--url"},
    {u"E-Mail", &PasswordADT::PasswordItem::GetEmail, &PasswordADT::PasswordItem::SetEmail, "--email"},
    {u"Kommentar", &PasswordADT::PasswordItem::GetComment, &PasswordADT::PasswordItem::SetComment, "--comment"},
    {u"Zielfenster", &PasswordADT::PasswordItem::GetTargetWindow, &PasswordADT::PasswordItem::SetTargetWindow,
     "--target-window"},
    {u"Sequenz", &PasswordADT::PasswordItem::GetSequence, &PasswordADT::PasswordItem::SetSequence, "--sequence"},
};

// Appends the value of one field as UTF-8: "Passwort", a text field by its German name, or a
// user-defined field. False when the entry has no such field.
bool AppendFieldValue(const PasswordADT::PasswordItem& item, std::u16string_view name, Json::Buffer& out);

} // namespace Tarnwick::Cli
