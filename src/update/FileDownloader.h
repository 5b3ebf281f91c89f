#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace Tarnwick::UpdateProvider {

// Fetches one http or https address into a new file, the way the update service expects to be
// asked. Failures throw WindowsException with the failing step (curl's code as the error); a
// cancelled download returns false.
class FileDownloader {
public:
    struct Request {
        std::string url;
        // "startup", "check" or "download": the "X-Kel-Update-Action" header.
        std::string action;
        // The "X-Kel-Update-Version" header; none when empty.
        std::string version;
        // Asks every cache on the way for a fresh copy.
        bool fresh = false;
        std::size_t bufferSize = 64 * 1024;
        // More bytes than this end the download with an error.
        std::uint64_t maxBytes = 1024 * 1024;
        // The certificate authorities to trust (PEM file); empty for the system's.
        std::string caBundle;
    };
    // The bytes of the last chunk and the running total, after each chunk was written.
    using Progress = std::function<void(std::uint64_t chunk, std::uint64_t total)>;

    static constexpr char kUserAgent[] = "Tarnwick-Update-Provider/1.01 (+Standard)";
    static constexpr long kMaxRedirects = 5;

    // cancel is read between chunks; abortAll too, so the program can stop every download when
    // it ends.
    explicit FileDownloader(const std::atomic<bool>& cancel) : m_cancel(cancel) {}

    // Throws Exception("invalid source or destination", "FileDownloader::DownloadFile") for an
    // empty address or path. Only http and https are fetched; a redirect never leaves https.
    bool DownloadFile(const Request& request, const std::filesystem::path& destination, const Progress& progress = {});

    // Stops every running download of the process (at its next chunk) and every later one.
    static void AbortAll() noexcept;
    static void ResetAbortForTesting() noexcept;

private:
    const std::atomic<bool>& m_cancel;
};

} // namespace Tarnwick::UpdateProvider
