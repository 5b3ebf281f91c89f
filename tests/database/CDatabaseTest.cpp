#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "database/CDatabase.h"
#include "base/exceptions/DBException.h"
#include "database/EmberkiteEngine.h"
#include "database/FileFormat.h"
#include "support/ClockOverride.h"
#include "support/DatabaseFixture.h"

using namespace Tarnwick;
using namespace TestSupport;
using EmberkiteDatabase::DBError;
using EmberkiteDatabase::DBException;
using EmberkiteDatabase::EmberkiteEngine;
using EmberkiteDatabase::Format::Get;
using PasswordADT::PasswordData;

namespace {

// The DBException code an engine request ends with, or 0.
template <typename Action>
int CodeOf(Action&& action) {
    try {
        action();
    } catch (const DBException& e) {
        return e.GetErrorCode();
    }
    return 0;
}

} // namespace

class DatabaseRequests : public DatabaseFixture, public ::testing::WithParamInterface<std::int32_t> {};

INSTANTIATE_TEST_SUITE_P(Ciphers, DatabaseRequests, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 0 ? "Blowfish" : "AES"; });

TEST_P(DatabaseRequests, NewDatabaseStartsWithItsFolder) {
    CDatabase database(ui, Path());
    ASSERT_TRUE(database.Create(alice, GetParam(), u"Allgemein"));
    EXPECT_EQ(database.Login(alice), RequestResult::Succeeded);
    PasswordData data;
    ASSERT_TRUE(database.Load(alice, data));
    ASSERT_EQ(data.FolderCount(), 1u);
    EXPECT_EQ(data.Folders()[0]->GetName().View(), u"Allgemein");
    EXPECT_EQ(data.Folders()[0]->GetId(), 0u);
    EXPECT_TRUE(data.Folders()[0]->IsTopLevel());
    EXPECT_EQ(data.EntryCount(), 0u);
    EXPECT_TRUE(ui.errors.empty());
    // Without entries the file ends after the one folder block.
    EXPECT_EQ(std::filesystem::file_size(Path()), 148u + 160u);
}

TEST_P(DatabaseRequests, EverythingRoundTrips) {
    const PasswordData vault = MakeVault(5, 40);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    ui.progressSteps = 0;
    bool ok = false;
    const PasswordData loaded = LoadDatabase(Path(), alice, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
    EXPECT_EQ(ui.progressUnits, 45);
    EXPECT_EQ(ui.progressSteps, 45);
}

TEST_P(DatabaseRequests, WrongUserNameAndWrongPasswordFailAlike) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(1, 3), alice));
    const auto before = ReadBytes(Path());
    CDatabase database(ui, Path());
    EXPECT_EQ(database.Login(Login(u"alice", u"Sesam öffne dich!")), RequestResult::AuthenticationFailed);
    EXPECT_EQ(database.Login(Login(u"Alice", u"Sesam öffne dich")), RequestResult::AuthenticationFailed);
    EXPECT_EQ(database.Login(Login(u"", u"")), RequestResult::AuthenticationFailed);
    EXPECT_EQ(ReadBytes(Path()), before);
    EXPECT_TRUE(ui.errors.empty()); // the log-in dialog reports it
}

TEST_P(DatabaseRequests, LoginTimesMoveOn) {
    ClockOverride clock(1700000000);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(1, 0), alice));
    CDatabase database(ui, Path());
    EmberkiteDatabase::DatabaseProperties properties;
    clock.Set(1700000100);
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    clock.Set(1700000200);
    ASSERT_EQ(database.Properties(alice, properties), RequestResult::Succeeded);
    // The opening login has already moved the old last login into previous login.
    EXPECT_EQ(properties.previousLogin, 1700000100);
    EXPECT_EQ(properties.created, 1700000000);
    EXPECT_EQ(properties.passwordChanged, 1700000000);
    EXPECT_EQ(properties.majorVersion, 1);
    EXPECT_EQ(properties.minorVersion, 17);
    EXPECT_EQ(properties.folderCount, 1);
    EXPECT_EQ(properties.passwordCount, 0);
    EXPECT_EQ(properties.algorithm, GetParam());
    EXPECT_EQ(properties.algorithmName.View(), GetParam() == 0 ? u"Blowfish (448-Bit)" : u"AES (Rijndael 256-Bit)");
    EXPECT_EQ(static_cast<std::uint64_t>(properties.fileSize), std::filesystem::file_size(Path()));
}

