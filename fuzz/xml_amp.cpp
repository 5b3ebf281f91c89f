// The XML importer of "Alle meine Passworte" exports.
#include "ImporterTarget.h"
#include "exchange/XmlImportAmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TwFuzz::RunImport<Tarnwick::Import::Xml::XmlImportAmp>(data, size, "export.xml");
    return 0;
}
