#include <gtest/gtest.h>
#include <sys/stat.h>

#include <mutex>
#include <thread>

#include "core/Path.h"
#include "support/LocalHttpServer.h"
#include "support/TemporaryXdgFolders.h"
#include "update/FileDownloader.h"
#include "update/UpdateJob.h"
#include "update/UpdateTestSupport.h"

namespace {

using namespace Tarnwick::UpdateProvider;
using namespace AutoUpdateResult;
using TestSupport::LocalHttpServer;
using UpdateTest::Info;

constexpr char16_t kCheckFailed[] = u"Es ist ein Fehler beim Prüfen auf Aktualisierungen aufgetreten.";
constexpr char16_t kInvalidInformation[] =
    u"Die Aktualisierungsinformationen sind ungültig. Der Vorgang wird abgebrochen. Versuchen Sie es später noch einmal.";
constexpr char16_t kUpToDate[] = u"Tarnwick ist auf dem neuesten Stand. Es ist keine Aktualisierung notwendig.";
constexpr char16_t kPackageUnverified[] =
    u"Die Installationsdatei konnte nicht verifiziert werden. Versuchen Sie es später noch einmal.";

// Answers like a user; the work runs on its own thread, as behind the real progress window.
class FakeUi final : public IUpdateUserInterface {
public:
    bool HasParentWindow() override { return parent; }
    void RunWithProgress(std::u16string_view instruction, std::u16string_view, std::atomic<bool>& cancel,
                         const std::function<void()>& work) override {
        progressWindows.emplace_back(instruction);
        m_cancel = &cancel;
        std::thread(work).join();
        m_cancel = nullptr;
    }
    void SetProgressTexts(std::u16string_view, std::u16string_view content) override {
        std::lock_guard lock(m_mutex);
        progressTexts.emplace_back(content);
        if (cancelWhenCounting && content.find(u"heruntergeladen.") != std::u16string_view::npos && m_cancel) {
            *m_cancel = true;
        }
    }
    void ShowMessage(UpdateMessageIcon icon, std::u16string_view text) override { messages.push_back({icon, std::u16string(text)}); }
    int Ask(const UpdateQuestion& question) override {
        questions.push_back(question);
        return answer;
    }
    void OpenUrl(const std::string& url) override { opened.push_back(url); }

    bool parent = true;
    int answer = 0;
    bool cancelWhenCounting = false;
    std::vector<std::u16string> progressWindows;
    std::vector<std::u16string> progressTexts;
    std::vector<std::pair<UpdateMessageIcon, std::u16string>> messages;
    std::vector<UpdateQuestion> questions;
    std::vector<std::string> opened;

private:
    std::mutex m_mutex;
    std::atomic<bool>* m_cancel = nullptr;
};

class UpdateJobTest : public UpdateTest::SignedSuite {
protected:

    void SetUp() override {
        FileDownloader::ResetAbortForTesting();
        UpdateTest::WriteText(m_work / "twexec", "#!/bin/sh\n");
        m_package = std::string(300 * 1024, 'P');
        m_package += "Ende";
    }

    // A newer version whose package the server holds.
    Info Newer(LocalHttpServer& server) {
        Info info;
        info.version = "1.18.0.0";
        info.fileSize = std::to_string(m_package.size());
        info.checksum = UpdateTest::Sha256Hex(m_package);
        info.autoUrl = server.Url("/tarnwick.deb");
        server.Serve("/tarnwick.deb", LocalHttpServer::Reply(200, m_package));
        return info;
    }

    UpdateEnvironment Environment(const std::string& endpoint) {
        UpdateEnvironment environment;
        environment.endpoint = endpoint;
        environment.publicKeyPem = s_maker->PublicKey();
        environment.currentVersion = u"1.17.0.0";
        environment.mainProgram = m_work / "bin" / "tarnwick";
        environment.executor = m_work / "twexec";
        environment.productPageUrl = "https://www.tarnwick.example/go/?LinkId=2";
        environment.releaseNotesUrl = "https://www.tarnwick.example/go/?LinkId=9";
        environment.canElevate = [this] { return elevate; };
        environment.startProcess = [this](const std::filesystem::path& program, const std::vector<std::string>& arguments) {
            started.push_back(program);
            startedArguments = arguments;
            return startSucceeds;
        };
        environment.createFolder = [this] {
            folder = Tarnwick::Core::Path::CreateTemporaryFolder();
            return folder;
        };
        return environment;
    }

