#include "database/EmberkiteEngine.h"

#include <algorithm>
#include <climits>
#include <unordered_map>
#include <vector>
#include <cstring>

#include "crypto/CipherBaseFactory.h"
#include "crypto/Isaac.h"
#include "crypto/SecureWipe.h"
#include "crypto/HashBaseWin.h"
#include "log/LogProvider.h"
#include "base/exceptions/DBException.h"
#include "database/FileDeletionTool.h"
#include "database/HeaderVerifier.h"
#include "database/MasterKeyKDF.h"
#include "database/TimestampValidator.h"
#include "model/Serialization.h"
#include "platform/SystemRandom.h"

namespace EmberkiteDatabase {

using CryptoServiceProvider::SecureWipe;
using CryptoServiceProvider::Encryption::CipherBase;
using Tarnwick::PasswordADT::ByteBuffer;
using Tarnwick::PasswordADT::ByteStream;
using Tarnwick::PasswordADT::Category;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;

namespace {

constexpr std::size_t kMaximumRecordBody = 64u * 1024 * 1024;

// Turns the last-modified stamp off for a scope: a request that writes the date-time header
// itself must not have it read under a key that is about to change.
class StampSuspended {
public:
    explicit StampSuspended(bool& stamp) : m_stamp(stamp), m_saved(stamp) { m_stamp = false; }
    ~StampSuspended() { m_stamp = m_saved; }
    StampSuspended(const StampSuspended&) = delete;
    StampSuspended& operator=(const StampSuspended&) = delete;

private:
    bool& m_stamp;
    bool m_saved;
};

// A scope that wipes a fixed buffer on every path.
template <std::size_t N>
struct WipedBytes {
    std::uint8_t bytes[N] = {};
    ~WipedBytes() { SecureWipe(bytes, N); }
};

} // namespace

namespace {

std::unique_ptr<CryptoServiceProvider::Random::Isaac> SeededRandom() {
    auto random = std::make_unique<CryptoServiceProvider::Random::Isaac>();
    // The time alone would make salts and vectors guessable; the system's random source is
    // mixed into the seed as well.
    WipedBytes<36> seed;
    const auto now = static_cast<std::uint32_t>(TimestampValidator::GetValidTimestamp());
    Format::Put(seed.bytes, now);
    if (Tarnwick::Platform::FillRandom(seed.bytes + 4, 32) != 0) {
        throw DBException(DBError::WriteFailed, u"EmberkiteEngine::EmberkiteEngine");
    }
    std::size_t length = sizeof seed.bytes;
    random->Seed(seed.bytes, length);
    return random;
}

} // namespace

EmberkiteEngine::EmberkiteEngine(ProgressCallback progress)
    : m_progress(std::move(progress)), m_random(SeededRandom()) {}

void EmberkiteEngine::SecureOverwrite(Tarnwick::Platform::IFile& file, std::uint64_t size, int passes) {
    SecureOverwrite(file, size, passes, *SeededRandom());
}

EmberkiteEngine::~EmberkiteEngine() { Abandon(); }

void EmberkiteEngine::Report(std::int32_t state, std::int32_t value) const {
    if (m_progress) {
        m_progress(state, value);
    }
}

void EmberkiteEngine::RandomBytes(std::uint8_t* buffer, std::size_t length) { m_random->NextBytes(buffer, length); }

void EmberkiteEngine::Connect(const std::filesystem::path& path, bool create) {
    m_file.OpenFile(path, create);
    m_fileSize = m_file.FileSize();
    if (!create) {
        std::uint8_t bytes[Format::kFileHeaderSize] = {};
        const std::size_t got = m_file.ReadAvailable(Format::kFileHeaderOffset, bytes, sizeof bytes);
        if (got < 12 || !HeaderVerifier::HasDatabaseSignatures(FileHeader::Decode(bytes))) {
            m_file.Close();
            throw DBException(DBError::NotADatabase);
        }
    }
}

FileHeader EmberkiteEngine::ReadFileHeader() {
    std::uint8_t bytes[Format::kFileHeaderSize];
    m_file.Read(Format::kFileHeaderOffset, bytes, sizeof bytes);
    return FileHeader::Decode(bytes);
}

FileHeader EmberkiteEngine::ReadCheckedFileHeader() {
    const FileHeader header = ReadFileHeader();
    HeaderVerifier::VerifyFileHeader(header);
    return header;
}

UserHeader EmberkiteEngine::ReadCheckedUserHeader() {
    std::uint8_t bytes[Format::kUserHeaderSize];
    m_file.Read(Format::kUserHeaderOffset, bytes, sizeof bytes);
    const UserHeader header = UserHeader::Decode(bytes);
    HeaderVerifier::VerifyUserHeader(header);
    return header;
}

void EmberkiteEngine::WriteFileHeader(const FileHeader& header) {
    std::uint8_t bytes[Format::kFileHeaderSize];
    header.Encode(bytes);
    m_file.Write(Format::kFileHeaderOffset, bytes, sizeof bytes);
}

void EmberkiteEngine::CreateCipher(std::int32_t algorithm) {
    if (m_cipher && m_algorithm == algorithm) {
        return;
    }
    ClearKeyMaterial();
    m_cipher = CryptoServiceProvider::Encryption::CipherBaseFactory::Create(algorithm);
    m_algorithm = algorithm;
}

void EmberkiteEngine::ClearKeyMaterial() noexcept {
    m_key.Clear();
    if (m_cipher && m_cipherKeyed) {
        m_cipher->ClearKey();
    }
    m_cipherKeyed = false;
}

void EmberkiteEngine::DeriveKey(std::u16string_view password, const UserHeader& user) {
    ClearKeyMaterial();
    MasterKeyKDF(password, user.rounds).Derive(m_key, m_cipher->GetKeySize(), user.salt, Format::kSaltSize);
}

void EmberkiteEngine::EnsureKey() {
    if (!m_cipher) {
        CreateCipher(ReadCheckedFileHeader().algorithm);
    }
    if (m_key.IsEmpty()) {
        UserHeader user = ReadCheckedUserHeader();
        DeriveKey(m_credentials.password, user);
        user.Wipe();
    }
}

// The schedule is kept for the request (expanding a Blowfish key per block call would cost
// more than the work itself) and wiped with the key.
CipherBase& EmberkiteEngine::KeyedCipher() {
    if (!m_cipher || m_key.IsEmpty()) {
        throw DBException(DBError::NoKey);
    }
    if (!m_cipherKeyed) {
        m_cipher->InitializeCipher(m_key.Data(), m_key.Length());
        m_cipherKeyed = true;
    }
    return *m_cipher;
}

void EmberkiteEngine::ComputeVerifier(std::u16string_view userName, std::uint8_t* verifier) {
    CryptoServiceProvider::Hashing::Sha256Win sha;
    sha.ComputeHash(verifier, Format::kVerifierSize, reinterpret_cast<const std::uint8_t*>(userName.data()),
                    userName.size() * sizeof(char16_t));
}

bool EmberkiteEngine::VerifierMatches(std::u16string_view userName, const UserHeader& user) {
    WipedBytes<Format::kVerifierSize> stored;
    WipedBytes<Format::kVerifierSize> expected;
    std::memcpy(stored.bytes, user.verifier, Format::kVerifierSize);
    KeyedCipher().BlockDecrypt(stored.bytes, Format::kVerifierSize);
    ComputeVerifier(userName, expected.bytes);
    // Every byte is looked at, whatever the first difference.
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < Format::kVerifierSize; ++i) {
        difference |= static_cast<std::uint8_t>(stored.bytes[i] ^ expected.bytes[i]);
    }
    return difference == 0;
}

