#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "crypto/String.h"
#include "database/FileFormat.h"
#include "database/KeyStore.h"
#include "database/RawFileModule.h"
#include "model/PasswordData.h"

namespace CryptoServiceProvider::Encryption {
class CipherBase;
}
namespace CryptoServiceProvider::Random {
class Isaac;
}

namespace EmberkiteDatabase {

// The credentials of one request: the user name and a plain copy of the password that the
// caller owns and wipes when the request ends.
struct Credentials {
    std::u16string_view userName;
    std::u16string_view password;
};

// What the database property pages show.
struct DatabaseProperties {
    std::int16_t majorVersion = 0;
    std::int16_t minorVersion = 0;
    std::int32_t passwordCount = 0;
    std::int32_t folderCount = 0;
    std::int64_t created = -1;
    std::int64_t lastModified = -1;
    std::int64_t passwordChanged = -1;
    std::int64_t previousLogin = -1;
    std::int32_t fileSize = 0;
    std::int32_t algorithm = 0;
    StringServiceProvider::PlainString algorithmName;
};

// Whether a request reads a record whole or leaves it out after its description.
enum class RecordDepth { Skip, Full };
// What a request that only reads needs of the records.
struct RecordFilter {
    // From the folder an entry is filed in and its description: read it whole or leave it out
    // (none: read every record whole).
    std::function<RecordDepth(const Tarnwick::PasswordADT::Category& folder, std::u16string_view description)> read;
    // Of an entry read whole: whether to keep it (none: keep every one).
    std::function<bool(const Tarnwick::PasswordADT::Category& folder, const Tarnwick::PasswordADT::PasswordItem& item)>
        keep;
};

// Progress: (0, units) before the work, (1, 0) after each folder or entry.
using ProgressCallback = std::function<void(std::int32_t state, std::int32_t value)>;

// Every operation on a database file. One engine serves one request: connect, operate,
// Close (which makes the writes durable) or Abandon (which leaves the file as it was), and
// the key is wiped either way. Failures raise DBException.
class EmberkiteEngine {
public:
    explicit EmberkiteEngine(ProgressCallback progress = {});
    EmberkiteEngine(const EmberkiteEngine&) = delete;
    EmberkiteEngine& operator=(const EmberkiteEngine&) = delete;
    ~EmberkiteEngine();

    // Opens the file; without create it must carry the database signatures (31).
    void Connect(const std::filesystem::path& path, bool create);
    // The credentials later operations derive the key from.
    void SetCredentials(const Credentials& credentials) { m_credentials = credentials; }
    void SetModifiedStamp(bool stamp) noexcept { m_modifiedStamp = stamp; }

    void Create(const Credentials& credentials, std::int32_t algorithm, std::u16string_view initialFolder);
    // True when the verifier matches; then the login times are updated.
    bool Authenticate(const Credentials& credentials);
    bool ReadProperties(const Credentials& credentials, DatabaseProperties& properties);
    void Load(Tarnwick::PasswordADT::PasswordData& data);
    // Load that decrypts each record up to its description, and the rest only when the filter
    // asks for it; the others, and those it does not keep, are left out, so such data must
    // never be written back.
    void Load(Tarnwick::PasswordADT::PasswordData& data, const RecordFilter& filter);
    // How many entries of the last Load named a folder that does not exist (they were put
    // into the first folder).
    std::size_t UnfiledEntryCount() const noexcept { return m_unfiledEntries; }
    void LoadCategories(Tarnwick::PasswordADT::PasswordData& data);
    void UpdateCategories(const Tarnwick::PasswordADT::PasswordData& data);
    void UpdatePasswordItems(const Tarnwick::PasswordADT::PasswordData& data);
    void SaveAll(const Tarnwick::PasswordADT::PasswordData& data);
    void AddPasswordItem(const Tarnwick::PasswordADT::PasswordItem& item, std::uint32_t folderId);
    bool ChangePassword(const Credentials& oldCredentials, const Credentials& newCredentials,
                        const Tarnwick::PasswordADT::PasswordData& data);
    bool ChangeAlgorithm(const Credentials& credentials, std::int32_t algorithm,
                         const Tarnwick::PasswordADT::PasswordData& data);
    bool Reorganise(const Credentials& credentials, const Tarnwick::PasswordADT::PasswordData& data);
    // Overwrites the file with the given passes and removes it; false when not authenticated.
    bool Delete(const Credentials& credentials, int passes);
    void Upgrade(bool force);
    // The request's new content is a copy of source (a backup put back); Close makes it the file.
    void ReplaceContent(Tarnwick::Platform::IFile& source);
    // True when a rewrite or a deletion left the old content alone because another name (a
    // hard link) still shows it.
    bool OldContentKept() const noexcept { return m_otherNamesKept || m_file.OldContentKept(); }
    FileHeader ReadFileHeader();
    std::uint64_t GetFileSize() const noexcept { return m_fileSize; }

