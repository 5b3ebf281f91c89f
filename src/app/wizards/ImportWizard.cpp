#include "app/wizards/ImportWizard.h"

#include <algorithm>
#include <atomic>
#include <new>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ApplicationIcon.h"
#include "app/ModalDialog.h"
#include "app/dialogs/DialogSupport.h"
#include "app/dialogs/MaintenanceHost.h"
#include "base/exceptions/Exception.h"
#include "exchange/ImportMessages.h"
#include "uiext/QtText.h"
#include "uilib/MessageBox.h"
#include "app/DatabaseMessageUI.h"

namespace Tarnwick::Wizards {

using Import::ImportFormat;
using Import::CSV::CsvSettings;
using Import::CSV::PresetCsvImporter;
using UiText::Q;
using UiText::U;
using WindowsServiceProvider::CMessageBox;

namespace {

constexpr std::u16string_view kTitle = u"Import Assistent";
constexpr std::u16string_view kAutomatic = u"Automatisch erkennen";
constexpr std::u16string_view kRecognised = u"Erkanntes Format: ";
constexpr std::u16string_view kHeaderMapped = u"Die erste Zeile enthält Feldnamen; die Spalten werden danach zugeordnet.";
constexpr std::u16string_view kPresetMismatch = u"Die Datei passt nicht zur gewählten Vorlage.";
constexpr std::u16string_view kPairsNote =
    u"Diese Exportdatei nennt ihre Felder in jeder Zeile selbst; sie werden nach ihren Namen zugeordnet.";
constexpr std::u16string_view kNothingChosen = u"Wählen Sie die zu importierenden Daten aus.";
constexpr std::u16string_view kLocked = u"Um Daten zu importieren, muss der Arbeitsbereich erst freigegeben werden.";
constexpr std::u16string_view kOutOfMemory = u"Für den Import steht nicht genügend Arbeitsspeicher zur Verfügung.";
constexpr std::u16string_view kNoDescription = u"(ohne Beschreibung)";

enum ItemRole { kKindRole = Qt::UserRole, kFolderRole, kEntryRole };
enum ItemKind { kFolderItem = 0, kEntryItem = 1 };

QChar FirstChar(const QLineEdit* edit) { return edit->text().isEmpty() ? QChar() : edit->text().front(); }

} // namespace

// ---------------------------------------------------------------------------------------

bool ImportProgressRunner::Run(QWidget& owner, QProgressBar& bar, const Work& work, std::u16string& failure) {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    bool succeeded = true;
    std::u16string error;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work([&](std::size_t d, std::size_t t) {
                total = t;
                done = d;
            });
        } catch (const Utilities::Exceptions::Exception& exception) {
            succeeded = false;
            error = std::u16string(Import::DescribeImportFailure(exception).View());
        } catch (const std::bad_alloc&) {
            succeeded = false;
            error = std::u16string(kOutOfMemory);
        } catch (const std::exception&) {
            succeeded = false;
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    // The worker only counts; the bar follows on the GUI thread.
    QTimer timer;
    timer.setInterval(40);
    QObject::connect(&timer, &QTimer::timeout, &bar, [&] {
        const std::size_t of = total;
        if (of == 0) {
            bar.setRange(0, 0);
        } else {
            bar.setRange(0, 1000);
            bar.setValue(static_cast<int>(std::min<std::size_t>(1000, done * 1000 / of)));
        }
    });
    bar.setRange(0, 0);
    bar.setVisible(true);
    owner.setCursor(Qt::BusyCursor);
    thread->start();
    timer.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    timer.stop();
    owner.unsetCursor();
    bar.setVisible(false);
    failure = std::move(error);
    return succeeded;
}

// ---------------------------------------------------------------------------------------
// Page 1

CExternalImportPage1::CExternalImportPage1(CExternalImportWizard& wizard) : m_wizard(wizard) {
    setTitle(Q(u"Importformat und Quelle wählen"));
    setSubTitle(Q(u"Wählen Sie das Importformat und die Quelle aus der Import werden soll"));

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    for (const auto name : Import::ImportFormatNames()) {
        m_format->addItem(Q(name));
    }
    m_format->setCurrentIndex(static_cast<int>(ImportFormat::Csv));
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_browse = new QToolButton(this);
    m_browse->setObjectName(QStringLiteral("browse"));
    m_browse->setText(QStringLiteral("..."));
    m_browse->setToolTip(Q(u"Importquelle öffnen"));
    m_browse->setStatusTip(Q(u"Klicken zum Öffnen der Importquelle"));
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_source, 1);
    sourceRow->addWidget(m_browse);

