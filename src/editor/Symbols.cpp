#include "editor/Symbols.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include <curl/curl.h>
#include <sys/stat.h>

#include <QApplication>
#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QStyle>
#include <QUrl>

#include "core/Path.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Editor {
namespace {

constexpr QStyle::StandardPixmap kLibrary[] = {
    QStyle::SP_FileIcon,          QStyle::SP_DirIcon,           QStyle::SP_ComputerIcon,
    QStyle::SP_DriveNetIcon,      QStyle::SP_DriveHDIcon,       QStyle::SP_DesktopIcon,
    QStyle::SP_TrashIcon,         QStyle::SP_MessageBoxInformation, QStyle::SP_MessageBoxWarning,
    QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxQuestion, QStyle::SP_DialogSaveButton,
    QStyle::SP_DialogOpenButton,  QStyle::SP_DirHomeIcon,       QStyle::SP_MediaPlay,
    QStyle::SP_BrowserReload,     QStyle::SP_DriveCDIcon,       QStyle::SP_DriveFDIcon,
    QStyle::SP_FileDialogDetailedView, QStyle::SP_DialogHelpButton, QStyle::SP_VistaShield,
};

[[noreturn]] void Fail(const char16_t* message) {
    throw Utilities::Exceptions::Exception(message, u"SymbolDownloader::Get");
}

struct Sink {
    std::string data;
    std::size_t max;
    bool tooLarge = false;
};

size_t Write(char* pointer, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    if (sink->data.size() + bytes > sink->max) {
        sink->tooLarge = true;
        return 0; // aborts the transfer
    }
    sink->data.append(pointer, bytes);
    return bytes;
}

struct CurlCloser {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

bool IsWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The value of attribute name inside one tag (either quote, or unquoted).
std::string Attribute(std::string_view tag, std::string_view lowerTag, std::string_view name) {
    std::size_t pos = 0;
    while ((pos = lowerTag.find(name, pos)) != std::string_view::npos) {
        const bool boundary = pos == 0 || std::isspace(static_cast<unsigned char>(lowerTag[pos - 1]));
        std::size_t i = pos + name.size();
        while (i < lowerTag.size() && std::isspace(static_cast<unsigned char>(lowerTag[i]))) {
            ++i;
        }
        if (!boundary || i >= lowerTag.size() || lowerTag[i] != '=') {
            pos += name.size();
            continue;
        }
        ++i;
        while (i < lowerTag.size() && std::isspace(static_cast<unsigned char>(lowerTag[i]))) {
            ++i;
        }
        if (i >= tag.size()) {
            return {};
        }
        if (tag[i] == '"' || tag[i] == '\'') {
            const std::size_t end = tag.find(tag[i], i + 1);
            return end == std::string_view::npos ? std::string{} : std::string(tag.substr(i + 1, end - i - 1));
        }
        std::size_t end = i;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '>') {
            ++end;
        }
        return std::string(tag.substr(i, end - i));
    }
    return {};
}

} // namespace

int LibraryIconCount() { return static_cast<int>(std::size(kLibrary)); }

QIcon LibraryIcon(int index) {
    if (index < 0 || index >= LibraryIconCount() || QApplication::style() == nullptr) {
        return {};
    }
    return QApplication::style()->standardIcon(kLibrary[index]);
}

