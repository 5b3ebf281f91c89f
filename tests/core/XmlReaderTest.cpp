#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "core/xml/XmlReader.h"
#include "base/exceptions/Exception.h"
#include "support/TempFolder.h"

using namespace XmlServiceProvider;
using TestSupport::TempFolder;
using TestSupport::WriteFileBytes;
using Utilities::Exceptions::WindowsException;

namespace {

struct Node {
    XmlNodeType type;
    std::u16string text; // tag name (with prefix) for elements, value for text-like nodes

    friend bool operator==(const Node&, const Node&) = default;
};

std::ostream& operator<<(std::ostream& out, const Node& node) {
    out << node.type << ":";
    for (const char16_t ch : node.text) {
        out << (ch < 0x80 ? static_cast<char>(ch) : '?');
    }
    return out;
}

// Reads the whole document; the last result (1 at the end, 2 on an error) goes to result.
std::vector<Node> ReadAll(XmlReader& reader, ReadResult::eReadResult& result, int limit = 10000) {
    std::vector<Node> nodes;
    String text;
    for (int i = 0; i < limit; ++i) {
        XmlNodeType type = XmlNodeType_None;
        result = reader.Read(&type);
        if (result != ReadResult::RR_SUCCESS) {
            EXPECT_EQ(type, XmlNodeType_None);
            return nodes;
        }
        EXPECT_EQ(type, reader.GetNodeType());
        switch (type) {
        case XmlNodeType_Element:
        case XmlNodeType_EndElement:
            reader.GetTagName(text, true, true);
            break;
        case XmlNodeType_CDATA:
            reader.GetCDATA(text, false);
            break;
        default:
            reader.GetText(text, false);
            break;
        }
        nodes.push_back({type, text.ToStdString()});
    }
    ADD_FAILURE() << "the reader did not end";
    return nodes;
}

std::vector<Node> ReadFile(const std::filesystem::path& path, ReadResult::eReadResult& result,
                           bool dtd = false) {
    XmlReader reader;
    reader.OpenDocument(path);
    EXPECT_TRUE(reader.EnableDtdProcessing(dtd));
    return ReadAll(reader, result);
}

class XmlReaderTest : public ::testing::Test {
protected:
    std::filesystem::path Write(std::string_view bytes) {
        const auto path = m_folder / ("doc" + std::to_string(m_count++) + ".xml");
        WriteFileBytes(path, bytes);
        return path;
    }

    TempFolder m_folder;
    int m_count = 0;
};

} // namespace

TEST_F(XmlReaderTest, ReportsXmlLiteNodeTypesInDocumentOrder) {
    const auto path = Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<p:root xmlns:p=\"urn:t\"><!--note--><?pi data?>\n"
                            "  <empty a=\"1\"/><full>text</full><c><![CDATA[<raw> & ]]></c>\n"
                            "</p:root>");
    ReadResult::eReadResult result{};
    const std::vector<Node> expected = {
        {XmlNodeType_Element, u"p:root"},         {XmlNodeType_Comment, u""},
        {XmlNodeType_ProcessingInstruction, u""}, {XmlNodeType_Whitespace, u"\n  "},
        {XmlNodeType_Element, u"empty"}, // no end node follows an empty element
        {XmlNodeType_Element, u"full"},           {XmlNodeType_Text, u"text"},
        {XmlNodeType_EndElement, u"full"},        {XmlNodeType_Element, u"c"},
        {XmlNodeType_CDATA, u"<raw> & "},         {XmlNodeType_EndElement, u"c"},
        {XmlNodeType_Whitespace, u"\n"},          {XmlNodeType_EndElement, u"p:root"},
    };
    EXPECT_EQ(ReadFile(path, result), expected);
    EXPECT_EQ(result, ReadResult::RR_NOMORE);
}

