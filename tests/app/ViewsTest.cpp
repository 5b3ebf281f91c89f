// The views on their own: folder tree and entry list filling, sorting, validity images,
// masking, the dragged-entry format and the checked tree.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>

#include "app/mainframe/CommandIds.h"
#include "app/mainframe/CommandTable.h"
#include "app/views/EntryDrag.h"
#include "app/views/FolderComparator.h"
#include "app/views/FolderToTreeVisualizer.h"
#include "app/views/InformationPanel.h"
#include "app/views/PasswordDataTreeCtrl.h"
#include "app/views/PasswordListModel.h"
#include "app/views/PasswordToListVisualizer.h"
#include "app/views/TreeItems.h"
#include "support/ClockOverride.h"
#include "support/DialogResponder.h"
#include "support/VaultBuilder.h"
#include "uilib/SecretTextDelegate.h"

namespace {

using Tarnwick::PasswordADT::Category;
using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;
using namespace Tarnwick::Views;

QStringList Children(const QTreeWidgetItem* item) {
    QStringList names;
    for (int i = 0; i < item->childCount(); ++i) {
        names << item->child(i)->text(0);
    }
    return names;
}

// Folders read from a file with the ids and parents as stored.
PasswordData Stored(std::initializer_list<std::tuple<std::uint32_t, std::uint32_t, const char16_t*>> folders) {
    PasswordData data;
    for (const auto& [id, parent, name] : folders) {
        data.AssignAsNextIdIfHigher(std::make_shared<Category>(id, parent, name));
    }
    return data;
}

constexpr std::uint32_t kTop = Category::kNoParent;

TEST(ViewsFolderTree, FoldersGoBelowTheirParentsAndStraysToTheEnd) {
    // "Waise" names no folder, "Früh" names a parent that comes after it, "Doppelt" repeats an id.
    const PasswordData data = Stored({{0, kTop, u"Eins"},
                                      {1, 7, u"Waise"},
                                      {2, 0, u"Zwei"},
                                      {3, 4, u"Früh"},
                                      {4, kTop, u"Vier"},
                                      {2, kTop, u"Doppelt"},
                                      {5, 2, u"Fünf"}});
    QTreeWidget tree;
    const FolderSortOrder byIndexAscending{FolderSortOrder::kByIndex, FolderSortOrder::kAscending};
    EXPECT_TRUE(FolderToTreeVisualizer::Visualize(tree, data, byIndexAscending));
    QTreeWidgetItem* root = FolderToTreeVisualizer::RootItem(tree);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("Passwortordner"));
    // Sorted by position: the set-aside folders (1, 3) land among the others by index.
    EXPECT_EQ(Children(root), (QStringList{"Eins", "Waise", "Früh", "Vier"}));
    EXPECT_EQ(Children(root->child(0)), QStringList{"Zwei"});
    EXPECT_EQ(Children(root->child(0)->child(0)), QStringList{"Fünf"});
    EXPECT_EQ(FolderPositionOf(root->child(1)), std::optional<std::size_t>(1));
    EXPECT_FALSE(FolderPositionOf(root).has_value());
    EXPECT_EQ(FolderToTreeVisualizer::FindFolderItem(tree, 6), root->child(0)->child(0)->child(0));

    const PasswordData tidy = Stored({{0, kTop, u"A"}, {1, 0, u"B"}});
    EXPECT_FALSE(FolderToTreeVisualizer::Visualize(tree, tidy, byIndexAscending));
    EXPECT_EQ(tree.topLevelItemCount(), 1);
}

