// The XML importer of KeePass 2.x exports.
#include "ImporterTarget.h"
#include "exchange/XmlImportKeepassV2.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwFuzz::RunImport<Tarnwick::Import::Xml::XmlImportKeepassV2>(data, size, "export.xml");
    return 0;
}