TEST_P(DatabaseRequests, NeverOpenedFileHasNoLoginTimes) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(1, 0), alice));
    EmberkiteEngine engine;
    engine.Connect(Path(), false);
    EmberkiteDatabase::Credentials c{alice.userName.View(), u"Sesam öffne dich!"};
    engine.SetCredentials(c);
    engine.SetModifiedStamp(false);
    // Read the header without the login bookkeeping: load the folders only.
    PasswordData data;
    engine.LoadCategories(data);
    engine.Abandon();
    CDatabase database(ui, Path());
    EmberkiteDatabase::DatabaseProperties properties;
    ASSERT_EQ(database.Properties(alice, properties), RequestResult::Succeeded);
    EXPECT_EQ(properties.previousLogin, -1);
}

TEST_P(DatabaseRequests, AddedEntryGoesBehindTheFolders) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(3, 0), alice));
    const auto before = std::filesystem::file_size(Path());
    EXPECT_EQ(before, 148u + 3 * 160u);
    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    ASSERT_TRUE(database.AddEntry(alice, *MakeEntry(7), 2));
    const auto bytes = ReadBytes(Path());
    EXPECT_EQ(Get<std::int32_t>(bytes.data() + 20), 1);
    EXPECT_EQ(bytes[148 + 3 * 160], 0x17);
    PasswordData data;
    ASSERT_TRUE(database.Load(alice, data));
    ASSERT_EQ(data.Folders()[2]->Entries().size(), 1u);
    EXPECT_EQ(data.Folders()[2]->Entries()[0]->GetDescription().View(), u"Eintrag 7");
    ASSERT_TRUE(database.AddEntry(alice, *MakeEntry(8), 0));
    ASSERT_TRUE(database.Load(alice, data));
    EXPECT_EQ(data.EntryCount(), 2u);
}

TEST_P(DatabaseRequests, SavingFoldersMovesTheRecordsWhenTheirNumberChanges) {
    PasswordData vault = MakeVault(2, 6);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    vault.AddFolder(u"Dritter");
    vault.AddSubfolder(vault.Folders()[2]->GetId(), u"Vierter");
    CDatabase database(ui, Path());
    ASSERT_TRUE(database.SaveCategories(alice, vault));
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
    vault.DeleteFolder(2);
    ASSERT_TRUE(database.SaveCategories(alice, vault));
    ASSERT_TRUE(database.Load(alice, loaded));
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
}

TEST_P(DatabaseRequests, SavingFewerEntriesShrinksTheFile) {
    PasswordData vault = MakeVault(2, 6);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    const auto size = std::filesystem::file_size(Path());
    vault.Folders()[1]->Entries().pop_back();
    CDatabase database(ui, Path());
    // The rewrite ends with its last record: no old record stays behind it.
    ASSERT_TRUE(database.SaveAll(alice, vault));
    EXPECT_LT(std::filesystem::file_size(Path()), size);
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    EXPECT_EQ(loaded.EntryCount(), 5u);
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
    ASSERT_EQ(database.Reorganise(alice, loaded), RequestResult::Succeeded);
    PasswordData again;
    ASSERT_TRUE(database.Load(alice, again));
    EXPECT_EQ(Snapshot(again), Snapshot(vault));
}

