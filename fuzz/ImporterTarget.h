#pragma once

// The frame of the importer targets: the input is the export file; a file the importer takes
// must give a collection that can be written into a database as it stands.
#include <cstddef>
#include <cstdint>
#include <utility>

#include "FuzzSupport.h"
#include "base/exceptions/Exception.h"
#include "exchange/ImportBase.h"
#include "model/ByteBuffer.h"
#include "model/Category.h"
#include "model/PasswordData.h"

namespace TwFuzz {

inline void CheckImported(const Tarnwick::PasswordADT::PasswordData& data) {
    for (const auto& folder : data.Folders()) {
        if (!folder) {
            Broken("an import left an empty folder slot");
        }
        const std::size_t length = folder->GetName().View().size();
        if (length == 0 || length > Tarnwick::PasswordADT::Category::kMaximumNameLength) {
            Broken("an imported folder name does not fit a folder block");
        }
        for (const auto& item : folder->Entries()) {
            Tarnwick::PasswordADT::ByteBuffer buffer;
            try {
                item->Serialize(buffer);
            } catch (const Utilities::Exceptions::Exception&) {
                Broken("an imported entry cannot be written into a database");
            }
        }
    }
}

// Imports the input with a fresh importer; checks the result when the import succeeded.
template <typename Importer, typename... Arguments>
void RunImport(const std::uint8_t* data, std::size_t size, const char* fileName, Arguments&&... arguments) {
    const auto& path = WriteInput(data, size, fileName);
    Tarnwick::PasswordADT::PasswordData target;
    Importer importer(target, std::forward<Arguments>(arguments)...);
    importer.SetImportFolderName(u"Import");
    try {
        importer.Import(path);
    } catch (const Utilities::Exceptions::Exception&) {
        return;
    }
    CheckImported(target);
}

} // namespace TwFuzz
