#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImportTestSupport.h"
#include "exchange/ImportMessages.h"
#include "exchange/XmlImportBase.h"
#include "exchange/XmlImportPasswordDepot.h"
#include "exchange/XmlImportPasswordSafe.h"
#include "exchange/XmlPrologCheck.h"
#include "base/exceptions/Exception.h"

using namespace ImportTest;
using namespace Tarnwick::Import;
using Tarnwick::Import::Xml::XmlImportBase;
using Utilities::Exceptions::Exception;

namespace {

// Writes down every event of the skeleton; makes one entry so that the import counts.
class Recorder : public XmlImportBase {
public:
    explicit Recorder(PasswordData& data, bool dtd = false) : XmlImportBase(data), m_dtd(dtd) {}
    std::vector<std::string> events;

protected:
    void SetXmlReaderOptions() override { m_reader.EnableDtdProcessing(m_dtd); }
    bool AllowsDocumentType() const override { return m_dtd; }
    void StartElement(std::u16string_view name) override {
        if (!HasCurrentPasswordItem()) {
            NewPasswordItemIn(nullptr);
        }
        events.push_back("start:" + N(name) + " in " + N(EnclosingElement()));
    }
    void EndElement(std::u16string_view name) override { events.push_back("end:" + N(name)); }
    void Attribute(std::u16string_view name, const PlainString& value) override {
        events.push_back("attr:" + N(name) + "=" + N(value));
    }
    void Text(const PlainString& value) override { events.push_back("text:" + N(ElementName()) + "=" + N(value)); }
    void CData(const PlainString& value) override { events.push_back("cdata:" + N(ElementName()) + "=" + N(value)); }

private:
    bool m_dtd;
};

class XmlImportBaseTest : public ::testing::Test {
protected:
    std::vector<std::string> Record(std::string_view xml) {
        PasswordData data;
        Recorder recorder(data);
        recorder.Import(m_files.Write(xml));
        return recorder.events;
    }

    Files m_files;
};

TEST_F(XmlImportBaseTest, EmptyElementsGetTheirEndEventInPlace) {
    const auto events = Record(R"(<r><Account Name="a" Link="l"/><GROUP NAME="x"/><b>t</b></r>)");
    const std::vector<std::string> expected = {
        "start:r in ",      "start:Account in r", "attr:Name=a",   "attr:Link=l", "text:Account=", "end:Account",
        "start:GROUP in r", "attr:NAME=x",        "text:GROUP=",   "end:GROUP",   "start:b in r",  "text:b=t",
        "end:b",            "end:r"};
    EXPECT_EQ(events, expected);
}

TEST_F(XmlImportBaseTest, TextAndCDataPiecesArriveOnceAtTheElementsEnd) {
    // Password Safe splits a value holding "]]>" into two CDATA sections.
    const auto events =
        Record("<r>\n  <p><![CDATA[a]]]]><![CDATA[>b]]></p>\n  <q>x<!-- c -->y<?pi z?>&amp;</q>"
               "<n>lost<c/>also lost</n><e></e> <w>  </w></r>");
    const std::vector<std::string> expected = {
        "start:r in ", "start:p in r", "cdata:p=a]]>b", "end:p", "start:q in r", "text:q=xy&", "end:q",
        "start:n in r", "start:c in n", "text:c=", "end:c", "end:n", "start:e in r", "text:e=", "end:e",
        "start:w in r", "text:w=  ", "end:w", "end:r"};
    EXPECT_EQ(events, expected);
}

TEST_F(XmlImportBaseTest, BrokenDocumentsAndOtherFormatsAreRefusedClearly) {
    PasswordData data;
    Recorder recorder(data);
    EXPECT_EQ(ImportMessage(recorder, m_files.Write("<r><a></b></r>")), "imp");
    try {
        recorder.Import(m_files.Write("<r>&undefined;</r>"));
        FAIL();
    } catch (const Exception& failure) {
        EXPECT_EQ(N(failure.GetTarget()), "XmlImportBase::Import");
        EXPECT_EQ(DescribeImportFailure(failure).View(), kNotWellFormedMessage);
    }

    Tarnwick::Import::Xml::XmlImportPasswordSafe safe(data);
    EXPECT_EQ(ImportMessage(safe, m_files.Write("<KeePassFile><Root/></KeePassFile>")),
              "Die Datei ist keine Exportdatei im gewählten Format (gefunden wurde das Wurzelelement „KeePassFile“).");
    // Also when the prolog cannot be read ahead (UTF-16 without a byte-order mark is read as such).
    EXPECT_EQ(ImportMessage(safe, m_files.Write(std::string("<\0x\0/\0>\0", 8))),
              "Die Datei ist keine Exportdatei im gewählten Format (gefunden wurde das Wurzelelement „x“).");
    EXPECT_EQ(ImportMessage(safe, m_files.Write("<passwordsafe delimiter=\";\"></passwordsafe>")), N(kNoEntriesMessage));

    try {
        safe.Import(m_files.Folder() / "missing.xml");
        FAIL();
    } catch (const Exception& failure) {
        EXPECT_EQ(DescribeImportFailure(failure).View(), kCannotOpenMessage);
    }
}

// Files that try to reach outside themselves; the secret must never arrive.
class HostileXmlTest : public XmlImportBaseTest {
protected:
    void SetUp() override { m_secret = m_files.Write("TOP-SECRET-CONTENT", "secret.txt"); }

