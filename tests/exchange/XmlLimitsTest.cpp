// XML exports are bounded while they are read: a value in many pieces stops growing at its
// limit, an entry keeps no more user-defined fields and earlier passwords than the model
// holds (and no more warnings than a reader can use), however many the file has.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ImportTestSupport.h"
#include "exchange/XmlImportBase.h"
#include "exchange/XmlImportKeepassV2.h"
#include "exchange/XmlImportPasswordSafe.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using StringServiceProvider::PlainString;
using Tarnwick::Import::Xml::XmlImportBase;
using Tarnwick::Import::Xml::XmlImportKeepassV2;
using Tarnwick::Import::Xml::XmlImportPasswordSafe;

namespace {

// Twice the longest field of an entry.
constexpr std::size_t kValueLimit = 2 * 16384;

// Notes the length of every value it is handed; makes one entry so that the import counts.
class LengthProbe : public XmlImportBase {
public:
    explicit LengthProbe(PasswordData& data) : XmlImportBase(data) {}
    std::vector<std::size_t> texts;
    std::vector<std::size_t> attributes;

protected:
    void StartElement(std::u16string_view) override {
        if (!HasCurrentPasswordItem()) {
            NewPasswordItemIn(nullptr);
        }
    }
    void Text(const PlainString& value) override { texts.push_back(value.Length()); }
    void CData(const PlainString& value) override { texts.push_back(value.Length()); }
    void Attribute(std::u16string_view, const PlainString& value) override { attributes.push_back(value.Length()); }
};

std::string KeePassEntry(const std::string& strings, const std::string& history = {}) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><KeePassFile><Root><Group><Name>G</Name><Entry>" + strings +
           "<History>" + history + "</History></Entry></Group></Root></KeePassFile>";
}

std::string KeePassString(const std::string& key, const std::string& value) {
    return "<String><Key>" + key + "</Key><Value>" + value + "</Value></String>";
}

class XmlLimitsTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{1700000000};
    ZoneOverride m_zone{"UTC0"};
    Files m_files;
    PasswordData m_data;
};

TEST_F(XmlLimitsTest, AValueInManyPiecesStopsGrowingAtItsLimit) {
    // 200 pieces of 1000 characters, kept apart by comments, as text and as CDATA sections.
    std::string comments = "<r><v>";
    std::string sections = "<v>";
    for (int i = 0; i < 200; ++i) {
        comments += std::string(1000, 'n') + "<!---->";
        sections += "<![CDATA[" + std::string(1000, 'c') + "]]>";
    }
    const std::string attribute = "<w a=\"" + std::string(1u << 20, 'a') + "\"/>";
    LengthProbe probe(m_data);
    probe.Import(m_files.Write(comments + "</v>" + sections + "</v>" + attribute + "</r>"));
    EXPECT_EQ(probe.texts, (std::vector<std::size_t>{kValueLimit + 1, kValueLimit + 1, 0}));
    ASSERT_EQ(probe.attributes.size(), 1u);
    EXPECT_GT(probe.attributes[0], kValueLimit);
    EXPECT_LE(probe.attributes[0], 3 * (kValueLimit + 2));

    // What the importer makes of it: the comment cut to its limit, with the usual warning.
    std::string notes;
    for (int i = 0; i < 100; ++i) {
        notes += std::string(1000, 'n') + "<!---->";
    }
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(KeePassEntry(KeePassString("Title", "Lang") + KeePassString("Notes", notes))));
    EXPECT_EQ(EntryNamed(m_data, "Lang")->GetComment().Length(), PasswordItem::kMaxComment);
    EXPECT_EQ(WarningTexts(importer), std::vector<std::string>{"Eintrag 1 „Lang“, Feld „Kommentar“: Der Wert ist länger "
                                                                "als 16384 Zeichen und wurde gekürzt."});
}

TEST_F(XmlLimitsTest, AnEntryWithThousandsOfFieldsKeepsAHundredAndWarnsTwice) {
    std::string strings = KeePassString("Title", "Voll");
    for (int i = 0; i < 5000; ++i) {
        strings += KeePassString("Feld " + std::to_string(i), "Wert");
    }
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(KeePassEntry(strings)));
    EXPECT_EQ(EntryNamed(m_data, "Voll")->GetUserDefinedFields().Count(), 100u);
    EXPECT_EQ(WarningTexts(importer),
              (std::vector<std::string>{"Eintrag 1 „Voll“, Feld „Feld 100“: Der Eintrag hat bereits 100 "
                                        "benutzerdefinierte Felder; das Feld wurde nicht übernommen.",
                                        "Eintrag 1 „Voll“, Feld „Benutzerdefinierte Felder“: Auch 4899 weitere Felder "
                                        "wurden nicht übernommen: der Eintrag hat bereits 100 benutzerdefinierte "
                                        "Felder."}));
}

