#include <gtest/gtest.h>

#include "ImportTestSupport.h"
#include "exchange/ImportMessages.h"
#include "exchange/XmlImportKeepassV1.h"
#include "exchange/XmlImportKeepassV2.h"
#include "support/ClockOverride.h"

using namespace ImportTest;
using Tarnwick::Import::kProtectedValueMessage;
using Tarnwick::Import::Xml::XmlImportKeepassV1;
using Tarnwick::Import::Xml::XmlImportKeepassV2;

namespace {

constexpr std::int64_t kNow = 1700000000;

// A KeePass 1.x export: every entry names its group, with the path above it in "tree".
constexpr std::string_view kKeePass1 = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<pwlist>
<pwentry>
	<group tree="Internet\Mail">Work</group>
	<title>Mail account</title>
	<username>alice</username>
	<url>https://mail.example.org</url>
	<password>pa&lt;ss</password>
	<notes>Only for work
Auto-Type-Window: Mail*
Auto-Type: {USERNAME}{TAB}{PASSWORD}{ENTER}</notes>
	<uuid>4a3c2b1d000000000000000000000001</uuid>
	<image>19</image>
	<creationtime>2008-06-01T10:00:00</creationtime>
	<lastmodtime>2009-06-01T10:00:00</lastmodtime>
	<lastaccesstime>2009-06-02T10:00:00</lastaccesstime>
	<expiretime expires="true">2030-01-01T00:00:00</expiretime>
</pwentry>
<pwentry>
	<group tree="Internet\Mail">Work</group>
	<title>Second</title>
	<password></password>
	<notes/>
	<expiretime expires="false">2999-12-28T23:59:59</expiretime>
</pwentry>
<pwentry>
	<group>Banking</group>
	<title>Bank</title>
</pwentry>
<pwentry>
	<title>Loose</title>
</pwentry>
<pwentry>
	<group tree="\Internet\\">Web</group>
	<title>Odd path</title>
</pwentry>
</pwlist>
)";

class KeePassImportTest : public ::testing::Test {
protected:
    TestSupport::ClockOverride m_clock{kNow};
    ZoneOverride m_zone{"UTC0"};
    Files m_files;
    PasswordData m_data;
};

TEST_F(KeePassImportTest, Version1GroupPathsFieldsAndTimes) {
    XmlImportKeepassV1 importer(m_data);
    importer.Import(m_files.Write(kKeePass1));
    EXPECT_EQ(importer.GetImportedEntryCount(), 5u);

    // Internet, Mail, Work as a chain, reused by the second entry.
    const auto mail = EntryNamed(m_data, "Mail account");
    EXPECT_EQ(FolderOfEntry(m_data, mail), "Internet/Mail/Work");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Second")), "Internet/Mail/Work");
    EXPECT_EQ(FindFolder(m_data, "Internet/Mail/Work")->Entries().size(), 2u);
    EXPECT_EQ(N(mail->GetUserName()), "alice");
    EXPECT_EQ(PasswordOf(*mail), "pa<ss");
    EXPECT_EQ(N(mail->GetUrl()), "https://mail.example.org");
    EXPECT_EQ(N(mail->GetComment()), "Only for work");
    EXPECT_EQ(N(mail->GetTargetWindow()), "Mail*");
    EXPECT_EQ(N(mail->GetSequence()), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(mail->GetCreationTime(), 1212314400);
    EXPECT_EQ(mail->GetModificationTime(), 1243850400);
    EXPECT_EQ(mail->GetPasswordChangeTime(), kNow);
    EXPECT_EQ(mail->GetValidityMode(), 1u);
    EXPECT_EQ(mail->GetExpiry(), 1893456000);

    const auto second = EntryNamed(m_data, "Second");
    EXPECT_EQ(second->GetValidityMode(), 0u);
    EXPECT_EQ(second->GetCreationTime(), kNow);

    // The tree of an earlier entry does not stick to a group without one.
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Bank")), "Banking");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Loose")), "Import 14.11.2023");
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Odd path")), "Internet/Web");
    EXPECT_TRUE(importer.GetWarnings().empty());
}

