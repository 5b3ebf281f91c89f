#include "exchange/CsvImporter.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "core/text/Format.h"
#include "crypto/SecureWipe.h"
#include "exchange/ImportMessages.h"
#include "log/exceptions/Exception.h"
#include "platform/FileSystem.h"

namespace Tarnwick::Import::CSV {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

namespace {
constexpr std::u16string_view kImportContext = u"CsvImporter::Import";
constexpr std::u16string_view kUnclosedQualifier =
    u"Das Textbegrenzungszeichen in Zeile %u wird nicht geschlossen; der Rest der Datei wurde als ein Wert gelesen.";
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

    std::unique_ptr<Platform::IFile> file;
    if (const int error = Platform::FileSystem().Open(path, Platform::OpenMode::ReadOnly, file); error != 0 || !file) {
        throw WindowsException(u"open", error != 0 ? error : EIO, u"open", kImportContext);
    }
    std::uint64_t size = 0;
    if (const int error = file->Size(size); error != 0) {
        throw WindowsException(u"read", error, u"fstat", kImportContext);
    }
    if (size > kMaximumFileSize) {
        throw WindowsException(u"read", EFBIG, u"read", kImportContext);
    }
    // One buffer of the final size, so no copy of the plain text is left behind unwiped.
    std::string bytes(static_cast<std::size_t>(size), '\0');
    PlainString text;
    try {
        std::size_t got = 0;
        if (const int error = file->ReadAt(0, bytes.data(), bytes.size(), got); error != 0) {
            throw WindowsException(u"read", error, u"read", kImportContext);
        }
        bytes.resize(got);
        text = DecodeCsvBytes(bytes);
    } catch (...) {
        CryptoServiceProvider::SecureWipe(bytes.data(), bytes.size());
        throw;
    }
    CryptoServiceProvider::SecureWipe(bytes.data(), bytes.size());
    file.reset();

    CsvRecords records = ParseCsv(text.View(), m_settings.separator, m_settings.qualifier);
    text.Clear();
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
                CreateFolder(row[column].View());
            }
            folder = HasCurrentFolder() ? GetCurrentFolder() : nullptr;
        }
        NewPasswordItemIn(folder);
        for (std::size_t c = 0; c < columns; ++c) {
            const std::u16string_view value = row[c].View();
            switch (m_mapping[c]) {
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
        ResetCurrentPasswordItem();
    }
    ResetCurrentFolder();
    FinishImport();
}

} // namespace Tarnwick::Import::CSV