    m_csvGroup = new QGroupBox(Q(u"CSV Optionen"), this);
    m_preset = new QComboBox(m_csvGroup);
    m_preset->setObjectName(QStringLiteral("preset"));
    m_preset->addItem(Q(kAutomatic));
    for (const auto name : Import::CSV::CsvPresetNames()) {
        m_preset->addItem(Q(name));
    }
    const auto oneChar = [this](const char* name, const QString& text) {
        auto* edit = new QLineEdit(text, m_csvGroup);
        edit->setObjectName(QLatin1String(name));
        edit->setMaxLength(1);
        edit->setMaximumWidth(40);
        return edit;
    };
    m_separator = oneChar("separator", QStringLiteral(";"));
    m_qualifier = oneChar("qualifier", QStringLiteral("\""));
    m_header = new QCheckBox(Q(u"Erste Zeile enthält &Feldnamen"), m_csvGroup);
    m_folderNames = new QCheckBox(Q(u"&Ordnernamen enthalten"), m_csvGroup);
    m_folderSeparator = oneChar("folderSeparator", QString());
    m_setFolderName = new QCheckBox(Q(u"&Namen für Importordner festlegen"), m_csvGroup);
    m_folderName = new QLineEdit(m_csvGroup);
    m_folderName->setObjectName(QStringLiteral("folderName"));
    auto* csv = new QFormLayout(m_csvGroup);
    csv->addRow(Q(u"&Vorlage:"), m_preset);
    csv->addRow(Q(u"&Trennzeichen:"), m_separator);
    csv->addRow(Q(u"Trennzeichen für &Einzeldaten:"), m_qualifier);
    csv->addRow(m_header);
    csv->addRow(m_folderNames, m_folderSeparator);
    csv->addRow(m_setFolderName, m_folderName);

    m_recognised = new QLabel(this);
    m_recognised->setObjectName(QStringLiteral("recognised"));
    m_recognised->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setVisible(false);

    auto* layout = new QFormLayout(this);
    layout->addRow(Q(u"&Format:"), m_format);
    auto* sourceLabel = new QLabel(Q(u"&Quelle:"), this);
    sourceLabel->setBuddy(m_source);
    layout->addRow(sourceLabel, sourceRow);
    layout->addRow(m_csvGroup);
    layout->addRow(m_recognised);
    layout->addRow(m_progress);