    // Makes the request's writes durable, wipes the key, closes.
    void Close();
    // Leaves the file as it was before the request's rewrite, wipes the key, closes.
    void Abandon() noexcept;

    // The nine fills (zero, random, zero, random, random, random, zero, 0xFF, zero) over the
    // whole file in pieces of at most 1024 bytes, passes times.
    static void SecureOverwrite(Tarnwick::Platform::IFile& file, std::uint64_t size, int passes,
                                CryptoServiceProvider::Random::Isaac& random);
    // The same with a generator of its own.
    static void SecureOverwrite(Tarnwick::Platform::IFile& file, std::uint64_t size, int passes);

private:
    FileHeader ReadCheckedFileHeader();
    UserHeader ReadCheckedUserHeader();
    void CreateCipher(std::int32_t algorithm);
    void EnsureKey();
    void DeriveKey(std::u16string_view password, const UserHeader& user);
    void ClearKeyMaterial() noexcept;
    CryptoServiceProvider::Encryption::CipherBase& KeyedCipher();
    void ComputeVerifier(std::u16string_view userName, std::uint8_t* verifier);
    bool VerifierMatches(std::u16string_view userName, const UserHeader& user);
    UserHeader FreshUserHeader(std::u16string_view userName, std::u16string_view password, std::int16_t rounds);
    DateTimeHeader ReadDateTimeHeader();
    void WriteDateTimeHeader(const DateTimeHeader& header);
    void UpdateLastModified();
    void WriteFileHeader(const FileHeader& header);
    std::uint64_t RecordsEnd(const FileHeader& file);
    std::int32_t ReadCategoryCount();
    // The folder blocks and their header behind the headers.
    void WriteCategoryBlocks(const Tarnwick::PasswordADT::PasswordData& data);
    // Every entry behind the folder blocks, and their count in the file header.
    void WriteRecords(const Tarnwick::PasswordADT::PasswordData& data);
    // Folders and entries written once behind the headers, in a copy that holds nothing else.
    void RewriteAll(const Tarnwick::PasswordADT::PasswordData& data);
    std::size_t WriteRecord(std::uint64_t offset, const Tarnwick::PasswordADT::PasswordItem& item,
                            std::int32_t folderId, Tarnwick::PasswordADT::ByteBuffer& body);
    void Report(std::int32_t state, std::int32_t value) const;
    void RandomBytes(std::uint8_t* buffer, std::size_t length);

    ProgressCallback m_progress;
    std::uint64_t m_fileSize = 0;
    bool m_modifiedStamp = true;
    std::unique_ptr<CryptoServiceProvider::Random::Isaac> m_random;
    KeyStore m_key;
    RawFileModule m_file;
    std::unique_ptr<CryptoServiceProvider::Encryption::CipherBase> m_cipher;
    std::int32_t m_algorithm = -1;
    bool m_cipherKeyed = false;
    bool m_otherNamesKept = false;
    bool m_appendCounted = false;
    std::size_t m_unfiledEntries = 0;
    Credentials m_credentials;
    // Run on the replaced file's old content once a rewrite has taken its place.
    std::function<void(Tarnwick::Platform::IFile&, std::uint64_t)> m_eraseOldContent;
};

} // namespace EmberkiteDatabase
