// The XML importer of Sticky Password 4 and Kaspersky Password Manager exports.
#include "ImporterTarget.h"
#include "exchange/XmlImportStickyPassword.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwFuzz::RunImport<Tarnwick::Import::Xml::XmlImportStickyPassword>(data, size, "export.xml");
    return 0;
}
