#pragma once
// A small data folder for the tests of deletions, their undo and the tree's change journal.

#include "TaxonomyTree.h"
#include "TempFolder.h"
#include "TextFiles.h"
#include "TreeEdit.h"
#include "UndoDelete.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

namespace {

// Every file of the program folder outside the journals (the deletions' and the tree's), by name.
inline std::map<std::string, std::string> FilesOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(item.path(), folder).string();
        if (item.is_regular_file() && name.rfind("undo/", 0) != 0 && name != "classifytree.changes")
            files[name] = ReadFileBytes(item.path().string());
    }
    return files;
}

// The tree in pre-order as "depth:marker#id#name#info[+]", + for an open node.
inline std::string Outline(const TTaxonomyTree& tree) {
    std::string s;
    tree.ForEachNode([&](const TTreeNode* n) {
        int depth = 0;
        for (const TTreeNode* p = n->Parent(); p; p = p->Parent())
            ++depth;
        s += std::to_string(depth) + ":" + std::string(n->Marker()) + "#" + std::string(n->Id()) + "#" +
             std::string(n->Name()) + "#" + std::string(n->Info()) + (n->Expanded() ? "+" : "") + "\n";
    });
    return s;
}

inline TTreeNode* Find(const TTaxonomyTree& tree, std::string_view id, std::string_view name = {}) {
    TTreeNode* found = nullptr;
    tree.ForEachNode([&](TTreeNode* n) {
        if (!found && n->Id() == id && (name.empty() || n->Name() == name))
            found = n;
    });
    return found;
}

class TUndoDeleteTest : public TStoreTest {
protected:
    // A small data folder: line ends of every kind, a database without its last line end, records
    // of every level, a user database and a user tree file.
    void MakeData() {
        Write("classifytree.dat", "#c#C#i\r\n"
                                  "\t#s#S#i\r\n"
                                  "\t\t#o#O#i\r\n"
                                  "\t\t\t\t#f1#F1#i\r\n"
                                  "\t\t\t\t\t#g1#G1#i\r\n"
                                  "\t\t\t\t\t#g2#G2#i\r\n"
                                  "\t\t\t\t\t#(n/a)#[p]#i\r\n"
                                  "\t\t\t\t#f2#F2#i\r\n"
                                  "\t\t\t\t\t#g3#G3#i\r\n"
                                  "#c2#C2#i\r\n");
        Write("class.dat", "c#C#m#d\nc2#C2#m#d");
        Write("order.dat", "o#O#m#d\r\n");
        Write("family.dat", "f1#F1#m#d\r\nf2#F2#m#d\r\n");
        Write("genus.dat", "g1#G1#m#d#t#c#-#####k\r\n\t#s1#m#d\r\n\t#s2#m#d\r\n"
                           "g2#G2#m\r\n\r\n"
                           "(n/a)#[p]#m\r\n"
                           "g3#G3#m\r\n\t#s3#m#d\r\n");
        Write("usr_genus.dat", "g1#Mine#m\r\n");
        Write("usr_tree.dat",
              "#c#C#i\r\n\t#s#S#i\r\n\t\t#o#O#i\r\n\t\t\t\t#f1#F1#i\r\n\t\t\t\t\t#(n/a)#[p]#i\r\n"
              "\t\t\t\t\t#g1#G1#i\r\n");
        ASSERT_EQ(LoadTree(Tree), 0);
        Find(Tree, "o")->SetExpanded(true);
        Find(Tree, "f1")->SetExpanded(true);
    }

    TTaxonomyTree Tree;
};

} // namespace