TEST_F(XmlReaderTest, NamesPrefixesAndEmptyElements) {
    XmlReader reader;
    reader.OpenDocument(Write("<p:root xmlns:p=\"urn:t\"><leaf/><p:inner></p:inner></p:root>"));
    String name;
    XmlNodeType type{};
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    reader.GetTagName(name, false, false);
    EXPECT_EQ(name, u"root");
    reader.GetTagName(name, true, false);
    EXPECT_EQ(name, u"p:root");
    EXPECT_TRUE(reader.IsTag(u"root", false));
    EXPECT_TRUE(reader.IsTag(u"p:root", true));
    EXPECT_FALSE(reader.IsTag(u"root", true));
    EXPECT_FALSE(reader.IsTag(u"roo", false));
    EXPECT_FALSE(reader.IsEmptyElement());

    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    EXPECT_TRUE(reader.IsTag(u"leaf", true));
    EXPECT_TRUE(reader.IsEmptyElement());

    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(type, XmlNodeType_EndElement);
    // An end element has a name only when asked for.
    reader.GetTagName(name, true, false);
    EXPECT_TRUE(name.IsEmpty());
    reader.GetTagName(name, true, true);
    EXPECT_EQ(name, u"p:inner");
    EXPECT_FALSE(reader.IsTag(u"inner", false));
}

TEST_F(XmlReaderTest, WalksAttributesOnceInOrder) {
    XmlReader reader;
    reader.OpenDocument(
        Write("<r><none/><e b=\"2\" a=\"&lt;x&amp;y&gt;\" t=\"1&#10;2&#9;3\" q:z=\"p\" xmlns:q=\"urn:q\"/>"
              "<after/>text</r>"));
    String name;
    String value;
    XmlNodeType type{};
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_TRUE(reader.IsTag(u"none", false));
    EXPECT_EQ(reader.GetNextAttribute(name, value, false), ReadResult::RR_NOMORE);

    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    while (reader.GetNextAttribute(name, value, true) == ReadResult::RR_SUCCESS) {
        attributes.emplace_back(name.ToStdString(), value.ToStdString());
    }
    // libxml2 hands out namespace declarations first.
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"xmlns:q", u"urn:q"}, {u"b", u"2"}, {u"a", u"<x&y>"}, {u"t", u"1\n2\t3"}, {u"q:z", u"p"}};
    EXPECT_EQ(attributes, expected);
    EXPECT_EQ(reader.GetNextAttribute(name, value, true), ReadResult::RR_NOMORE);
    // The element's name is still the element's after walking its attributes.
    EXPECT_TRUE(reader.IsTag(u"e", false));

    // The next element starts its own walk; text nodes have no attributes.
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    EXPECT_TRUE(reader.IsTag(u"after", false));
    EXPECT_EQ(reader.GetNextAttribute(name, value, true), ReadResult::RR_NOMORE);
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(type, XmlNodeType_Text);
    EXPECT_EQ(reader.GetNextAttribute(name, value, true), ReadResult::RR_NOMORE);
}

