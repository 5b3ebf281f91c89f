#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

#include "core/xml/XmlReader.h"
#include "core/xml/XmlWriter.h"
#include "base/exceptions/Exception.h"
#include "support/TempFolder.h"

using namespace XmlServiceProvider;
using TestSupport::ReadFileBytes;
using TestSupport::TempFolder;
using TestSupport::WriteFileBytes;
using Utilities::Exceptions::WindowsException;

namespace {

template <typename Body>
std::string WriteDocument(const std::filesystem::path& path, bool omitDeclaration, bool standalone,
                          bool indent, bool bom, Body&& body) {
    XmlWriter writer;
    writer.CreateNewDocument(path, omitDeclaration, standalone, indent, bom);
    body(writer);
    writer.CloseDocument();
    return ReadFileBytes(path);
}

void ExpectFailure(const std::function<void()>& call, std::int64_t code, const char16_t* function,
                   const char16_t* target) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const WindowsException& e) {
        EXPECT_EQ(e.GetErrorCode(), code);
        EXPECT_EQ(e.GetFunction(), function);
        EXPECT_EQ(e.GetTarget(), target);
        EXPECT_TRUE(e.GetMessage().IsEmpty());
    }
}

// Temporary files left beside the target.
int CountEntries(const std::filesystem::path& folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

} // namespace

TEST(XmlWriter, DeclarationOrderMarkAndIndentation) {
    TempFolder folder;
    const auto path = folder / "out.xml";
    const auto tree = [](XmlWriter& w) {
        w.WriteComment(u"c");
        w.WriteStartElement(u"p", u"root", u"urn:p");
        w.WriteAttributeString(nullptr, u"a", nullptr, u"1");
        w.WriteStartElement(nullptr, u"child", nullptr);
        w.WriteElementString(nullptr, u"leaf", nullptr, u"v");
        w.WriteStartElement(nullptr, u"empty", nullptr);
        w.WriteEndElement();
        w.WriteEndElement();
        w.WriteStartElement(nullptr, u"mixed", nullptr);
        w.WriteString(u"t");
        w.WriteStartElement(nullptr, u"in", nullptr);
        w.WriteEndElement();
        w.WriteEndElement();
        // root is closed by CloseDocument
    };
    EXPECT_EQ(WriteDocument(path, false, false, true, true, tree),
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
              "<!--c-->\n"
              "<p:root a=\"1\" xmlns:p=\"urn:p\">\n"
              "  <child>\n"
              "    <leaf>v</leaf>\n"
              "    <empty/>\n"
              "  </child>\n"
              "  <mixed>t<in/></mixed>\n"
              "</p:root>\n");
    EXPECT_EQ(WriteDocument(path, false, true, false, false, tree),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!--c--><p:root a=\"1\" xmlns:p=\"urn:p\"><child><leaf>v</leaf><empty/></child>"
              "<mixed>t<in/></mixed></p:root>\n");
    EXPECT_EQ(WriteDocument(path, true, false, false, false,
                            [](XmlWriter& w) { w.WriteElementString(nullptr, u"r", nullptr, nullptr); }),
              "<r/>\n");
}

TEST(XmlWriter, ExplicitWhitespaceSwitchesIndentationOff) {
    TempFolder folder;
    const auto path = folder / "out.xml";
    EXPECT_EQ(WriteDocument(path, false, false, true, false,
                            [](XmlWriter& w) {
                                w.WriteComment(u"a\n b\n");
                                w.WriteWhitespace(u"\n");
                                w.WriteStartElement(nullptr, u"r", nullptr);
                                w.WriteWhitespace(u"\n  ");
                                w.WriteStartElement(nullptr, u"s", nullptr);
                                w.WriteFullEndElement();
                                w.WriteWhitespace(u"\n    ");
                                w.WriteStartElement(nullptr, u"t", nullptr);
                                w.WriteEndElement();
                                w.WriteWhitespace(u"\n");
                            }),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
              "<!--a\n b\n-->\n<r>\n  <s></s>\n    <t/>\n</r>\n");
}