TEST(ViewsFolderTree, SortingByNameAndIndexInBothDirections) {
    const PasswordData data = Stored({{0, kTop, u"beta"}, {1, kTop, u"Alpha"}, {2, kTop, u"Äpfel"}, {3, kTop, u"gamma"}});
    QTreeWidget tree;
    auto order = [&](std::int32_t key, std::int32_t direction) {
        FolderToTreeVisualizer::Visualize(tree, data, {key, direction});
        return Children(FolderToTreeVisualizer::RootItem(tree));
    };
    // Lower-cased and compared by code value: "ä" (U+00E4) comes after every ASCII letter.
    EXPECT_EQ(order(FolderSortOrder::kByName, FolderSortOrder::kAscending),
              (QStringList{"Alpha", "beta", "gamma", "Äpfel"}));
    EXPECT_EQ(order(FolderSortOrder::kByName, FolderSortOrder::kDescending),
              (QStringList{"Äpfel", "gamma", "beta", "Alpha"}));
    EXPECT_EQ(order(FolderSortOrder::kByIndex, FolderSortOrder::kAscending),
              (QStringList{"beta", "Alpha", "Äpfel", "gamma"}));
    EXPECT_EQ(order(FolderSortOrder::kByIndex, FolderSortOrder::kDescending),
              (QStringList{"gamma", "Äpfel", "Alpha", "beta"}));
    EXPECT_EQ(CompareFolders({FolderSortOrder::kByName, FolderSortOrder::kAscending}, 0, u"ABC", 1, u"abc"), 0);
    EXPECT_LT(CompareFolders({FolderSortOrder::kByName, FolderSortOrder::kAscending}, 0, u"ab", 1, u"abc"), 0);
}

PasswordData OneFolder(int entries) {
    PasswordData data;
    auto folder = data.AddFolder(u"Ordner");
    for (int i = 0; i < entries; ++i) {
        folder->Entries().push_back(TestSupport::MakeEntry(i));
    }
    return data;
}

std::vector<std::size_t> Positions(const PasswordListModel& model) {
    std::vector<std::size_t> positions;
    for (const ListRow& row : model.Rows()) {
        positions.push_back(row.entry);
    }
    return positions;
}

TEST(ViewsEntryList, OrderByIndexAndOutcomes) {
    const PasswordData data = OneFolder(4);
    PasswordListModel model;
    ListSortOrder order;
    EXPECT_EQ(PasswordToListVisualizer::Visualize(model, data, 0, order), PasswordToListVisualizer::Outcome::Rows);
    EXPECT_EQ(Positions(model), (std::vector<std::size_t>{3, 2, 1, 0}));
    order.direction = ListSortOrder::kAscending;
    PasswordToListVisualizer::Visualize(model, data, 0, order);
    EXPECT_EQ(Positions(model), (std::vector<std::size_t>{0, 1, 2, 3}));
    EXPECT_EQ(model.index(1, 0).data(PasswordListModel::kEntryPositionRole).toULongLong(), 1u);

    EXPECT_EQ(PasswordToListVisualizer::Visualize(model, data, std::nullopt, order),
              PasswordToListVisualizer::Outcome::NoFolder);
    EXPECT_EQ(model.rowCount(), 0);
    PasswordData empty;
    empty.AddFolder(u"Leer");
    EXPECT_EQ(PasswordToListVisualizer::Visualize(model, empty, 0, order), PasswordToListVisualizer::Outcome::EmptyFolder);
    EXPECT_THROW(PasswordToListVisualizer::Visualize(model, empty, 5, order), Utilities::Exceptions::Exception);

    order.key = 32999;
    try {
        PasswordToListVisualizer::Visualize(model, data, 0, order);
        FAIL() << "an unknown key must throw";
    } catch (const ListSortError& e) {
        EXPECT_EQ(e.GetMessage().View(), u"Ungültige Sortierung der Passwörter.");
    }
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ViewsEntryList, ABrokenFolderGivesTheSortMessageOfItsKey) {
    PasswordData data = OneFolder(2);
    data.Folders()[0]->Entries().push_back(nullptr);
    PasswordListModel model;
    const std::pair<std::int32_t, std::u16string_view> keys[] = {
        {ListSortOrder::kByName, u"Fehler beim Sortieren der Passwörter nach Namen."},
        {ListSortOrder::kByCreation, u"Fehler beim Sortieren der Passwörter nach dem Erstelldatum."},
        {ListSortOrder::kByModification, u"Fehler beim Sortieren der Passwörter nach der letzten Änderung."},
        {ListSortOrder::kByExpiry, u"Fehler beim Sortieren der Passwörter nach dem Verfallsdatum."}};
    for (const auto& [key, message] : keys) {
        try {
            PasswordToListVisualizer::Visualize(model, data, 0, {key, ListSortOrder::kAscending});
            ADD_FAILURE() << key;
        } catch (const ListSortError& e) {
            EXPECT_EQ(e.GetMessage().View(), message);
        }
    }
}

