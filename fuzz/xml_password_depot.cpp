// The XML importer of Password Depot 3, 4 and 5 exports.
#include "ImporterTarget.h"
#include "exchange/XmlImportPasswordDepot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwFuzz::RunImport<Tarnwick::Import::Xml::XmlImportPasswordDepot>(data, size, "export.xml");
    return 0;
}
