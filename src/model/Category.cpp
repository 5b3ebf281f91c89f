#include "model/Category.h"

#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordADT {

using Utilities::Exceptions::Exception;

Category::Category(std::uint32_t id, std::uint32_t parentId, std::u16string_view name)
    : m_id(id), m_parentId(parentId) {
    Rename(name);
}

void Category::Rename(std::u16string_view name) {
    if (name.empty()) {
        throw Exception(u"Es wurde keine neuer Name angegeben.", u"Category::Rename()");
    }
    if (name.size() > kMaximumNameLength) {
        throw Exception(u"Der neue Name überschreitet die maximale zulässige Größe.", u"Category::Rename()");
    }
    m_name.Assign(name);
}

} // namespace Tarnwick::PasswordADT
