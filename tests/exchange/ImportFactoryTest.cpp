#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/CsvImportPSR.h"
#include "exchange/CsvImporter.h"
#include "exchange/ImportFactory.h"
#include "exchange/ImportMessages.h"
#include "exchange/XmlImportAmp.h"
#include "exchange/XmlImportKeepassV1.h"
#include "exchange/XmlImportKeepassV2.h"
#include "exchange/XmlImportPasswordDepot.h"
#include "exchange/XmlImportPasswordSafe.h"
#include "exchange/XmlImportStickyPassword.h"
#include "base/exceptions/Exception.h"

using namespace ImportTest;
using namespace Tarnwick::Import;

namespace {

TEST(ImportFactoryTest, TheFormatListAndItsImporters) {
    const std::vector<std::string> expected = {
        "KeePass 1.x (xml)", "KeePass 2.x (xml)", "Password Depot 3 (xml)", "Password Depot 4 (xml)",
        "Password Depot 5 (xml)", "Password Safe and Repository 5 (csv)", "Password Safe [Sourceforge.net] (xml)",
        "Sticky Password 4 (xml)", "Kaspersky Password Manager (xml)", "Alle meine Passworte (xml)",
        "Komma getrennte Werte (csv)"};
    std::vector<std::string> names;
    for (const auto name : ImportFormatNames()) {
        names.push_back(N(name));
    }
    EXPECT_EQ(names, expected);

    PasswordData data;
    EXPECT_NE(dynamic_cast<Xml::XmlImportKeepassV1*>(CreateImporter(std::size_t{0}, data).get()), nullptr);
    EXPECT_NE(dynamic_cast<Xml::XmlImportKeepassV2*>(CreateImporter(std::size_t{1}, data).get()), nullptr);
    for (std::size_t index : {2u, 3u, 4u}) {
        EXPECT_NE(dynamic_cast<Xml::XmlImportPasswordDepot*>(CreateImporter(index, data).get()), nullptr);
    }
    EXPECT_NE(dynamic_cast<CSV::CsvImportPSR*>(CreateImporter(std::size_t{5}, data).get()), nullptr);
    EXPECT_NE(dynamic_cast<Xml::XmlImportPasswordSafe*>(CreateImporter(std::size_t{6}, data).get()), nullptr);
    EXPECT_NE(dynamic_cast<Xml::XmlImportStickyPassword*>(CreateImporter(std::size_t{7}, data).get()), nullptr);
    EXPECT_NE(dynamic_cast<Xml::XmlImportStickyPassword*>(CreateImporter(std::size_t{8}, data).get()), nullptr);
    EXPECT_NE(dynamic_cast<Xml::XmlImportAmp*>(CreateImporter(std::size_t{9}, data).get()), nullptr);
    const auto csv = CreateImporter(u"Komma getrennte Werte (csv)", data);
    EXPECT_NE(dynamic_cast<CSV::CsvImporter*>(csv.get()), nullptr);
    EXPECT_EQ(dynamic_cast<CSV::CsvImportPSR*>(csv.get()), nullptr);

    EXPECT_THROW(CreateImporter(std::size_t{11}, data), Utilities::Exceptions::Exception);
    EXPECT_THROW(CreateImporter(u"KeePass 3.x (xml)", data), Utilities::Exceptions::Exception);
    EXPECT_EQ(FindImportFormat(u"Sticky Password 4 (xml)"), ImportFormat::StickyPassword4);
}

TEST(ImportFactoryTest, CsvFormatsAndTheirFileFilters) {
    for (std::size_t index = 0; index < kImportFormatCount; ++index) {
        const auto format = *ImportFormatAt(index);
        const std::string name = N(ImportFormatName(format));
        EXPECT_EQ(IsCsvFormat(format), name.size() > 5 && name.substr(name.size() - 5) == "(csv)") << name;
        const auto filters = SourceFileFilters(format);
        ASSERT_EQ(filters.size(), 2u);
        EXPECT_EQ(N(filters[0].description), IsCsvFormat(format) ? "CSV Dateien" : "Xml Dateien");
        EXPECT_EQ(N(filters[0].pattern), IsCsvFormat(format) ? "*.csv" : "*.xml");
        EXPECT_EQ(N(filters[1].description), "Alle Dateien");
        EXPECT_EQ(N(filters[1].pattern), "*.*");
    }

    Files files;
    EXPECT_TRUE(IsValidImportSource(files.Write("x", "a.csv")));
    EXPECT_FALSE(IsValidImportSource(files.Folder()));
    EXPECT_FALSE(IsValidImportSource(files.Folder() / "missing.csv"));
    EXPECT_FALSE(IsValidImportSource({}));
}

TEST(ImportFactoryTest, FailuresAreExplainedInWords) {
    using Utilities::Exceptions::Exception;
    EXPECT_EQ(DescribeImportFailure(Exception(u"imp", u"XmlImportBase::Import")).View(), kNotWellFormedMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(u"att", u"XmlImportBase::ReadAttributes")).View(), kNotWellFormedMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(u"null", u"ImportBase::GetCurrentFolder")).View(), kOutsideEntryMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(u"nof", u"XmlImportStickyPassword::FindFolderById")).View(),
              kUnknownGroupMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(u"dtd", u"XmlImportAmp::SetXmlReaderOptions")).View(), kDtdMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(u"read", u"CsvImporter::Import")).View(), kCannotReadMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(u"", u"x")).View(), kImportErrorMessage);
    EXPECT_EQ(DescribeImportFailure(Exception(kNoEntriesMessage, u"x")).View(), kNoEntriesMessage);
}

} // namespace
