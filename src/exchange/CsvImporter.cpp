#include "exchange/CsvImporter.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

#include "base/text/Format.h"
#include "crypto/SecureWipe.h"
#include "exchange/ImportMessages.h"
#include "exchange/ImportSource.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import::CSV {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {
constexpr std::u16string_view kImportContext = u"CsvImporter::Import";
constexpr std::u16string_view kUnclosedQualifier =
    u"Das Textbegrenzungszeichen in Zeile %u wird nicht geschlossen; der Rest der Datei wurde als ein Wert gelesen.";
constexpr std::u16string_view kRecordTooLong =
    u"Eintrag %u (ab Zeile %u) ist länger als %u Zeichen, mehr als ein Eintrag fassen kann. Die Datei wird nicht "
    u"importiert.";
constexpr std::u16string_view kHeaderTooLong =
    u"Die Kopfzeile (ab Zeile %u) ist länger als %u Zeichen. Die Datei wird nicht importiert.";
constexpr std::u16string_view kMaybeUnclosed = u" Vermutlich wird ein Textbegrenzungszeichen nicht geschlossen.";
constexpr std::u16string_view kFolderPathCut = u"Der Ordnerpfad ist länger als %u Zeichen und wurde gekürzt.";
constexpr std::size_t kReadBlock = 64u << 10;
// An export of a password manager beyond this size is none.
constexpr std::uint64_t kMaximumFileSize = 512ull << 20;
} // namespace

CsvImporter::CsvImporter(PasswordADT::PasswordData& target, CsvSettings settings)
    : ImportBase(target), m_settings(std::move(settings)) {
    if (m_settings.setImportFolderName) {
        SetImportFolderName(m_settings.importFolderName);
    }
}

CsvImporter::~CsvImporter() = default;

void CsvImporter::Import(const std::filesystem::path& path) {
    m_headers.clear();
    m_rows.clear();
    m_columnCount = 0;
    m_readWarnings.clear();

    ImportSource source = ImportSource::Open(path, kImportContext);
    std::uint64_t size = 0;
    if (const int error = source.Size(size); error != 0) {
        throw WindowsException(u"read", error, u"fstat", kImportContext);
    }
    if (size > kMaximumFileSize) {
        throw WindowsException(u"read", EFBIG, u"read", kImportContext);
    }
    CsvRecords records = ReadRecords(source);
    if (records.unclosedLine != 0) {
        m_readWarnings.push_back(Text::Format(kUnclosedQualifier, records.unclosedLine));
    }
    std::size_t first = 0;
    if (m_settings.firstLineHoldsNames && !records.rows.empty()) {
        m_headers = std::move(records.rows.front());
        first = 1;
    }
    m_rows.reserve(records.rows.size() - first);
    for (std::size_t i = first; i < records.rows.size(); ++i) {
        m_rows.push_back(std::move(records.rows[i]));
    }
    m_columnCount = m_headers.size();
    for (const auto& row : m_rows) {
        m_columnCount = std::max(m_columnCount, row.size());
    }
    if (m_rows.empty()) {
        throw Exception(kNoRowsMessage, kImportContext);
    }
}

CsvRecords CsvImporter::ReadRecords(ImportSource& source) const {
    // Piece by piece: no more of the file is in memory than the records read so far, and a
    // record longer than any entry is refused as soon as it passes that length.
    std::string bytes(kReadBlock, '\0');
    Detail::WipingBuffer text;
    CsvDecoder decoder;
    const auto wipe = [&] { CryptoServiceProvider::SecureWipe(bytes.data(), bytes.size()); };
    try {
        for (;;) {
            CsvParser parser(m_settings.separator, m_settings.qualifier, PasswordADT::PasswordItem::kMaxComment,
                             kMaximumEntryText);
            bool notUtf8 = false;
            std::size_t kept = 0; // bytes of an unfinished sequence from the block before
            for (bool atEnd = false; !atEnd && !notUtf8;) {
                std::size_t got = 0;
                if (const int error = source.Read(bytes.data() + kept, bytes.size() - kept, got); error != 0) {
                    throw WindowsException(u"read", error, u"read", kImportContext);
                }
                atEnd = got < bytes.size() - kept;
                const std::size_t have = kept + got;
                std::size_t used = 0;
                if (decoder.Decode(std::string_view(bytes.data(), have), atEnd, text, used) ==
                    CsvDecoder::Result::NotUtf8) {
                    notUtf8 = true;
                    break;
                }
                const bool complete = parser.Feed(text.View());
                text.Clear();
                if (!complete) {
                    RefuseOverlongRecord(parser);
                }
                std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(used),
                          bytes.begin() + static_cast<std::ptrdiff_t>(have), bytes.begin());
                kept = have - used;
            }
            if (notUtf8) {
                // The whole file is Windows-1252 then: read it once more from its start.
                text.Clear();
                decoder.StartOver(true);
                source.Rewind();
                continue;
            }
            parser.Finish();
            wipe();
            return std::move(parser.Records());
        }
    } catch (...) {
        wipe();
        throw;
    }
}