TEST_F(XmlReaderTest, TextAccessorsAndTrimming) {
    XmlReader reader;
    reader.OpenDocument(Write("<r><a>  pad\t</a><b>   </b><c><![CDATA[ cd ]]></c></r>"));
    String text;
    XmlNodeType type{};
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    reader.GetText(text, false);
    EXPECT_TRUE(text.IsEmpty()); // an element has no text
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(type, XmlNodeType_Text);
    reader.GetText(text, false);
    EXPECT_EQ(text, u"  pad\t");
    reader.GetText(text, true);
    EXPECT_EQ(text, u"pad");
    reader.GetCDATA(text, false);
    EXPECT_TRUE(text.IsEmpty());

    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS); // </a>
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS); // <b>
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(type, XmlNodeType_Whitespace);
    reader.GetText(text, false);
    EXPECT_EQ(text, u"   ");
    reader.GetText(text, true);
    EXPECT_TRUE(text.IsEmpty());

    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS); // </b>
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS); // <c>
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(type, XmlNodeType_CDATA);
    reader.GetCDATA(text, true);
    EXPECT_EQ(text, u"cd");
    reader.GetText(text, false);
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(XmlReaderTest, JoinsAdjacentTextAndCdataPieces) {
    ReadResult::eReadResult result{};
    // A CDATA section split around "]]>", text around CDATA, white space between sections.
    const auto nodes = ReadFile(Write("<r><a><![CDATA[x]]]]><![CDATA[>y]]></a><b>t1<![CDATA[&c]]> t2</b>"
                                      "<c> <![CDATA[s1]]>\n<![CDATA[s2]]> </c><d>&amp;&#x20AC;&lt;</d></r>"),
                                result);
    ASSERT_EQ(result, ReadResult::RR_NOMORE);
    const std::vector<Node> expected = {
        {XmlNodeType_Element, u"r"},    {XmlNodeType_Element, u"a"},    {XmlNodeType_CDATA, u"x]]>y"},
        {XmlNodeType_EndElement, u"a"}, {XmlNodeType_Element, u"b"},    {XmlNodeType_Text, u"t1&c t2"},
        {XmlNodeType_EndElement, u"b"}, {XmlNodeType_Element, u"c"},    {XmlNodeType_CDATA, u" s1\ns2 "},
        {XmlNodeType_EndElement, u"c"}, {XmlNodeType_Element, u"d"},    {XmlNodeType_Text, u"&\u20AC<"},
        {XmlNodeType_EndElement, u"d"}, {XmlNodeType_EndElement, u"r"},
    };
    EXPECT_EQ(nodes, expected);
}

TEST_F(XmlReaderTest, DecodesToUtf16FromAnyDeclaredEncoding) {
    ReadResult::eReadResult result{};
    const std::u16string expected = u"Gr\u00FC\u00DFe \u20AC \U0001F511";
    auto nodes = ReadFile(Write("\xEF\xBB\xBF<r>Gr\xC3\xBC\xC3\x9F"
                                "e \xE2\x82\xAC \xF0\x9F\x94\x91</r>"),
                          result);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[1].text, expected);

    // UTF-16LE with a byte-order mark.
    std::string utf16 = "\xFF\xFE";
    for (const char16_t ch : u"<r>" + expected + u"</r>") {
        utf16.push_back(static_cast<char>(ch & 0xFF));
        utf16.push_back(static_cast<char>(ch >> 8));
    }
    nodes = ReadFile(Write(utf16), result);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[1].text, expected);

    nodes = ReadFile(Write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE4\xF6\xFC</r>"), result);
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[1].text, u"\u00E4\u00F6\u00FC");
}

TEST_F(XmlReaderTest, MalformedInputIsAReadErrorThatStays) {
    for (const std::string_view bytes :
         {std::string_view("<r><a>"), std::string_view("<r></x>"), std::string_view(""),
          std::string_view("\xEF\xBB\xBF"), std::string_view("<r a=\"1\" a=\"2\"/>"),
          std::string_view("<r>&undefined;</r>"), std::string_view("<r/><second/>"),
          std::string_view("<r>\x01</r>"), std::string_view("\x00\x01\x02\xFF garbage", 12)}) {
        SCOPED_TRACE(std::string(bytes));
        XmlReader reader;
        reader.OpenDocument(Write(bytes));
        ReadResult::eReadResult result{};
        ReadAll(reader, result);
        EXPECT_EQ(result, ReadResult::RR_ERROR);
        XmlNodeType type = XmlNodeType_Text;
        EXPECT_EQ(reader.Read(&type), ReadResult::RR_ERROR);
        EXPECT_EQ(type, XmlNodeType_None);
        String name;
        String value;
        EXPECT_EQ(reader.GetNextAttribute(name, value, false), ReadResult::RR_ERROR);
    }
}

