#include "exchange/XmlImportKeepassV1.h"

#include "exchange/ImportAutoType.h"
#include "exchange/ImportTime.h"

namespace Tarnwick::Import::Xml {

XmlImportKeepassV1::XmlImportKeepassV1(PasswordADT::PasswordData& target) : XmlImportBase(target) {}

bool XmlImportKeepassV1::AcceptsRoot(std::u16string_view name) const {
    return name == u"pwlist";
}

bool XmlImportKeepassV1::InEntry() const {
    return EnclosingElement() == u"pwentry";
}

void XmlImportKeepassV1::CreateFolder(std::u16string_view name) {
    Detail::WipingBuffer path;
    if (!m_groupTree.IsEmpty()) {
        path.Append(m_groupTree.View());
        path.Append(u'\\');
    }
    path.Append(name);
    if (auto folder = FindOrAddPath(nullptr, path.View(), u'\\')) {
        SetCurrentFolder(folder);
    }
}

void XmlImportKeepassV1::BeginDocument() {
    m_groupTree.Clear();
    m_expires = false;
}

void XmlImportKeepassV1::StartElement(std::u16string_view name) {
    if (name == u"pwentry") {
        // The entry is placed in its folder at its end, when its group is known.
        ResetCurrentFolder();
        m_groupTree.Clear();
        NewDetachedPasswordItem();
    } else if (name == u"expiretime") {
        m_expires = false;
    }
}

void XmlImportKeepassV1::Attribute(std::u16string_view name, const PlainString& value) {
    if (ElementName() == u"group") {
        if (name == u"tree" && !value.IsEmpty()) {
            m_groupTree = value;
        } else {
            m_groupTree.Clear();
        }
    } else if (ElementName() == u"expiretime" && name == u"expires") {
        m_expires = value == u"true" || value == u"True" || value == u"1";
    }
}

void XmlImportKeepassV1::Text(const PlainString& value) {
    if (!InEntry() || !HasCurrentPasswordItem()) {
        return;
    }
    const std::u16string& element = ElementName();
    if (element == u"group") {
        CreateFolder(value.View());
    } else if (element == u"title") {
        SetField(Field::Description, value.View());
    } else if (element == u"username") {
        SetField(Field::UserName, value.View());
    } else if (element == u"url") {
        SetField(Field::Url, value.View());
    } else if (element == u"password") {
        SetPassword(value.View());
    } else if (element == u"notes") {
        const NotesAutoType notes = SplitAutoTypeLines(value.View());
        SetField(Field::Comment, notes.comment.View());
        if (notes.hasWindow) {
            SetField(Field::TargetWindow, notes.window.View());
        }
        if (notes.hasSequence) {
            SetField(Field::Sequence, ConvertAutoTypeTemplate(notes.sequence.View(), u'}').View());
        }
    } else if (element == u"creationtime") {
        SetCreationTime(ParseIsoTime(value.View(), TimeZoneRule::Local));
    } else if (element == u"lastmodtime") {
        SetModificationTime(ParseIsoTime(value.View(), TimeZoneRule::Local));
    } else if (element == u"expiretime" && m_expires) {
        if (const auto expiry = ParseIsoTime(value.View(), TimeZoneRule::Local)) {
            SetExpiryDate(*expiry);
        }
    }
}

void XmlImportKeepassV1::EndElement(std::u16string_view name) {
    if (name != u"pwentry") {
        return;
    }
    PlaceCurrentPasswordItem(HasCurrentFolder() ? GetCurrentFolder() : nullptr);
    // No folder, no entry and no remembered tree survive the entry.
    m_groupTree.Clear();
    ResetCurrentFolder();
    ResetCurrentPasswordItem();
}

} // namespace Tarnwick::Import::Xml