TEST_P(DatabaseRequests, ChangedPasswordOpensAloneAndEverythingIsFresh) {
    const PasswordData vault = MakeVault(3, 9);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    const auto before = ReadBytes(Path());
    const LoginCredentials bob = Login(u"Bob", u"neues Passwort");
    CDatabase database(ui, Path());
    EXPECT_EQ(database.ChangePassword(Login(u"Alice", u"falsch"), bob, vault), RequestResult::AuthenticationFailed);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], u"Das Passwort der Datenbank konnte nicht geändert werden, da die "
                            u"Benutzerauthentifizierung fehlgeschlagen ist.");
    ASSERT_EQ(database.ChangePassword(alice, bob, vault), RequestResult::Succeeded);
    const auto after = ReadBytes(Path());
    EXPECT_EQ(database.Login(alice), RequestResult::AuthenticationFailed);
    EXPECT_EQ(database.Login(bob), RequestResult::Succeeded);
    PasswordData loaded;
    ASSERT_TRUE(database.Load(bob, loaded));
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
    // Rounds kept; salt and every record's vector new.
    EXPECT_EQ(Get<std::int16_t>(after.data() + 26), Get<std::int16_t>(before.data() + 26));
    EXPECT_NE(std::vector<std::uint8_t>(before.begin() + 28, before.begin() + 60),
              std::vector<std::uint8_t>(after.begin() + 28, after.begin() + 60));
    std::size_t offset = 148 + 3 * 160;
    for (int i = 0; i < 9; ++i) {
        EXPECT_NE(std::vector<std::uint8_t>(before.begin() + offset + 1, before.begin() + offset + 17),
                  std::vector<std::uint8_t>(after.begin() + offset + 1, after.begin() + offset + 17));
        offset += 24 + Get<std::uint32_t>(after.data() + offset + 20);
    }
}

TEST_P(DatabaseRequests, ChangingTheCipher) {
    const PasswordData vault = MakeVault(2, 5);
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), vault, alice));
    const std::int32_t other = 1 - GetParam();
    CDatabase database(ui, Path());
    ASSERT_EQ(database.ChangeAlgorithm(alice, other, vault), RequestResult::Succeeded);
    const auto bytes = ReadBytes(Path());
    EXPECT_EQ(Get<std::int32_t>(bytes.data() + 16), other);
    EXPECT_EQ(Get<std::int16_t>(bytes.data() + 26), 1000);
    PasswordData loaded;
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    ASSERT_TRUE(database.Load(alice, loaded));
    EXPECT_EQ(Snapshot(loaded), Snapshot(vault));
    // Record bodies are whole blocks of the new cipher.
    const std::size_t block = other == 0 ? 8 : 16;
    EXPECT_EQ(Get<std::uint32_t>(bytes.data() + 148 + 2 * 160 + 20) % block, 0u);
}

TEST_P(DatabaseRequests, DeletingNeedsTheCredentials) {
    ASSERT_TRUE(CreateDatabase(Path(), GetParam(), MakeVault(1, 2), alice));
    CDatabase database(ui, Path());
    EXPECT_EQ(database.Delete(Login(u"Alice", u"falsch")), RequestResult::AuthenticationFailed);
    EXPECT_TRUE(std::filesystem::exists(Path()));
    EXPECT_EQ(ui.errors.back(), u"Fehler beim Löschen der Datenbank, da die Benutzerauthentifizierung fehlgeschlagen ist.");
    EXPECT_EQ(database.Delete(alice), RequestResult::Succeeded);
    EXPECT_FALSE(std::filesystem::exists(Path()));
    // Nothing else was left in the folder.
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(DatabaseFixture, ReplacingAnExistingFileIsAsked) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(1, 2), alice));
    const auto before = ReadBytes(Path());
    CDatabase database(ui, Path());
    ui.answers = {-1, 1, 0};
    EXPECT_FALSE(database.Create(alice, 1, u"Allgemein"));
    EXPECT_FALSE(database.Create(alice, 1, u"Allgemein"));
    EXPECT_EQ(ReadBytes(Path()), before);
    ASSERT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(ui.questions[0], u"Es existiert bereits eine Datenbank mit diesem Namen");
    EXPECT_EQ(ui.questionTexts[0], u"Die Datenbank \"" + std::u16string(Path().u16string()) +
                                       u"\" ist bereits vorhanden. Wie möchten Sie vorgehen?");
    EXPECT_EQ(ui.buttonCaptions[0], u"Datenbank ersetzen");
    EXPECT_EQ(ui.buttonCaptions[1], u"Datenbank nicht ersetzen");
    EXPECT_TRUE(database.Create(alice, 1, u"Neu"));
    PasswordData data;
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    ASSERT_TRUE(database.Load(alice, data));
    EXPECT_EQ(data.EntryCount(), 0u);
    EXPECT_EQ(data.Folders()[0]->GetName().View(), u"Neu");
}

