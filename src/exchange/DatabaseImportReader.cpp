#include "exchange/DatabaseImportReader.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "base/text/CaseFolding.h"
#include "base/text/Utf.h"
#include "crypto/CipherBaseFactory.h"
#include "crypto/HashBaseWin.h"
#include "crypto/SecureWipe.h"
#include "database/FileFormat.h"
#include "database/HeaderVerifier.h"
#include "database/KeyStore.h"
#include "database/MasterKeyKDF.h"
#include "exchange/ImportMessages.h"
#include "exchange/ImportSource.h"
#include "log/LogProvider.h"
#include "base/exceptions/DBException.h"
#include "base/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace Tarnwick::ExportImport {

using EmberkiteDatabase::DBError;
using EmberkiteDatabase::DBException;
using EmberkiteDatabase::EmberkiteEngine;
namespace Format = EmberkiteDatabase::Format;
using PasswordADT::PasswordData;
using StringServiceProvider::PlainString;

namespace {

template <std::size_t N>
struct WipedBytes {
    std::uint8_t bytes[N] = {};
    ~WipedBytes() { CryptoServiceProvider::SecureWipe(bytes, N); }
};

// The user header through a handle of its own that can only read.
EmberkiteDatabase::UserHeader ReadUserHeader(const std::filesystem::path& path) {
    std::unique_ptr<Platform::IFile> file;
    if (Platform::FileSystem().Open(path, Platform::OpenMode::ReadOnly, file) != 0) {
        throw DBException(DBError::AccessDenied);
    }
    WipedBytes<Format::kUserHeaderSize> bytes;
    std::size_t got = 0;
    if (file->ReadAt(Format::kUserHeaderOffset, bytes.bytes, Format::kUserHeaderSize, got) != 0 ||
        got != Format::kUserHeaderSize) {
        throw DBException(DBError::ReadFailed);
    }
    const EmberkiteDatabase::UserHeader user = EmberkiteDatabase::UserHeader::Decode(bytes.bytes);
    EmberkiteDatabase::HeaderVerifier::VerifyUserHeader(user);
    return user;
}

// Whether the decrypted verifier is SHA-256 of the user name; every byte is looked at.
bool VerifierMatches(const std::uint8_t* verifier, std::u16string_view userName) {
    WipedBytes<Format::kVerifierSize> expected;
    CryptoServiceProvider::Hashing::Sha256Win sha;
    sha.ComputeHash(expected.bytes, Format::kVerifierSize, userName.data(), userName.size() * sizeof(char16_t));
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < Format::kVerifierSize; ++i) {
        difference |= static_cast<std::uint8_t>(verifier[i] ^ expected.bytes[i]);
    }
    return difference == 0;
}

