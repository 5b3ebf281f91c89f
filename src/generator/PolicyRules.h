#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "generator/PasswordPolicy.h"

// The checks and texts of the generator window's policy page, policy editor and quick
// generator page, without the windows.
namespace Tarnwick::PasswordGenerator::PolicyRules {

inline constexpr std::u16string_view kSaveErrorText =
    u"Es ist eine Fehler beim Speichern der Passwortrichtlinien aufgetreten.";
inline constexpr std::u16string_view kAddErrorText =
    u"Es ist eine Fehler beim Hinzufügen der Passwortrichtlinie aufgetreten.";
inline constexpr std::u16string_view kEditStandardText =
    u"Die Standardrichtlinie kann nicht bearbeitet werden.";
inline constexpr std::u16string_view kDeleteStandardText =
    u"Die Standardrichtlinie kann nicht gelöscht werden.";
inline constexpr std::u16string_view kDeleteQuestionFormat =
    u"Möchten Sie die Passwortrichtlinie \"%s\" jetzt löschen?";
inline constexpr std::u16string_view kNoneChosenText = u"<keine gewählt>";
inline constexpr std::u16string_view kNoneExistingText = u"<keine vorhanden>";
inline constexpr std::u16string_view kRangeFormat = u"Der Wert muss zwischen %d und %d liegen.";
inline constexpr std::u16string_view kNameRefusedText =
    u"Der Name für die Passwortrichtlinie ist nicht zulässig. Es sind nur alphanumerische Zeichen und '-' "
    u"zugelassen.";
inline constexpr std::u16string_view kNameExistsText =
    u"Es existiert bereits eine Passwortrichtlinie mit diesem Namen.";
inline constexpr std::u16string_view kLengthTooShortText =
    u"Die Passwortlänge ist zu kurz, um die verschiedenen Zeichen zu verwenden.";
inline constexpr std::u16string_view kQuickLengthText =
    u"Die Passwortlänge muss zwischen 3 und 1024 Zeichen liegen.";

struct Range {
    int low;
    int high;
};
// Spin ranges of the editor and the quick generator's length field.
inline constexpr Range kLengthRange{1, 1024};
inline constexpr Range kCountRange{0, 10};
inline constexpr Range kQuickLengthRange{3, 1024};
inline constexpr int kQuickDefaultLength = 16;

// "Der Wert muss zwischen %d und %d liegen." for a value outside the range.
std::optional<std::u16string> CheckRange(int value, Range range);

// The editor's OK: the message to show, or nothing when the policy may be stored. Numbers
// outside their ranges, a name that breaks the name rules (for a new policy, originalName
// empty, also "Default" and "Standard"), a name another policy has, a length below the sum
// of the chosen counts.
std::optional<std::u16string> CheckEditedPolicy(const PasswordPolicy& edited, const PolicyMap& policies,
                                                std::u16string_view originalName);

// The page's commands on the built-in policy.
std::optional<std::u16string> RefuseEdit(std::u16string_view name);
std::optional<std::u16string> RefuseDelete(std::u16string_view name);
std::u16string DeleteQuestion(std::u16string_view name);

// Stores an accepted edit (originalName empty: a new policy). A renamed policy leaves its old
// name, and the most recently used name follows it.
void StorePolicy(PasswordPolicies& policies, std::u16string_view originalName, const PasswordPolicy& edited);
// Deletes a policy; "Standard" and unknown names are left alone (false).
bool DeletePolicy(PasswordPolicies& policies, std::u16string_view name);

// The quick generator page.
struct QuickOptions {
    bool upper = false;
    bool lower = false;
    bool digits = false;
    bool punctuation = false;
    bool special = false;
    bool brackets = false;
    int length = kQuickDefaultLength;
};
// The unnamed policy of the page: count 1 for every ticked set, standard encoding, repetition
// allowed, system entropy on, mouse entropy off. A length outside 3 to 1024 gives the message.
std::optional<std::u16string> BuildQuickPolicy(const QuickOptions& options, PasswordPolicy& policy);

} // namespace Tarnwick::PasswordGenerator::PolicyRules