TEST_F(XmlReaderTest, DocumentTypeIsProhibitedUnlessEnabled) {
    const auto path = Write("<!DOCTYPE r [ <!ENTITY e \"E&amp;<b>in</b>\"> <!ENTITY f \"F&#65;\"> ]>"
                            "<r a=\"1&f;\">x&e;y</r>");
    ReadResult::eReadResult result{};
    EXPECT_TRUE(ReadFile(path, result, false).empty());
    EXPECT_EQ(result, ReadResult::RR_ERROR);

    // Enabled: internal entities are expanded into the surrounding text and attribute.
    XmlReader reader;
    reader.OpenDocument(path);
    ASSERT_TRUE(reader.EnableDtdProcessing(true));
    XmlNodeType type{};
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    EXPECT_EQ(type, XmlNodeType_DocumentType);
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    String name;
    String value;
    ASSERT_EQ(reader.GetNextAttribute(name, value, false), ReadResult::RR_SUCCESS);
    EXPECT_EQ(value, u"1FA");
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    EXPECT_EQ(type, XmlNodeType_Text);
    reader.GetText(value, false);
    EXPECT_EQ(value, u"xE&iny");
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    EXPECT_EQ(type, XmlNodeType_EndElement);
    EXPECT_EQ(reader.Read(&type), ReadResult::RR_NOMORE);
}

TEST_F(XmlReaderTest, EntityExpansionBombsFailQuickly) {
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        const std::string previous = level == 1 ? "lol" : "lol" + std::to_string(level - 1);
        laughs += " <!ENTITY lol" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i) {
            laughs += "&" + previous + ";";
        }
        laughs += "\">\n";
    }
    const std::string inContent = laughs + "]>\n<lolz>&lol9;</lolz>";
    const std::string inAttribute = laughs + "]>\n<lolz a=\"&lol9;\"/>";
    // One large entity referenced often: no nesting, but quadratic output.
    std::string quadraticText = "<!DOCTYPE r [ <!ENTITY big \"" + std::string(200000, 'x') + "\"> ]><r>";
    for (int i = 0; i < 2000; ++i) {
        quadraticText += "&big;";
    }
    quadraticText += "</r>";
    const std::string quadratic = quadraticText;

    for (const std::string* bytes : {&inContent, &inAttribute, &quadratic}) {
        const auto path = Write(*bytes);
        for (const bool dtd : {false, true}) {
            XmlReader reader;
            reader.OpenDocument(path);
            reader.EnableDtdProcessing(dtd);
            String name;
            String value;
            std::size_t produced = 0;
            ReadResult::eReadResult result{};
            XmlNodeType type{};
            while ((result = reader.Read(&type)) == ReadResult::RR_SUCCESS) {
                reader.GetText(value, false);
                produced += value.Length();
                while (reader.GetNextAttribute(name, value, false) == ReadResult::RR_SUCCESS) {
                    produced += value.Length();
                }
            }
            EXPECT_EQ(result, ReadResult::RR_ERROR) << "dtd " << dtd;
            EXPECT_LT(produced, 16u * 1024u * 1024u);
        }
    }
}

