#pragma once
// A temporary program folder with a tree file and a genus database.

#include "GenusLists.h"
#include "GenusSearch.h"
#include "TempFolder.h"

#include <string>
#include <vector>

class TSearchTest : public TStoreTest {
protected:
    void SetUp() override {
        TStoreTest::SetUp();
        ResetSearchState();
    }
    // Writes the tree file and loads it in display mode 3.
    void LoadTreeText(const std::string& lines) {
        Write("classifytree.dat", lines);
        ASSERT_EQ(LoadTree(Tree), 0);
    }
    std::vector<std::string> Captions(const TGenusEntries& entries) const {
        std::vector<std::string> captions;
        for (const auto& e : entries)
            captions.push_back(e.Caption(Tree));
        return captions;
    }

    TTaxonomyTree Tree;
};