UserHeader EmberkiteEngine::FreshUserHeader(std::u16string_view userName, std::u16string_view password,
                                            std::int16_t rounds) {
    UserHeader user;
    user.rounds = rounds;
    RandomBytes(user.salt, Format::kSaltSize);
    DeriveKey(password, user);
    ComputeVerifier(userName, user.verifier);
    KeyedCipher().BlockEncrypt(user.verifier, Format::kVerifierSize);
    return user;
}

DateTimeHeader EmberkiteEngine::ReadDateTimeHeader() {
    WipedBytes<Format::kDateTimeHeaderSize> bytes;
    m_file.Read(Format::kDateTimeHeaderOffset, bytes.bytes, Format::kDateTimeHeaderSize);
    EnsureKey();
    KeyedCipher().BlockDecrypt(bytes.bytes, Format::kDateTimeHeaderSize);
    const DateTimeHeader header = DateTimeHeader::Decode(bytes.bytes);
    HeaderVerifier::VerifyDateTimeHeader(header);
    return header;
}

void EmberkiteEngine::WriteDateTimeHeader(const DateTimeHeader& header) {
    WipedBytes<Format::kDateTimeHeaderSize> bytes;
    header.Encode(bytes.bytes);
    EnsureKey();
    KeyedCipher().BlockEncrypt(bytes.bytes, Format::kDateTimeHeaderSize);
    m_file.Write(Format::kDateTimeHeaderOffset, bytes.bytes, Format::kDateTimeHeaderSize);
}

void EmberkiteEngine::UpdateLastModified() {
    DateTimeHeader header = ReadDateTimeHeader();
    header.lastModified = TimestampValidator::GetValidTimestamp();
    WriteDateTimeHeader(header);
}