TEST_F(XmlReaderTest, NeverPullsInAnotherFile) {
    const auto secret = m_folder / "secret.txt";
    WriteFileBytes(secret, "TOPSECRET");
    const std::string uri = "file://" + secret.string();
    const std::vector<std::string> documents = {
        // external general entity in content and in an attribute
        "<!DOCTYPE r [ <!ENTITY x SYSTEM \"" + uri + "\"> ]><r>&x;</r>",
        "<!DOCTYPE r [ <!ENTITY x SYSTEM \"" + uri + "\"> ]><r a=\"&x;\"/>",
        // external parameter entity
        "<!DOCTYPE r [ <!ENTITY % p SYSTEM \"" + uri + "\"> %p; ]><r/>",
        // relative system id next to the document
        "<!DOCTYPE r [ <!ENTITY x SYSTEM \"secret.txt\"> ]><r>&x;</r>",
        // over the network
        "<!DOCTYPE r [ <!ENTITY x SYSTEM \"http://127.0.0.1:9/x\"> ]><r>&x;</r>",
    };
    for (const std::string& document : documents) {
        SCOPED_TRACE(document);
        const auto path = Write(document);
        for (const bool dtd : {false, true}) {
            ReadResult::eReadResult result{};
            const auto nodes = ReadFile(path, result, dtd);
            EXPECT_EQ(result, ReadResult::RR_ERROR);
            for (const Node& node : nodes) {
                EXPECT_EQ(node.text.find(u"TOPSECRET"), std::u16string::npos);
            }
        }
    }
    // An external DTD subset is never fetched; with DTD processing on the document still reads.
    ReadResult::eReadResult result{};
    auto nodes = ReadFile(Write("<!DOCTYPE r SYSTEM \"" + uri + "\"><r>ok</r>"), result, true);
    EXPECT_EQ(result, ReadResult::RR_NOMORE);
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_EQ(nodes[2].text, u"ok");
}

TEST_F(XmlReaderTest, PublishedExternalEntitySampleIsRefused) {
    const std::filesystem::path sample =
        std::filesystem::path(TW_FIXTURES_DIR) / "bitwarden" / "xxe-passwordsafe.xml";
    if (!std::filesystem::exists(sample)) {
        GTEST_SKIP() << "fixtures not present";
    }
    ReadResult::eReadResult result{};
    ReadFile(sample, result, false);
    EXPECT_EQ(result, ReadResult::RR_ERROR);
    // Its entity is in fact internal: with DTD processing on it is plain text.
    const auto nodes = ReadFile(sample, result, true);
    EXPECT_EQ(result, ReadResult::RR_NOMORE);
    EXPECT_NE(std::find(nodes.begin(), nodes.end(), Node{XmlNodeType_Text, u"External entity"}), nodes.end());
}

TEST_F(XmlReaderTest, OpenFailuresAndUseWithoutDocument) {
    XmlReader reader;
    try {
        reader.OpenDocument(m_folder / "missing.xml");
        FAIL() << "no exception";
    } catch (const WindowsException& e) {
        EXPECT_EQ(e.GetErrorCode(), ENOENT);
        EXPECT_EQ(e.GetFunction(), u"SHCreateStreamOnFile");
        EXPECT_EQ(e.GetTarget(), u"XmlBase::OpenDocument");
    }
    try {
        reader.OpenDocument(m_folder.Path());
        FAIL() << "no exception";
    } catch (const WindowsException& e) {
        EXPECT_EQ(e.GetErrorCode(), EISDIR);
    }
    XmlNodeType type{};
    EXPECT_EQ(reader.Read(&type), ReadResult::RR_ERROR);
    EXPECT_FALSE(reader.EnableDtdProcessing(true));
    String text;
    EXPECT_THROW(reader.GetText(text, false), WindowsException);
    EXPECT_THROW(reader.GetCDATA(text, false), WindowsException);
    EXPECT_THROW(reader.GetTagName(text, false, false), WindowsException);

    // The reader can be reused for another document and forgets the old one.
    reader.OpenDocument(Write("<a/>"));
    EXPECT_EQ(reader.Read(nullptr), ReadResult::RR_SUCCESS);
    EXPECT_TRUE(reader.IsTag(u"a", false));
    reader.OpenDocument(Write("<b/>"));
    EXPECT_EQ(reader.GetNodeType(), XmlNodeType_None);
    EXPECT_EQ(reader.Read(nullptr), ReadResult::RR_SUCCESS);
    EXPECT_TRUE(reader.IsTag(u"b", false));
    EXPECT_EQ(reader.Read(nullptr), ReadResult::RR_NOMORE);
    EXPECT_EQ(reader.Read(nullptr), ReadResult::RR_NOMORE);
}
