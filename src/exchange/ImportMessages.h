#pragma once

// Texts of the import framework for the user; the wizard shows them under its error message.

#include <string_view>

#include "crypto/String.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::Import {

inline constexpr std::u16string_view kImportErrorMessage = u"Es ist ein Fehler beim Importieren der Daten aufgetreten.";

inline constexpr std::u16string_view kCannotOpenMessage = u"Die Datei kann nicht geöffnet werden.";
inline constexpr std::u16string_view kCannotReadMessage = u"Die Datei kann nicht gelesen werden.";
// %s: the path. A FIFO, a device or a folder given as the file to import.
inline constexpr std::u16string_view kNotRegularFileMessage = u"Die Datei \"%s\" ist keine reguläre Datei.";
inline constexpr std::u16string_view kImportSourceContext = u"ImportSource::Open";
inline constexpr std::u16string_view kNotWellFormedMessage =
    u"Die Datei ist kein gültiges XML-Dokument, oder sie enthält Entitätsverweise, die nicht verarbeitet "
    u"werden dürfen.";
inline constexpr std::u16string_view kExternalReferenceMessage =
    u"Die Datei verweist auf eine externe Dokumenttypdefinition oder auf externe Entitäten. Aus "
    u"Sicherheitsgründen wird sie nicht importiert.";
inline constexpr std::u16string_view kDocumentTypeMessage =
    u"Die Datei enthält eine Dokumenttypdefinition (DTD), die dieses Format nicht vorsieht. Aus "
    u"Sicherheitsgründen wird sie nicht importiert.";
inline constexpr std::u16string_view kDtdMessage = u"Die Dokumenttypdefinition der Datei kann nicht verarbeitet werden.";
// %s: the root element found.
inline constexpr std::u16string_view kWrongFormatMessage =
    u"Die Datei ist keine Exportdatei im gewählten Format (gefunden wurde das Wurzelelement „%s“).";
inline constexpr std::u16string_view kNoEntriesMessage = u"Die Datei enthält keine Einträge im gewählten Format.";
inline constexpr std::u16string_view kNoRowsMessage = u"Die Datei enthält keine Datenzeilen.";
inline constexpr std::u16string_view kOutsideEntryMessage =
    u"Die Datei enthält Werte außerhalb eines Eintrags oder Ordners.";
inline constexpr std::u16string_view kProtectedValueMessage =
    u"Die Datei enthält verschlüsselte Werte (Protected=\"True\"). Exportieren Sie die Datenbank in KeePass "
    u"als „KeePass XML (2.x)“ und importieren Sie diese Datei.";
inline constexpr std::u16string_view kEncryptedExportMessage =
    u"Die Exportdatei ist verschlüsselt. Exportieren Sie die Daten unverschlüsselt und wiederholen Sie den "
    u"Import.";
inline constexpr std::u16string_view kUnknownGroupMessage =
    u"Ein Eintrag verweist auf eine Gruppe, die in der Datei nicht vorhanden ist.";
inline constexpr std::u16string_view kUnknownFormatMessage = u"Das gewählte Importformat ist unbekannt.";

// What went wrong, in words for the user: the internal short texts ("imp", "att", "null",
// "nof", "dtd", "open", "read") are explained, other messages are given as they are.
StringServiceProvider::PlainString DescribeImportFailure(const Utilities::Exceptions::Exception& failure);

} // namespace Tarnwick::Import
