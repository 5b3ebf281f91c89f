#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QWizard>
#include <QWizardPage>

#include "exchange/CsvPresets.h"
#include "exchange/DatabaseImport.h"
#include "exchange/ImportFactory.h"
#include "model/PasswordData.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QTableWidget;
class QToolButton;
class QTreeWidget;

namespace Tarnwick::Dialogs {
struct MaintenanceHost;
}

namespace Tarnwick::Wizards {

class CExternalImportWizard;

// Runs work on a worker thread while the page's progress bar moves; the page stays
// responsive and its widgets are touched only on the GUI thread. The work reports progress
// through the callback it is given (done, total); an exception's message comes back.
class ImportProgressRunner {
public:
    using Work = std::function<void(const std::function<void(std::size_t, std::size_t)>& progress)>;
    // True when the work ended without an exception; otherwise failure holds what to show.
    static bool Run(QWidget& owner, QProgressBar& bar, const Work& work, std::u16string& failure);
};

// Page 1: format, source file and the CSV options.
class CExternalImportPage1 : public QWizardPage {
    Q_OBJECT
public:
    explicit CExternalImportPage1(CExternalImportWizard& wizard);

    bool validatePage() override;
    int nextId() const override;

    QComboBox* GetFormatCombo() const { return m_format; }
    QLineEdit* GetSourceEdit() const { return m_source; }
    QToolButton* GetBrowseButton() const { return m_browse; }
    QGroupBox* GetCsvGroup() const { return m_csvGroup; }
    QComboBox* GetPresetCombo() const { return m_preset; }
    QLineEdit* GetSeparatorEdit() const { return m_separator; }
    QLineEdit* GetQualifierEdit() const { return m_qualifier; }
    QCheckBox* GetHeaderCheck() const { return m_header; }
    QCheckBox* GetFolderNamesCheck() const { return m_folderNames; }
    QLineEdit* GetFolderSeparatorEdit() const { return m_folderSeparator; }
    QCheckBox* GetSetFolderNameCheck() const { return m_setFolderName; }
    QLineEdit* GetFolderNameEdit() const { return m_folderName; }
    QLabel* GetRecognisedLabel() const { return m_recognised; }
    QProgressBar* GetProgressBar() const { return m_progress; }

    Import::ImportFormat SelectedFormat() const;
    Import::CSV::CsvSettings CsvSettingsFromPage() const;

private:
    void OnFormatChanged();
    void OnBrowse();
    // Looks at the file's first line: a known manager's export fills in the CSV options.
    void Recognise();
    void UpdateEnabled();

    CExternalImportWizard& m_wizard;
    QComboBox* m_format = nullptr;
    QLineEdit* m_source = nullptr;
    QToolButton* m_browse = nullptr;
    QGroupBox* m_csvGroup = nullptr;
    QComboBox* m_preset = nullptr;
    QLineEdit* m_separator = nullptr;
    QLineEdit* m_qualifier = nullptr;
    QCheckBox* m_header = nullptr;
    QCheckBox* m_folderNames = nullptr;
    QLineEdit* m_folderSeparator = nullptr;
    QCheckBox* m_setFolderName = nullptr;
    QLineEdit* m_folderName = nullptr;
    QLabel* m_recognised = nullptr;
    QProgressBar* m_progress = nullptr;
};

// Page 2 (CSV only): which column goes to which field.
class CExternalImportPage2 : public QWizardPage {
    Q_OBJECT
public:
    explicit CExternalImportPage2(CExternalImportWizard& wizard);

    void initializePage() override;
    void cleanupPage() override {}
    bool validatePage() override;

    QTableWidget* GetTable() const { return m_table; }
    QComboBox* GetTargetCombo(int row) const;
    QProgressBar* GetProgressBar() const { return m_progress; }
    std::vector<int> Mapping() const;

private:
    void OnTargetChosen(int row, int index);

