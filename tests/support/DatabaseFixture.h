#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "database/CDatabase.h"
#include "model/ByteBuffer.h"
#include "model/PasswordData.h"
#include "support/FakeDatabaseUI.h"
#include "support/TempDir.h"
#include "support/VaultBuilder.h"

namespace TestSupport {

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Tarnwick::LoginCredentials Login(std::u16string_view user, std::u16string_view password) {
    Tarnwick::LoginCredentials credentials;
    credentials.userName.Assign(user);
    credentials.password.Assign(password);
    return credentials;
}

// Folders with their ids, parents and names, and every entry's byte form: equal snapshots
// mean equal databases.
inline std::vector<std::string> Snapshot(const Tarnwick::PasswordADT::PasswordData& data) {
    std::vector<std::string> lines;
    for (const auto& folder : data.Folders()) {
        std::string line = "F " + std::to_string(folder->GetId()) + " " + std::to_string(folder->GetParentId()) + " ";
        for (char16_t c : folder->GetName().View()) {
            line += std::to_string(c) + ",";
        }
        lines.push_back(line);
        for (const auto& item : folder->Entries()) {
            Tarnwick::PasswordADT::ByteBuffer buffer;
            item->Serialize(buffer);
            std::string bytes = "  E ";
            for (std::size_t i = 0; i < buffer.Size(); ++i) {
                bytes += std::to_string(buffer.Data()[i]) + ".";
            }
            lines.push_back(bytes);
        }
    }
    return lines;
}

// A folder for database files and a scripted user interface.
class DatabaseFixture : public ::testing::Test {
protected:
    std::filesystem::path Path(const std::string& name = "Konten.twdb") const { return m_dir / name; }

    bool CreateDatabase(const std::filesystem::path& path, std::int32_t algorithm,
                        const Tarnwick::PasswordADT::PasswordData& data,
                        const Tarnwick::LoginCredentials& credentials) {
        Tarnwick::CDatabase database(ui, path);
        return database.CreateWithContent(credentials, algorithm, data);
    }

    Tarnwick::PasswordADT::PasswordData LoadDatabase(const std::filesystem::path& path,
                                                     const Tarnwick::LoginCredentials& credentials, bool* ok = nullptr) {
        Tarnwick::CDatabase database(ui, path);
        Tarnwick::PasswordADT::PasswordData data;
        bool loaded = database.Login(credentials) == Tarnwick::RequestResult::Succeeded && database.Load(credentials, data);
        if (ok != nullptr) {
            *ok = loaded;
        }
        return data;
    }

    TempDir m_dir;
    FakeDatabaseUI ui;
    Tarnwick::LoginCredentials alice = Login(u"Alice", u"Sesam öffne dich!");
};

} // namespace TestSupport
