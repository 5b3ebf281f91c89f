#pragma once

#include <filesystem>
#include <string>

namespace Tarnwick::Import {
class ImportSource;
}

namespace Tarnwick::Import::Xml {

// What stands in a document before its root element. Read before the parser runs, so that
// a file that points outside itself is refused with a clear message.
struct XmlProlog {
    bool rootFound = false;
    std::u16string rootName; // as written, with a prefix if any
    bool hasDocumentType = false;
    // The document type names an external subset, or declares an external entity.
    bool hasExternalReference = false;
};

// Looks at the start of the file (at most a few megabytes; UTF-8, UTF-16 and single-byte
// encodings). An unreadable file gives an empty result; the parser reports it.
XmlProlog InspectXmlProlog(const std::filesystem::path& path);
// The same through a file already opened; it is read from its start and rewound afterwards.
XmlProlog InspectXmlProlog(ImportSource& source);

// The same over bytes already read.
XmlProlog InspectXmlPrologBytes(const std::string& bytes);

} // namespace Tarnwick::Import::Xml
