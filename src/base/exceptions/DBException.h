#pragma once

#include <cstdint>

#include "base/exceptions/Exception.h"

namespace EmberkiteDatabase {

// The engine's error codes. The numbers are part of the log and of what callers test for:
// never renumber them.
enum DBError : std::int32_t {
    KeyTooLong = 1,              // the cipher's key is longer than 64 bytes
    OpenFailed = 10,             // the file cannot be opened
    NotOpen = 11,                // an operation needs the file, which is not open
    NotEmpty = 12,               // create was asked for a file that is not empty
    DeleteFailed = 14,           // the file could not be erased
    ReadFailed = 15,             // a read failed (or the file ends too early)
    WriteFailed = 16,            // a write failed
    BadFileHeader = 17,          // the main header is invalid
    BadUserHeader = 18,          // the user header or a date-time marker is invalid
    BadCategoryHeader = 19,      // the category header or a record's category index is invalid
    EntriesWithoutFolders = 21,  // change of password on entries that have no folder
    BadFolderCount = 22,         // a negative folder count was handed to the update
    BadCategoryBlock = 23,       // a category block is invalid
    EntriesNotWritable = 24,     // too many entries, or one without its folder, while writing all
    BadRecordHeader = 25,        // a password record header is invalid, or there is no folder
    RecordOverflow = 26,         // the entry count is at its maximum, or a record outgrew its size
    BadDateTimeSignature = 28,   // the date-time signature is wrong
    NotADatabase = 31,           // the file is not a database
    NoKey = 32,                  // encryption or decryption without a derived key
    VersionUnsupported = 33,     // the file is newer (or otherwise not this version)
    FileMissing = 34,            // the file does not exist
    AccessDenied = 35,           // the file cannot be opened for exclusive reading and writing
    UpgradeDeclined = 36,        // the user declined the upgrade of an older file
};

// A failure of the database engine: an engine code and the two texts of the base class. By the
// engine's convention the first text is the context ("HeaderVerifier::VerifyMainHeader") and
// the second the description; many failures carry only the code.
class DBException : public Utilities::Exceptions::Exception {
public:
    explicit DBException(std::int32_t errorCode, const char16_t* context = nullptr,
                         const char16_t* description = nullptr);
    DBException(std::int32_t errorCode, std::u16string_view context, std::u16string_view description);
    ~DBException() override;

    // "Error: %08x\nMessage: %s\nTarget: %s" with the code, the first and the second text.
    Utilities::Exceptions::PlainString ToString() const override;

    std::int32_t GetErrorCode() const { return m_errorCode; }

private:
    std::int32_t m_errorCode;
};

} // namespace EmberkiteDatabase