TEST_F(DatabaseFixture, FilesThatAreNoDatabase) {
    CDatabase missing(ui, Path("fehlt.twdb"));
    EXPECT_EQ(missing.Login(alice), RequestResult::Failed);
    EXPECT_EQ(ui.errors.back(), u"Die Datenbank \"" + Path("fehlt.twdb").u16string() + u"\" ist nicht vorhanden.");

    WriteBytes(Path("text.twdb"), {'H', 'a', 'l', 'l', 'o', ' ', 'W', 'e', 'l', 't', '!', '!', '!'});
    CDatabase text(ui, Path("text.twdb"));
    EXPECT_EQ(text.Login(alice), RequestResult::Failed);
    EXPECT_EQ(ui.errors.back(), u"\"" + Path("text.twdb").u16string() + u"\" ist keine gültige Tarnwick Datenbank.");

    WriteBytes(Path("leer.twdb"), {});
    CDatabase empty(ui, Path("leer.twdb"));
    EXPECT_EQ(empty.Login(alice), RequestResult::Failed);
    EXPECT_EQ(ui.errors.back(), u"\"" + Path("leer.twdb").u16string() + u"\" ist keine gültige Tarnwick Datenbank.");
}

TEST_F(DatabaseFixture, FileHeldByAnotherProgram) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(1, 1), alice));
    const int fd = ::open(Path().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    CDatabase database(ui, Path());
    EXPECT_EQ(database.Login(alice), RequestResult::Failed);
    EXPECT_EQ(ui.errors.back(), u"Sie verfügen nicht über ausreichende Berechtigungen, um auf den Datenbankpfad \"" +
                                    Path().u16string() + u"\" zuzugreifen.");
    ::close(fd);
    EXPECT_EQ(database.Login(alice), RequestResult::Succeeded);
}

TEST_F(DatabaseFixture, NewerVersionsAreRefusedUntouched) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(1, 1), alice));
    for (const auto& [major, minor] : {std::pair<int, int>{1, 18}, {2, 0}, {2, 17}}) {
        auto bytes = ReadBytes(Path());
        EmberkiteDatabase::Format::Put<std::int16_t>(bytes.data() + 12, static_cast<std::int16_t>(major));
        EmberkiteDatabase::Format::Put<std::int16_t>(bytes.data() + 14, static_cast<std::int16_t>(minor));
        WriteBytes(Path(), bytes);
        CDatabase database(ui, Path());
        EXPECT_EQ(database.Login(alice), RequestResult::Failed);
        EXPECT_EQ(ui.errors.back(), u"Diese Datenbankversion wird von dieser Tarnwick Version nicht unterstützt.");
        EXPECT_EQ(ReadBytes(Path()), bytes);
    }
}