TEST(ViewsEntryList, SearchResultsKeepTheirOrderAndTellTheFolder) {
    PasswordData data = TestSupport::MakeVault(2, 5);
    PasswordListModel model;
    PasswordToListVisualizer::VisualizeSearchResult(model, data, {{1, 1}, {0, 0}, {0, 2}});
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.index(0, PasswordListModel::kDescription).data().toString(), QStringLiteral("Eintrag 3"));
    EXPECT_EQ(model.index(2, PasswordListModel::kDescription).data().toString(), QStringLiteral("Eintrag 4"));
    EXPECT_EQ(model.index(0, PasswordListModel::kDescription).data(Qt::ToolTipRole).toString(),
              QStringLiteral("Ordner: Ordner B [2 total]"));
    EXPECT_EQ(model.index(1, PasswordListModel::kDescription).data(Qt::ToolTipRole).toString(),
              QStringLiteral("Ordner: Ordner A [3 total]"));
    EXPECT_THROW(PasswordToListVisualizer::VisualizeSearchResult(model, data, {{0, 0}, {1, 2}}),
                 Utilities::Exceptions::Exception);
    EXPECT_THROW(PasswordToListVisualizer::VisualizeSearchResult(model, data, {{2, 0}}), Utilities::Exceptions::Exception);
    EXPECT_EQ(model.rowCount(), 0);
    // A folder's list carries no tips.
    PasswordToListVisualizer::Visualize(model, data, 0, {});
    EXPECT_FALSE(model.index(0, PasswordListModel::kDescription).data(Qt::ToolTipRole).isValid());
}

TEST(ViewsEntryList, MaskedCellsAndValidityImages) {
    const std::int64_t now = 1'700'000'000;
    TestSupport::ClockOverride clock(now);
    PasswordData data;
    auto folder = data.AddFolder(u"Ablauf");
    auto add = [&](std::uint32_t mode, std::int64_t expiry, std::int64_t changed) {
        auto item = std::make_shared<PasswordItem>();
        item->SetUserName(u"jemand");
        item->SetPassword(changed, StringServiceProvider::SecureString(std::u16string_view(u"geheim")));
        item->SetValidityMode(mode);
        item->SetExpiry(expiry);
        folder->Entries().push_back(item);
    };
    add(0, 0, now);                      // no validity
    add(1, now + 3 * 86400, now);        // three days ahead
    add(1, now - 1, now);                // expired a second ago
    add(2, 30, now - 40 * 86400);        // 30 days from a reference date 40 days ago
    add(1, now + 432000, now);           // exactly five days: still "soon"
    add(1, now + 432001, now);           // just beyond
    add(2, 30, now);                     // 30 days from now
    PasswordListModel model;
    model.SetClock([now] { return now; });
    PasswordToListVisualizer::Visualize(model, data, 0, {ListSortOrder::kByIndex, ListSortOrder::kAscending});
    const int expected[] = {0, 2, 3, 3, 2, 1, 1};
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(PasswordListModel::ExpiryImage(*model.RowAt(row)->item, now), expected[row]) << row;
        EXPECT_EQ(model.index(row, PasswordListModel::kValidity).data(Qt::DecorationRole).isValid(), expected[row] != 0);
    }
    const QString circles(8, QChar(0x25CF));
    EXPECT_EQ(model.index(0, PasswordListModel::kUserName).data().toString(), circles);
    EXPECT_EQ(model.index(0, PasswordListModel::kPassword).data().toString(), circles);
    model.SetShowPasswords(true);
    EXPECT_EQ(model.index(0, PasswordListModel::kUserName).data().toString(), QStringLiteral("jemand"));
    // Painted by the cell's delegate, never handed out as text.
    EXPECT_TRUE(model.index(0, PasswordListModel::kPassword).data().toString().isEmpty());
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Beschreibung"));
    EXPECT_FALSE(model.index(0, PasswordListModel::kSymbol).data(Qt::DecorationRole).isValid());
}

