// Writes the seeds of the fuzz targets whose inputs the project makes itself:
//   fuzz_make_seeds <fuzz/seeds>
// twdb_reader gets databases in plain form (see twdb_reader.cpp), entry_bytes entry byte
// forms, settings_file and policy_file the files the program writes, clipboard_selection
// owner answers.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "database/FileFormat.h"
#include "generator/PasswordPolicy.h"
#include "generator/PasswordPolicySerializer.h"
#include "model/ByteBuffer.h"
#include "model/Serialization.h"
#include "options/Settings.h"
#include "options/SettingsStorage.h"
#include "support/VaultBuilder.h"

namespace {

using namespace EmberkiteDatabase;
using Tarnwick::PasswordADT::ByteBuffer;
using Tarnwick::PasswordADT::PasswordData;

using Bytes = std::vector<std::uint8_t>;

void Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <typename Header, std::size_t Size>
void Append(Bytes& file, const Header& header) {
    std::uint8_t bytes[Size] = {};
    header.Encode(bytes);
    file.insert(file.end(), bytes, bytes + Size);
}

Bytes PlainDatabase(std::int32_t algorithm, const PasswordData& data, bool selective) {
    const std::size_t block = algorithm == 0 ? 8 : 16;
    Bytes file;
    FileHeader fileHeader = FileHeader::Fresh(algorithm);
    fileHeader.passwordCount = static_cast<std::int32_t>(data.EntryCount());
    fileHeader.reserved = selective ? 1 : 0;
    Append<FileHeader, Format::kFileHeaderSize>(file, fileHeader);
    UserHeader user;
    user.rounds = 0;
    for (std::size_t i = 0; i < Format::kSaltSize; ++i) {
        user.salt[i] = static_cast<std::uint8_t>(i * 7);
    }
    Append<UserHeader, Format::kUserHeaderSize>(file, user);
    DateTimeHeader times;
    times.created = 1700000000;
    times.lastModified = 1700000100;
    times.passwordChanged = 1700000000;
    Append<DateTimeHeader, Format::kDateTimeHeaderSize>(file, times);
    CategoryHeader categories;
    categories.count = static_cast<std::int32_t>(data.FolderCount());
    Append<CategoryHeader, Format::kCategoryHeaderSize>(file, categories);
    for (const auto& folder : data.Folders()) {
        CategoryBlock blockData;
        blockData.id = static_cast<std::int32_t>(folder->GetId());
        blockData.parentId = static_cast<std::int32_t>(folder->GetParentId());
        const auto name = folder->GetName().View();
        blockData.nameLength = static_cast<std::int32_t>(name.size() * 2);
        for (std::size_t c = 0; c < name.size(); ++c) {
            blockData.name[2 * c] = static_cast<std::uint8_t>(name[c]);
            blockData.name[2 * c + 1] = static_cast<std::uint8_t>(name[c] >> 8);
        }
        Append<CategoryBlock, Format::kCategoryBlockSize>(file, blockData);
    }
    std::uint8_t iv = 1;
    for (const auto& folder : data.Folders()) {
        for (const auto& item : folder->Entries()) {
            ByteBuffer body;
            Tarnwick::PasswordADT::WriteUInt32(body, folder->GetId());
            item->Serialize(body);
            body.Resize((body.Size() + block - 1) / block * block);
            RecordHeader header;
            for (auto& byte : header.iv) {
                byte = iv++;
            }
            header.bodySize = static_cast<std::uint32_t>(body.Size());
            Append<RecordHeader, Format::kRecordHeaderSize>(file, header);
            file.insert(file.end(), body.Data(), body.Data() + body.Size());
        }
    }
    return file;
}

Bytes Utf16(std::u16string_view text) {
    Bytes bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds <seed folder>\n");
        return 2;
    }
    const std::filesystem::path seeds = argv[1];

    Write(seeds / "twdb_reader" / "blowfish-2-folders-3-entries", PlainDatabase(0, TestSupport::MakeVault(2, 3), false));
    Write(seeds / "twdb_reader" / "aes-3-folders-4-entries", PlainDatabase(1, TestSupport::MakeVault(3, 4), false));
    Write(seeds / "twdb_reader" / "aes-selective", PlainDatabase(1, TestSupport::MakeVault(2, 2), true));
    Write(seeds / "twdb_reader" / "blowfish-no-folders", PlainDatabase(0, TestSupport::MakeVault(0, 0), false));