    CExternalImportWizard& m_wizard;
    QTableWidget* m_table = nullptr;
    QLabel* m_note = nullptr;
    QProgressBar* m_progress = nullptr;
    std::vector<int> m_current;
};

// Page 3: the imported folders and entries with check boxes; finish imports the ticked ones.
class CExternalImportPage3 : public QWizardPage {
    Q_OBJECT
public:
    explicit CExternalImportPage3(CExternalImportWizard& wizard);

    void initializePage() override;
    bool validatePage() override;

    QTreeWidget* GetTree() const { return m_tree; }
    QListWidget* GetWarningList() const { return m_warnings; }
    QLabel* GetStatusLabel() const { return m_status; }
    QProgressBar* GetProgressBar() const { return m_progress; }
    ExportImport::Selection CheckedSelection() const;

private:
    friend class CExternalImportWizard;
    CExternalImportWizard& m_wizard;
    QTreeWidget* m_tree = nullptr;
    QLabel* m_warningsLabel = nullptr;
    QListWidget* m_warnings = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
};

// "Import Assistent": reads another manager's export into a collection of its own and adds
// the ticked folders and entries to the open database, behind a backup that a failure rolls
// back.
class CExternalImportWizard : public QWizard, private ExportImport::IDatabaseImportUserInterface {
    Q_OBJECT
public:
    enum PageId { kPageSource = 0, kPageMapping = 1, kPageSelection = 2 };

    CExternalImportWizard(Dialogs::MaintenanceHost& host, QWidget* parent = nullptr);
    ~CExternalImportWizard() override;

    int DoModal();

    CExternalImportPage1& Page1() const { return *m_page1; }
    CExternalImportPage2& Page2() const { return *m_page2; }
    CExternalImportPage3& Page3() const { return *m_page3; }

    // What was read from the file.
    const PasswordADT::PasswordData& Imported() const noexcept { return m_imported; }
    Import::ImportBase* Importer() const noexcept { return m_importer.get(); }
    Import::CSV::CsvImporter* Csv() const noexcept;
    // The warnings of the last read, ready to show.
    std::vector<std::u16string> Warnings() const;
    // The outcome of the last finish.
    const std::optional<ExportImport::ImportResult>& LastResult() const noexcept { return m_result; }

    // The preset in use for the file on page 1 (recognised or chosen), if any.
    std::optional<Import::CSV::CsvPreset> preset;
    // The column mapping page 2 starts from.
    std::vector<int> initialMapping;

private:
    friend class CExternalImportPage1;
    friend class CExternalImportPage2;
    friend class CExternalImportPage3;

    // Page 1's Next: reads the file on a worker thread.
    bool ReadSource();
    // Page 2's Next: turns the rows into entries.
    bool ImportRows(const std::vector<int>& mapping);
    // Page 3's finish.
    bool Finish(const ExportImport::Selection& selection);
    void ShowFailure(const std::u16string& detail);

    // IDatabaseImportUserInterface, on the GUI thread.
    void ShowError(std::u16string_view text) override;
    void ShowWarning(std::u16string_view text) override;
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<CommandButton>& buttons) override;
    void ProgressStart(std::int32_t units) override;
    void ProgressStep() override;
    void ProgressEnd() override;
    void SetStatus(std::u16string_view text) override;
    void ShowInformation(std::u16string_view text) override;

    Dialogs::MaintenanceHost& m_host;
    CExternalImportPage1* m_page1;
    CExternalImportPage2* m_page2;
    CExternalImportPage3* m_page3;
    PasswordADT::PasswordData m_imported;
    std::unique_ptr<Import::ImportBase> m_importer;
    std::optional<ExportImport::ImportResult> m_result;
    int m_progressSteps = 0;
};

// The command "Importieren aus externer Quelle": runs the wizard on the window's database.
// True when something was imported.
bool RunExternalImport(Dialogs::MaintenanceHost& host, QWidget* parent);

} // namespace Tarnwick::Wizards