void EmberkiteEngine::Create(const Credentials& credentials, std::int32_t algorithm,
                             std::u16string_view initialFolder) {
    m_file.VerifyFileIsOpen();
    if (m_file.FileSize() != 0) {
        throw DBException(DBError::NotEmpty);
    }
    m_credentials = credentials;
    CreateCipher(algorithm);
    WriteFileHeader(FileHeader::Fresh(algorithm));

    UserHeader user = FreshUserHeader(credentials.userName, credentials.password, Format::kDefaultRounds);
    std::uint8_t bytes[Format::kUserHeaderSize];
    user.Encode(bytes);
    m_file.Write(Format::kUserHeaderOffset, bytes, sizeof bytes);
    user.Wipe();

    DateTimeHeader times;
    const std::int64_t now = TimestampValidator::GetValidTimestamp();
    times.created = now;
    times.lastModified = now;
    times.passwordChanged = now;
    WriteDateTimeHeader(times);

    if (!initialFolder.empty()) {
        PasswordData first;
        first.AssignAsNextIdIfHigher(std::make_shared<Category>(0, Category::kNoParent, initialFolder));
        const StampSuspended suspended(m_modifiedStamp);
        UpdateCategories(first);
    }
}

bool EmberkiteEngine::Authenticate(const Credentials& credentials) {
    m_credentials = credentials;
    const FileHeader file = ReadCheckedFileHeader();
    UserHeader user = ReadCheckedUserHeader();
    CreateCipher(file.algorithm);
    DeriveKey(credentials.password, user);
    const bool match = VerifierMatches(credentials.userName, user);
    user.Wipe();
    if (!match) {
        ClearKeyMaterial();
        return false;
    }
    // The login times: one 48-byte write inside the first sector, made durable at once.
    DateTimeHeader times = ReadDateTimeHeader();
    times.previousLogin = times.lastLogin;
    times.lastLogin = TimestampValidator::GetValidTimestamp();
    WriteDateTimeHeader(times);
    m_file.Sync();
    return true;
}

bool EmberkiteEngine::ReadProperties(const Credentials& credentials, DatabaseProperties& properties) {
    if (!Authenticate(credentials)) {
        return false;
    }
    const FileHeader file = ReadCheckedFileHeader();
    const DateTimeHeader times = ReadDateTimeHeader();
    properties.majorVersion = file.majorVersion;
    properties.minorVersion = file.minorVersion;
    properties.passwordCount = file.passwordCount;
    properties.folderCount = ReadCategoryCount();
    properties.created = times.created;
    properties.lastModified = times.lastModified;
    properties.passwordChanged = times.passwordChanged;
    properties.previousLogin = times.previousLogin;
    const std::uint64_t size = m_file.FileSize();
    properties.fileSize = size > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(size);
    properties.algorithm = file.algorithm;
    properties.algorithmName.Assign(CryptoServiceProvider::Encryption::CipherBaseFactory::GetDisplayName(file.algorithm));
    return true;
}

std::int32_t EmberkiteEngine::ReadCategoryCount() {
    std::uint8_t bytes[Format::kCategoryHeaderSize];
    m_file.Read(Format::kCategoryHeaderOffset, bytes, sizeof bytes);
    const CategoryHeader header = CategoryHeader::Decode(bytes);
    HeaderVerifier::VerifyCategoryHeader(header);
    return header.count;
}

void EmberkiteEngine::LoadCategories(PasswordData& data) {
    const FileHeader file = ReadCheckedFileHeader();
    CreateCipher(file.algorithm);
    const std::int32_t count = ReadCategoryCount();
    // Every block must lie inside the file before anything is read or allocated for it.
    if (Format::RecordsOffset(static_cast<std::uint64_t>(count)) > m_file.FileSize()) {
        throw DBException(DBError::ReadFailed);
    }
    Report(0, static_cast<std::int32_t>(std::min<std::int64_t>(INT32_MAX, std::int64_t{count} + file.passwordCount)));
    if (count == 0) {
        return;
    }
    EnsureKey();
    WipedBytes<Format::kCategoryBlockSize> bytes;
    for (std::int32_t i = 0; i < count; ++i) {
        m_file.Read(Format::kCategoryBlocksOffset + Format::kCategoryBlockSize * static_cast<std::uint64_t>(i),
                    bytes.bytes, Format::kCategoryBlockSize);
        KeyedCipher().BlockDecrypt(bytes.bytes, Format::kCategoryBlockSize);
        CategoryBlock block = CategoryBlock::Decode(bytes.bytes);
        HeaderVerifier::VerifyStaticCategoryBlock(block);
        std::u16string name(static_cast<std::size_t>(block.nameLength) / 2, u'\0');
        for (std::size_t c = 0; c < name.size(); ++c) {
            name[c] = static_cast<char16_t>(block.name[2 * c] | (block.name[2 * c + 1] << 8));
        }
        SecureWipe(block.name, sizeof block.name);
        if (name.empty() || name.size() > Category::kMaximumNameLength) {
            throw DBException(DBError::BadCategoryBlock, u"HeaderVerifier::VerifyStaticCategoryBlock",
                              u"Ungültige Längenangabe des Kategorienamens.");
        }
        try {
            data.AssignAsNextIdIfHigher(std::make_shared<Category>(static_cast<std::uint32_t>(block.id),
                                                                   static_cast<std::uint32_t>(block.parentId), name));
        } catch (const DBException&) {
            throw;
        } catch (const Utilities::Exceptions::Exception& e) {
            throw DBException(DBError::BadCategoryBlock, u"EmberkiteEngine::LoadCategories", e.GetMessage().View());
        }
        Report(1, 0);
    }
}