    std::string Url() const { return "file://" + m_secret.string(); }

    // Imports with a format that processes document types and one that does not.
    void ExpectRefused(const std::string& xml, const std::string& message) {
        const auto path = m_files.Write(xml);
        PasswordData data;
        Tarnwick::Import::Xml::XmlImportPasswordDepot depot(data);
        EXPECT_EQ(ImportMessage(depot, path), message) << xml;
        PasswordData other;
        Recorder plain(other, false);
        EXPECT_NE(ImportMessage(plain, path), "") << xml;
        for (const auto* collection : {&data, &other}) {
            for (const auto& placed : AllEntries(*collection)) {
                EXPECT_EQ(N(placed.item->GetDescription()).find("SECRET"), std::string::npos);
                EXPECT_EQ(N(placed.item->GetComment()).find("SECRET"), std::string::npos);
            }
        }
    }

    std::filesystem::path m_secret;
};

TEST_F(HostileXmlTest, ExternalEntitiesAndDocumentTypesAreRefused) {
    const std::string external = N(kExternalReferenceMessage);
    ExpectRefused("<!DOCTYPE PASSWORDFILE [<!ENTITY x SYSTEM \"" + Url() +
                      "\">]><PASSWORDFILE><PASSWORDS><GROUP NAME=\"g\"><ITEM><DESCRIPTION>&x;</DESCRIPTION>"
                      "</ITEM></GROUP></PASSWORDS></PASSWORDFILE>",
                  external);
    ExpectRefused("<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + Url() + "\"> %p;]><r/>", external);
    ExpectRefused("<!DOCTYPE r SYSTEM \"" + m_secret.string() + "\"><r><ITEM><DESCRIPTION>&x;</DESCRIPTION></ITEM></r>",
                  external);
    ExpectRefused("<!DOCTYPE r PUBLIC \"-//x//y\" \"http://192.0.2.1/evil.dtd\"><r/>", external);
    ExpectRefused("<?xml version=\"1.0\"?>\n<!-- x -->\n<!DOCTYPE r [\n <!ENTITY ok \"fine\">\n <!ENTITY net PUBLIC "
                  "'-//a' 'http://192.0.2.1/x'>\n]><r>&ok;</r>",
                  external);

    // The same in UTF-16.
    std::string wide = "\xFF\xFE";
    for (const char ch : std::string("<!DOCTYPE r [<!ENTITY x SYSTEM \"" + Url() + "\">]><r>&x;</r>")) {
        wide.push_back(ch);
        wide.push_back('\0');
    }
    ExpectRefused(wide, external);
}

TEST_F(HostileXmlTest, EntityExpansionIsBoundedAndDtdsAreRefusedWhereTheFormatHasNone) {
    std::string bomb = "<!DOCTYPE PASSWORDFILE [<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">";
    for (int i = 1; i < 12; ++i) {
        bomb += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            bomb += "&a" + std::to_string(i - 1) + ";";
        }
        bomb += "\">";
    }
    bomb += "]><PASSWORDFILE><PASSWORDS><GROUP NAME=\"g\"><ITEM><COMMENT>&a11;</COMMENT></ITEM></GROUP></PASSWORDS>"
            "</PASSWORDFILE>";
    ExpectRefused(bomb, "imp");

    // A format without document types refuses even a harmless one, before parsing.
    PasswordData data;
    Tarnwick::Import::Xml::XmlImportPasswordSafe safe(data);
    EXPECT_EQ(ImportMessage(safe, m_files.Write("<!DOCTYPE passwordsafe [<!ENTITY x \"y\">]><passwordsafe "
                                                "delimiter=\";\"><entry><title>&x;</title></entry></passwordsafe>")),
              N(kDocumentTypeMessage));
    EXPECT_EQ(data.EntryCount(), 0u);
}

TEST(XmlPrologCheckTest, FindsRootDocumentTypeAndExternalReferences) {
    using Tarnwick::Import::Xml::InspectXmlPrologBytes;
    auto p = InspectXmlPrologBytes("\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- <!DOCTYPE x SYSTEM 'y'> --><a:root x='1'>");
    EXPECT_TRUE(p.rootFound);
    EXPECT_EQ(p.rootName, u"a:root");
    EXPECT_FALSE(p.hasDocumentType);
    EXPECT_FALSE(p.hasExternalReference);

    p = InspectXmlPrologBytes("<!DOCTYPE r [<!ENTITY x 'SYSTEM \"quoted\"'><!ATTLIST r a CDATA 'PUBLIC'>]><r/>");
    EXPECT_TRUE(p.hasDocumentType);
    EXPECT_FALSE(p.hasExternalReference);
    EXPECT_EQ(p.rootName, u"r");

    p = InspectXmlPrologBytes("<!DOCTYPE r [<!NOTATION n SYSTEM 'viewer'>]><r/>");
    EXPECT_FALSE(p.hasExternalReference); // a notation pulls in nothing

    p = InspectXmlPrologBytes("<!DOCTYPE r [<!ENTITY x SYSTEM 'unfinished");
    EXPECT_TRUE(p.hasExternalReference);

    p = InspectXmlPrologBytes("not xml at all");
    EXPECT_FALSE(p.rootFound);
}

} // namespace
