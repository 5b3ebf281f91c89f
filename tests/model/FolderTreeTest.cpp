#include <gtest/gtest.h>

#include <string>

#include "model/FolderTree.h"

using namespace Tarnwick::PasswordADT;

namespace {

// Folders given as (id, parent) pairs, named after their id.
PasswordData Folders(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& pairs) {
    PasswordData data;
    for (const auto& [id, parent] : pairs) {
        std::u16string name;
        for (char c : std::to_string(id)) {
            name.push_back(static_cast<char16_t>(c));
        }
        data.AssignAsNextIdIfHigher(std::make_shared<Category>(id, parent, name));
    }
    return data;
}

std::vector<std::uint32_t> Ids(const std::vector<CategoryRef>& folders) {
    std::vector<std::uint32_t> ids;
    for (const auto& folder : folders) {
        ids.push_back(folder->GetId());
    }
    return ids;
}

constexpr std::uint32_t kTop = Category::kNoParent;

} // namespace

TEST(FolderTree, ChildrenInListOrderAndOrphansAtTheTop) {
    // 3 comes before its parent 1; 4's parent 9 does not exist.
    const PasswordData data = Folders({{3, 1}, {0, kTop}, {1, 0}, {2, 0}, {4, 9}});
    const FolderTree tree(data);
    EXPECT_EQ(Ids(tree.TopLevel()), (std::vector<std::uint32_t>{0, 4}));
    EXPECT_EQ(Ids(tree.Children(tree.Find(0).get())), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(Ids(tree.Children(tree.Find(1).get())), (std::vector<std::uint32_t>{3}));
    EXPECT_TRUE(tree.Children(tree.Find(3).get()).empty());
    EXPECT_EQ(tree.Parent(*tree.Find(3)), tree.Find(1).get());
    EXPECT_EQ(tree.Parent(*tree.Find(4)), nullptr);
    EXPECT_EQ(tree.Find(7), nullptr);
}

TEST(FolderTree, LoopsAreFoundAndEveryFolderStaysReachableOnce) {
    // 1 -> 2 -> 3 -> 1 is a loop with 4 hanging below 3; 5 is its own parent; 6 -> 7 -> 8 is
    // a chain that ends at the top.
    PasswordData data = Folders({{1, 3}, {2, 1}, {3, 2}, {4, 3}, {5, 5}, {6, 7}, {7, 8}, {8, kTop}});
    const std::vector<bool> inLoop = FoldersInParentLoops(data);
    EXPECT_EQ(inLoop, (std::vector<bool>{true, true, true, false, true, false, false, false}));

    const FolderTree tree(data);
    std::size_t reached = 0;
    std::vector<const Category*> pending{nullptr};
    while (!pending.empty()) {
        const Category* folder = pending.back();
        pending.pop_back();
        for (const auto& child : tree.Children(folder)) {
            ++reached;
            pending.push_back(child.get());
        }
    }
    EXPECT_EQ(reached, data.FolderCount());

    EXPECT_EQ(BreakParentLoops(data), 4u);
    for (std::size_t i : {0u, 1u, 2u, 4u}) {
        EXPECT_TRUE(data.Folders()[i]->IsTopLevel()) << i;
    }
    EXPECT_EQ(data.Folders()[3]->GetParentId(), 3u);
    EXPECT_EQ(data.Folders()[5]->GetParentId(), 7u);
    EXPECT_EQ(BreakParentLoops(data), 0u);
}

TEST(FolderTree, ADeepChainIsWalkedWithoutRecursion) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
    pairs.emplace_back(0, kTop);
    for (std::uint32_t i = 1; i < 50000; ++i) {
        pairs.emplace_back(i, i - 1);
    }
    PasswordData data = Folders(pairs);
    EXPECT_EQ(BreakParentLoops(data), 0u);
    const FolderTree tree(data);
    EXPECT_EQ(Ids(tree.TopLevel()), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(tree.Parent(*tree.Find(49999)), tree.Find(49998).get());
    // Closing the chain into a loop moves all of it.
    data.Folders()[0]->SetParentId(49999);
    EXPECT_EQ(BreakParentLoops(data), 50000u);
}