void CsvImporter::RefuseOverlongRecord(const CsvParser& parser) const {
    const std::size_t record = parser.OverlongRecord();
    const bool header = m_settings.firstLineHoldsNames && record == 1;
    PlainString message = header ? Text::Format(kHeaderTooLong, parser.OverlongLine(), kMaximumEntryText)
                                 : Text::Format(kRecordTooLong, record - (m_settings.firstLineHoldsNames ? 1 : 0),
                                                parser.OverlongLine(), kMaximumEntryText);
    if (parser.OverlongInQuotes()) {
        message.Append(kMaybeUnclosed);
    }
    throw Exception(message.View(), kImportContext);
}

PlainString CsvImporter::GetSourceName(std::size_t column) const {
    if (column < m_headers.size() && !m_headers[column].IsEmpty()) {
        return m_headers[column];
    }
    return Text::Format(u"Feld %d", column + 1);
}

PlainString CsvImporter::CheckTargetChoice(const std::vector<int>& mapping, std::size_t column, int target) {
    if (ColumnTargetText(target).empty()) {
        return Text::Format(kTargetTakenMessage, u"?");
    }
    if (target == TargetNone) {
        return {};
    }
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        if (i != column && mapping[i] == target) {
            return Text::Format(kTargetTakenMessage, ColumnTargetText(target));
        }
    }
    return {};
}

void CsvImporter::SetColumnMapping(const std::vector<int>& mapping) {
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        const PlainString refusal = CheckTargetChoice(mapping, i, mapping[i]);
        if (!refusal.IsEmpty()) {
            throw Exception(refusal.View(), u"CsvImporter::SetColumnMapping");
        }
    }
    m_mapping = mapping;
}

bool CsvImporter::IsFolderMode() const noexcept {
    return std::find(m_mapping.begin(), m_mapping.end(), static_cast<int>(TargetFolder)) != m_mapping.end();
}

void CsvImporter::CreateFolder(std::u16string_view name) {
    if (m_settings.folderNamesIncluded && m_settings.folderSeparator != 0) {
        if (auto folder = FindOrAddPath(nullptr, name, m_settings.folderSeparator)) {
            SetCurrentFolder(folder);
        }
        return;
    }
    ImportBase::CreateFolder(name);
}

void CsvImporter::ImportRows() {
    // The collection belongs to the wizard's import; an earlier pass is dropped whole.
    GetTarget().Clear();
    BeginImport();
    for (const auto& warning : m_readWarnings) {
        WarnFile(warning.View());
    }
    const std::size_t mapped = std::min(m_mapping.size(), m_columnCount);
    const auto folderColumn = std::find(m_mapping.begin(), m_mapping.begin() + static_cast<std::ptrdiff_t>(mapped),
                                        static_cast<int>(TargetFolder)) -
                              m_mapping.begin();
    const bool folderMode = static_cast<std::size_t>(folderColumn) < mapped;
    PasswordADT::CategoryRef importFolder;
    if (!folderMode) {
        importFolder = ImportFolder();
    }
    for (const CsvRow& row : m_rows) {
        const std::size_t columns = std::min(mapped, row.size());
        bool anyValue = false;
        for (std::size_t c = 0; c < columns && !anyValue; ++c) {
            anyValue = m_mapping[c] != TargetNone && !row[c].IsEmpty();
        }
        if (!anyValue) {
            continue;
        }
        PasswordADT::CategoryRef folder = importFolder;
        if (folderMode) {
            ResetCurrentFolder();
            const auto column = static_cast<std::size_t>(folderColumn);
            if (column < row.size() && !row[column].IsEmpty()) {
                const std::u16string_view path = row[column].View();
                if (path.size() > PasswordADT::PasswordItem::kMaxComment) {
                    // Only the start of so long a value was read.
                    WarnFolder(path.substr(0, Detail::CutLength(path, PasswordADT::Category::kMaximumNameLength)),
                               Text::Format(kFolderPathCut, PasswordADT::PasswordItem::kMaxComment).View());
                }
                CreateFolder(path.substr(0, Detail::CutLength(path, PasswordADT::PasswordItem::kMaxComment)));
            }
            folder = HasCurrentFolder() ? GetCurrentFolder() : nullptr;
        }
        NewPasswordItemIn(folder);
        for (std::size_t c = 0; c < columns; ++c) {
            SetMappedValue(m_mapping[c], row[c].View());
        }
        ResetCurrentPasswordItem();
    }
    ResetCurrentFolder();
    FinishImport();
}

void CsvImporter::SetMappedValue(int target, std::u16string_view value) {
    switch (target) {
    case TargetDescription:
        SetField(Field::Description, value);
        break;
    case TargetUserName:
        SetField(Field::UserName, value);
        break;
    case TargetPassword:
        SetPassword(value);
        break;
    case TargetEmail:
        SetField(Field::Email, value);
        break;
    case TargetComment:
        SetField(Field::Comment, value);
        break;
    case TargetUrl:
        SetField(Field::Url, value);
        break;
    default:
        break;
    }
}

} // namespace Tarnwick::Import::CSV
