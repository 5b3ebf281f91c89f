#pragma once

#include "database/FileFormat.h"

namespace EmberkiteDatabase {

// Range and marker checks of the file's headers and blocks; each raises DBException.
class HeaderVerifier {
public:
    // Database and header signatures, password count (17), user header marker and rounds (18).
    static void VerifyMainHeader(const FileHeader& file, const UserHeader& user);
    static void VerifyFileHeader(const FileHeader& file);
    static void VerifyUserHeader(const UserHeader& user);
    static void VerifyDateTimeHeader(const DateTimeHeader& header);
    static void VerifyCategoryHeader(const CategoryHeader& header);
    static void VerifyPasswordHeader(const RecordHeader& header);
    static void VerifyStaticCategoryBlock(const CategoryBlock& block);
    static void VerifyStaticPasswordBlock(std::int32_t categoryIndex);
    // Whether the first seven bytes and the header signature are those of a database.
    static bool HasDatabaseSignatures(const FileHeader& file);
};

} // namespace EmberkiteDatabase