// The shown password is painted from the secure string: the cell shows text where a blank cell
// has none, each password its own, and a masked cell is the base delegate's drawing of the mask.
TEST(ViewsEntryList, ShownPasswordsArePaintedFromTheSecureString) {
    PasswordData data;
    auto folder = data.AddFolder(u"Allgemein");
    for (const char16_t* password : {u"Erstes-Geheimnis", u"Zweites-Wort-42"}) {
        auto item = std::make_shared<PasswordItem>();
        item->SetPassword(1, StringServiceProvider::SecureString(std::u16string_view(password)));
        folder->Entries().push_back(item);
    }
    folder->Entries().push_back(std::make_shared<PasswordItem>()); // no password
    PasswordListModel model;
    PasswordToListVisualizer::Visualize(model, data, 0, {ListSortOrder::kByIndex, ListSortOrder::kAscending});
    QTreeView view;
    view.setModel(&model);
    MFCServiceProvider::SecretTextDelegate delegate(
        [&model](const QModelIndex& index, StringServiceProvider::PlainString& out) {
            return model.RevealPasswordAt(index, out);
        });
    QStyledItemDelegate plain;

    const auto paint = [&](const QAbstractItemDelegate& with, int row) {
        QImage image(240, 24, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.rect = image.rect();
        option.widget = &view;
        option.state |= QStyle::State_Enabled;
        with.paint(&painter, option, model.index(row, PasswordListModel::kPassword));
        return image;
    };
    const QImage maskedOwn = paint(delegate, 0);
    EXPECT_EQ(maskedOwn, paint(plain, 0));

    model.SetShowPasswords(true);
    const QImage first = paint(delegate, 0);
    const QImage second = paint(delegate, 1);
    const QImage none = paint(delegate, 2);
    EXPECT_EQ(none, paint(plain, 2)); // an empty cell: nothing to reveal
    EXPECT_NE(first, none);
    EXPECT_NE(second, none);
    EXPECT_NE(first, second);
    EXPECT_NE(first, maskedOwn);
    // Room for the secret as for a text: wider than the empty cell, the longer the wider.
    QStyleOptionViewItem option;
    option.initFrom(&view);
    option.widget = &view;
    const QSize emptySize = delegate.sizeHint(option, model.index(2, PasswordListModel::kPassword));
    const QSize firstSize = delegate.sizeHint(option, model.index(0, PasswordListModel::kPassword));
    EXPECT_GT(firstSize.width(), emptySize.width() + 40);
    EXPECT_GE(firstSize.height(), QFontMetrics(option.font).height());
}

TEST(ViewsEntryDrag, OnlyThisProcessesDragsAreRead) {
    std::unique_ptr<QMimeData> mime(EncodeDraggedEntries({{1, 2}, {0, 7}}));
    const auto decoded = DecodeDraggedEntries(mime.get());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, (std::vector<EntryPosition>{{1, 2}, {0, 7}}));
    // No field text travels with the positions.
    EXPECT_EQ(mime->formats(), QStringList{QString::fromLatin1(kEntryMimeType)});

    const QByteArray good = mime->data(QString::fromLatin1(kEntryMimeType));
    auto decode = [](const QByteArray& bytes) {
        QMimeData data;
        data.setData(QString::fromLatin1(kEntryMimeType), bytes);
        return DecodeDraggedEntries(&data);
    };
    QByteArray forged = good;
    forged[3] = static_cast<char>(forged[3] ^ 0x40);
    EXPECT_FALSE(decode(forged).has_value());
    EXPECT_FALSE(decode(good.left(good.size() - 1)).has_value());
    EXPECT_FALSE(decode(good + QByteArray(1, '\0')).has_value());
    QByteArray huge = good.left(16);
    huge.append(QByteArray::fromHex("7fffffff"));
    EXPECT_FALSE(decode(huge).has_value());
    EXPECT_FALSE(decode(QByteArray()).has_value());
    EXPECT_FALSE(DecodeDraggedEntries(nullptr).has_value());
    QMimeData text;
    text.setText(QStringLiteral("0 0"));
    EXPECT_FALSE(DecodeDraggedEntries(&text).has_value());
}