    connect(m_format, &QComboBox::currentIndexChanged, this, [this] { OnFormatChanged(); });
    connect(m_source, &QLineEdit::textChanged, this, [this] { Recognise(); });
    connect(m_preset, &QComboBox::currentIndexChanged, this, [this] { Recognise(); });
    connect(m_browse, &QToolButton::clicked, this, [this] { OnBrowse(); });
    connect(m_folderNames, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    connect(m_setFolderName, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
}

ImportFormat CExternalImportPage1::SelectedFormat() const {
    return Import::ImportFormatAt(static_cast<std::size_t>(std::max(0, m_format->currentIndex())))
        .value_or(ImportFormat::Csv);
}

CsvSettings CExternalImportPage1::CsvSettingsFromPage() const {
    CsvSettings settings;
    settings.separator = FirstChar(m_separator).unicode();
    settings.qualifier = FirstChar(m_qualifier).unicode();
    settings.firstLineHoldsNames = m_header->isChecked();
    settings.folderNamesIncluded = m_folderNames->isChecked();
    settings.folderSeparator = FirstChar(m_folderSeparator).unicode();
    settings.setImportFolderName = m_setFolderName->isChecked();
    settings.importFolderName = U(m_folderName->text().trimmed());
    return settings;
}

void CExternalImportPage1::UpdateEnabled() {
    const bool csv = Import::IsCsvFormat(SelectedFormat());
    m_csvGroup->setEnabled(csv);
    m_preset->setEnabled(SelectedFormat() == ImportFormat::Csv);
    m_folderSeparator->setEnabled(m_folderNames->isChecked());
    m_folderName->setEnabled(m_setFolderName->isChecked());
}

void CExternalImportPage1::OnFormatChanged() {
    UpdateEnabled();
    Recognise();
}

void CExternalImportPage1::OnBrowse() {
    QStringList filters;
    for (const auto& filter : Import::SourceFileFilters(SelectedFormat())) {
        filters << Q(filter.description) + QStringLiteral(" (") + Q(filter.pattern) + QStringLiteral(")");
    }
    const QString path = QFileDialog::getOpenFileName(this, Q(u"Quelle öffnen..."), m_source->text(),
                                                      filters.join(QStringLiteral(";;")));
    if (!path.isEmpty()) {
        m_source->setText(path);
    }
}

void CExternalImportPage1::Recognise() {
    m_wizard.preset.reset();
    m_recognised->clear();
    if (SelectedFormat() != ImportFormat::Csv) {
        return;
    }
    const std::filesystem::path path = Dialogs::PathOf(m_source->text());
    if (m_source->text().isEmpty() || !Import::IsValidImportSource(path)) {
        return;
    }
    char16_t separator = u',';
    const auto first = Import::CSV::ReadFirstRecord(path, separator);
    if (first.empty()) {
        return;
    }
    const auto views = Import::CSV::Views(first);
    const bool automatic = m_preset->currentIndex() <= 0;
    auto preset = automatic ? Import::CSV::RecognisePreset(views)
                            : Import::CSV::PresetByName(U(m_preset->currentText()), views);
    if (preset) {
        m_separator->setText(QString(QChar(separator)));
        m_qualifier->setText(QStringLiteral("\""));
        m_header->setChecked(preset->header);
        m_folderNames->setChecked(preset->folderSeparator != 0);
        m_folderSeparator->setText(preset->folderSeparator != 0 ? QString(QChar(preset->folderSeparator)) : QString());
        m_recognised->setText(Q(kRecognised) + Q(preset->name));
        m_wizard.preset = std::move(preset);
    } else if (!automatic) {
        m_recognised->setText(Q(kPresetMismatch));
    } else {
        const auto mapping = Import::CSV::MappingFromHeader(views);
        if (std::count_if(mapping.begin(), mapping.end(), [](int t) { return t != Import::CSV::TargetNone; }) >= 2) {
            m_separator->setText(QString(QChar(separator)));
            m_header->setChecked(true);
            m_recognised->setText(Q(kHeaderMapped));
        }
    }
}

bool CExternalImportPage1::validatePage() { return m_wizard.ReadSource(); }

int CExternalImportPage1::nextId() const {
    return Import::IsCsvFormat(SelectedFormat()) ? CExternalImportWizard::kPageMapping
                                                 : CExternalImportWizard::kPageSelection;
}

// ---------------------------------------------------------------------------------------
// Page 2

CExternalImportPage2::CExternalImportPage2(CExternalImportWizard& wizard) : m_wizard(wizard) {
    setTitle(Q(u"Feldzuordnungen setzen"));
    setSubTitle(Q(u"Geben Sie wie die einzelnen Felder zugeordnet werden soll"));
    auto* label = new QLabel(Q(u"Feldzuordnungen (Quelle -> Ziel):"), this);
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("mapping"));
    m_table->setHorizontalHeaderLabels({Q(u"Quelle"), Q(u"Ziel")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setVisible(false);
    m_progress = new QProgressBar(this);
    m_progress->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_note);
    layout->addWidget(m_progress);
}

void CExternalImportPage2::initializePage() {
    auto* csv = m_wizard.Csv();
    m_table->setRowCount(0);
    if (csv == nullptr) {
        return;
    }
    const std::size_t columns = csv->GetColumnCount();
    m_current = m_wizard.initialMapping;
    m_current.resize(columns, Import::CSV::TargetNone);
    m_table->setRowCount(static_cast<int>(columns));
    for (std::size_t c = 0; c < columns; ++c) {
        const int row = static_cast<int>(c);
        m_table->setItem(row, 0, new QTableWidgetItem(Q(csv->GetSourceName(c).View())));
        auto* combo = new QComboBox(m_table);
        for (int target = 0; target < Import::CSV::kColumnTargetCount; ++target) {
            combo->addItem(Q(Import::CSV::ColumnTargetText(target)));
        }
        combo->setCurrentIndex(m_current[c]);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, row](int index) { OnTargetChosen(row, index); });
        m_table->setCellWidget(row, 1, combo);
    }
    const bool pairs = m_wizard.preset && m_wizard.preset->extras == Import::CSV::CsvExtras::EnpassPairs;
    m_note->setText(pairs ? Q(kPairsNote) : QString());
    m_note->setVisible(pairs);
}

QComboBox* CExternalImportPage2::GetTargetCombo(int row) const {
    return qobject_cast<QComboBox*>(m_table->cellWidget(row, 1));
}

