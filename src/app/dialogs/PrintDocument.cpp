#include "app/dialogs/PrintDocument.h"

#include <unordered_map>

#include "base/text/Format.h"
#include "base/exceptions/Exception.h"
#include "platform/Files.h"

namespace Tarnwick::Printing {

using PasswordADT::PasswordItem;

namespace {

constexpr std::u16string_view kStaticStart =
    u"<html dir=\"ltr\"><head>"
    u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
    u"<title>Tarnwick - Passwortdatenbank</title>"
    u"<style type=\"text/css\">\n"
    u"body { margin: 1em 1em; font: normal 100% Tahoma, Arial, Sans-Serif; background: #fff; color: #000; }\n"
    u"table { border: 1px solid #999; padding: 0.2em 0.2em; margin-bottom: 2.5em; min-width: 80%; }\n"
    u".caption { text-align: left; padding: 0.5em 0.5em; border: 1px solid #999; border-bottom: none; "
    u"font-weight: bold; }\n"
    u"table tr td.fc { width: 10%; }\n"
    u"table tr td.separator { height: 1em; }\n"
    u".footer { font-size: smaller; color: #999; text-align: center; }\n"
    u"</style></head><body>";
constexpr std::u16string_view kStaticEnd = u"</body></html>";
constexpr std::u16string_view kSeparatorRow = u"<tr><td class=\"separator\"></td><td></td></tr>";

constexpr char16_t kHex[] = u"0123456789ABCDEF";

void AppendHex(HtmlBuffer& out, std::uint32_t value, int digits) {
    out += u"&#x";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kHex[(value >> shift) & 0xF]);
    }
    out.push_back(u';');
}

// One row: the fixed label as it is, the value escaped; an empty value gives an empty cell.
void AppendRow(HtmlBuffer& out, std::u16string_view label, std::u16string_view value) {
    out += u"<tr><td class=\"fc\">";
    out += label;
    out += u"</td><td>";
    AppendEscaped(out, value);
    out += u"</td></tr>";
}

void AppendEntry(HtmlBuffer& out, const PasswordItem& item, const PrintOptions& options) {
    AppendRow(out, u"Beschreibung:", item.GetDescription().View());
    AppendRow(out, u"Benutzername:", item.GetUserName().View());
    AppendRow(out, u"E-Mail:", item.GetEmail().View());
    if (options.passwords) {
        // Decrypted for this one row; the plain copy is wiped when it goes.
        const StringServiceProvider::PlainString password = item.GetPassword().Reveal();
        AppendRow(out, u"Passwort:", password.View());
    } else {
        AppendRow(out, u"Passwort:", kPasswordMask);
    }
    if (!options.allData) {
        return;
    }
    AppendRow(out, u"Kommentar:", item.GetComment().View());
    AppendRow(out, u"Url/Programm:", item.GetUrl().View());
    for (const auto& [name, value] : item.GetUserDefinedFields()) {
        out += u"<tr><td class=\"fc\">";
        AppendEscaped(out, name.View());
        out += u":</td><td>";
        AppendEscaped(out, value.View());
        out += u"</td></tr>";
    }
    AppendRow(out, u"Erstellt am:", FormatPrintTime(item.GetCreationTime()));
    AppendRow(out, u"Letzte Änderung:", FormatPrintTime(item.GetModificationTime()));
    AppendRow(out, u"Letzte Passwortänderung:", FormatPrintTime(item.GetPasswordChangeTime()));
}

} // namespace

void AppendEscaped(HtmlBuffer& out, std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
        case u'"':
            out += u"&quot;";
            continue;
        case u'\'':
            out += u"&apos;";
            continue;
        case u'&':
            out += u"&amp;";
            continue;
        case u'<':
            out += u"&lt;";
            continue;
        case u'>':
            out += u"&gt;";
            continue;
        default:
            break;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            const std::uint32_t point =
                0x10000 + ((static_cast<std::uint32_t>(c) - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            AppendHex(out, point, 6);
            ++i;
            continue;
        }
        if (c < 32 || c > 126) {
            AppendHex(out, c, 4);
            continue;
        }
        out.push_back(c);
    }
}

std::u16string Escape(std::u16string_view text) {
    HtmlBuffer out;
    AppendEscaped(out, text);
    return std::u16string(out.data(), out.size());
}

std::u16string FolderPath(const PasswordADT::PasswordData& data, std::size_t position) {
    const auto& folders = data.Folders();
    if (position >= folders.size() || !folders[position]) {
        return {};
    }
    std::unordered_map<std::uint32_t, const PasswordADT::Category*> byId;
    for (const auto& folder : folders) {
        if (folder) {
            byId.emplace(folder->GetId(), folder.get());
        }
    }
    std::u16string path(folders[position]->GetName().View());
    const PasswordADT::Category* current = folders[position].get();
    // A loop of parents ends after as many steps as there are folders.
    for (std::size_t steps = 0; steps < folders.size() && !current->IsTopLevel(); ++steps) {
        const auto parent = byId.find(current->GetParentId());
        if (parent == byId.end()) {
            break;
        }
        current = parent->second;
        path = std::u16string(current->GetName().View()) + u'\\' + path;
    }
    return path;
}

std::u16string FormatPrintTime(std::int64_t seconds) {
    Platform::CalendarTime time;
    if (!Platform::ToCalendarTime(seconds, true, time).Ok()) {
        return {};
    }
    return Text::Format(u"%02d.%02d.%04d um %02d:%02d Uhr", time.day, time.month, time.year, time.hour, time.minute)
        .ToStdString();
}

HtmlBuffer BuildDocument(const PasswordADT::PasswordData& data, const std::vector<Views::EntryPosition>& checked,
                         const PrintOptions& options, std::int64_t now) {
    HtmlBuffer out;
    if (checked.empty()) {
        return out;
    }
    // The folders in the order they first appear, each with its entries in their order.
    std::vector<std::size_t> order;
    std::unordered_map<std::size_t, std::vector<std::size_t>> entries;
    for (const auto& [folder, entry] : checked) {
        auto& list = entries[folder];
        if (list.empty()) {
            order.push_back(folder);
        }
        list.push_back(entry);
    }
    out.reserve(kStaticStart.size() + checked.size() * (options.allData ? 900 : 400));
    out += kStaticStart;
    const auto& folders = data.Folders();
    for (const std::size_t position : order) {
        if (position >= folders.size() || !folders[position]) {
            throw Utilities::Exceptions::Exception(u"invalid folder", u"CPasswordPrintDialog::ExportFolderToHtml");
        }
        const auto& items = folders[position]->Entries();
        out += u"<table>";
        if (options.folderNames) {
            out += u"<caption class=\"caption\">Ordner: ";
            AppendEscaped(out, FolderPath(data, position));
            out += u"</caption>";
        }
        bool first = true;
        for (const std::size_t entry : entries[position]) {
            if (entry >= items.size() || !items[entry]) {
                throw Utilities::Exceptions::Exception(u"invalid entry", u"CPasswordPrintDialog::ExportFolderToHtml");
            }
            if (!first) {
                out += kSeparatorRow;
            }
            first = false;
            AppendEntry(out, *items[entry], options);
        }
        out += u"</table>";
    }
    out += u"<p class=\"footer\">Druckansicht erstellt von Tarnwick am ";
    out += FormatPrintTime(now);
    out += u".</p>";
    out += kStaticEnd;
    return out;
}

} // namespace Tarnwick::Printing