    for (int number : {0, 1, 2}) {
        ByteBuffer buffer;
        TestSupport::MakeEntry(number)->Serialize(buffer);
        Write(seeds / "entry_bytes" / ("entry-" + std::to_string(number)), Bytes(buffer.Data(), buffer.Data() + buffer.Size()));
    }
    {
        ByteBuffer buffer;
        Tarnwick::PasswordADT::PasswordItem empty;
        empty.Serialize(buffer);
        Write(seeds / "entry_bytes" / "entry-empty", Bytes(buffer.Data(), buffer.Data() + buffer.Size()));
    }

    const std::filesystem::path settingsPath = seeds / "settings_file" / "twsettings-default.xml";
    std::filesystem::create_directories(settingsPath.parent_path());
    OptionsLibrary::SettingsStorage::Save(settingsPath, ApplicationSettings::Settings{});

    using namespace Tarnwick::PasswordGenerator;
    std::filesystem::create_directories(seeds / "policy_file");
    PasswordPolicySerializer::CreateDefaultFile(seeds / "policy_file" / "default.xml");
    PasswordPolicies policies;
    PasswordPolicy plain = DefaultPolicy();
    policies.policies.emplace(plain.name, plain);
    PasswordPolicy own = DefaultPolicy();
    own.name = u"Eigene-Zeichen";
    own.ownCharacters = u"äöü€#";
    own.ownCount = 3;
    own.excludedCharacters = u"0O1lI";
    own.repetition = false;
    own.length = 24;
    policies.policies.emplace(own.name, own);
    PasswordPolicy hex = DefaultPolicy();
    hex.name = u"Hex";
    hex.encoding = EncodingHexadecimal;
    hex.length = 32;
    policies.policies.emplace(hex.name, hex);
    policies.mostRecentlyUsed = own.name;
    PasswordPolicySerializer::Save(seeds / "policy_file" / "three-policies.xml", policies);

    Write(seeds / "sequence_parser" / "username-password", Utf16(u"{USERNAME}{TAB}{PASSWORD}{ENTER}"));
    Write(seeds / "sequence_parser" / "mail-fields", Utf16(u"{MAIL}{TAB}{FIELD_3}{SPACE}{PASSWORD}{ENTER}"));

    // Owner answers: TARGETS (format 32), then each target's property.
    const auto answer = [](std::uint8_t control, const Bytes& items) {
        Bytes bytes{control, static_cast<std::uint8_t>(items.size() / ((control & 3) == 2 ? 4 : (control & 3) == 1 ? 2 : 1))};
        bytes.insert(bytes.end(), items.begin(), items.end());
        return bytes;
    };
    const auto atoms = [](std::initializer_list<std::uint32_t> values) {
        Bytes bytes;
        for (std::uint32_t value : values) {
            for (int i = 0; i < 4; ++i) {
                bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        }
        return bytes;
    };
    const Bytes text = {'g', 'e', 'h', 'e', 'i', 'm'};
    Bytes plainText = answer(0x42, atoms({1000, 0, 1, 3}));
    for (const Bytes& part : {answer(0x00, text), answer(0x00, text), answer(0x80, Bytes{0x89, 'P', 'N', 'G'})}) {
        plainText.insert(plainText.end(), part.begin(), part.end());
    }
    Write(seeds / "clipboard_selection" / "text-and-image", plainText);
    Bytes secret = answer(0x42, atoms({0, 1001}));
    for (const Bytes& part : {answer(0x00, Bytes{'s', 'e', 'c', 'r', 'e', 't'})}) {
        secret.insert(secret.end(), part.begin(), part.end());
    }
    Write(seeds / "clipboard_selection" / "secret-hint", secret);
    Bytes incremental = answer(0x42, atoms({0}));
    for (const Bytes& part : {answer(0x0A, atoms({12})), answer(0x00, text), answer(0x00, text), answer(0x00, Bytes{})}) {
        incremental.insert(incremental.end(), part.begin(), part.end());
    }
    Write(seeds / "clipboard_selection" / "incremental", incremental);
    return 0;
}
