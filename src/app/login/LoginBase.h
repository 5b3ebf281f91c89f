#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <QPointer>

#include "database/CDatabase.h"

class QComboBox;
class QLineEdit;
class QWidget;

namespace MFCServiceProvider {
class SecureEdit;
}

namespace Tarnwick {

// The credential logic shared by both log-in dialogs: reading and checking the inputs and
// authenticating against the database, with at most three refused attempts.
class LoginBase {
public:
    // Results of Authenticate.
    enum Result : int {
        kFailed = 0,          // inputs incomplete, or the credentials were refused
        kAuthenticated = 1,   // the target credentials are the ones the database accepted
        kTooManyAttempts = 2, // the refused attempts had already reached the maximum
        kUnreachable = 3,     // the file is missing or cannot be opened (already reported)
        kErrorReported = 4,   // another failure, already reported by the database object
    };
    static constexpr std::uint32_t kMaxAttempts = 3;

    virtual ~LoginBase();

    std::uint32_t GetFailedAttempts() const noexcept { return m_failedAttempts; }
    std::uint32_t GetMaxAttempts() const noexcept { return m_maxAttempts; }

    // The combo box text becomes the target path; quotes around it are removed. An empty
    // text asks for a database and returns false.
    bool ReadDatabasePath(const QComboBox& box);
    bool ReadUserName(const QLineEdit& edit);
    // Copied secure to secure, never through a plain string.
    bool ReadPassword(const MFCServiceProvider::SecureEdit& edit);
    // The same three checks on what was stored.
    bool Validate();
    // One log-in attempt against the target path (see Result). A refusal is retried once
    // with the user name lower-cased, because databases made with case-insensitive user names
    // store the name that way; when that works the target keeps the lower-cased name.
    int Authenticate();

    // Removes one pair of surrounding double quotes (or a lone one at either end).
    static std::u16string Unquote(std::u16string_view text);

protected:
    LoginBase(QWidget* owner, std::filesystem::path* targetPath, LoginCredentials* targetCredentials);

    QWidget* Owner() const { return m_owner.data(); }

private:
    int ClassifyFailure() const;

    QPointer<QWidget> m_owner;
    std::uint32_t m_maxAttempts = kMaxAttempts;
    std::uint32_t m_failedAttempts = 0;
    std::filesystem::path* m_targetPath;
    LoginCredentials* m_targetCredentials;
};

} // namespace Tarnwick