void EmberkiteEngine::Load(PasswordData& data) { Load(data, {}); }

void EmberkiteEngine::Load(PasswordData& data, const RecordFilter& filter) {
    m_unfiledEntries = 0;
    LoadCategories(data);
    const FileHeader file = ReadCheckedFileHeader();
    if (file.passwordCount <= 0) {
        return;
    }
    if (data.FolderCount() == 0) {
        throw DBException(DBError::BadRecordHeader, u"EmberkiteEngine::LoadPasswordItems", u"Es sind keine Kategorien vorhanden.");
    }
    EnsureKey();
    CipherBase& cipher = KeyedCipher();
    const std::size_t blockSize = cipher.GetBlockSize();
    const std::uint64_t fileSize = m_file.FileSize();
    std::uint64_t offset = Format::RecordsOffset(static_cast<std::uint64_t>(ReadCategoryCount()));
    ByteBuffer body;
    std::uint8_t headerBytes[Format::kRecordHeaderSize];
    // Entries are filed through one look-up table; the first folder of an id wins, as before.
    std::unordered_map<std::uint32_t, Category*> folderById;
    folderById.reserve(data.FolderCount());
    for (const auto& folder : data.Folders()) {
        folderById.emplace(folder->GetId(), folder.get());
    }
    // Decrypts a body up to wanted bytes (whole blocks, never beyond the body), going on from
    // what is already decrypted: CBC continues with the last ciphertext block as its vector.
    std::size_t decrypted = 0;
    std::uint8_t chain[Format::kIvSize] = {};
    const auto decrypt = [&](const RecordHeader& header, std::size_t wanted) {
        const std::size_t bytes = std::min<std::size_t>(header.bodySize, (wanted + blockSize - 1) / blockSize * blockSize);
        if (bytes <= decrypted) {
            return;
        }
        body.Resize(bytes);
        std::uint8_t* part = body.MutableData() + decrypted;
        m_file.Read(offset + Format::kRecordHeaderSize + decrypted, part, bytes - decrypted);
        std::uint8_t next[Format::kIvSize] = {};
        std::memcpy(next, body.Data() + bytes - blockSize, blockSize);
        cipher.BlockDecryptInCBCMode(part, bytes - decrypted, decrypted == 0 ? header.iv : chain, Format::kIvSize);
        std::memcpy(chain, next, sizeof chain);
        decrypted = bytes;
    };
    const auto failed = [&](const Utilities::Exceptions::Exception& e) {
        body.Clear();
        return DBException(DBError::BadRecordHeader, u"EmberkiteEngine::LoadPasswordItems", e.GetMessage().View());
    };
    StringServiceProvider::PlainString description;
    for (std::int32_t i = 0; i < file.passwordCount; ++i) {
        m_file.Read(offset, headerBytes, sizeof headerBytes);
        const RecordHeader header = RecordHeader::Decode(headerBytes);
        HeaderVerifier::VerifyPasswordHeader(header);
        // A body must be whole blocks and lie inside the file: nothing is allocated on trust.
        if (header.bodySize % blockSize != 0 || header.bodySize > kMaximumRecordBody) {
            throw DBException(DBError::BadRecordHeader, u"HeaderVerifier::VerifyPasswordHeader", u"Ungültige Größe des Passwortblocks.");
        }
        if (offset + Format::kRecordHeaderSize + header.bodySize > fileSize) {
            throw DBException(DBError::ReadFailed);
        }
        // Without a filter every record is read whole; with one, first only up to its
        // description, and the rest when the filter wants it.
        decrypted = 0;
        decrypt(header, filter.read ? PasswordItem::LeadingBytes(0) : header.bodySize);
        ByteStream stream(body.Data(), body.Size());
        const auto folderId =
            static_cast<std::int32_t>(Tarnwick::PasswordADT::ReadUInt32(stream, u"EmberkiteEngine::LoadPasswordItems"));
        HeaderVerifier::VerifyStaticPasswordBlock(folderId);
        // An entry whose folder is missing is kept in the first folder rather than dropped.
        const auto found = folderById.find(static_cast<std::uint32_t>(folderId));
        Category* folder = found != folderById.end() ? found->second : data.Folders().front().get();
        m_unfiledEntries += found == folderById.end() ? 1 : 0;
        RecordDepth depth = RecordDepth::Full;
        if (filter.read) {
            // The description's length stands right before it.
            const std::size_t lengthAt = PasswordItem::LeadingBytes(0) - 4;
            if (body.Size() < lengthAt + 4) {
                throw DBException(DBError::BadRecordHeader, u"EmberkiteEngine::LoadPasswordItems",
                                  u"Anzahl der gelesenen Bytes ist kleiner als die erforderliche Größe.");
            }
            const auto units = Format::Get<std::uint32_t>(body.Data() + lengthAt);
            if (units > PasswordItem::kMaxDescription) {
                throw DBException(DBError::BadRecordHeader, u"EmberkiteEngine::LoadPasswordItems", u"Maximale Länge überschritten.");
            }
            decrypt(header, PasswordItem::LeadingBytes(units));
            ByteStream leading(body.Data() + lengthAt, body.Size() - lengthAt);
            try {
                description = Tarnwick::PasswordADT::ReadString(leading, PasswordItem::kMaxDescription);
            } catch (const Utilities::Exceptions::Exception& e) {
                throw failed(e);
            }
            depth = filter.read(*folder, description.View());
            if (depth == RecordDepth::Full) {
                decrypt(header, header.bodySize);
                stream = ByteStream(body.Data() + 4, body.Size() - 4);
            }
        }
        if (depth == RecordDepth::Full) {
            auto item = std::make_shared<PasswordItem>();
            try {
                item->Deserialize(stream);
            } catch (const Utilities::Exceptions::Exception& e) {
                throw failed(e);
            }
            if (!filter.keep || filter.keep(*folder, *item)) {
                folder->Entries().push_back(std::move(item));
            }
        }
        Report(1, 0);
        offset += Format::kRecordHeaderSize + header.bodySize;
    }
    body.Clear();
}

