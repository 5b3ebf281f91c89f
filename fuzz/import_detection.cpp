// The recognition of an export file's format from its start, and the import that twcli's
// "--format auto" then runs with the recognised XML importer.
#include "ImporterTarget.h"
#include "exchange/ImportFactory.h"
#include "exchange/ImportFormatDetection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace Tarnwick::Import;
    const std::filesystem::path path = TwFuzz::WriteInput(data, size, "export");
    std::optional<RecognisedFormat> recognised;
    try {
        recognised = RecogniseImportFormat(path);
    } catch (const Utilities::Exceptions::Exception&) {
        return 0;
    }
    if (!recognised || IsCsvFormat(recognised->format)) {
        return 0;
    }
    Tarnwick::PasswordADT::PasswordData target;
    auto importer = CreateImporter(recognised->format, target);
    importer->SetImportFolderName(u"Import");
    try {
        importer->Import(path);
    } catch (const Utilities::Exceptions::Exception&) {
        return 0;
    }
    TwFuzz::CheckImported(target);
    return 0;
}
