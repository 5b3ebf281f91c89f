// The texts of the entry sheet at its default size: tab captions, list headers and cells whole.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

#include "autocompletion/AutoCompletionIndex.h"
#include "editor/FakeEntryStore.h"
#include "editor/PasswordSheet.h"
#include "editor/PropertySheet.h"
#include "support/DialogResponder.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using namespace Tarnwick;
using PasswordADT::PasswordItem;
using StringServiceProvider::SecureString;

std::string Describe(const QString& where, const QString& text, int needed, int available) {
    return (where + QStringLiteral(" \"") + text + QStringLiteral("\": needs %1, has %2").arg(needed).arg(available))
        .toStdString();
}

// Every tab caption that is not shown whole: cut by its tab's text area, or a tab (partly)
// outside the visible bar.
std::vector<std::string> CutTabCaptions(QTabWidget& tabs) {
    std::vector<std::string> cut;
    QTabBar* bar = tabs.tabBar();
    const QFontMetrics metrics(bar->font());
    const QRect visible = bar->rect().intersected(QRect(bar->mapFrom(&tabs, QPoint(0, 0)), tabs.size()));
    for (int i = 0; i < bar->count(); ++i) {
        QStyleOptionTab option;
        option.initFrom(bar);
        option.rect = bar->tabRect(i);
        option.text = bar->tabText(i);
        option.shape = bar->shape();
        option.documentMode = bar->documentMode();
        const int available = bar->style()->subElementRect(QStyle::SE_TabBarTabText, &option, bar).width();
        const int needed = metrics.horizontalAdvance(option.text);
        if (needed > available) {
            cut.push_back(Describe(QStringLiteral("tab"), option.text, needed, available));
        }
        if (!visible.contains(option.rect)) {
            cut.push_back(Describe(QStringLiteral("tab outside the bar"), option.text, option.rect.right(),
                                   visible.right()));
        }
    }
    return cut;
}

// Every header or cell text of the list that is not shown whole: narrower than its column
// (with the style's margins), or a column that reaches beyond the visible part of the list.
std::vector<std::string> CutListTexts(QTreeWidget& list) {
    std::vector<std::string> cut;
    QHeaderView* header = list.header();
    QStyle* style = list.style();
    const QFontMetrics headerMetrics(header->font());
    const int headerMargin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QFontMetrics cellMetrics(list.font());
    const int cellMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    for (int column = 0; column < list.columnCount(); ++column) {
        const QString title = list.headerItem()->text(column);
        const int needed = headerMetrics.horizontalAdvance(title) + 2 * headerMargin;
        if (needed > header->sectionSize(column)) {
            cut.push_back(Describe(QStringLiteral("header"), title, needed, header->sectionSize(column)));
        }
        const int end = header->sectionViewportPosition(column) + header->sectionSize(column);
        if (end > list.viewport()->width()) {
            cut.push_back(Describe(QStringLiteral("column beyond the view"), title, end, list.viewport()->width()));
        }
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            const QString text = list.topLevelItem(row)->text(column);
            const int cellNeeded = cellMetrics.horizontalAdvance(text) + 2 * cellMargin;
            const int cellWidth = list.visualRect(list.model()->index(row, column)).width();
            if (cellNeeded > cellWidth) {
                cut.push_back(Describe(QStringLiteral("cell"), text, cellNeeded, cellWidth));
            }
        }
    }
    return cut;
}

std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second)).toSecsSinceEpoch();
}

class SheetLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.AddFolder(u"Allgemein");
        data.AddFolder(u"Banken");
        auto item = std::make_shared<PasswordItem>();
        item->SetDescription(u"Sparkasse");
        item->SetKeepHistory(true);
        item->SetHistorySize(10);
        item->SetPassword(LocalTime(2024, 1, 2, 8, 0, 0), SecureString(std::u16string_view(u"aktuell-1")));
        // The longest month names, two-digit days and hours (the history takes them in order).
        item->GetPasswordHistory().Add(LocalTime(2023, 5, 1, 0, 0, 0), SecureString(std::u16string_view(u"mai")));
        item->GetPasswordHistory().Add(LocalTime(2023, 9, 30, 23, 59, 59), SecureString(std::u16string_view(u"Herbst-Passwort")));
        item->GetPasswordHistory().Add(LocalTime(2023, 12, 7, 14, 5, 33), SecureString(std::u16string_view(u"Winter-2023!")));
        item->GetUserDefinedFields().Add(u"Kundennummer", u"1234567890");
        item->GetUserDefinedFields().Add(u"Online-Banking PIN", u"98765");
        item->GetUserDefinedFields().Add(u"Sicherheitsfrage Haustier", u"Bello vom Nachbarn nebenan");
        item->SetValidityMode(static_cast<std::uint32_t>(PasswordADT::ValidityMode::UntilDate));
        item->SetExpiry(LocalTime(2023, 9, 27, 0, 0, 0));
        data.Folders()[1]->Entries().push_back(item);
    }

    TestSupport::TemporaryXdgFolders xdg;
    TestSupport::ScriptedResponder responder;
    PasswordADT::PasswordData data;
    TestSupport::FakeEntryStore store{data};
    AutoCompletion::AutoCompletionIndex index;
};

TEST_F(SheetLayoutTest, TabCaptionsAreWholeAtTheDefaultSize) {
    for (const bool editing : {false, true}) {
        CPasswordSheet sheet(store, 1, editing ? std::optional<std::size_t>(0) : std::nullopt, index);
        ASSERT_TRUE(sheet.Initialise());
        sheet.show();
        QApplication::processEvents();
        ASSERT_EQ(sheet.GetTabs()->count(), 8);
        for (const std::string& fault : CutTabCaptions(*sheet.GetTabs())) {
            ADD_FAILURE() << fault;
        }
        // Every page is reached the same way, whichever is shown.
        sheet.GetTabs()->setCurrentIndex(7);
        QApplication::processEvents();
        EXPECT_TRUE(CutTabCaptions(*sheet.GetTabs()).empty());
        sheet.reject();
    }
}

TEST_F(SheetLayoutTest, HistoryDatesAndUserFieldsAreWholeAtTheDefaultSize) {
    CPasswordSheet sheet(store, 1, std::size_t{0}, index);
    ASSERT_TRUE(sheet.Initialise());
    sheet.show();
    QTreeWidget* history = sheet.m_history->m_list;
    QTreeWidget* fields = sheet.m_udf->m_list;
    sheet.GetTabs()->setCurrentWidget(sheet.m_history);
    QApplication::processEvents();
    ASSERT_EQ(history->topLevelItemCount(), 3);
    bool december = false;
    for (int row = 0; row < history->topLevelItemCount(); ++row) {
        december = december || history->topLevelItem(row)->text(0) == QStringLiteral("07. Dezember 2023 14:05:33");
    }
    EXPECT_TRUE(december);
    for (const std::string& fault : CutListTexts(*history)) {
        ADD_FAILURE() << "history " << fault;
    }

    sheet.GetTabs()->setCurrentWidget(sheet.m_udf);
    QApplication::processEvents();
    ASSERT_EQ(fields->topLevelItemCount(), 3);
    for (const std::string& fault : CutListTexts(*fields)) {
        ADD_FAILURE() << "fields " << fault;
    }
    // A field added on the page is shown whole as well.
    sheet.m_udf->m_name->setText(QStringLiteral("Zugangsnummer für das Telefonbanking"));
    sheet.m_udf->m_value->setText(QStringLiteral("0049 123 4567 8901"));
    ASSERT_TRUE(sheet.m_udf->OnAdd());
    QApplication::processEvents();
    for (const std::string& fault : CutListTexts(*fields)) {
        ADD_FAILURE() << "fields after adding " << fault;
    }
    sheet.reject();
}

TEST_F(SheetLayoutTest, PropertiesAreWholeAtTheDefaultSize) {
    CTWPropertySheet properties(data, 1, 0);
    properties.show();
    QApplication::processEvents();
    ASSERT_EQ(properties.GetList()->topLevelItemCount(), 10);
    for (const std::string& fault : CutListTexts(*properties.GetList())) {
        ADD_FAILURE() << "properties " << fault;
    }
}

} // namespace