void EmberkiteEngine::UpdateCategories(const PasswordData& data) {
    EnsureKey();
    // The records start behind the last block: when the number of folders changes, they move
    // and everything behind the headers is written anew, or the new blocks would overwrite
    // the first of them.
    const FileHeader file = ReadCheckedFileHeader();
    const bool recordsMove =
        file.passwordCount > 0 && static_cast<std::size_t>(ReadCategoryCount()) != data.Folders().size();
    if (recordsMove) {
        RewriteAll(data);
    } else {
        m_file.BeginTransaction();
        WriteCategoryBlocks(data);
    }
    if (m_modifiedStamp) {
        UpdateLastModified();
    }
}

void EmberkiteEngine::WriteCategoryBlocks(const PasswordData& data) {
    const auto& folders = data.Folders();
    if (folders.size() > static_cast<std::size_t>(INT32_MAX)) {
        throw DBException(DBError::BadFolderCount, u"EmberkiteEngine::UpdateCategories", u"Ungültige Anzahl an Kategorien.");
    }
    std::int32_t written = 0;
    std::exception_ptr held;
    try {
        WipedBytes<Format::kCategoryBlockSize> bytes;
        for (const auto& folder : folders) {
            if (!folder) {
                throw DBException(DBError::EntriesNotWritable, u"EmberkiteEngine::UpdateCategories", u"Der Kategoriezeiger ist NULL @ UpdateDatasets.");
            }
            // A block the reader would refuse is never written.
            if (folder->GetId() > Category::kMaximumId ||
                (folder->GetParentId() > Category::kMaximumId && folder->GetParentId() != Category::kNoParent)) {
                throw DBException(DBError::BadCategoryBlock, u"EmberkiteEngine::UpdateCategories", u"Ungültige Kategorie-ID.");
            }
            CategoryBlock block;
            block.id = static_cast<std::int32_t>(folder->GetId());
            block.parentId = folder->IsTopLevel() ? -1 : static_cast<std::int32_t>(folder->GetParentId());
            const auto name = folder->GetName().View().substr(0, Category::kMaximumNameLength);
            block.nameLength = static_cast<std::int32_t>(name.size() * 2);
            if (name.size() * 2 < Format::kCategoryNameBytes) {
                RandomBytes(block.name, Format::kCategoryNameBytes);
            }
            for (std::size_t c = 0; c < name.size(); ++c) {
                block.name[2 * c] = static_cast<std::uint8_t>(name[c]);
                block.name[2 * c + 1] = static_cast<std::uint8_t>(name[c] >> 8);
            }
            block.Encode(bytes.bytes);
            SecureWipe(block.name, sizeof block.name);
            KeyedCipher().BlockEncrypt(bytes.bytes, Format::kCategoryBlockSize);
            m_file.Write(Format::kCategoryBlocksOffset + Format::kCategoryBlockSize * static_cast<std::uint64_t>(written),
                         bytes.bytes, Format::kCategoryBlockSize);
            ++written;
            Report(1, 0);
        }
    } catch (...) {
        held = std::current_exception();
    }
    CategoryHeader header;
    header.count = written;
    std::uint8_t bytes[Format::kCategoryHeaderSize];
    header.Encode(bytes);
    m_file.Write(Format::kCategoryHeaderOffset, bytes, sizeof bytes);
    if (held) {
        std::rethrow_exception(held);
    }
}

