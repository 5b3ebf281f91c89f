#pragma once

#include <cstdint>

#include "model/PasswordData.h"

namespace Tarnwick {

// What the entry sheet needs from the open database. Each call stores first and changes the
// data only when the store succeeded; a failure has been shown to the user and leaves data
// and file as they were. Entries are never changed in place: a changed entry is a new item
// that takes the old one's place.
class IEntryStore {
public:
    virtual ~IEntryStore() = default;

    virtual const PasswordADT::PasswordData& Data() const = 0;
    // Appends item to the folder with this id.
    virtual bool AddEntry(std::uint32_t folderId, const PasswordADT::PasswordItemRef& item) = 0;
    // Puts replacement in the place of original (found in the folder fromFolderId); with
    // another toFolderId the entry moves to the end of that folder.
    virtual bool ReplaceEntry(std::uint32_t fromFolderId, const PasswordADT::PasswordItemRef& original,
                              std::uint32_t toFolderId, const PasswordADT::PasswordItemRef& replacement) = 0;
};

} // namespace Tarnwick
