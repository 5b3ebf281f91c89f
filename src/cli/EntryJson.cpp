#include "cli/EntryJson.h"

#include <string>

#include "model/Clock.h"

namespace Tarnwick::Cli {

using PasswordADT::ExpiryState;
using PasswordADT::PasswordItem;
using PasswordADT::ValidityMode;

const char* const kEntryJsonHelp =
    "Schlüssel von --json (englisch, wie Skripte sie erwarten):\n"
    "  type (\"entry\"), path, folder, description, username, password (nur mit --show-protected), url, email,\n"
    "  comment, targetWindow, sequence, symbol, pasteMethod (0 automatisch, 1, 2),\n"
    "  created, modified, passwordChanged (Sekunden seit 1970, UTC) und createdIso, modifiedIso,\n"
    "  passwordChangedIso (ISO 8601),\n"
    "  validity: mode (\"unlimited\", \"date\", \"days\"), days, expires, expiresIso (null ohne Ablauf),\n"
    "            state (\"none\", \"valid\", \"expiresSoon\", \"expired\"),\n"
    "  history: keep, forbidRepetition, distinctPasswords, size, count,\n"
    "           entries (replaced, replacedIso, password nur mit --show-protected),\n"
    "  fields: die benutzerdefinierten Felder als Name: Wert.";

namespace {

void Key(Json::Buffer& out, const char* key) {
    out.push_back(',');
    out.push_back('"');
    out += key;
    out += "\":";
}

void Number(Json::Buffer& out, const char* key, std::int64_t value) {
    Key(out, key);
    out += std::to_string(value);
}

void Flag(Json::Buffer& out, const char* key, bool value) {
    Key(out, key);
    out += value ? "true" : "false";
}

void Time(Json::Buffer& out, const char* key, std::int64_t seconds) {
    Number(out, key, seconds);
    Key(out, (std::string(key) + "Iso").c_str());
    Json::AppendQuoted(out, Json::IsoTime(seconds));
}

void Text(Json::Buffer& out, const char* key, std::u16string_view value) {
    Key(out, key);
    Json::AppendQuoted(out, value);
}

const char* StateName(ExpiryState state) {
    switch (state) {
    case ExpiryState::Valid:
        return "valid";
    case ExpiryState::ExpiresSoon:
        return "expiresSoon";
    case ExpiryState::Expired:
        return "expired";
    default:
        return "none";
    }
}

void AppendValidity(Json::Buffer& out, const PasswordItem& item) {
    Key(out, "validity");
    const auto mode = static_cast<ValidityMode>(item.GetValidityMode());
    std::int64_t expires = -1;
    out += "{\"mode\":";
    if (mode == ValidityMode::UntilDate) {
        out += "\"date\"";
        expires = item.GetExpiry();
    } else if (mode == ValidityMode::Days) {
        out += "\"days\"";
        const auto days = static_cast<std::uint32_t>(item.GetExpiry());
        Number(out, "days", days);
        expires = item.GetPasswordChangeTime() + static_cast<std::int64_t>(days) * 86400;
    } else {
        out += "\"unlimited\"";
    }
    if (expires >= 0) {
        Time(out, "expires", expires);
    } else {
        out += ",\"expires\":null,\"expiresIso\":null";
    }
    Key(out, "state");
    Json::AppendQuoted(out, std::string_view(StateName(item.GetExpiryState(PasswordADT::CurrentTime()))));
    out.push_back('}');
}

void AppendHistory(Json::Buffer& out, const PasswordItem& item, bool reveal) {
    const auto& history = item.GetPasswordHistory();
    Key(out, "history");
    out += "{\"keep\":";
    out += item.GetKeepHistory() ? "true" : "false";
    Flag(out, "forbidRepetition", item.GetForbidRepetition());
    Number(out, "distinctPasswords", item.GetDistinctPasswordCount());
    Number(out, "size", item.GetHistorySize());
    Number(out, "count", static_cast<std::int64_t>(history.Count()));
    Key(out, "entries");
    out.push_back('[');
    for (std::size_t i = 0; i < history.Count(); ++i) {
        const auto& entry = history.At(i);
        out += i == 0 ? "{" : ",{";
        out += "\"replaced\":" + std::to_string(entry.time);
        Key(out, "replacedIso");
        Json::AppendQuoted(out, Json::IsoTime(entry.time));
        if (reveal) {
            const auto plain = entry.password.Reveal();
            Text(out, "password", plain.View());
        }
        out.push_back('}');
    }
    out += "]}";
}

} // namespace

void AppendEntryJson(Json::Buffer& out, const PasswordItem& item, std::u16string_view path,
                     std::u16string_view folderPath, bool reveal) {
    out += "{\"type\":\"entry\"";
    Text(out, "path", path);
    Text(out, "folder", folderPath);
    Text(out, "description", item.GetDescription().View());
    Text(out, "username", item.GetUserName().View());
    if (reveal) {
        const auto plain = item.GetPassword().Reveal();
        Text(out, "password", plain.View());
    }
    Text(out, "url", item.GetUrl().View());
    Text(out, "email", item.GetEmail().View());
    Text(out, "comment", item.GetComment().View());
    Text(out, "targetWindow", item.GetTargetWindow().View());
    Text(out, "sequence", item.GetSequence().View());
    Text(out, "symbol", item.GetSymbol().View());
    Number(out, "pasteMethod", item.GetPasteMethod());
    Time(out, "created", item.GetCreationTime());
    Time(out, "modified", item.GetModificationTime());
    Time(out, "passwordChanged", item.GetPasswordChangeTime());
    AppendValidity(out, item);
    AppendHistory(out, item, reveal);
    Key(out, "fields");
    out.push_back('{');
    bool first = true;
    for (const auto& [name, value] : item.GetUserDefinedFields()) {
        if (!first) {
            out.push_back(',');
        }
        Json::AppendQuoted(out, name.View());
        out.push_back(':');
        Json::AppendQuoted(out, value.View());
        first = false;
    }
    out += "}}";
}

} // namespace Tarnwick::Cli
