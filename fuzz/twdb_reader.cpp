// The .twdb reader: file header, user header, date-time header, folder blocks and records.
//
// The input is a database in plain form: the layout of a .twdb file with every encrypted
// region (date-time header, folder blocks, record bodies up to whole blocks) in the clear.
// The target encrypts those regions under the key the engine will derive from the fixed
// password and the input's salt, so the fuzzer works on the decrypted content, not on
// ciphertext. Rounds of the key transform are cut to 0..3 (negative ones stay, for the
// header check); bit 0 of the reserved byte of the file header asks for a load that reads
// the records by description first, as the command-line tool does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "base/text/Utf.h"
#include "base/exceptions/Exception.h"
#include "crypto/CipherBase.h"
#include "crypto/CipherBaseFactory.h"
#include "database/EmberkiteEngine.h"
#include "database/FileFormat.h"
#include "database/KeyStore.h"
#include "database/MasterKeyKDF.h"
#include "model/ByteBuffer.h"
#include "model/PasswordData.h"

namespace {

using namespace EmberkiteDatabase;

constexpr char16_t kUser[] = u"Fuzz";
constexpr char16_t kPassword[] = u"Sesam";

// Encrypts the plain form's secret regions in place; false when the input names no cipher.
bool EncryptRegions(std::vector<std::uint8_t>& file) {
    const std::size_t size = file.size();
    if (size < Format::kDateTimeHeaderOffset) {
        return false;
    }
    // Cheap key transforms only: the fuzzer is after the parsing, not after AES rounds.
    std::uint8_t* user = file.data() + Format::kUserHeaderOffset;
    auto rounds = Format::Get<std::int16_t>(user + 2);
    if (rounds > 3) {
        rounds = static_cast<std::int16_t>(rounds % 4);
        Format::Put(user + 2, rounds);
    }
    const auto algorithm = Format::Get<std::int32_t>(file.data() + 16);
    if (algorithm != 0 && algorithm != 1) {
        return false;
    }
    auto cipher = CryptoServiceProvider::Encryption::CipherBaseFactory::Create(algorithm);
    // The fuzzer mostly changes other bytes than the salt: the last key is kept (a test key).
    static std::vector<std::uint8_t> lastInputs;
    static std::vector<std::uint8_t> lastKey;
    std::vector<std::uint8_t> inputs(user + 2, user + 4 + Format::kSaltSize);
    inputs.push_back(static_cast<std::uint8_t>(algorithm));
    if (inputs != lastInputs) {
        KeyStore key;
        MasterKeyKDF(kPassword, rounds < 0 ? 0 : rounds).Derive(key, cipher->GetKeySize(), user + 4, Format::kSaltSize);
        lastKey.assign(key.Data(), key.Data() + key.Length());
        lastInputs = inputs;
    }
    cipher->InitializeCipher(lastKey.data(), lastKey.size());
    const std::size_t block = cipher->GetBlockSize();

    if (size >= Format::kDateTimeHeaderOffset + Format::kDateTimeHeaderSize) {
        cipher->BlockEncrypt(file.data() + Format::kDateTimeHeaderOffset, Format::kDateTimeHeaderSize);
    }
    if (size < Format::kCategoryBlocksOffset) {
        cipher->ClearKey();
        return true;
    }
    const auto count = Format::Get<std::int32_t>(file.data() + Format::kCategoryHeaderOffset + 4);
    std::uint64_t offset = Format::kCategoryBlocksOffset;
    for (std::int32_t i = 0; i < count && offset + Format::kCategoryBlockSize <= size; ++i) {
        cipher->BlockEncrypt(file.data() + offset, Format::kCategoryBlockSize);
        offset += Format::kCategoryBlockSize;
    }
    if (count >= 0) {
        offset = Format::RecordsOffset(static_cast<std::uint64_t>(count));
    }
    while (offset + Format::kRecordHeaderSize <= size) {
        const std::uint8_t* header = file.data() + offset;
        const auto bodySize = Format::Get<std::uint32_t>(header + 20);
        std::uint8_t iv[Format::kIvSize];
        std::memcpy(iv, header + 1, sizeof iv);
        const std::uint64_t body = offset + Format::kRecordHeaderSize;
        const std::uint64_t there = std::min<std::uint64_t>(bodySize, size - body) / block * block;
        if (there > 0) {
            cipher->BlockEncryptInCBCMode(file.data() + body, static_cast<std::size_t>(there), iv, sizeof iv);
        }
        offset = body + bodySize;
    }
    cipher->ClearKey();
    return true;
}

// Whatever the engine loaded came from a byte form it accepted, so it has one again.
void CheckLoaded(const Tarnwick::PasswordADT::PasswordData& data) {
    for (const auto& folder : data.Folders()) {
        if (folder->GetName().View().empty()) {
            TwFuzz::Broken("a loaded folder has no name");
        }
        for (const auto& item : folder->Entries()) {
            Tarnwick::PasswordADT::ByteBuffer buffer;
            try {
                item->Serialize(buffer);
            } catch (const Utilities::Exceptions::Exception&) {
                TwFuzz::Broken("a loaded entry cannot be written back");
            }
            if (buffer.Size() != item->SerializedSize()) {
                TwFuzz::Broken("a loaded entry's size differs from its byte form");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> file(data, data + size);
    EncryptRegions(file);
    const bool selective = size > 7 && (data[7] & 1) != 0;
    const auto& path = TwFuzz::WriteInput(file.data(), file.size(), "input.twdb");
    try {
        EmberkiteEngine engine;
        engine.Connect(path, false);
        engine.SetCredentials({kUser, kPassword});
        Tarnwick::PasswordADT::PasswordData loaded;
        if (selective) {
            RecordFilter filter;
            filter.read = [](const Tarnwick::PasswordADT::Category&, std::u16string_view description) {
                return description.empty() || description.back() % 2 == 0 ? RecordDepth::Full : RecordDepth::Skip;
            };
            filter.keep = [](const Tarnwick::PasswordADT::Category&, const Tarnwick::PasswordADT::PasswordItem& item) {
                return !item.GetDescription().View().empty();
            };
            engine.Load(loaded, filter);
        } else {
            engine.Load(loaded);
        }
        CheckLoaded(loaded);
        engine.Abandon();
        if (std::getenv("TW_FUZZ_VERBOSE") != nullptr) {
            std::fprintf(stderr, "loaded %zu folders, %zu entries\n", loaded.FolderCount(), loaded.EntryCount());
        }
    } catch (const Utilities::Exceptions::Exception& e) {
        // A refused file is the expected outcome for most inputs.
        if (std::getenv("TW_FUZZ_VERBOSE") != nullptr) {
            std::fprintf(stderr, "refused: %s\n", Tarnwick::Text::ToUtf8(e.ToString().View()).c_str());
        }
    }
    return 0;
}
