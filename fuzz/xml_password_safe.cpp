// The XML importer of Password Safe exports.
#include "ImporterTarget.h"
#include "exchange/XmlImportPasswordSafe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwFuzz::RunImport<Tarnwick::Import::Xml::XmlImportPasswordSafe>(data, size, "export.xml");
    return 0;
}
