#include "update/FileDownloader.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "base/exceptions/Exception.h"

namespace Tarnwick::UpdateProvider {

namespace {

using Utilities::Exceptions::Exception;
using Utilities::Exceptions::WindowsException;

std::atomic<bool> g_abortAll{false};

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlFree {
    void operator()(CURL* curl) const noexcept { curl_easy_cleanup(curl); }
};
struct ListFree {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

class Destination {
public:
    explicit Destination(const std::filesystem::path& path) {
        m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            throw WindowsException(u"", errno, u"CreateFile", u"FileDownloader::OpenDestinationFile");
        }
    }
    ~Destination() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    Destination(const Destination&) = delete;
    Destination& operator=(const Destination&) = delete;

    // errno of a failed write, or 0.
    int Write(const char* data, std::size_t length) noexcept {
        while (length > 0) {
            const ssize_t written = write(m_fd, data, length);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            data += written;
            length -= static_cast<std::size_t>(written);
        }
        return 0;
    }

    int Close() noexcept {
        const int result = close(m_fd) == 0 ? 0 : errno;
        m_fd = -1;
        return result;
    }

private:
    int m_fd = -1;
};

struct Transfer {
    Destination* file = nullptr;
    const FileDownloader::Progress* progress = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    std::uint64_t total = 0;
    std::uint64_t maxBytes = 0;
    int writeError = 0;
    bool cancelled = false;
    bool tooLarge = false;
};

bool ShouldStop(Transfer& transfer) {
    if (transfer.cancel->load() || g_abortAll.load()) {
        transfer.cancelled = true;
    }
    return transfer.cancelled;
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    if (ShouldStop(transfer)) {
        return 0;
    }
    if (transfer.total + length > transfer.maxBytes) {
        transfer.tooLarge = true;
        return 0;
    }
    transfer.writeError = transfer.file->Write(data, length);
    if (transfer.writeError != 0) {
        return 0;
    }
    transfer.total += length;
    if (*transfer.progress) {
        (*transfer.progress)(length, transfer.total);
    }
    return length;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return ShouldStop(*static_cast<Transfer*>(user)) ? 1 : 0;
}

void Check(CURLcode code, const char16_t* function, const char16_t* target) {
    if (code != CURLE_OK) {
        throw WindowsException(u"", static_cast<std::int64_t>(code), function, target);
    }
}

} // namespace

void FileDownloader::AbortAll() noexcept {
    g_abortAll = true;
}

void FileDownloader::ResetAbortForTesting() noexcept {
    g_abortAll = false;
}

bool FileDownloader::DownloadFile(const Request& request, const std::filesystem::path& destination,
                                  const Progress& progress) {
    if (request.url.empty() || destination.empty()) {
        throw Exception(u"invalid source or destination", u"FileDownloader::DownloadFile");
    }
    InitialiseCurl();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) {
        throw WindowsException(u"", CURLE_FAILED_INIT, u"InternetOpen", u"FileDownloader::InternetOpen");
    }
    CURL* handle = curl.get();
    constexpr const char16_t* kOpen = u"InternetOpenUrl";
    constexpr const char16_t* kOpenTarget = u"FileDownloader::InternetOpenUrl";

    std::unique_ptr<curl_slist, ListFree> headers;
    auto addHeader = [&headers](const std::string& line) {
        curl_slist* extended = curl_slist_append(headers.get(), line.c_str());
        if (extended == nullptr) {
            throw WindowsException(u"", CURLE_OUT_OF_MEMORY, u"InternetOpenUrl", u"FileDownloader::InternetOpenUrl");
        }
        (void)headers.release();
        headers.reset(extended);
    };
    addHeader("X-Kel-Update-Application: Tarnwick");
    addHeader("X-Kel-Update-Action: " + request.action);
    if (!request.version.empty()) {
        addHeader("X-Kel-Update-Version: " + request.version);
    }
    if (request.fresh) {
        addHeader("Cache-Control: no-cache");
        addHeader("Pragma: no-cache");
    }

    const bool secure = request.url.rfind("https://", 0) == 0;
    Check(curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str()), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"), kOpen, kOpenTarget);
    // Once on https, a redirect may not fall back to plain http.
    Check(curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https"), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_USERAGENT, kUserAgent), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L), kOpen, kOpenTarget);
    // A stalled server ends the download instead of holding the window forever.
    Check(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, 60L), kOpen, kOpenTarget);
    if (!request.caBundle.empty()) {
        Check(curl_easy_setopt(handle, CURLOPT_CAINFO, request.caBundle.c_str()), kOpen, kOpenTarget);
    }
    Check(curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, static_cast<long>(request.bufferSize)), kOpen, kOpenTarget);

    Destination file(destination);
    Transfer transfer;
    transfer.file = &file;
    transfer.progress = &progress;
    transfer.cancel = &m_cancel;
    transfer.maxBytes = request.maxBytes;
    Check(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &OnData), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProgress), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer), kOpen, kOpenTarget);
    Check(curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L), kOpen, kOpenTarget);

    const CURLcode code = curl_easy_perform(handle);
    const int closeError = file.Close();
    if (transfer.cancelled) {
        return false;
    }
    if (transfer.writeError != 0) {
        throw WindowsException(u"", transfer.writeError, u"WriteFile", u"FileDownloader::WriteToDestinationFile");
    }
    if (transfer.tooLarge) {
        throw WindowsException(u"", EFBIG, u"InternetReadFile", u"FileDownloader::InternetReadFile");
    }
    if (code != CURLE_OK) {
        // Nothing arrived: the address could not be opened; otherwise reading broke off.
        if (transfer.total == 0) {
            throw WindowsException(u"", static_cast<std::int64_t>(code), kOpen, kOpenTarget);
        }
        throw WindowsException(u"", static_cast<std::int64_t>(code), u"InternetReadFile",
                               u"FileDownloader::InternetReadFile");
    }
    if (closeError != 0) {
        throw WindowsException(u"", closeError, u"WriteFile", u"FileDownloader::WriteToDestinationFile");
    }
    return true;
}

} // namespace Tarnwick::UpdateProvider