    eAutoUpdateResult Run(UpdateJob::Mode mode, const std::string& endpoint, IUpdateUserInterface* ui) {
        UpdateParameter parameter;
        parameter.valueA = u"1.17.0.0";
        parameter.text = u"Standard";
        parameter.number = 32;
        parameter.valueB = u"de";
        UpdateJob job(mode, parameter, Environment(endpoint), ui);
        return job.Run();
    }

    TestSupport::TemporaryXdgFolders m_xdg;
    TestSupport::TempFolder m_work;
    std::string m_package;
    bool elevate = true;
    bool startSucceeds = true;
    std::filesystem::path folder;
    std::vector<std::filesystem::path> started;
    std::vector<std::string> startedArguments;
};

TEST_F(UpdateJobTest, UpToDateSilentlyAndWithItsMessage) {
    LocalHttpServer server;
    Info info;
    info.version = "1.17.0.0";
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    EXPECT_EQ(Run(UpdateJob::Mode::Silent, server.Url("/?Update="), nullptr), AUR_UP_TO_DATE);
    EXPECT_FALSE(std::filesystem::exists(folder));

    FakeUi ui;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_UP_TO_DATE);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].first, UpdateMessageIcon::Information);
    EXPECT_EQ(ui.messages[0].second, kUpToDate);
    EXPECT_EQ(ui.progressWindows, std::vector<std::u16string>{u"Prüfe auf Aktualisierungen"});
    EXPECT_FALSE(std::filesystem::exists(folder));
    // An older update version is not newer either.
    info.version = "1.16.9.0";
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    EXPECT_EQ(Run(UpdateJob::Mode::Silent, server.Url("/?Update="), nullptr), AUR_UP_TO_DATE);
}

TEST_F(UpdateJobTest, TheRequestCarriesTheServiceHeadersAndTheEncryptedParameter) {
    LocalHttpServer server;
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(Newer(server))));
    EXPECT_EQ(Run(UpdateJob::Mode::Silent, server.Url("/?Update="), nullptr), AUR_NEWER_VERSION);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target.rfind("/?Update=", 0), 0u);
    EXPECT_GT(requests[0].target.size(), 40u);
    EXPECT_EQ(requests[0].headers.at("user-agent"), "Tarnwick-Update-Provider/1.01 (+Standard)");
    EXPECT_EQ(requests[0].headers.at("x-kel-update-application"), "Tarnwick");
    EXPECT_EQ(requests[0].headers.at("x-kel-update-action"), "startup");
    EXPECT_EQ(requests[0].headers.at("x-kel-update-version"), "1.17.0.0");
    EXPECT_EQ(requests[0].headers.at("cache-control"), "no-cache");
    // The silent check never installs, even where it could.
    EXPECT_TRUE(started.empty());
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(UpdateJobTest, ANewerVersionIsDownloadedVerifiedAndHandedToTheExecutor) {
    LocalHttpServer server;
    Info info = Newer(server);
    info.hint = "Bitte vorher sichern.";
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    FakeUi ui;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_EXECUTOR_STARTED);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.questions.size(), 1u);
    const UpdateQuestion& question = ui.questions[0];
    EXPECT_EQ(question.title, u"Tarnwick");
    EXPECT_EQ(question.mainInstruction, u"Es ist eine neue Version verfügbar");
    EXPECT_EQ(question.content,
              u"Möchten Sie die neue Version (1.18.0.0) jetzt installieren?\n\nWichtiger Hinweis:\nBitte vorher sichern.");
    EXPECT_TRUE(question.shield);
    EXPECT_EQ(question.footerLinkText, u"Versionshinweise anzeigen");
    EXPECT_EQ(question.footerLinkUrl, "https://www.tarnwick.example/go/?LinkId=9");
    ASSERT_EQ(question.commands.size(), 2u);
    EXPECT_EQ(question.commands[0],
              u"Ja, Update jetzt herunterladen.\nLädt das Update herunter und installiert es anschließend.");
    EXPECT_EQ(ui.progressWindows,
              (std::vector<std::u16string>{u"Prüfe auf Aktualisierungen", u"Lade Update herunter"}));
    EXPECT_NE(std::find(ui.progressTexts.begin(), ui.progressTexts.end(), u"300 KB von 300 KB heruntergeladen."),
              ui.progressTexts.end());

    // The download went with its own action header and no version.
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].headers.at("x-kel-update-action"), "check");
    EXPECT_EQ(requests[1].target, "/tarnwick.deb");
    EXPECT_EQ(requests[1].headers.at("x-kel-update-action"), "download");
    EXPECT_EQ(requests[1].headers.count("x-kel-update-version"), 0u);

    // The private folder stays for the executor, which runs from a copy inside it.
    struct stat status {};
    ASSERT_EQ(stat(folder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(folder.parent_path(), Tarnwick::Core::Path::GetTemporaryPath().parent_path());
    EXPECT_EQ(UpdateTest::ReadText(folder / "twupdate32.deb"), m_package);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], folder / "twexec");
    EXPECT_EQ(UpdateTest::ReadText(folder / "twexec"), "#!/bin/sh\n");
    EXPECT_EQ(startedArguments, (std::vector<std::string>{(m_work / "bin" / "tarnwick").string(), folder.string(),
                                                          (folder / "twupdate32.deb").string()}));
}

