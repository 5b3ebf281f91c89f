// The XML importer of KeePass 1.x exports.
#include "ImporterTarget.h"
#include "exchange/XmlImportKeepassV1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwFuzz::RunImport<Tarnwick::Import::Xml::XmlImportKeepassV1>(data, size, "export.xml");
    return 0;
}
