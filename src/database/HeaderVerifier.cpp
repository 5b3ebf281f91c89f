#include "database/HeaderVerifier.h"

#include "base/exceptions/DBException.h"

namespace EmberkiteDatabase {

namespace {
constexpr std::u16string_view kMain = u"HeaderVerifier::VerifyMainHeader";
}

bool HeaderVerifier::HasDatabaseSignatures(const FileHeader& file) {
    return std::memcmp(file.signature, Format::kDatabaseSignature, 7) == 0 &&
           std::memcmp(file.headerSignature, Format::kHeaderSignature, 4) == 0;
}

void HeaderVerifier::VerifyFileHeader(const FileHeader& file) {
    if (std::memcmp(file.signature, Format::kDatabaseSignature, 7) != 0) {
        throw DBException(DBError::BadFileHeader, kMain, u"Ungültige Datenbanksignatur");
    }
    if (std::memcmp(file.headerSignature, Format::kHeaderSignature, 4) != 0) {
        throw DBException(DBError::BadFileHeader, kMain, u"Ungültige MH Signatur");
    }
    if (file.passwordCount < 0) {
        throw DBException(DBError::BadFileHeader, kMain, u"Passwortzähler ist kleine als 0.");
    }
}

void HeaderVerifier::VerifyUserHeader(const UserHeader& user) {
    if (user.marker != Format::kMarker) {
        throw DBException(DBError::BadUserHeader, kMain, u"Ungültige UH Signatur.");
    }
    if (user.rounds < 0) {
        throw DBException(DBError::BadUserHeader, kMain, u"Ungültige UH Rundenanzahl.");
    }
}

void HeaderVerifier::VerifyMainHeader(const FileHeader& file, const UserHeader& user) {
    VerifyFileHeader(file);
    VerifyUserHeader(user);
}

void HeaderVerifier::VerifyDateTimeHeader(const DateTimeHeader& header) {
    constexpr std::u16string_view context = u"HeaderVerifier::VerifyDateTimeHeader";
    if (header.marker != Format::kMarker) {
        throw DBException(DBError::BadUserHeader, context, u"Ungültige Signatur.");
    }
    if (header.signature != Format::kDateTimeSignature) {
        throw DBException(DBError::BadDateTimeSignature, context, u"Ungültige DTH Signatur.");
    }
}

void HeaderVerifier::VerifyCategoryHeader(const CategoryHeader& header) {
    constexpr std::u16string_view context = u"HeaderVerifier::VerifyCategoryHeader";
    if (header.marker != Format::kMarker) {
        throw DBException(DBError::BadCategoryHeader, context, u"Ungültige CH Signatur.");
    }
    if (header.count < 0) {
        throw DBException(DBError::BadCategoryHeader, context, u"Ungültiger Wert des Kategorienzählers im Header.");
    }
}

void HeaderVerifier::VerifyPasswordHeader(const RecordHeader& header) {
    constexpr std::u16string_view context = u"HeaderVerifier::VerifyPasswordHeader";
    if (header.marker != Format::kMarker) {
        throw DBException(DBError::BadRecordHeader, context, u"Ungültige PH Signatur.");
    }
    if (header.bodySize < 4) {
        throw DBException(DBError::BadRecordHeader, context, u"Ungültige Größe des Passwortblocks.");
    }
}

void HeaderVerifier::VerifyStaticCategoryBlock(const CategoryBlock& block) {
    constexpr std::u16string_view context = u"HeaderVerifier::VerifyStaticCategoryBlock";
    if (block.nameLength == 0) {
        throw DBException(DBError::BadCategoryBlock, context, u"Ungültige Längenangabe des Kategorienamens.");
    }
    // A negative length is as unusable as one past the name area.
    if (block.nameLength > static_cast<std::int32_t>(Format::kCategoryNameBytes) || block.nameLength < 0) {
        throw DBException(DBError::BadCategoryBlock, context, u"Die Längenangabe des Kategorienamens überschreitet den Maximalwert.");
    }
    if (block.id < 0) {
        throw DBException(DBError::BadCategoryBlock, context, u"Ungültige Kategorie-ID.");
    }
    if (block.parentId < -1) {
        throw DBException(DBError::BadCategoryBlock, context, u"Ungültige Elternkategorie-ID.");
    }
}

void HeaderVerifier::VerifyStaticPasswordBlock(std::int32_t categoryIndex) {
    if (categoryIndex < 0) {
        throw DBException(DBError::BadCategoryHeader, u"HeaderVerifier::VerifyStaticPasswordBlock", u"Ungültiger Kategorieindex.");
    }
}

} // namespace EmberkiteDatabase
