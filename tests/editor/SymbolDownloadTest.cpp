#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include <QBuffer>
#include <QImage>

#include "editor/Symbols.h"
#include "base/exceptions/Exception.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using namespace Tarnwick;

// A tiny HTTP server on 127.0.0.1: answers each request with the body mapped to its path, or
// stays silent (to test the time-out) while silent is set.
class LocalServer {
public:
    LocalServer() {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        ::listen(m_socket, 8);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LocalServer() {
        m_stop = true;
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        m_thread.join();
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    std::map<std::string, std::string> bodies;
    std::atomic<bool> silent{false};
    std::atomic<int> requests{0};
    std::string lastUserAgent;

private:
    void Serve() {
        while (!m_stop) {
            const int client = ::accept(m_socket, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(got));
            }
            ++requests;
            if (silent) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                ::close(client);
                continue;
            }
            const auto agent = request.find("User-Agent: ");
            if (agent != std::string::npos) {
                lastUserAgent = request.substr(agent + 12, request.find("\r\n", agent) - agent - 12);
            }
            const std::string path = request.substr(4, request.find(' ', 4) - 4);
            const auto it = bodies.find(path);
            std::string response;
            if (it == bodies.end()) {
                response = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
            } else {
                response = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(it->second.size()) + "\r\n\r\n" +
                           it->second;
            }
            ::send(client, response.data(), response.size(), MSG_NOSIGNAL);
            ::close(client);
        }
    }

    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::string Png() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::u16string U(const std::string& text) { return QString::fromStdString(text).toStdU16String(); }

TEST(SymbolDownload, FindsTheIconLinkInEitherQuoteAndCase) {
    EXPECT_EQ(Editor::FindIconReference("<html><LINK REL='SHORTCUT ICON' HREF='/a.ico'></html>"), "/a.ico");
    EXPECT_EQ(Editor::FindIconReference("<link href=\"b.png\" rel=\"icon\" type=\"image/png\">"), "b.png");
    EXPECT_EQ(Editor::FindIconReference("<link rel=\"stylesheet\" href=\"s.css\"><link rel=icon href=c.ico>"), "c.ico");
    EXPECT_EQ(Editor::FindIconReference("<link rel=\"apple-touch-icon\" href=\"x.png\">"), "");
    EXPECT_EQ(Editor::FindIconReference("<link rel=\"icon\" href=\"unterminated"), "");
}

TEST(SymbolDownload, StoresTheLinkedIconUnderAHashedName) {
    TestSupport::TemporaryXdgFolders xdg;
    LocalServer server;
    server.bodies["/"] = "<html><head><link rel=\"Shortcut Icon\" href=\"/bilder/logo.png\"></head></html>";
    server.bodies["/bilder/logo.png"] = Png();
    const auto file = Editor::DownloadSiteIcon(U(server.Url("/")));
    EXPECT_EQ(file.extension(), ".ico");
    EXPECT_EQ(file.parent_path(), Editor::DownloadedSymbolFolder());
    EXPECT_EQ(file.stem().string().size(), 32u);
    EXPECT_EQ(std::filesystem::file_size(file), server.bodies["/bilder/logo.png"].size());
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_NE(server.lastUserAgent.find("FID Agent/1.02"), std::string::npos);
    EXPECT_FALSE(Editor::LoadSymbol(U(file.string())).isNull());
}

TEST(SymbolDownload, FallsBackToTheRootFavicon) {
    TestSupport::TemporaryXdgFolders xdg;
    LocalServer server;
    server.bodies["/konto/login"] = "<html>kein Symbol</html>";
    server.bodies["/favicon.ico"] = Png();
    EXPECT_NO_THROW(Editor::DownloadSiteIcon(U(server.Url("/konto/login"))));
}

TEST(SymbolDownload, RefusesOtherSchemesOversizeNonPicturesAndSlowServers) {
    TestSupport::TemporaryXdgFolders xdg;
    LocalServer server;
    server.bodies["/"] = "<link rel=icon href=/gross.png>";
    server.bodies["/gross.png"] = std::string(300 * 1024, 'A');
    server.bodies["/text/"] = "<link rel=icon href=/kein.png>";
    server.bodies["/kein.png"] = "kein Bild";
    EXPECT_THROW(Editor::DownloadSiteIcon(u"ftp://127.0.0.1/"), Utilities::Exceptions::Exception);
    EXPECT_THROW(Editor::DownloadSiteIcon(u"file:///etc/passwd"), Utilities::Exceptions::Exception);
    EXPECT_THROW(Editor::HttpGet("file:///etc/passwd", 1000, 1000), Utilities::Exceptions::Exception);
    EXPECT_EQ(server.requests, 0);
    EXPECT_THROW(Editor::DownloadSiteIcon(U(server.Url("/"))), Utilities::Exceptions::Exception);
    EXPECT_THROW(Editor::DownloadSiteIcon(U(server.Url("/text/"))), Utilities::Exceptions::Exception);
    server.silent = true;
    const auto start = std::chrono::steady_clock::now();
    Editor::DownloadLimits limits;
    limits.timeoutMilliseconds = 300;
    EXPECT_THROW(Editor::DownloadSiteIcon(U(server.Url("/")), limits), Utilities::Exceptions::Exception);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(std::filesystem::is_empty(Editor::DownloadedSymbolFolder()));
}

TEST(SymbolLibrary, ReadsReferencesOfStoredEntries) {
    EXPECT_EQ(Editor::ParseLibraryReference(u"C:\\Programme\\Tarnwick\\twres32.dll,5"), 5);
    EXPECT_EQ(Editor::ParseLibraryReference(Editor::LibraryReference(2)), 2);
    EXPECT_FALSE(Editor::ParseLibraryReference(u"/home/a/bild.ico").has_value());
    EXPECT_FALSE(Editor::ParseLibraryReference(u"twres32.dll,-1").has_value());
    EXPECT_FALSE(Editor::LoadSymbol(u"twres32.dll,0").isNull());
    EXPECT_TRUE(Editor::LoadSymbol(u"twres32.dll,999").isNull());
}

} // namespace