std::size_t EmberkiteEngine::WriteRecord(std::uint64_t offset, const PasswordItem& item, std::int32_t folderId,
                                         ByteBuffer& body) {
    CipherBase& cipher = KeyedCipher();
    const std::size_t blockSize = cipher.GetBlockSize();
    const std::size_t announced = item.SerializedSize();
    if (announced > kMaximumRecordBody) {
        throw DBException(DBError::RecordOverflow, u"EmberkiteEngine::WriteRecord",
                          u"Die Größe für den Daten-Stream überschreitet die maximal zulässige Größe.");
    }
    const std::size_t unpadded = 4 + announced;
    const std::size_t bodySize = (unpadded + blockSize - 1) / blockSize * blockSize;
    body.Reset();
    body.Reserve(bodySize);
    std::uint8_t index[4];
    Format::Put(index, folderId);
    body.Append(index, sizeof index);
    item.Serialize(body);
    if (body.Size() > unpadded) {
        throw DBException(DBError::RecordOverflow, u"EmberkiteEngine::WriteRecord", u"Der Stream wurde während der Serialisierung vergrößert.");
    }
    const std::size_t used = body.Size();
    body.Resize(bodySize);
    if (bodySize > used) {
        RandomBytes(body.MutableData() + used, bodySize - used);
    }
    RecordHeader header;
    RandomBytes(header.iv, Format::kIvSize);
    header.bodySize = static_cast<std::uint32_t>(bodySize);
    cipher.BlockEncryptInCBCMode(body.MutableData(), bodySize, header.iv, Format::kIvSize);
    std::uint8_t headerBytes[Format::kRecordHeaderSize];
    header.Encode(headerBytes);
    m_file.Write(offset, headerBytes, sizeof headerBytes);
    m_file.Write(offset + Format::kRecordHeaderSize, body.Data(), bodySize);
    return Format::kRecordHeaderSize + bodySize;
}

void EmberkiteEngine::UpdatePasswordItems(const PasswordData& data) {
    EnsureKey();
    // Every record is written anew: the copy keeps the headers and the folder blocks only.
    m_file.BeginRewrite(std::max(Format::RecordsOffset(data.FolderCount()),
                                 Format::RecordsOffset(static_cast<std::uint64_t>(ReadCategoryCount()))));
    WriteRecords(data);
    if (m_modifiedStamp) {
        UpdateLastModified();
    }
}

void EmberkiteEngine::WriteRecords(const PasswordData& data) {
    if (!data.HasEntries()) {
        FileHeader file = ReadCheckedFileHeader();
        file.passwordCount = 0;
        WriteFileHeader(file);
        return;
    }
    std::int64_t written = 0;
    std::exception_ptr held;
    ByteBuffer body;
    try {
        std::uint64_t offset = Format::RecordsOffset(data.FolderCount());
        for (const auto& folder : data.Folders()) {
            if (!folder) {
                throw DBException(DBError::EntriesNotWritable, u"EmberkiteEngine::UpdatePasswordItems",
                                  u"Der Kategoriezeiger ist NULL @ UpdateDatasets.");
            }
            for (const auto& item : folder->Entries()) {
                if (written >= INT32_MAX) {
                    throw DBException(DBError::EntriesNotWritable, u"EmberkiteEngine::UpdatePasswordItems",
                                      u"Die maximale Anzahl an Passwortinformationen ist erreicht.");
                }
                if (!item) {
                    throw DBException(DBError::EntriesNotWritable, u"EmberkiteEngine::UpdatePasswordItems", u"password item out of range");
                }
                offset += WriteRecord(offset, *item, static_cast<std::int32_t>(folder->GetId()), body);
                ++written;
                Report(1, 0);
            }
        }
    } catch (...) {
        held = std::current_exception();
    }
    body.Clear();
    FileHeader file = ReadCheckedFileHeader();
    file.passwordCount = static_cast<std::int32_t>(written);
    WriteFileHeader(file);
    if (held) {
        std::rethrow_exception(held);
    }
}

void EmberkiteEngine::RewriteAll(const PasswordData& data) {
    // Only the three headers are copied; the folders and the records follow them once.
    m_file.BeginRewrite(Format::kCategoryHeaderOffset);
    WriteCategoryBlocks(data);
    WriteRecords(data);
}

void EmberkiteEngine::SaveAll(const PasswordData& data) {
    EnsureKey();
    RewriteAll(data);
    if (m_modifiedStamp) {
        UpdateLastModified();
    }
}