std::vector<int> CExternalImportPage2::Mapping() const { return m_current; }

void CExternalImportPage2::OnTargetChosen(int row, int index) {
    const auto column = static_cast<std::size_t>(row);
    if (column >= m_current.size() || index < 0) {
        return;
    }
    const auto refusal = Import::CSV::CsvImporter::CheckTargetChoice(m_current, column, index);
    if (!refusal.IsEmpty()) {
        QComboBox* combo = GetTargetCombo(row);
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(m_current[column]);
        CMessageBox::ShowError(this, refusal.View());
        return;
    }
    m_current[column] = index;
}

bool CExternalImportPage2::validatePage() { return m_wizard.ImportRows(m_current); }

// ---------------------------------------------------------------------------------------
// Page 3

CExternalImportPage3::CExternalImportPage3(CExternalImportWizard& wizard) : m_wizard(wizard) {
    setTitle(Q(u"Passwortinformationen für den Import auswählen"));
    setSubTitle(Q(u"Auswählen der zu importierenden Passwortinformationen"));
    auto* text = new QLabel(Q(u"Wählen Sie die zu importierenden Daten aus."), this);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("importData"));
    m_tree->setHeaderLabel(Q(u"Importdaten"));
    m_tree->setUniformRowHeights(true);
    m_warningsLabel = new QLabel(this);
    m_warnings = new QListWidget(this);
    m_warnings->setObjectName(QStringLiteral("warnings"));
    m_warnings->setMaximumHeight(90);
    m_warnings->setWordWrap(true);
    m_warnings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(m_tree, 1);
    layout->addWidget(m_warningsLabel);
    layout->addWidget(m_warnings);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
}

void CExternalImportPage3::initializePage() {
    m_tree->clear();
    m_status->clear();
    const auto& data = m_wizard.Imported();
    const auto parents = ExportImport::ParentPositions(data);
    std::vector<QTreeWidgetItem*> items(data.FolderCount(), nullptr);
    for (std::size_t f = 0; f < data.FolderCount(); ++f) {
        const auto& folder = data.Folders()[f];
        auto* item = new QTreeWidgetItem({Q(folder->GetName().View())});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsAutoTristate);
        item->setData(0, kKindRole, kFolderItem);
        item->setData(0, kFolderRole, static_cast<qulonglong>(f));
        std::size_t e = 0;
        for (const auto& entry : folder->Entries()) {
            const auto description = entry->GetDescription().View();
            auto* child = new QTreeWidgetItem(item, {description.empty() ? Q(kNoDescription) : Q(description)});
            child->setFlags(child->flags() | Qt::ItemIsUserCheckable);
            child->setData(0, kKindRole, kEntryItem);
            child->setData(0, kFolderRole, static_cast<qulonglong>(f));
            child->setData(0, kEntryRole, static_cast<qulonglong>(e++));
            child->setCheckState(0, Qt::Checked);
        }
        item->setCheckState(0, Qt::Checked);
        items[f] = item;
    }
    QList<QTreeWidgetItem*> top;
    for (std::size_t f = 0; f < items.size(); ++f) {
        if (parents[f] == ExportImport::kNoParentPosition) {
            top << items[f];
        } else {
            // Subfolders first, then the folder's entries.
            items[parents[f]]->insertChild(0, items[f]);
        }
    }
    m_tree->addTopLevelItems(top);
    if (data.FolderCount() < 200) {
        m_tree->expandAll();
    }
    const auto warnings = m_wizard.Warnings();
    m_warnings->clear();
    for (const auto& warning : warnings) {
        m_warnings->addItem(Q(warning));
    }
    m_warningsLabel->setText(Q(u"Hinweise zum Import:"));
    m_warningsLabel->setVisible(!warnings.empty());
    m_warnings->setVisible(!warnings.empty());
}

ExportImport::Selection CExternalImportPage3::CheckedSelection() const {
    ExportImport::Selection selection;
    std::vector<QTreeWidgetItem*> pending;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        pending.push_back(m_tree->topLevelItem(i));
    }
    while (!pending.empty()) {
        QTreeWidgetItem* item = pending.back();
        pending.pop_back();
        const auto folder = static_cast<std::size_t>(item->data(0, kFolderRole).toULongLong());
        if (item->data(0, kKindRole).toInt() == kFolderItem) {
            if (item->checkState(0) == Qt::Checked) {
                selection.folders.push_back(folder);
            }
            for (int c = 0; c < item->childCount(); ++c) {
                pending.push_back(item->child(c));
            }
        } else if (item->checkState(0) == Qt::Checked) {
            selection.entries.push_back({folder, static_cast<std::size_t>(item->data(0, kEntryRole).toULongLong())});
        }
    }
    std::sort(selection.folders.begin(), selection.folders.end());
    std::sort(selection.entries.begin(), selection.entries.end(), [](const auto& a, const auto& b) {
        return a.folder != b.folder ? a.folder < b.folder : a.entry < b.entry;
    });
    return selection;
}