TEST_F(UpdateJobTest, DecliningOrNotBeingAbleToInstallEndsWithoutDownload) {
    LocalHttpServer server;
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(Newer(server))));
    FakeUi declined;
    declined.answer = 1;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &declined), AUR_CANCELLED);
    EXPECT_EQ(declined.questions[0].content, u"Möchten Sie die neue Version (1.18.0.0) jetzt installieren?");
    EXPECT_FALSE(std::filesystem::exists(folder));

    elevate = false;
    FakeUi web;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &web), AUR_NEWER_VERSION);
    ASSERT_EQ(web.questions.size(), 1u);
    EXPECT_EQ(web.questions[0].mainInstruction, u"Es ist eine neue Version verfügbar.");
    EXPECT_EQ(web.questions[0].content,
              u"Möchten Sie die Tarnwick Internetseite besuchen, um die neue Version herunterzuladen?");
    EXPECT_EQ(web.opened, std::vector<std::string>{"https://www.tarnwick.example/go/?LinkId=2"});
    EXPECT_EQ(server.Requests().size(), 2u); // two checks, no download
    EXPECT_TRUE(started.empty());
}

TEST_F(UpdateJobTest, InformationWithABadSignatureTheWrongKeyOrWrappedIsInvalid) {
    LocalHttpServer server;
    const Info info = Newer(server);
    std::string tampered = s_maker->SignInfo(info);
    tampered.replace(tampered.find("1.18.0.0"), 8, "1.19.0.0");
    const std::string original = s_maker->SignInfo(info);
    Info forged = info;
    forged.autoUrl = server.Url("/evil.deb");
    const std::string wrapped = "<UpdateInfo Application=\"Tarnwick\">" + UpdateTest::Body(forged) + "<W>" +
                                original.substr(original.find("<UpdateInfo")) + "</W></UpdateInfo>";
    for (const std::string& document : {tampered, s_stranger->SignInfo(info), wrapped, std::string("kein XML")}) {
        server.Serve("/", LocalHttpServer::Reply(200, document));
        EXPECT_EQ(Run(UpdateJob::Mode::Silent, server.Url("/?Update="), nullptr), AUR_INVALID_INFORMATION);
        FakeUi ui;
        EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_INVALID_INFORMATION);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].first, UpdateMessageIcon::Warning);
        EXPECT_EQ(ui.messages[0].second, kInvalidInformation);
        EXPECT_FALSE(std::filesystem::exists(folder));
    }
    EXPECT_TRUE(started.empty());
}

TEST_F(UpdateJobTest, ATamperedOrOverlongPackageIsRefused) {
    LocalHttpServer server;
    Info info = Newer(server);
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    std::string tampered = m_package;
    tampered[1000] = 'X';
    for (const std::string& body : {tampered, m_package + "mehr"}) {
        server.Serve("/tarnwick.deb", LocalHttpServer::Reply(200, body));
        FakeUi ui;
        EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_CHECKSUM_FAILED);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].first, UpdateMessageIcon::Warning);
        EXPECT_EQ(ui.messages[0].second, kPackageUnverified);
        EXPECT_FALSE(std::filesystem::exists(folder));
    }
    EXPECT_TRUE(started.empty());
}

TEST_F(UpdateJobTest, ACancelledDownloadLeavesNothing) {
    LocalHttpServer server;
    Info info = Newer(server);
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    LocalHttpServer::Response slow = LocalHttpServer::Reply(200, m_package);
    slow.chunk = 4096;
    slow.pause = std::chrono::milliseconds(5);
    server.Serve("/tarnwick.deb", slow);
    FakeUi ui;
    ui.cancelWhenCounting = true;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_CANCELLED);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_TRUE(started.empty());
}