TEST(ViewsInformationPanel, FieldsHistoryAndDates) {
    CInformationPanel panel;
    auto item = TestSupport::MakeEntry(4);
    panel.ShowEntry(item);
    ASSERT_EQ(panel.FieldList()->topLevelItemCount(), 1);
    EXPECT_EQ(panel.FieldList()->topLevelItem(0)->text(0), QStringLiteral("Kundennummer"));
    EXPECT_EQ(panel.FieldList()->topLevelItem(0)->text(1), QStringLiteral("K-4"));
    EXPECT_EQ(panel.FieldList()->headerItem()->text(1), QStringLiteral("Wert"));
    EXPECT_EQ(panel.HistoryList()->headerItem()->text(0), QStringLiteral("Datum"));
    EXPECT_EQ(panel.HistoryList()->topLevelItem(0)->text(1), QString(8, QChar(0x25CF)));
    StringServiceProvider::PlainString revealed;
    const QModelIndex cell = panel.HistoryList()->model()->index(0, 1);
    EXPECT_FALSE(panel.RevealHistoryPassword(cell, revealed));
    panel.SetHistoryMasked(false);
    // Painted from the secure string by the column's delegate, never put into the item.
    EXPECT_TRUE(panel.HistoryList()->topLevelItem(0)->text(1).isEmpty());
    ASSERT_TRUE(panel.RevealHistoryPassword(cell, revealed));
    EXPECT_EQ(revealed.View(), std::u16string_view(u"alt 4"));
    EXPECT_FALSE(panel.RevealHistoryPassword(panel.HistoryList()->model()->index(0, 0), revealed));
    EXPECT_FALSE(panel.SelectedField().has_value());
    panel.FieldList()->setCurrentItem(panel.FieldList()->topLevelItem(0));
    EXPECT_EQ(panel.SelectedField(), std::optional<std::size_t>(0));
    panel.ClearLists();
    EXPECT_EQ(panel.HistoryList()->topLevelItemCount(), 0);

    qputenv("TZ", "UTC");
    tzset();
    EXPECT_EQ(CInformationPanel::FormatDate(1'583'020'800 + 3600 * 13 + 62), QStringLiteral("01. März 2020 13:01:02"));
}

class CheckedTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        data = TestSupport::MakeVault(3, 5); // A: 0, 3   B (in A): 1, 4   C: 2
        EXPECT_FALSE(tree.AddPasswordData("/home/alice/Konten.twdb", data));
        root = tree.RootItem();
    }
    QTreeWidgetItem* Folder(const QString& name) {
        const auto found = tree.findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.front();
    }

    TestSupport::ScriptedResponder responder;
    PasswordData data;
    Tarnwick::TreeProvider::PasswordDataTreeCtrl tree;
    QTreeWidgetItem* root = nullptr;
};

TEST_F(CheckedTreeTest, FoldersComeBeforeEntriesInTheFolderOrder) {
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), QStringLiteral("Passwortdatenbank: Konten.twdb"));
    // Folder order index, descending.
    EXPECT_EQ(Children(root), (QStringList{"Ordner C", "Ordner A"}));
    EXPECT_EQ(Children(Folder("Ordner A")), (QStringList{"Ordner B", "Eintrag 3", "Eintrag 0"}));

    tree.AddPasswordData("Konten.twdb", data, {FolderSortOrder::kByName, FolderSortOrder::kAscending});
    EXPECT_EQ(Children(tree.RootItem()), (QStringList{"Ordner A", "Ordner C"}));
    EXPECT_EQ(Children(Folder("Ordner A")), (QStringList{"Ordner B", "Eintrag 0", "Eintrag 3"}));
}