// A KeePass 2.x export with the parts that are not entries: meta data with custom data,
// attachments, deleted objects, history and an unnamed group.
constexpr std::string_view kKeePass2 = R"(<?xml version="1.0" encoding="utf-8" standalone="yes"?>
<KeePassFile>
	<Meta>
		<Generator>KeePass</Generator>
		<DatabaseName>Test</DatabaseName>
		<Binaries><Binary ID="0">AAAA</Binary></Binaries>
		<CustomData>
			<Item><Key>plugin-setting</Key><Value>on</Value></Item>
		</CustomData>
	</Meta>
	<Root>
		<Group>
			<UUID>AAAAAAAAAAAAAAAAAAAAAA==</UUID>
			<Name>Database</Name>
			<DefaultAutoTypeSequence>{PASSWORD}{ENTER}</DefaultAutoTypeSequence>
			<Entry>
				<UUID>+wSUOv6qf0OzW8/ZHAs2sA==</UUID>
				<Times>
					<CreationTime>2010-08-25T16:13:54Z</CreationTime>
					<LastModificationTime>2010-08-25T16:19:25Z</LastModificationTime>
					<ExpiryTime>2030-01-01T00:00:00Z</ExpiryTime>
					<Expires>True</Expires>
				</Times>
				<String><Key>Notes</Key><Value>line one
line two</Value></String>
				<String><Key>Password</Key><Value ProtectInMemory="True">new-secret</Value></String>
				<String><Key>PIN</Key><Value>1234</Value></String>
				<String><Key>Empty</Key><Value /></String>
				<String><Key>Title</Key><Value>Mail</Value></String>
				<String><Key>URL</Key><Value>https://mail.example.org</Value></String>
				<String><Key>UserName</Key><Value>alice</Value></String>
				<Binary><Key>file.txt</Key><Value Ref="0" /></Binary>
				<CustomData><Item><Key>x</Key><Value>y</Value></Item></CustomData>
				<AutoType>
					<Enabled>True</Enabled>
					<DataTransferObfuscation>0</DataTransferObfuscation>
					<Association>
						<Window>Mail - Firefox</Window>
						<KeystrokeSequence>{UserName}{TAB}{Password}{ENTER}</KeystrokeSequence>
					</Association>
					<Association><Window>Other</Window><KeystrokeSequence>{TAB}</KeystrokeSequence></Association>
				</AutoType>
				<History>
					<Entry>
						<Times><LastModificationTime>2010-08-25T16:13:54Z</LastModificationTime></Times>
						<String><Key>Password</Key><Value>first</Value></String>
						<String><Key>Title</Key><Value>Old title</Value></String>
						<String><Key>Custom</Key><Value>not a field</Value></String>
					</Entry>
					<Entry>
						<Times><LastModificationTime>2010-08-25T16:15:00Z</LastModificationTime></Times>
						<String><Key>Password</Key><Value>second</Value></String>
					</Entry>
					<Entry>
						<Times><LastModificationTime>2010-08-25T16:17:00Z</LastModificationTime></Times>
						<String><Key>Password</Key><Value>new-secret</Value></String>
					</Entry>
				</History>
			</Entry>
			<Group>
				<UUID>lLkmDj0Hn0CvaDxfJy3yLw==</UUID>
				<Name></Name>
				<Entry>
					<String><Key>Title</Key><Value>In unnamed</Value></String>
					<AutoType><Association><Window>Bank</Window><KeystrokeSequence /></Association></AutoType>
				</Entry>
				<Group>
					<Name>Deep</Name>
					<Entry><String><Key>Title</Key><Value>Deep entry</Value></String>
						<Times><CreationTime>MqVYyg4AAAA=</CreationTime></Times></Entry>
				</Group>
			</Group>
			<Group>
				<Name>Sibling</Name>
				<Entry>
					<String><Key>Title</Key><Value>Sibling entry</Value></String>
					<AutoType><Enabled>False</Enabled><Association><Window>Off</Window></Association></AutoType>
				</Entry>
			</Group>
			<Entry><String><Key>Title</Key><Value>After groups</Value></String></Entry>
		</Group>
		<DeletedObjects>
			<DeletedObject><UUID>5K/bzWCSmkCv5OZxYl4N/w==</UUID><DeletionTime>2010-08-25T16:14:12Z</DeletionTime></DeletedObject>
		</DeletedObjects>
	</Root>
</KeePassFile>
)";

