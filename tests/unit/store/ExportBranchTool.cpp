// Exports one branch of a program folder's tree as the program does, for the test that reads the
// files back with Python's csv, zipfile and XML parser: export_branch_tool FOLDER BRANCH-ID OUTPUT.
#include "BranchExport.h"
#include "Global.h"
#include "Platform.h"
#include "SummaryText.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER BRANCH-ID OUTPUT\n", argv[0]);
        return 2;
    }
    const std::string output = argv[3];
    try {
        SetProgramFolder(argv[1]);
        LoadSummaryCodes();
        TTaxonomyTree tree;
        if (LoadTree(tree) != 0)
            throw std::runtime_error("no tree");
        const TTreeNode* node = FindTreeNode(tree, MakeNodeKey(0, argv[2], "", ""));
        if (!node)
            throw std::runtime_error("no branch with that id");
        const TExportCounts counts =
            ExportBranch(node, output, ExportFormatOf(output), {}, SummaryTextReader());
        std::printf("%zu %zu\n", counts.Branches, counts.Species);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", ExportErrorText(output, e).c_str());
        return 1;
    }
    return 0;
}