TEST_F(UpdateJobTest, ServerDownMissingInformationOrABadVersionIsAnError) {
    int closedPort = 0;
    {
        LocalHttpServer gone;
        closedPort = gone.Port();
    }
    const std::string down = "http://127.0.0.1:" + std::to_string(closedPort) + "/?Update=";
    EXPECT_EQ(Run(UpdateJob::Mode::Silent, down, nullptr), AUR_ERROR);
    FakeUi ui;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, down, &ui), AUR_ERROR);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].first, UpdateMessageIcon::Error);
    EXPECT_EQ(ui.messages[0].second, kCheckFailed);
    EXPECT_FALSE(std::filesystem::exists(folder));

    LocalHttpServer server; // nothing served: 404
    EXPECT_EQ(Run(UpdateJob::Mode::Silent, server.Url("/?Update="), nullptr), AUR_ERROR);

    Info threeParts;
    threeParts.version = "1.18.0";
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(threeParts)));
    FakeUi bad;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &bad), AUR_ERROR);
    ASSERT_EQ(bad.messages.size(), 1u);
    EXPECT_EQ(bad.messages[0].second, kCheckFailed);
}

TEST_F(UpdateJobTest, WithoutAWindowNothingIsAsked) {
    LocalHttpServer server;
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(Newer(server))));
    FakeUi ui;
    ui.parent = false;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_CANCELLED);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].second, kCheckFailed);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(UpdateJobTest, AnExecutorThatCannotBeCopiedOrStartedIsAnError) {
    LocalHttpServer server;
    server.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(Newer(server))));
    std::filesystem::remove(m_work / "twexec");
    FakeUi ui;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &ui), AUR_ERROR);
    EXPECT_TRUE(started.empty());
    EXPECT_FALSE(std::filesystem::exists(folder));

    UpdateTest::WriteText(m_work / "twexec", "#!/bin/sh\n");
    startSucceeds = false;
    FakeUi again;
    EXPECT_EQ(Run(UpdateJob::Mode::Interactive, server.Url("/?Update="), &again), AUR_ERROR);
    EXPECT_FALSE(std::filesystem::exists(folder));
}

// https with a certificate made for the test and trusted through the environment's bundle.
class UpdateJobTlsTest : public UpdateJobTest {
protected:
    void SetUp() override {
        UpdateJobTest::SetUp();
        UpdateTest::Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                        "-addext subjectAltName=IP:127.0.0.1 -keyout '" + (m_work / "tls.key").string() +
                        "' -out '" + (m_work / "tls.pem").string() + "'");
    }
    eAutoUpdateResult RunTls(const std::string& endpoint) {
        UpdateParameter parameter;
        UpdateEnvironment environment = Environment(endpoint);
        environment.caBundle = (m_work / "tls.pem").string();
        return UpdateJob(UpdateJob::Mode::Silent, parameter, environment, nullptr).Run();
    }
};

TEST_F(UpdateJobTlsTest, RedirectsStayOnHttps) {
    LocalHttpServer secure((m_work / "tls.pem").string(), (m_work / "tls.key").string());
    LocalHttpServer plain;
    Info info;
    info.version = "1.17.0.0";
    plain.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    secure.Serve("/", LocalHttpServer::Reply(200, s_maker->SignInfo(info)));
    secure.Serve("/moved", LocalHttpServer::Redirect(secure.Url("/")));
    secure.Serve("/down", LocalHttpServer::Redirect(plain.Url("/")));
    secure.Serve("/file", LocalHttpServer::Redirect("file:///etc/hostname"));
    EXPECT_EQ(RunTls(secure.Url("/?Update=")), AUR_UP_TO_DATE);
    EXPECT_EQ(RunTls(secure.Url("/moved?Update=")), AUR_UP_TO_DATE);
    EXPECT_EQ(RunTls(secure.Url("/down?Update=")), AUR_ERROR);
    EXPECT_TRUE(plain.Requests().empty());
    EXPECT_EQ(RunTls(secure.Url("/file?Update=")), AUR_ERROR);
    // A certificate nobody vouches for is no connection at all.
    UpdateParameter parameter;
    EXPECT_EQ(UpdateJob(UpdateJob::Mode::Silent, parameter, Environment(secure.Url("/?Update=")), nullptr).Run(),
              AUR_ERROR);
}

TEST(ByteSizes, ReadLikeTheSystemShowsThem) {
    EXPECT_EQ(FormatByteSize(0), u"0 Bytes");
    EXPECT_EQ(FormatByteSize(1023), u"1023 Bytes");
    EXPECT_EQ(FormatByteSize(1024), u"1,00 KB");
    EXPECT_EQ(FormatByteSize(1536), u"1,50 KB");
    EXPECT_EQ(FormatByteSize(307200), u"300 KB");
    EXPECT_EQ(FormatByteSize(12'900'000), u"12,3 MB");
    EXPECT_EQ(FormatByteSize(1'023'999), u"999 KB");
    EXPECT_EQ(FormatByteSize(1'024'000), u"0,97 MB");
}

} // namespace
