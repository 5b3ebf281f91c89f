#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <QIcon>

namespace Tarnwick::Editor {

// The icon library of an entry's symbol: stored references read "<folder>/twres32.dll,N"
// (older entries carry a Windows path); N picks an icon of the set shipped with the program.
inline constexpr std::u16string_view kLibraryName = u"twres32.dll";
int LibraryIconCount();
QIcon LibraryIcon(int index);
// The index of a library reference, nothing for any other symbol text.
std::optional<int> ParseLibraryReference(std::u16string_view symbol);
// "<program folder>/twres32.dll,N".
std::u16string LibraryReference(int index);
// The icon of a symbol text (library reference or icon file); a null icon when unreadable.
QIcon LoadSymbol(std::u16string_view symbol);

// Where downloaded site icons are kept (created 0700 on first use).
std::filesystem::path DownloadedSymbolFolder();

struct DownloadLimits {
    std::size_t maxPageBytes = 512 * 1024;
    std::size_t maxIconBytes = 256 * 1024;
    long timeoutMilliseconds = 10000;
};

// GET over http or https only (redirects too); more than maxBytes or the time-out fail.
// Throws Utilities::Exceptions::Exception (context "SymbolDownloader::Get").
std::string HttpGet(const std::string& url, std::size_t maxBytes, long timeoutMilliseconds);

// The href of the first <link rel="shortcut icon"> or rel="icon" (either quote, any case).
std::string FindIconReference(std::string_view html);

// Fetches the site's page, takes its icon link or else "/favicon.ico" at the site's root,
// downloads the icon, checks that it is a picture and stores it under a hashed name with the
// extension ".ico" in the downloaded-symbols folder. Returns the file. Throws on any failure
// (a scheme other than http or https, a refused size, a time-out, no picture).
std::filesystem::path DownloadSiteIcon(std::u16string_view siteUrl, const DownloadLimits& limits = {});

// The user agent of the downloads.
inline constexpr const char* kUserAgent = "Tarnwick FID Agent/1.02 (+https://www.tarnwick.de)";

} // namespace Tarnwick::Editor