TEST_F(CheckedTreeTest, ChecksSpreadDownAndUp) {
    QTreeWidgetItem* a = Folder("Ordner A");
    QTreeWidgetItem* b = Folder("Ordner B");
    QTreeWidgetItem* e1 = b->child(0);
    QTreeWidgetItem* e4 = b->child(1);
    tree.SetCheck(e1, true);
    EXPECT_EQ(tree.CheckStateOf(b), Qt::PartiallyChecked);
    EXPECT_EQ(tree.CheckStateOf(a), Qt::PartiallyChecked);
    EXPECT_EQ(tree.CheckStateOf(root), Qt::PartiallyChecked);
    EXPECT_EQ(b->checkState(0), Qt::PartiallyChecked);
    tree.SetCheck(e4, true);
    EXPECT_EQ(tree.CheckStateOf(b), Qt::Checked);
    EXPECT_EQ(tree.CheckStateOf(a), Qt::PartiallyChecked);
    EXPECT_EQ(tree.DataOf(a)->below, 5u);
    EXPECT_EQ(tree.DataOf(a)->checkedBelow, 3u);
    EXPECT_EQ(tree.GetCheckedItems(), (std::vector<EntryPosition>{{1, 1}, {1, 0}}));

    tree.SetCheck(a, true);
    EXPECT_EQ(tree.CheckStateOf(Folder("Eintrag 0")), Qt::Checked);
    EXPECT_EQ(tree.CheckStateOf(root), Qt::PartiallyChecked);
    tree.SetCheck(root, false);
    EXPECT_TRUE(tree.GetCheckedItems().empty());
    tree.SetCheck(root, true);
    EXPECT_EQ(tree.GetCheckedItems().size(), 5u);
}

TEST_F(CheckedTreeTest, SpaceAndTheBoxToggle) {
    QTreeWidgetItem* c = Folder("Ordner C");
    tree.setCurrentItem(c);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&tree, &space);
    EXPECT_EQ(tree.CheckStateOf(c), Qt::Checked);
    EXPECT_EQ(tree.GetCheckedItems(), (std::vector<EntryPosition>{{2, 0}}));
    QApplication::sendEvent(&tree, &space);
    EXPECT_EQ(tree.CheckStateOf(c), Qt::Unchecked);
    // What the box does when clicked: the item's state changes through the model.
    Folder("Ordner B")->setCheckState(0, Qt::Checked);
    EXPECT_EQ(tree.CheckStateOf(Folder("Eintrag 4")), Qt::Checked);
    EXPECT_EQ(tree.CheckStateOf(Folder("Ordner A")), Qt::PartiallyChecked);
    Folder("Ordner A")->setCheckState(0, Qt::Checked);
    EXPECT_EQ(tree.CheckStateOf(Folder("Eintrag 0")), Qt::Checked);
}

TEST(ViewsCheckedTree, StrayFoldersAreWarnedAbout) {
    TestSupport::ScriptedResponder responder;
    const PasswordData data = Stored({{0, kTop, u"Eins"}, {1, 9, u"Waise"}});
    Tarnwick::TreeProvider::PasswordDataTreeCtrl tree;
    EXPECT_TRUE(tree.AddPasswordData("db.twdb", data));
    ASSERT_EQ(responder.Seen().size(), 1u);
    EXPECT_EQ(responder.Seen().front().text,
              QStringLiteral("Einige Ordner konnten nicht korrekt zugeordnet werden. Sie befinden sich am Ende der "
                             "Ordnerliste."));
    EXPECT_EQ(Children(tree.RootItem()), (QStringList{"Waise", "Eins"}));
}

TEST(ViewsCommandTable, EveryCommandOnceWithItsCaption) {
    using namespace Tarnwick::Commands;
    std::set<int> ids;
    for (const CommandInfo& info : CommandTable()) {
        EXPECT_TRUE(ids.insert(info.id).second) << info.id;
        EXPECT_FALSE(info.caption.empty()) << info.id;
        EXPECT_FALSE(info.description.empty()) << info.id;
    }
    EXPECT_EQ(FindCommand(ID_DATABASE_OPEN)->keys, QKeyCombination(Qt::ControlModifier, Qt::Key_O));
    EXPECT_EQ(FindCommand(ID_RUN_URL)->caption, u"Url/Programm starten.");
    EXPECT_EQ(FindCommand(ID_FEEDBACK)->caption, u"Feedback senden...");
    EXPECT_EQ(FindCommand(ID_FOLDER_DELETE)->scope, KeyScope::Tree);
    EXPECT_EQ(FindCommand(ID_PASSWORD_DELETE)->scope, KeyScope::List);
    EXPECT_EQ(FindCommand(ID_WORKSPACE_LOCK)->description, u"Sperrt den gesamten Arbeitsbereich.");
    EXPECT_EQ(FindCommand(ID_SHOW_PASSWORDS)->keys,
              QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Plus));
    EXPECT_EQ(FindCommand(12345), nullptr);
}

} // namespace
