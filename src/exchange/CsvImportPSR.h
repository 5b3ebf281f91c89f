#pragma once

#include "exchange/CsvImporter.h"

namespace Tarnwick::Import::CSV {

// "Password Safe and Repository 5 (csv)": as the generic importer, but the folder column
// always holds a path split at the folder separator.
class CsvImportPSR : public CsvImporter {
public:
    CsvImportPSR(PasswordADT::PasswordData& target, CsvSettings settings);

    // Walks the parts of the path from the top level, reusing folders of the same name and
    // parent and adding missing ones; empty parts are skipped. The last folder becomes the
    // current folder.
    void CreateFolder(std::u16string_view name) override;
};

} // namespace Tarnwick::Import::CSV