TEST_F(KeePassImportTest, Version2FieldsCustomStringsAndAutoType) {
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(kKeePass2));
    EXPECT_EQ(importer.GetImportedEntryCount(), 5u);
    ASSERT_EQ(m_data.FolderCount(), 3u);

    const auto mail = EntryNamed(m_data, "Mail");
    EXPECT_EQ(FolderOfEntry(m_data, mail), "Database");
    EXPECT_EQ(N(mail->GetUserName()), "alice");
    EXPECT_EQ(PasswordOf(*mail), "new-secret");
    EXPECT_EQ(N(mail->GetUrl()), "https://mail.example.org");
    EXPECT_EQ(N(mail->GetComment()), "line one\nline two");
    // Only the entry's own strings are fields; custom data and history values are not.
    EXPECT_EQ(mail->GetUserDefinedFields().Count(), 1u);
    EXPECT_EQ(UdfValue(*mail, "PIN"), "1234");
    EXPECT_EQ(N(mail->GetTargetWindow()), "Mail - Firefox");
    EXPECT_EQ(N(mail->GetSequence()), "{USERNAME}{TAB}{PASSWORD}{ENTER}");
    EXPECT_EQ(mail->GetCreationTime(), 1282752834);
    EXPECT_EQ(mail->GetModificationTime(), 1282753165);
    EXPECT_EQ(mail->GetValidityMode(), 1u);
    EXPECT_EQ(mail->GetExpiry(), 1893456000);
}

TEST_F(KeePassImportTest, Version2HistoryBecomesThePasswordHistory) {
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(kKeePass2));
    const auto mail = EntryNamed(m_data, "Mail");
    // The snapshots are no entries of their own.
    EXPECT_EQ(m_data.EntryCount(), 5u);
    const auto& history = mail->GetPasswordHistory();
    ASSERT_EQ(history.Count(), 2u);
    EXPECT_TRUE(history.At(0).password.Equals(u"first"));
    EXPECT_EQ(history.At(0).time, 1282752834);
    EXPECT_TRUE(history.At(1).password.Equals(u"second"));
    EXPECT_EQ(history.At(1).time, 1282752900);
    // The current password came with the snapshot of 16:17.
    EXPECT_EQ(mail->GetPasswordChangeTime(), 1282753020);
    EXPECT_TRUE(importer.GetWarnings().empty());
}

TEST_F(KeePassImportTest, Version2GroupsNestAlsoWithoutAName) {
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(kKeePass2));
    const auto unnamed = EntryNamed(m_data, "In unnamed");
    EXPECT_EQ(FolderOfEntry(m_data, unnamed), "Database");
    // No sequence of its own: the group's default applies to the window.
    EXPECT_EQ(N(unnamed->GetTargetWindow()), "Bank");
    EXPECT_EQ(N(unnamed->GetSequence()), "{PASSWORD}{ENTER}");
    const auto deep = EntryNamed(m_data, "Deep entry");
    EXPECT_EQ(FolderOfEntry(m_data, deep), "Database/Deep");
    EXPECT_EQ(deep->GetCreationTime(), 63524349234 - 62135596800);
    const auto sibling = EntryNamed(m_data, "Sibling entry");
    EXPECT_EQ(FolderOfEntry(m_data, sibling), "Database/Sibling");
    EXPECT_TRUE(sibling->GetTargetWindow().IsEmpty()); // auto-type switched off
    EXPECT_TRUE(sibling->GetSequence().IsEmpty());
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "After groups")), "Database");
    EXPECT_EQ(sibling->GetPasswordChangeTime(), kNow);
}

TEST_F(KeePassImportTest, Version2EncryptedValuesAreRefused) {
    XmlImportKeepassV2 importer(m_data);
    const std::string file = R"(<KeePassFile><Root><Group><Name>G</Name><Entry>
        <String><Key>Title</Key><Value Protected="False">plain</Value></String>
        <String><Key>URL</Key><Value Protected="True" /></String>
        <String><Key>Password</Key><Value Protected="True">Y2lwaGVy</Value></String>
        </Entry></Group></Root></KeePassFile>)";
    EXPECT_EQ(ImportMessage(importer, m_files.Write(file)), N(kProtectedValueMessage));
    for (const auto& placed : AllEntries(m_data)) {
        EXPECT_TRUE(placed.item->GetPassword().IsEmpty());
    }

    // The wizard may run the same importer again on a fresh collection: nothing of the failed
    // run is left over.
    m_data.Clear();
    importer.Import(m_files.Write(kKeePass2));
    EXPECT_EQ(m_data.EntryCount(), 5u);
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Mail")), "Database");
}

TEST_F(KeePassImportTest, Version2EntryOutsideAnyGroupGoesToTheImportFolder) {
    XmlImportKeepassV2 importer(m_data);
    importer.Import(m_files.Write(R"(<KeePassFile><Root><Group><Name/>
        <Entry><String><Key>Title</Key><Value>Top</Value></String></Entry></Group></Root></KeePassFile>)"));
    EXPECT_EQ(FolderOfEntry(m_data, EntryNamed(m_data, "Top")), "Import 14.11.2023");
}

} // namespace
