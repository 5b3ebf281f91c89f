// The CSV importers: the generic one under three settings, the Password Safe and Repository 5
// one, the recognition of the format and preset from the first line, and every preset by
// name, each the way the wizard and twcli run them (read, map the columns, turn rows into
// entries). The input is the export file; every way is tried on each input.
#include <optional>
#include <vector>

#include "ImporterTarget.h"
#include "exchange/CsvImportPSR.h"
#include "exchange/CsvImporter.h"
#include "exchange/CsvPresets.h"
#include "exchange/ImportFormatDetection.h"

namespace {

using namespace Tarnwick::Import;
using namespace Tarnwick::Import::CSV;

const std::vector<int> kAllTargets = {TargetFolder, TargetDescription, TargetUserName, TargetPassword,
                                      TargetEmail,  TargetComment,     TargetUrl};

std::vector<int> HeaderMapping(const CsvImporter& importer) {
    std::vector<PlainString> names;
    for (std::size_t c = 0; c < importer.GetColumnCount(); ++c) {
        names.push_back(importer.GetSourceName(c));
    }
    return MappingFromHeader(Views(names));
}

template <typename Importer>
void Generic(const std::filesystem::path& path, const CsvSettings& settings) {
    Tarnwick::PasswordADT::PasswordData target;
    Importer importer(target, settings);
    try {
        importer.Import(path);
        std::vector<int> mapping = settings.firstLineHoldsNames ? HeaderMapping(importer) : kAllTargets;
        mapping.resize(importer.GetColumnCount(), TargetNone);
        importer.SetColumnMapping(mapping);
        importer.ImportRows();
    } catch (const Utilities::Exceptions::Exception&) {
        return;
    }
    TwFuzz::CheckImported(target);
}

// As twcli imports with a preset: its separator, header and folder separator, its mapping.
void WithPreset(const std::filesystem::path& path, const std::optional<CsvPreset>& preset, char16_t separator) {
    CsvSettings settings;
    settings.separator = separator;
    settings.firstLineHoldsNames = !preset || preset->header;
    if (preset) {
        settings.folderNamesIncluded = preset->folderSeparator != 0;
        settings.folderSeparator = preset->folderSeparator;
    }
    if (!CheckCsvSettings(settings).empty()) {
        return;
    }
    Tarnwick::PasswordADT::PasswordData target;
    PresetCsvImporter importer(target, settings);
    importer.SetPreset(preset);
    try {
        importer.Import(path);
        std::vector<int> mapping = preset && preset->header == settings.firstLineHoldsNames ? preset->mapping
                                                                                             : HeaderMapping(importer);
        mapping.resize(importer.GetColumnCount(), TargetNone);
        importer.SetColumnMapping(mapping);
        importer.ImportAllRows();
    } catch (const Utilities::Exceptions::Exception&) {
        return;
    }
    TwFuzz::CheckImported(target);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = TwFuzz::WriteInput(data, size, "export.csv");

    CsvSettings semicolons;
    Generic<CsvImporter>(path, semicolons);
    CsvSettings commas;
    commas.separator = u',';
    commas.firstLineHoldsNames = true;
    commas.folderNamesIncluded = true;
    commas.folderSeparator = u'/';
    Generic<CsvImporter>(path, commas);
    CsvSettings tabs;
    tabs.separator = u'\t';
    tabs.qualifier = 0;
    tabs.firstLineHoldsNames = true;
    Generic<CsvImporter>(path, tabs);
    CsvSettings repository;
    repository.separator = u'\t';
    repository.folderNamesIncluded = true;
    repository.folderSeparator = u'.';
    Generic<CsvImportPSR>(path, repository);

    try {
        if (const auto recognised = RecogniseImportFormat(path);
            recognised && recognised->format == ImportFormat::Csv && recognised->ColumnsKnown()) {
            WithPreset(path, recognised->preset, recognised->separator);
        }
    } catch (const Utilities::Exceptions::Exception&) {
    }
    char16_t separator = u',';
    const auto first = ReadFirstRecord(path, separator);
    const auto views = Views(first);
    for (const auto name : CsvPresetNames()) {
        if (auto preset = PresetByName(name, views)) {
            WithPreset(path, preset, separator);
        }
    }
    return 0;
}