TEST_F(XmlLimitsTest, ManyWarningsAboutOneEntryAreCountedNotListed) {
    std::string strings = KeePassString("Title", "Doppelt");
    for (int i = 0; i < 51; ++i) {
        strings += KeePassString("Feld", std::to_string(i));
    }
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(KeePassEntry(strings)));
    const auto texts = WarningTexts(importer);
    ASSERT_EQ(texts.size(), 21u);
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(texts[i], "Eintrag 1 „Doppelt“, Feld „Feld“: Ein Feld dieses Namens ist bereits vorhanden; das Feld "
                            "wurde nicht übernommen.");
    }
    EXPECT_EQ(texts[20], "Eintrag 1 „Doppelt“: 30 weitere Hinweise zu diesem Eintrag werden nicht aufgeführt.");
    EXPECT_EQ(UdfValue(*EntryNamed(m_data, "Doppelt"), "Feld"), "0");
}

TEST_F(XmlLimitsTest, ALongHistoryKeepsTheNewestHundred) {
    std::string history;
    for (int i = 0; i < 1000; ++i) {
        // Every password twice in a row: a snapshot that kept the password is no change.
        for (int twice = 0; twice < 2; ++twice) {
            history += "<Entry><Times><LastModificationTime>" + std::to_string(2000 + i / 12) + "-" +
                       (i % 12 < 9 ? "0" : "") + std::to_string(i % 12 + 1) + "-01T00:00:0" + std::to_string(twice) +
                       "Z</LastModificationTime></Times>" + KeePassString("Password", "alt" + std::to_string(i)) +
                       "</Entry>";
        }
    }
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(KeePassEntry(KeePassString("Title", "Alt") + KeePassString("Password", "neu"), history)));
    const auto item = EntryNamed(m_data, "Alt");
    ASSERT_EQ(item->GetPasswordHistory().Count(), 100u);
    EXPECT_TRUE(item->GetPasswordHistory().At(0).password.Equals(u"alt900"));
    EXPECT_TRUE(item->GetPasswordHistory().At(99).password.Equals(u"alt999"));
    EXPECT_EQ(WarningTexts(importer),
              std::vector<std::string>{"Eintrag 1 „Alt“, Feld „Passworthistorie“: Nur die neuesten 100 früheren "
                                       "Passwörter wurden übernommen, 900 ältere nicht."});
}

TEST_F(XmlLimitsTest, APasswordSafeHistoryInAnyOrderKeepsTheNewestByTime) {
    std::string entries;
    std::vector<int> years;
    for (int i = 0; i < 500; ++i) {
        years.push_back(i);
    }
    // A fixed shuffle: the file lists them in no order.
    for (std::size_t i = 0; i < years.size(); ++i) {
        std::swap(years[i], years[(i * 7919 + 13) % years.size()]);
    }
    for (const int i : years) {
        entries += "<history_entry><changedx>" + std::to_string(2000 + i) + "-01-01T00:00:00</changedx><oldpassword>"
                   "<![CDATA[alt" + std::to_string(i) + "]]></oldpassword></history_entry>";
    }
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><passwordsafe delimiter=\"»\"><entry>"
                            "<title><![CDATA[Safe]]></title><password><![CDATA[neu]]></password>"
                            "<pwhistory><status>1</status><history_entries>" + entries +
                            "</history_entries></pwhistory></entry></passwordsafe>";
    XmlImportPasswordSafe importer(m_data);
    importer.Import(m_files.Write(xml));
    const auto item = EntryNamed(m_data, "Safe");
    ASSERT_EQ(item->GetPasswordHistory().Count(), 100u);
    EXPECT_EQ(N(item->GetPasswordHistory().At(0).password.Reveal()), "alt400");
    EXPECT_EQ(N(item->GetPasswordHistory().At(99).password.Reveal()), "alt499");
    const auto texts = WarningTexts(importer);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("Nur die neuesten 100 früheren Passwörter wurden übernommen, 400 ältere nicht."),
              std::string::npos);
}

} // namespace