TEST_F(DatabaseFixture, OlderVersionUpgrade) {
    ClockOverride clock(1700000000);
    PasswordData vault = MakeVault(3, 0);
    // A 1.16 file numbers folders by position; here they start at 5.
    vault.AssignValidIDsToCategories(true);
    for (auto& folder : vault.Folders()) {
        folder->SetId(folder->GetId() + 5);
        if (!folder->IsTopLevel()) {
            folder->SetParentId(5);
        }
    }
    ASSERT_TRUE(CreateDatabase(Path(), 1, vault, alice));
    auto bytes = ReadBytes(Path());
    EmberkiteDatabase::Format::Put<std::int16_t>(bytes.data() + 14, 16);
    WriteBytes(Path(), bytes);

    // Declined: nothing changes and the log-in fails with its generic message.
    ui.answers = {1};
    {
        CDatabase database(ui, Path());
        EXPECT_EQ(database.Login(alice), RequestResult::Failed);
    }
    EXPECT_EQ(ui.questions.back(), u"Upgrade der Passwortdatenbank durchführen?");
    EXPECT_EQ(ui.errors.back(), u"Fehler bei der Datenbankanmeldung.");
    EXPECT_EQ(ReadBytes(Path()), bytes);

    // Accepted: folders renumbered by position, version 1.17, no backup left behind.
    ui.answers = {0};
    CDatabase database(ui, Path());
    ASSERT_EQ(database.Login(alice), RequestResult::Succeeded);
    EXPECT_TRUE(database.IsUpgraded());
    const auto upgraded = ReadBytes(Path());
    EXPECT_EQ(Get<std::int16_t>(upgraded.data() + 14), 17);
    PasswordData loaded;
    ASSERT_TRUE(database.Load(alice, loaded));
    ASSERT_EQ(loaded.FolderCount(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Folders()[i]->GetId(), i);
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST_F(DatabaseFixture, UnknownUpgradePath) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(1, 1), alice));
    auto bytes = ReadBytes(Path());
    EmberkiteDatabase::Format::Put<std::int16_t>(bytes.data() + 14, 15);
    WriteBytes(Path(), bytes);
    ui.answers = {0};
    CDatabase database(ui, Path());
    EXPECT_EQ(database.Login(alice), RequestResult::Failed);
    EXPECT_EQ(ui.errors.back(), u"Unbekannter Upgrade-Pfad für Passwortdatenbank.");
    EXPECT_TRUE(database.HasUpgradeError());
    EXPECT_EQ(Get<std::int16_t>(ReadBytes(Path()).data() + 14), 15);
    PasswordData data;
    EXPECT_FALSE(database.Load(alice, data));
    EXPECT_EQ(ui.errors.back(), u"Fehler beim Laden der Passwortinformationen aus der Datenbank.");
}

TEST_F(DatabaseFixture, EngineCodes) {
    ASSERT_TRUE(CreateDatabase(Path(), 1, MakeVault(1, 1), alice));
    const EmberkiteDatabase::Credentials c{u"Alice", u"Sesam öffne dich!"};
    // Creating into a database that is not empty without truncating it.
    EXPECT_EQ(CodeOf([&] {
                  EmberkiteEngine engine;
                  engine.Connect(Path(), false);
                  engine.Create(c, 1, u"x");
              }),
              DBError::NotEmpty);
    EXPECT_EQ(CodeOf([&] {
                  EmberkiteEngine engine;
                  engine.Connect(Path("fehlt.twdb"), false);
              }),
              DBError::OpenFailed);
    EXPECT_EQ(CodeOf([&] {
                  EmberkiteEngine engine;
                  engine.ReadFileHeader();
              }),
              DBError::NotOpen);
    EXPECT_EQ(CodeOf([&] {
                  EmberkiteEngine engine;
                  engine.Connect(Path(), false);
                  engine.Create(c, 1, u"x");
              }),
              DBError::NotEmpty);
    // A file without folders has no place for entries.
    ASSERT_TRUE(CreateDatabase(Path("ohne.twdb"), 1, PasswordData(), alice));
    EXPECT_EQ(CodeOf([&] {
                  EmberkiteEngine engine;
                  engine.Connect(Path("ohne.twdb"), false);
                  engine.SetCredentials(c);
                  engine.AddPasswordItem(*MakeEntry(1), 0);
              }),
              DBError::BadCategoryHeader);
}
