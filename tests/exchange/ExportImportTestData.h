#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/ByteBuffer.h"
#include "model/PasswordData.h"
#include "support/VaultBuilder.h"

namespace TestSupport {

// An entry with every field set away from its default, a longer history and several fields.
inline std::shared_ptr<Tarnwick::PasswordADT::PasswordItem> RichEntry(int number) {
    auto item = MakeEntry(number);
    item->SetForbidRepetition(true);
    item->SetDistinctPasswordCount(7);
    item->SetHistorySize(12);
    item->SetCreationTime(1400000000 + number);
    item->SetModificationTime(1450000000 + number);
    item->SetExpiry(30);
    item->SetValidityMode(2);
    item->SetSymbol(u"/usr/share/icons/tarnwick.ico,3");
    item->GetUserDefinedFields().Add(u"Zweites Feld", u"Wert mit | und \"Zeichen\"");
    item->GetUserDefinedFields().Add(u"Ünïcödé ✓", u"𝄞 außerhalb der Ebene");
    item->GetPasswordHistory().Add(1500000100 + number, StringServiceProvider::SecureString(std::u16string_view(u"noch älter")));
    item->GetPasswordHistory().Add(1500000200 + number, StringServiceProvider::SecureString(std::u16string_view(u"zuletzt")));
    return item;
}

// "Privat" > "Bank" > "Konten", "Privat" > "Einkauf", "Arbeit" (top), each with rich entries.
inline Tarnwick::PasswordADT::PasswordData RichVault() {
    Tarnwick::PasswordADT::PasswordData data;
    auto privat = data.AddFolder(u"Privat");
    auto bank = data.AddSubfolder(privat->GetId(), u"Bank");
    auto konten = data.AddSubfolder(bank->GetId(), u"Konten");
    auto einkauf = data.AddSubfolder(privat->GetId(), u"Einkauf");
    auto arbeit = data.AddFolder(u"Arbeit");
    int n = 0;
    for (const auto& folder : {privat, bank, konten, einkauf, arbeit}) {
        for (int i = 0; i < 3; ++i) {
            folder->Entries().push_back(RichEntry(n++));
        }
    }
    return data;
}

inline std::vector<std::uint8_t> EntryBytes(const Tarnwick::PasswordADT::PasswordItem& item) {
    Tarnwick::PasswordADT::ByteBuffer buffer;
    item.Serialize(buffer);
    return std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + buffer.Size());
}

inline std::vector<std::vector<std::uint8_t>> FolderEntryBytes(const Tarnwick::PasswordADT::Category& folder) {
    std::vector<std::vector<std::uint8_t>> bytes;
    for (const auto& item : folder.Entries()) {
        bytes.push_back(EntryBytes(*item));
    }
    return bytes;
}

// The files in a folder whose names start with the backup prefix "~$".
inline std::vector<std::filesystem::path> BackupFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("~$", 0) == 0) {
            found.push_back(entry.path());
        }
    }
    return found;
}

} // namespace TestSupport
