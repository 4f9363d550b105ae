// Feeds arbitrary bytes to the data-file readers: the tree file (with the tree state), a genus
// database and an INI file. Each must read any input without crashing, hanging or reading out of
// bounds, and a tree written back must load to the same number of nodes.
#include "Detail.h"
#include "Global.h"
#include "Ini.h"
#include "TaxonomyTree.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string Folder() {
    static const std::string folder = [] {
        const std::string f =
            (std::filesystem::temp_directory_path() / ("orv-fuzz-store-" + std::to_string(::getpid())))
                .string();
        std::filesystem::create_directories(f);
        SetProgramFolder(f);
        return f + "/";
    }();
    return folder;
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string folder = Folder();

    WriteTextFileAtomic(folder + "classifytree.dat", bytes);
    WriteTextFileAtomic(folder + "treestate.dat", bytes);
    TTaxonomyTree tree;
    if (LoadTree(tree) == 0) {
        const size_t count = tree.Count();
        LoadTreeState(tree, [](TTreeNode*, bool) {});
        for (TTreeNode* n = tree.First(); n; n = tree.Next(n))
            Check(!tree.Caption(n).empty() || n->Level() == 5);
        SaveTreeFile(tree);
        TTaxonomyTree again;
        Check(LoadTree(again) == 0 && again.Count() == count);
    }

    WriteTextFileAtomic(folder + "genus.dat", bytes);
    TTaxonomyDetail record;
    for (const char* id : {"a", "(n/a)", "", "#"}) {
        ReadDetail(TTaxonomyData("\t\t\t\t\t", id, "Name", "info"), record);
        Check(record.Level == 5 || record.Level == -1 || record.Level == -2);
    }
    TStringList lines = SplitLines(bytes);
    RemoveRecordLines(lines, 5, "a", true);

    WriteTextFileAtomic(folder + "options.ini", bytes);
    TIniFile ini(folder + "options.ini");
    ini.ReadString("Server", "URL", "x");
    ini.ReadInteger("Window", "ListType", 3);
    ini.ReadBool("Window", "SaveTree", true);
    const TStringList values = ini.ReadSectionValues("Codes");
    (void)values;
    ini.WriteString("Server", "Id", "17");
    ini.UpdateFile();
    return 0;
}