std::optional<int> ParseLibraryReference(std::u16string_view symbol) {
    const QString text = QString::fromUtf16(symbol.data(), static_cast<qsizetype>(symbol.size()));
    const qsizetype comma = text.lastIndexOf(QLatin1Char(','));
    if (comma < 0) {
        return std::nullopt;
    }
    QString file = text.left(comma);
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (file.section(QLatin1Char('/'), -1).compare(QStringLiteral("twres32.dll"), Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    bool ok = false;
    const int index = text.mid(comma + 1).trimmed().toInt(&ok);
    if (!ok || index < 0) {
        return std::nullopt;
    }
    return index;
}

std::u16string LibraryReference(int index) {
    const QString folder = QCoreApplication::applicationDirPath();
    return (folder + QStringLiteral("/twres32.dll,") + QString::number(index)).toStdU16String();
}

QIcon LoadSymbol(std::u16string_view symbol) {
    if (symbol.empty()) {
        return {};
    }
    if (auto index = ParseLibraryReference(symbol)) {
        return LibraryIcon(*index);
    }
    const QString path = QString::fromUtf16(symbol.data(), static_cast<qsizetype>(symbol.size()));
    QImage image;
    if (!QFileInfo(path).isFile() || !image.load(path)) {
        return {};
    }
    return QIcon(QPixmap::fromImage(image));
}

std::filesystem::path DownloadedSymbolFolder() {
    std::filesystem::path folder = Core::Path::GetLocalAppPath() / "Symbole";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    ::chmod(folder.c_str(), 0700);
    return folder;
}

std::string HttpGet(const std::string& url, std::size_t maxBytes, long timeoutMilliseconds) {
    if (!IsWebAddress(QUrl(QString::fromStdString(url)))) {
        Fail(u"only http and https addresses are fetched");
    }
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) {
        Fail(u"curl_global_init");
    }
    std::unique_ptr<CURL, CurlCloser> curl(curl_easy_init());
    if (!curl) {
        Fail(u"curl_easy_init");
    }
    Sink sink{{}, maxBytes};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, timeoutMilliseconds);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeoutMilliseconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Write);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
    const CURLcode result = curl_easy_perform(c);
    if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        Fail(u"download too large");
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        Fail(u"download timed out");
    }
    if (result != CURLE_OK) {
        Fail(u"download failed");
    }
    return std::move(sink.data);
}

std::string FindIconReference(std::string_view html) {
    const std::string lower = Lower(html);
    std::size_t pos = 0;
    while ((pos = lower.find("<link", pos)) != std::string::npos) {
        const std::size_t end = lower.find('>', pos);
        if (end == std::string::npos) {
            break;
        }
        const std::string_view tag = html.substr(pos, end - pos);
        const std::string_view lowerTag = std::string_view(lower).substr(pos, end - pos);
        const std::string rel = Lower(Attribute(tag, lowerTag, "rel"));
        if (rel == "shortcut icon" || rel == "icon") {
            std::string href = Attribute(tag, lowerTag, "href");
            if (!href.empty()) {
                return href;
            }
        }
        pos = end;
    }
    return {};
}

std::filesystem::path DownloadSiteIcon(std::u16string_view siteUrl, const DownloadLimits& limits) {
    QUrl site(QString::fromUtf16(siteUrl.data(), static_cast<qsizetype>(siteUrl.size())).trimmed());
    if (!IsWebAddress(site)) {
        Fail(u"not a web address");
    }
    QUrl iconUrl;
    try {
        const std::string page = HttpGet(site.toString(QUrl::FullyEncoded).toStdString(), limits.maxPageBytes,
                                         limits.timeoutMilliseconds);
        const std::string href = FindIconReference(page);
        if (!href.empty()) {
            iconUrl = site.resolved(QUrl(QString::fromStdString(href)));
        }
    } catch (const Utilities::Exceptions::Exception&) {
        // The page may be unreachable while the root icon is not.
    }
    if (!IsWebAddress(iconUrl)) {
        iconUrl = site.resolved(QUrl(QStringLiteral("/favicon.ico")));
    }
    const std::string icon =
        HttpGet(iconUrl.toString(QUrl::FullyEncoded).toStdString(), limits.maxIconBytes, limits.timeoutMilliseconds);
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(icon.data()), static_cast<int>(icon.size()))) {
        Fail(u"the download is no picture");
    }
    const QByteArray name =
        QCryptographicHash::hash(site.host().toUtf8() + '/' + iconUrl.toString().toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    const std::filesystem::path file = DownloadedSymbolFolder() / (name.toStdString() + ".ico");
    QSaveFile out(QString::fromStdString(file.string()));
    if (!out.open(QIODevice::WriteOnly) || out.write(icon.data(), static_cast<qint64>(icon.size())) !=
                                               static_cast<qint64>(icon.size())) {
        Fail(u"the symbol cannot be stored");
    }
    out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!out.commit()) {
        Fail(u"the symbol cannot be stored");
    }
    return file;
}

} // namespace Tarnwick::Editor