bool CExternalImportPage3::validatePage() { return m_wizard.Finish(CheckedSelection()); }

// ---------------------------------------------------------------------------------------
// The wizard

CExternalImportWizard::CExternalImportWizard(Dialogs::MaintenanceHost& host, QWidget* parent)
    : QWizard(parent), m_host(host), m_page1(new CExternalImportPage1(*this)), m_page2(new CExternalImportPage2(*this)),
      m_page3(new CExternalImportPage3(*this)) {
    setWindowTitle(Q(kTitle));
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setPixmap(QWizard::LogoPixmap, App::ApplicationIcon().pixmap(48, 48));
    setWindowIcon(App::ApplicationIcon());
    setButtonText(QWizard::BackButton, Q(u"< &Zurück"));
    setButtonText(QWizard::NextButton, Q(u"&Weiter >"));
    setButtonText(QWizard::FinishButton, Q(u"&Fertig stellen"));
    setButtonText(QWizard::CancelButton, Q(u"Abbrechen"));
    setPage(kPageSource, m_page1);
    setPage(kPageMapping, m_page2);
    setPage(kPageSelection, m_page3);
    setStartId(kPageSource);
    resize(640, 560);
}

CExternalImportWizard::~CExternalImportWizard() = default;

int CExternalImportWizard::DoModal() { return App::RunModal(*this); }

Import::CSV::CsvImporter* CExternalImportWizard::Csv() const noexcept {
    return dynamic_cast<Import::CSV::CsvImporter*>(m_importer.get());
}

std::vector<std::u16string> CExternalImportWizard::Warnings() const {
    std::vector<std::u16string> texts;
    if (m_importer) {
        for (const auto& warning : m_importer->GetWarnings()) {
            texts.emplace_back(warning.text.View());
        }
    }
    return texts;
}

void CExternalImportWizard::ShowFailure(const std::u16string& detail) {
    std::u16string text(Import::kImportErrorMessage);
    if (!detail.empty()) {
        text += u"\n\n" + detail;
    }
    CMessageBox::ShowError(this, text);
}

bool CExternalImportWizard::ReadSource() {
    const std::filesystem::path path = Dialogs::PathOf(m_page1->GetSourceEdit()->text());
    if (m_page1->GetSourceEdit()->text().isEmpty() || !Import::IsValidImportSource(path)) {
        CMessageBox::ShowError(this, Import::kInvalidSourceMessage);
        return false;
    }
    const ImportFormat format = m_page1->SelectedFormat();
    const CsvSettings settings = m_page1->CsvSettingsFromPage();
    if (Import::IsCsvFormat(format)) {
        if (const auto complaint = Import::CSV::CheckCsvSettings(settings); !complaint.empty()) {
            CMessageBox::ShowError(this, complaint);
            return false;
        }
    }
    m_importer.reset();
    m_imported.Clear();
    initialMapping.clear();
    if (format == ImportFormat::Csv) {
        auto csv = std::make_unique<PresetCsvImporter>(m_imported, settings);
        csv->SetPreset(preset);
        m_importer = std::move(csv);
    } else {
        m_importer = Import::CreateImporter(format, m_imported, settings);
    }
    std::u16string failure;
    Import::ImportBase& importer = *m_importer;
    const bool read = ImportProgressRunner::Run(*this, *m_page1->GetProgressBar(),
                                                [&](const auto&) { importer.Import(path); }, failure);
    if (!read) {
        // What was read before the failure is no import.
        m_imported.Clear();
        ShowFailure(failure);
        return false;
    }
    if (auto* csv = Csv()) {
        const std::size_t columns = csv->GetColumnCount();
        if (preset && preset->header == settings.firstLineHoldsNames) {
            initialMapping = preset->mapping;
        } else if (settings.firstLineHoldsNames) {
            std::vector<Import::PlainString> names;
            for (std::size_t c = 0; c < columns; ++c) {
                names.push_back(csv->GetSourceName(c));
            }
            initialMapping = Import::CSV::MappingFromHeader(Import::CSV::Views(names));
        }
        initialMapping.resize(columns, Import::CSV::TargetNone);
    }
    return true;
}

