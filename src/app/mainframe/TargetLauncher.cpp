#include "app/mainframe/TargetLauncher.h"

#include <exception>
#include <string>

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "log/LogProvider.h"
#include "base/exceptions/Exception.h"
#include "uilib/MessageBox.h"

namespace Tarnwick::MainFrame {

namespace {

constexpr const char16_t* kContext = u"TargetLauncher::Launch";

// A file the desktop's handler might run instead of showing.
bool IsLaunchableFile(const QFileInfo& file) {
    return file.isFile() &&
           (file.isExecutable() || file.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0);
}

bool IsExistingExecutable(const QString& word) {
    if (word.contains(QLatin1Char('/'))) {
        const QFileInfo file(word);
        return file.isFile() && file.isExecutable();
    }
    return !QStandardPaths::findExecutable(word).isEmpty();
}

TargetKind SetProgram(LaunchTarget& target, QStringList words) {
    if (words.isEmpty() || words.front().isEmpty()) {
        target.kind = TargetKind::Refused;
        return target.kind;
    }
    target.program = words.takeFirst();
    target.arguments = std::move(words);
    target.kind = TargetKind::Program;
    return target.kind;
}

TargetKind SetAddress(LaunchTarget& target, QUrl address) {
    target.address = std::move(address);
    target.kind = TargetKind::Address;
    return target.kind;
}

TargetKind ClassifyAllowedScheme(const QString& scheme, const QString& text, LaunchTarget& target) {
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid()) {
        target.kind = TargetKind::Refused;
        return target.kind;
    }
    if (scheme == QLatin1String("file")) {
        const QString host = url.host();
        const QString path = url.toLocalFile();
        if ((!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) ||
            !QDir::isAbsolutePath(path) || path.startsWith(QLatin1String("//"))) {
            target.kind = TargetKind::Refused;
            return target.kind;
        }
        // Opening it could run it: ask first, like any program.
        if (IsLaunchableFile(QFileInfo(path))) {
            return SetProgram(target, {path});
        }
        return SetAddress(target, QUrl::fromLocalFile(path));
    }
    if (scheme == QLatin1String("mailto")) {
        if (url.path().isEmpty() || !url.host().isEmpty()) {
            target.kind = TargetKind::Refused;
            return target.kind;
        }
        return SetAddress(target, url);
    }
    if (url.host().isEmpty()) {
        target.kind = TargetKind::Refused;
        return target.kind;
    }
    return SetAddress(target, url);
}

QString Elided(const QString& text) {
    constexpr qsizetype kLimit = 300;
    const QString trimmed = text.trimmed();
    if (trimmed.size() <= kLimit) {
        return trimmed;
    }
    return trimmed.left(kLimit) + QChar(0x2026);
}

} // namespace

TargetKind Classify(const QString& text, LaunchTarget* target) {
    LaunchTarget local;
    LaunchTarget& result = target != nullptr ? *target : local;
    result = LaunchTarget{};

    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return result.kind;
    }

    // A scheme has two letters at least; one letter would be a drive.
    static const QRegularExpression schemePattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]+):"));
    const QRegularExpressionMatch scheme = schemePattern.match(trimmed);
    if (scheme.hasMatch()) {
        const QString name = scheme.captured(1).toLower();
        static const QStringList allowed{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("ftp"),
                                         QStringLiteral("mailto"), QStringLiteral("file")};
        if (allowed.contains(name)) {
            return ClassifyAllowedScheme(name, trimmed, result);
        }
        // javascript:, data:, smb: and custom handlers are never opened.
        const QStringList words = QProcess::splitCommand(trimmed);
        if (!words.isEmpty() && IsExistingExecutable(words.front())) {
            return SetProgram(result, words);
        }
        result.kind = TargetKind::Refused;
        return result.kind;
    }

    if (trimmed.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        static const QRegularExpression whitespace(QStringLiteral("\\s"));
        const QUrl url(QStringLiteral("https://") + trimmed, QUrl::StrictMode);
        if (!trimmed.contains(whitespace) && url.isValid() && !url.host().isEmpty()) {
            return SetAddress(result, url);
        }
    }

    if (QDir::isAbsolutePath(trimmed)) {
        const QFileInfo file(trimmed);
        if (IsLaunchableFile(file)) {
            return SetProgram(result, {trimmed});
        }
        if (file.exists()) {
            return SetAddress(result, QUrl::fromLocalFile(trimmed));
        }
    }

    return SetProgram(result, QProcess::splitCommand(trimmed));
}