std::uint64_t EmberkiteEngine::RecordsEnd(const FileHeader& file) {
    const std::uint64_t fileSize = m_file.FileSize();
    const std::int32_t folders = ReadCategoryCount();
    // Entries live in folders: a file without any has no place for one.
    if (folders == 0) {
        throw DBException(DBError::BadCategoryHeader, u"DynamicHeaderSizing::AssertCategoryHeadersSizeIsNotZero");
    }
    std::uint64_t offset = Format::RecordsOffset(static_cast<std::uint64_t>(folders));
    std::uint8_t headerBytes[Format::kRecordHeaderSize];
    for (std::int32_t i = 0; i < file.passwordCount; ++i) {
        m_file.Read(offset, headerBytes, sizeof headerBytes);
        const RecordHeader header = RecordHeader::Decode(headerBytes);
        HeaderVerifier::VerifyPasswordHeader(header);
        offset += Format::kRecordHeaderSize + header.bodySize;
        if (offset > fileSize) {
            throw DBException(DBError::ReadFailed);
        }
    }
    return offset;
}

void EmberkiteEngine::AddPasswordItem(const PasswordItem& item, std::uint32_t folderId) {
    FileHeader file = ReadCheckedFileHeader();
    CreateCipher(file.algorithm);
    EnsureKey();
    if (file.passwordCount == INT32_MAX) {
        throw DBException(DBError::RecordOverflow, u"EmberkiteEngine::AddPasswordItem",
                          u"Die maximale Anzahl an Passwortinformationen ist erreicht.");
    }
    // In place and in order: the record behind the last one, durable, and only then the
    // count that makes it part of the file. An interruption leaves the old file.
    const std::uint64_t end = RecordsEnd(file);
    ByteBuffer body;
    WriteRecord(end, item, static_cast<std::int32_t>(folderId), body);
    body.Clear();
    m_file.Sync();
    file.passwordCount += 1;
    WriteFileHeader(file);
    m_file.Flush();
    m_appendCounted = true;
    // With the count written the entry is part of the file for every reader: what follows
    // can no longer undo it, so its failure is logged instead of failing the request.
    try {
        m_file.Sync();
        if (m_modifiedStamp) {
            UpdateLastModified();
        }
        m_file.Sync();
    } catch (const DBException& e) {
        Tarnwick::LogProvider::GenericExceptionLog::LogEvent(e);
    }
}

bool EmberkiteEngine::ChangePassword(const Credentials& oldCredentials, const Credentials& newCredentials,
                                     const PasswordData& data) {
    if (!Authenticate(oldCredentials)) {
        return false;
    }
    if (data.FolderCount() == 0 && data.HasEntries()) {
        throw DBException(DBError::EntriesWithoutFolders, u"EmberkiteEngine::ChangePassword",
                          u"Ausnahmefehler: Kein(e) Ordner aber Passwortinformationen.");
    }
    // Everything behind the headers is written anew under the new key.
    m_file.BeginRewrite(Format::kCategoryHeaderOffset);
    const FileHeader file = ReadCheckedFileHeader();
    UserHeader old = ReadCheckedUserHeader();
    CreateCipher(file.algorithm);
    DateTimeHeader times = ReadDateTimeHeader();
    times.passwordChanged = TimestampValidator::GetValidTimestamp();

    ClearKeyMaterial();
    m_credentials = newCredentials;
    UserHeader user = FreshUserHeader(newCredentials.userName, newCredentials.password, old.rounds);
    old.Wipe();
    std::uint8_t bytes[Format::kUserHeaderSize];
    user.Encode(bytes);
    m_file.Write(Format::kUserHeaderOffset, bytes, sizeof bytes);
    user.Wipe();

    // Records left under the old key would make the file unreadable: all of them are written.
    WriteCategoryBlocks(data);
    WriteRecords(data);
    times.lastModified = TimestampValidator::GetValidTimestamp();
    WriteDateTimeHeader(times);
    return true;
}

bool EmberkiteEngine::ChangeAlgorithm(const Credentials& credentials, std::int32_t algorithm,
                                      const PasswordData& data) {
    if (!Authenticate(credentials)) {
        return false;
    }
    m_file.BeginRewrite(Format::kCategoryHeaderOffset);
    FileHeader file = ReadCheckedFileHeader();
    CreateCipher(file.algorithm);
    DateTimeHeader times = ReadDateTimeHeader();

    CreateCipher(algorithm);
    UserHeader user = FreshUserHeader(credentials.userName, credentials.password, Format::kDefaultRounds);
    std::uint8_t bytes[Format::kUserHeaderSize];
    user.Encode(bytes);
    m_file.Write(Format::kUserHeaderOffset, bytes, sizeof bytes);
    user.Wipe();

    WriteCategoryBlocks(data);
    WriteRecords(data);
    file = ReadCheckedFileHeader();
    file.algorithm = algorithm;
    WriteFileHeader(file);
    times.lastModified = TimestampValidator::GetValidTimestamp();
    WriteDateTimeHeader(times);
    return true;
}