// Inside a catch block: the message of a failure that tells the user what is wrong with the
// file (and is not logged), or nothing for a failure to log.
std::optional<std::u16string> OwnMessage(const std::filesystem::path& file) {
    try {
        throw;
    } catch (const DBException& e) {
        if (std::u16string text = FileAccessFailureText(e.GetErrorCode(), file); !text.empty()) {
            return text;
        }
    } catch (const Utilities::Exceptions::WindowsException&) {
    } catch (const Utilities::Exceptions::Exception& e) {
        if (e.GetTarget().View() == Import::kImportSourceContext) {
            return std::u16string(e.GetMessage().View());
        }
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace

bool DatabaseImportReader::Read(const std::filesystem::path& path, const LoginCredentials& credentials,
                                PasswordData& data, const EmberkiteDatabase::ProgressCallback& progress) {
    std::uint64_t device = 0, inode = 0;
    if (const int error = Platform::FileSystem().Identity(path, device, inode); error == ENOENT || error == ENOTDIR) {
        throw DBException(DBError::FileMissing);
    }
    // A FIFO or a device would block the engine or never end: only a regular file is read
    // (refused with kNotRegularFileMessage, context kImportSourceContext).
    Import::ImportSource source;
    try {
        source = Import::ImportSource::Open(path, u"DatabaseImportReader::Read");
    } catch (const Utilities::Exceptions::WindowsException&) {
        throw DBException(DBError::AccessDenied);
    }
    // The engine holds the file locked while it is read, so nobody rewrites it meanwhile.
    EmberkiteEngine engine(progress);
    try {
        engine.Connect(path, false);
    } catch (const DBException& e) {
        if (e.GetErrorCode() == DBError::OpenFailed) {
            throw DBException(DBError::AccessDenied);
        }
        throw;
    }
    // The engine opened the name itself: it must still be the file looked at above.
    std::uint64_t openedDevice = 0, openedInode = 0;
    if (source.Identity(openedDevice, openedInode) != 0 ||
        Platform::FileSystem().Identity(path, device, inode) != 0 || device != openedDevice || inode != openedInode) {
        engine.Abandon();
        throw DBException(DBError::AccessDenied);
    }
    source = Import::ImportSource();
    const EmberkiteDatabase::FileHeader file = engine.ReadFileHeader();
    EmberkiteDatabase::HeaderVerifier::VerifyFileHeader(file);
    // An older file needs the upgrade of a log-in, which would write to it.
    if (file.majorVersion != Format::kMajorVersion || file.minorVersion != Format::kMinorVersion) {
        throw DBException(DBError::VersionUnsupported);
    }
    EmberkiteDatabase::UserHeader user = ReadUserHeader(path);

    const PlainString password = credentials.password.Reveal();
    WipedBytes<Format::kVerifierSize> verifier;
    {
        auto cipher = CryptoServiceProvider::Encryption::CipherBaseFactory::Create(file.algorithm);
        EmberkiteDatabase::KeyStore key;
        EmberkiteDatabase::MasterKeyKDF(password.View(), user.rounds)
            .Derive(key, cipher->GetKeySize(), user.salt, Format::kSaltSize);
        std::memcpy(verifier.bytes, user.verifier, Format::kVerifierSize);
        user.Wipe();
        cipher->InitializeCipher(key.Data(), key.Length());
        cipher->BlockDecrypt(verifier.bytes, Format::kVerifierSize);
        cipher->ClearKey();
    }
    PlainString userName = credentials.userName;
    if (!VerifierMatches(verifier.bytes, userName.View())) {
        Text::ToLowerInPlace(userName.MutableData(), userName.Length());
        if (!VerifierMatches(verifier.bytes, userName.View())) {
            engine.Abandon();
            return false;
        }
    }
    engine.SetCredentials({userName.View(), password.View()});
    PasswordData loaded;
    engine.Load(loaded);
    // Nothing was written: closing without the commit's flush leaves the file as it was.
    engine.Abandon();
    data = std::move(loaded);
    return true;
}

std::u16string_view DatabaseImportSource::CheckInput(std::u16string_view path, const LoginCredentials& credentials) {
    if (path.empty()) {
        return kNoDatabase;
    }
    if (credentials.userName.IsEmpty()) {
        return kNoUserName;
    }
    if (credentials.password.IsEmpty()) {
        return kNoPassword;
    }
    return {};
}

SourceResult DatabaseImportSource::Open(IDatabaseUserInterface& ui, std::u16string_view path,
                                        const LoginCredentials& credentials, PasswordData& data) {
    if (const std::u16string_view message = CheckInput(path, credentials); !message.empty()) {
        ui.ShowError(message);
        return SourceResult::InputMissing;
    }
    const std::filesystem::path file(Text::ToUtf8(path));
    ProgressRelay relay(ui);
    try {
        if (!DatabaseImportReader::Read(file, credentials, data, relay.Callback())) {
            relay.Finish();
            ui.ShowError(kAuthenticationFailed);
            return SourceResult::AuthenticationFailed;
        }
        return SourceResult::Opened;
    } catch (...) {
        relay.Finish();
        if (const std::optional<std::u16string> message = OwnMessage(file)) {
            ui.ShowError(*message);
        } else {
            LogProvider::LogCurrentException();
            ui.ShowError(kUnreadable);
        }
    }
    return SourceResult::Unreadable;
}

EmberkiteDatabase::ProgressCallback ProgressRelay::Callback() {
    return [this](std::int32_t state, std::int32_t value) {
        if (state == 0) {
            m_ui.ProgressStart(value);
            m_started = true;
        } else if (state == 1) {
            m_ui.ProgressStep();
        } else {
            Finish();
        }
    };
}

void ProgressRelay::Finish() noexcept {
    if (m_started) {
        m_started = false;
        try {
            m_ui.ProgressEnd();
        } catch (...) {
            // A progress bar that cannot be hidden is no reason to fail.
        }
    }
}

} // namespace Tarnwick::ExportImport