QString CommandLineForDisplay(const QString& program, const QStringList& arguments) {
    static const QRegularExpression needsQuotes(QStringLiteral("[\\s\"]"));
    QStringList words;
    words.reserve(arguments.size() + 1);
    for (const QString& word : QStringList{program} + arguments) {
        if (word.isEmpty() || word.contains(needsQuotes)) {
            // Three quotes stand for one, as QProcess::splitCommand reads them.
            QString quoted = word;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
            words << QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            words << word;
        }
    }
    return words.join(QLatin1Char(' '));
}

QString LaunchMessage(LaunchResult result, const QString& text) {
    switch (result) {
    case LaunchResult::Refused:
        return QStringLiteral("Die Adresse \"%1\" kann nicht geöffnet werden.\n\nGeöffnet werden nur Internetadressen "
                              "(http, https, ftp), E-Mail-Adressen (mailto), lokale Dateien und Programme.")
            .arg(Elided(text));
    case LaunchResult::OpenFailed:
        return QStringLiteral("Die Adresse \"%1\" konnte nicht geöffnet werden.").arg(Elided(text));
    case LaunchResult::StartFailed:
        return QStringLiteral("Das Programm \"%1\" konnte nicht gestartet werden.").arg(Elided(text));
    case LaunchResult::Nothing:
    case LaunchResult::Opened:
    case LaunchResult::Started:
    case LaunchResult::Declined:
        break;
    }
    return {};
}

LaunchEffects DefaultLaunchEffects() {
    LaunchEffects effects;
    effects.openUrl = [](const QUrl& address) { return QDesktopServices::openUrl(address); };
    effects.confirmProgram = [](QWidget* parent, const QString& shown) {
        WindowsServiceProvider::TaskDialogOptions options;
        options.title = u"Programm starten";
        options.mainInstruction = u"Möchten Sie das folgende Programm starten?";
        options.content = (shown + QStringLiteral("\n\nStarten Sie nur Programme, denen Sie vertrauen.")).toStdU16String();
        options.commands = {u"Programm starten\nStartet das Programm mit den angezeigten Argumenten.",
                            u"Nicht starten\nEs wird kein Programm gestartet."};
        options.defaultCommand = 1;
        options.icon = WindowsServiceProvider::TaskDialogIcon::Warning;
        return WindowsServiceProvider::CMessageBox::ShowTaskDialog(parent, options) == 0;
    };
    effects.startProcess = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments, QDir::homePath());
    };
    return effects;
}

TargetLauncher::TargetLauncher(LaunchEffects effects) : m_effects(std::move(effects)) {
    LaunchEffects defaults = DefaultLaunchEffects();
    if (!m_effects.openUrl) {
        m_effects.openUrl = std::move(defaults.openUrl);
    }
    if (!m_effects.confirmProgram) {
        m_effects.confirmProgram = std::move(defaults.confirmProgram);
    }
    if (!m_effects.startProcess) {
        m_effects.startProcess = std::move(defaults.startProcess);
    }
}

LaunchResult TargetLauncher::Launch(QWidget* parent, const QString& text) const {
    // The target is an entry field: the log gets the operation, never the text.
    LaunchTarget target;
    try {
        switch (Classify(text, &target)) {
        case TargetKind::None:
            return LaunchResult::Nothing;
        case TargetKind::Refused:
            return LaunchResult::Refused;
        case TargetKind::Address:
            if (m_effects.openUrl(target.address)) {
                return LaunchResult::Opened;
            }
            LogProvider::WindowsErrorLog::LogEvent(0, u"QDesktopServices::openUrl", kContext);
            return LaunchResult::OpenFailed;
        case TargetKind::Program:
            if (!m_effects.confirmProgram(parent, CommandLineForDisplay(target.program, target.arguments))) {
                return LaunchResult::Declined;
            }
            if (m_effects.startProcess(target.program, target.arguments)) {
                return LaunchResult::Started;
            }
            LogProvider::WindowsErrorLog::LogEvent(0, u"QProcess::startDetached", kContext);
            return LaunchResult::StartFailed;
        }
    } catch (const Utilities::Exceptions::Exception& exception) {
        LogProvider::GenericExceptionLog::LogEvent(exception);
    } catch (const std::exception&) {
        LogProvider::GenericLog::LogEvent(0, u"TargetLauncher::Launch: unexpected failure");
    } catch (...) {
        LogProvider::GenericLog::LogEvent(0, u"TargetLauncher::Launch: unexpected failure");
    }
    return target.kind == TargetKind::Address ? LaunchResult::OpenFailed
           : target.kind == TargetKind::Program ? LaunchResult::StartFailed
                                                : LaunchResult::Refused;
}

} // namespace Tarnwick::MainFrame