bool EmberkiteEngine::Reorganise(const Credentials& credentials, const PasswordData& data) {
    if (!Authenticate(credentials)) {
        return false;
    }
    const FileHeader file = ReadCheckedFileHeader();
    m_fileSize = m_file.FileSize();
    // The new file is written beside the old one and takes its place; only then is the old
    // content overwritten, so an interruption never leaves neither.
    ClearKeyMaterial();
    m_file.BeginTransaction(true);
    m_eraseOldContent = [this](Tarnwick::Platform::IFile& old, std::uint64_t size) {
        SecureOverwrite(old, size, 3, *m_random);
    };
    try {
        const StampSuspended suspended(m_modifiedStamp);
        Create(credentials, file.algorithm, {});
        WriteCategoryBlocks(data);
        WriteRecords(data);
    } catch (...) {
        m_eraseOldContent = nullptr;
        throw;
    }
    return true;
}

bool EmberkiteEngine::Delete(const Credentials& credentials, int passes) {
    if (!Authenticate(credentials)) {
        return false;
    }
    const std::filesystem::path path = m_file.GetPath();
    Tarnwick::Platform::IFile& file = m_file.Original();
    Tarnwick::Platform::FileStatus status;
    if (file.Status(status) != 0) {
        throw DBException(DBError::ReadFailed);
    }
    m_fileSize = status.size;
    // Another name (a hard link) still shows this content: only this name goes.
    if (status.links > 1) {
        m_otherNamesKept = true;
    } else {
        SecureOverwrite(file, status.size, passes, *m_random);
    }
    ClearKeyMaterial();
    m_file.Close();
    FileDeletionTool::EraseFile(path);
    return true;
}

void EmberkiteEngine::ReplaceContent(Tarnwick::Platform::IFile& source) {
    ClearKeyMaterial();
    m_file.BeginTransaction(true);
    std::uint64_t size = 0;
    if (source.Size(size) != 0) {
        throw DBException(DBError::ReadFailed);
    }
    std::vector<std::uint8_t> chunk(1 << 16);
    for (std::uint64_t offset = 0; offset < size;) {
        std::size_t got = 0;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - offset));
        if (source.ReadAt(offset, chunk.data(), want, got) != 0 || got == 0) {
            throw DBException(DBError::ReadFailed);
        }
        m_file.Write(offset, chunk.data(), got);
        offset += got;
    }
}

void EmberkiteEngine::Upgrade(bool force) {
    FileHeader file = ReadFileHeader();
    const bool older = file.majorVersion < Format::kMajorVersion ||
                       (file.majorVersion == Format::kMajorVersion && file.minorVersion < Format::kMinorVersion);
    const bool current = file.majorVersion == Format::kMajorVersion && file.minorVersion == Format::kMinorVersion;
    if (older || (current && force)) {
        file.majorVersion = Format::kMajorVersion;
        file.minorVersion = Format::kMinorVersion;
        WriteFileHeader(file);
        m_file.Sync();
    }
}

void EmberkiteEngine::SecureOverwrite(Tarnwick::Platform::IFile& file, std::uint64_t size, int passes,
                                      CryptoServiceProvider::Random::Isaac& random) {
    enum Fill { Zero, Random, Ones };
    static constexpr Fill kFills[9] = {Zero, Random, Zero, Random, Random, Random, Zero, Ones, Zero};
    std::uint8_t piece[1024];
    for (int pass = 0; pass < passes; ++pass) {
        for (const Fill fill : kFills) {
            for (std::uint64_t offset = 0; offset < size; offset += sizeof piece) {
                const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(sizeof piece, size - offset));
                if (fill == Random) {
                    random.NextBytes(piece, length);
                } else {
                    std::memset(piece, fill == Ones ? 0xFF : 0x00, length);
                }
                if (file.WriteAt(offset, piece, length) != 0) {
                    throw DBException(DBError::WriteFailed);
                }
            }
            // Each fill reaches the disk before the next one replaces it.
            if (file.Sync() != 0) {
                throw DBException(DBError::WriteFailed);
            }
        }
    }
}

void EmberkiteEngine::Close() {
    try {
        if (m_file.IsOpen()) {
            m_file.Commit(m_eraseOldContent);
        }
    } catch (const DBException& e) {
        // An appended entry that the count already holds cannot be taken back.
        if (!m_appendCounted) {
            Abandon();
            throw;
        }
        Tarnwick::LogProvider::GenericExceptionLog::LogEvent(e);
    } catch (...) {
        Abandon();
        throw;
    }
    m_appendCounted = false;
    m_eraseOldContent = nullptr;
    ClearKeyMaterial();
    m_file.Close();
}

void EmberkiteEngine::Abandon() noexcept {
    m_eraseOldContent = nullptr;
    ClearKeyMaterial();
    m_file.Close();
}

} // namespace EmberkiteDatabase
