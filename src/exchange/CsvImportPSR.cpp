#include "exchange/CsvImportPSR.h"

#include <utility>

namespace Tarnwick::Import::CSV {

CsvImportPSR::CsvImportPSR(PasswordADT::PasswordData& target, CsvSettings settings)
    : CsvImporter(target, std::move(settings)) {}

void CsvImportPSR::CreateFolder(std::u16string_view name) {
    const char16_t separator = GetSettings().folderSeparator;
    if (separator == 0) {
        ImportBase::CreateFolder(name);
        return;
    }
    if (auto folder = FindOrAddPath(nullptr, name, separator)) {
        SetCurrentFolder(folder);
    }
}

} // namespace Tarnwick::Import::CSV
