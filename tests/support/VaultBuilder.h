#pragma once

#include <memory>
#include <string>

#include "crypto/SecureString.h"
#include "model/PasswordData.h"

namespace TestSupport {

// An entry with every field filled, distinct per number.
inline std::shared_ptr<Tarnwick::PasswordADT::PasswordItem> MakeEntry(int number) {
    auto item = std::make_shared<Tarnwick::PasswordADT::PasswordItem>();
    const std::u16string n = [&] {
        std::u16string text;
        for (char c : std::to_string(number)) {
            text.push_back(static_cast<char16_t>(c));
        }
        return text;
    }();
    item->SetDescription(u"Eintrag " + n);
    item->SetUserName(u"benutzer" + n + u"@example.org");
    item->SetPassword(1600000000 + number, StringServiceProvider::SecureString(u"P@ß wörd " + n));
    item->SetComment(u"Kommentar für " + n + u"\r\nzweite Zeile äöü");
    item->SetUrl(u"https://login.example.org/" + n);
    item->SetEmail(u"mail" + n + u"@example.org");
    item->SetTargetWindow(u"Anmeldung " + n + u" - Mozilla Firefox");
    item->SetSequence(u"{USERNAME}{TAB}{PASSWORD}{ENTER}");
    item->SetKeepHistory(true);
    item->SetPasteMethod(number % 3);
    item->GetUserDefinedFields().Add(u"Kundennummer", u"K-" + n);
    item->GetPasswordHistory().Add(1500000000 + number, StringServiceProvider::SecureString(u"alt " + n));
    return item;
}

// Folders "Ordner 0".. with entries spread over them; the first folder is a top-level one,
// the others alternate between top level and children of the first.
inline Tarnwick::PasswordADT::PasswordData MakeVault(int folders, int entries) {
    Tarnwick::PasswordADT::PasswordData data;
    for (int f = 0; f < folders; ++f) {
        const std::u16string name = u"Ordner " + std::u16string(1, static_cast<char16_t>(u'A' + f % 26));
        if (f % 2 == 1) {
            data.AddSubfolder(data.Folders().front()->GetId(), name);
        } else {
            data.AddFolder(name);
        }
    }
    for (int e = 0; e < entries && folders > 0; ++e) {
        data.Folders()[static_cast<std::size_t>(e % folders)]->Entries().push_back(MakeEntry(e));
    }
    return data;
}

} // namespace TestSupport