TEST(XmlWriter, EscapedTextRoundTripsThroughTheReader) {
    TempFolder folder;
    const auto path = folder / "out.xml";
    const std::u16string hard = u"<a & \"b\" 'c'>\n\tline\r\n]]> \u00E4\u20AC\U0001F511";
    const std::u16string cdatas[] = {u"]]>", u"a]]>b]]>c", u"]]]]>>", u"]]", u"", u"plain"};
    XmlWriter writer;
    writer.CreateNewDocument(path, false, false, true, true);
    writer.WriteStartElement(nullptr, u"r", nullptr);
    writer.WriteAttributeString(nullptr, u"v", nullptr, hard.c_str());
    writer.WriteElementString(nullptr, u"text", nullptr, hard.c_str());
    for (const auto& cdata : cdatas) {
        writer.WriteStartElement(nullptr, u"c", nullptr);
        writer.WriteCData(cdata.c_str());
        writer.WriteEndElement();
    }
    writer.WriteStartElement(nullptr, u"parts", nullptr);
    writer.WriteChars(u"abcdef", 3);
    writer.WriteCharEntity(u'\u00DF');
    writer.WriteEntityRef(u"amp");
    writer.WriteRawChars(u"<x/>yz", 4);
    writer.WriteRaw(u"&lt;");
    writer.WriteEndElement();
    writer.CloseDocument();

    XmlReader reader;
    reader.OpenDocument(path);
    String name;
    String value;
    XmlNodeType type{};
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    ASSERT_EQ(reader.GetNextAttribute(name, value, false), ReadResult::RR_SUCCESS);
    EXPECT_EQ(value.View(), hard);
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS); // whitespace
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS); // <text>
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    reader.GetText(value, false);
    EXPECT_EQ(value.View(), hard);
    for (const auto& cdata : cdatas) {
        SCOPED_TRACE(std::string(cdata.begin(), cdata.end()));
        do {
            ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
        } while (!reader.IsTag(u"c", false));
        ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
        EXPECT_EQ(type, XmlNodeType_CDATA);
        reader.GetCDATA(value, false);
        EXPECT_EQ(value.View(), cdata);
    }
    do {
        ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    } while (!reader.IsTag(u"parts", false));
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    reader.GetText(value, false);
    EXPECT_EQ(value, u"abc\u00DF&");
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    EXPECT_TRUE(reader.IsTag(u"x", false));
    ASSERT_EQ(reader.Read(&type), ReadResult::RR_SUCCESS);
    reader.GetText(value, false);
    EXPECT_EQ(value, u"<");
}

TEST(XmlWriter, CommentsAndProcessingInstructionsStayWellFormed) {
    TempFolder folder;
    const auto path = folder / "out.xml";
    EXPECT_EQ(WriteDocument(path, true, false, false, false,
                            [](XmlWriter& w) {
                                w.WriteProcessingInstruction(u"pi", u"x=1");
                                w.WriteComment(u"a--b-");
                                w.WriteElementString(nullptr, u"r", nullptr, u"");
                            }),
              "<?pi x=1?><!--a- -b- --><r></r>\n");
    XmlWriter writer;
    writer.CreateNewDocument(path, true, false, false, false);
    ExpectFailure([&] { writer.WriteProcessingInstruction(u"pi", u"a?>b"); }, EINVAL,
                  u"IXmlWriter::WriteProcessingInstruction", u"XmlBase::WriteProcessingInstruction");
    ExpectFailure([&] { writer.WriteWhitespace(u" x "); }, EINVAL, u"IXmlWriter::WriteWhitespace",
                  u"XmlBase::WriteWhitespace");
    ExpectFailure([&] { writer.WriteEntityRef(u"a;b"); }, EINVAL, u"IXmlWriter::WriteEntityRef",
                  u"XmlBase::WriteEntityRef");
    ExpectFailure([&] { writer.WriteCharEntity(u'\x01'); }, EINVAL, u"IXmlWriter::WriteCharEntity",
                  u"XmlBase::WriteCharEntity");
    ExpectFailure([&] { writer.WriteEndElement(); }, EINVAL, u"IXmlWriter::WriteEndElement",
                  u"XmlBase::WriteEndElement");
    ExpectFailure([&] { writer.WriteStartElement(nullptr, u"", nullptr); }, EINVAL,
                  u"IXmlWriter::WriteStartElement", u"XmlBase::WriteStartElement");
    // Characters XML cannot carry and malformed names are refused instead of written into a
    // file that no parser would accept.
    for (const char16_t* bad : {u"a\x01"
                                u"b",
                                u"\uFFFE", u"x\xD800",
                                u"\xDC00"
                                u"y"}) {
        ExpectFailure([&] { writer.WriteString(bad); }, EINVAL, u"IXmlWriter::WriteString",
                      u"XmlBase::WriteString");
        ExpectFailure([&] { writer.WriteCData(bad); }, EINVAL, u"IXmlWriter::WriteCData",
                      u"XmlBase::WriteCData");
        ExpectFailure([&] { writer.WriteComment(bad); }, EINVAL, u"IXmlWriter::WriteComment",
                      u"XmlBase::WriteComment");
        ExpectFailure([&] { writer.WriteElementString(nullptr, u"e", nullptr, bad); }, EINVAL,
                      u"IXmlWriter::WriteElementString", u"XmlBase::WriteElementString");
    }
    ExpectFailure([&] { writer.WriteStartElement(nullptr, u"a b", nullptr); }, EINVAL,
                  u"IXmlWriter::WriteStartElement", u"XmlBase::WriteStartElement");
    ExpectFailure([&] { writer.WriteStartElement(u"1p", u"a", u"urn:x"); }, EINVAL,
                  u"IXmlWriter::WriteStartElement", u"XmlBase::WriteStartElement");
    writer.WriteStartElement(u"", u"r", u""); // empty prefix and namespace: none
    ExpectFailure([&] { writer.WriteAttributeString(nullptr, u"a", nullptr, u"\x02"); }, EINVAL,
                  u"IXmlWriter::WriteAttributeString", u"XmlBase::WriteAttributeString");
    ExpectFailure([&] { writer.WriteAttributeString(nullptr, u"a=\"", nullptr, u"v"); }, EINVAL,
                  u"IXmlWriter::WriteAttributeString", u"XmlBase::WriteAttributeString");
    writer.WriteAttributeString(nullptr, u"ok", nullptr, u"\U0001F511");
    writer.CloseDocument();
    EXPECT_EQ(ReadFileBytes(path), "<r ok=\"\xF0\x9F\x94\x91\"/>\n");

    writer.CreateNewDocument(path, true, false, false, false);
    // An attribute after the start tag was closed is refused by libxml2.
    writer.WriteStartElement(nullptr, u"r", nullptr);
    writer.WriteString(u"t");
    ExpectFailure([&] { writer.WriteAttributeString(nullptr, u"a", nullptr, u"1"); }, EINVAL,
                  u"IXmlWriter::WriteAttributeString", u"XmlBase::WriteAttributeString");
}