bool CExternalImportWizard::ImportRows(const std::vector<int>& mapping) {
    auto* csv = Csv();
    if (csv == nullptr) {
        return false;
    }
    auto* presetImporter = dynamic_cast<PresetCsvImporter*>(csv);
    std::u16string failure;
    const bool done = ImportProgressRunner::Run(
        *this, *m_page2->GetProgressBar(),
        [&](const auto& progress) {
            csv->SetColumnMapping(mapping);
            if (presetImporter != nullptr) {
                presetImporter->progress = progress;
                presetImporter->ImportAllRows();
                presetImporter->progress = nullptr;
            } else {
                csv->ImportRows();
            }
        },
        failure);
    if (presetImporter != nullptr) {
        presetImporter->progress = nullptr;
    }
    if (!done) {
        m_imported.Clear();
        ShowFailure(failure);
        return false;
    }
    return true;
}

bool CExternalImportWizard::Finish(const ExportImport::Selection& selection) {
    if (selection.IsEmpty()) {
        CMessageBox::ShowWarning(this, kNothingChosen);
        return false;
    }
    Session::DatabaseSession& session = m_host.session;
    if (!session.IsOpen()) {
        return false;
    }
    m_host.FollowFile();
    PasswordADT::PasswordData working = Session::WorkingCopy(session.Data());
    ExportImport::DatabaseImport import(*this, session.Path(), session.Credentials(), working);
    m_result = import.Run(m_imported, selection, ExportImport::DuplicateTreatment::Ask);
    // The file was written, or put back: the session reads it again. That is our own change,
    // not another program's, so the window's notice about one stays silent.
    auto notice = std::move(session.onReloaded);
    session.onReloaded = nullptr;
    const bool reloaded = session.ReloadIfChanged();
    session.onReloaded = std::move(notice);
    if (reloaded && m_host.dataReloaded) {
        m_host.dataReloaded();
    }
    switch (m_result->outcome) {
    case ExportImport::ImportOutcome::Imported:
        return true;
    case ExportImport::ImportOutcome::Cancelled:
        reject();
        return false;
    case ExportImport::ImportOutcome::Failed:
        break;
    }
    // Rolled back: the page says so and where a kept backup is; it never claims success.
    std::u16string status(ExportImport::DatabaseImport::kFailed);
    if (!m_result->backupNotice.empty()) {
        status += u"\n" + m_result->backupNotice;
    }
    m_page3->m_status->setText(Q(status));
    return false;
}

void CExternalImportWizard::ShowError(std::u16string_view text) { CMessageBox::ShowError(this, text); }

void CExternalImportWizard::ShowWarning(std::u16string_view text) { CMessageBox::ShowWarning(this, text); }

int CExternalImportWizard::AskCommand(std::u16string_view heading, std::u16string_view text,
                                      const std::vector<CommandButton>& buttons) {
    return WindowsServiceProvider::AskCommandInTaskDialog(this, heading, text, buttons);
}

void CExternalImportWizard::ProgressStart(std::int32_t units) {
    QProgressBar* bar = m_page3->m_progress;
    bar->setRange(0, std::max(1, units));
    bar->setValue(0);
    bar->setVisible(true);
    m_progressSteps = 0;
}

void CExternalImportWizard::ProgressStep() {
    QProgressBar* bar = m_page3->m_progress;
    bar->setValue(std::min(bar->maximum(), bar->value() + 1));
    // The merge runs on this thread: let the bar paint now and then.
    if (++m_progressSteps % 500 == 0) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void CExternalImportWizard::ProgressEnd() { m_page3->m_progress->setVisible(false); }

void CExternalImportWizard::SetStatus(std::u16string_view text) {
    m_page3->m_status->setText(Q(text));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CExternalImportWizard::ShowInformation(std::u16string_view text) { CMessageBox::ShowInformation(this, text); }

bool RunExternalImport(Dialogs::MaintenanceHost& host, QWidget* parent) {
    if (host.isLocked && host.isLocked()) {
        Dialogs::ShowLockedInformation(parent, kLocked);
        return false;
    }
    if (!host.session.IsOpen()) {
        return false;
    }
    CExternalImportWizard wizard(host, parent);
    return wizard.DoModal() == QDialog::Accepted;
}

} // namespace Tarnwick::Wizards