TEST(XmlWriter, FailuresNameTheCallAndTheOperation) {
    TempFolder folder;
    XmlWriter writer;
    ExpectFailure([&] { writer.CreateNewDocument(folder / "missing" / "out.xml", false, false, true, true); },
                  ENOENT, u"SHCreateStreamOnFile", u"XmlBase::CreateNewDocument");
    ExpectFailure([&] { writer.WriteStartElement(nullptr, u"r", nullptr); }, EBADF,
                  u"IXmlWriter::WriteStartElement", u"XmlBase::WriteStartElement");
    ExpectFailure([&] { writer.CloseDocument(); }, EBADF, u"IXmlWriter::WriteEndDocument",
                  u"XmlBase::CloseDocument");
}

TEST(XmlWriter, TargetIsReplacedOnlyByACompleteDocument) {
    TempFolder folder;
    const auto path = folder / "out.xml";
    WriteFileBytes(path, "old content");
    {
        XmlWriter writer;
        writer.CreateNewDocument(path, false, false, true, true);
        writer.WriteStartElement(nullptr, u"r", nullptr);
        writer.WriteString(std::u16string(100000, u'x').c_str());
        EXPECT_EQ(ReadFileBytes(path), "old content");
        // abandoned without CloseDocument
    }
    EXPECT_EQ(ReadFileBytes(path), "old content");
    EXPECT_EQ(CountEntries(folder.Path()), 1);

    WriteDocument(path, true, false, false, false,
                  [](XmlWriter& w) { w.WriteElementString(nullptr, u"r", nullptr, nullptr); });
    EXPECT_EQ(ReadFileBytes(path), "<r/>\n");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(CountEntries(folder.Path()), 1);
}

TEST(XmlWriter, FullDiskLeavesTheOldFile) {
    TempFolder folder;
    const auto path = folder / "out.xml";
    WriteFileBytes(path, "old content");
    // The file size limit makes every write past 4 KiB fail with EFBIG, like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool thrown = false;
    try {
        XmlWriter writer;
        writer.CreateNewDocument(path, false, false, true, true);
        writer.WriteStartElement(nullptr, u"r", nullptr);
        for (int i = 0; i < 100; ++i) {
            writer.WriteElementString(nullptr, u"e", nullptr, std::u16string(100, u'x').c_str());
        }
        writer.CloseDocument();
    } catch (const WindowsException& e) {
        thrown = true;
        EXPECT_EQ(e.GetErrorCode(), EFBIG);
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_TRUE(thrown);
    EXPECT_EQ(ReadFileBytes(path), "old content");
    EXPECT_EQ(CountEntries(folder.Path()), 1);
}
