#include "TreeChanges.h"

#include "Constants.h"
#include "FileDescriptor.h"
#include "Global.h"
#include "JournalText.h"
#include "Platform.h"
#include "TextFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view JournalHead = "tree-changes 1";
// Past this the tree file is written instead: replaying stays quick, and the journal small.
constexpr uint64_t JournalMaxBytes = 64 << 20;
// The most a journal of ours can have grown to (a large branch put back in one change).
constexpr uint64_t JournalReadMaxBytes = uint64_t(1) << 31;

// Which tree file a journal belongs to: a write or a download replaces the file by a new one.
std::string TreeFileIdentity() {
    struct stat st;
    if (stat(AppFile(TreeFileName).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return JoinNumbers({static_cast<size_t>(st.st_dev), static_cast<size_t>(st.st_ino),
                        static_cast<size_t>(st.st_size), static_cast<size_t>(st.st_mtim.tv_sec),
                        static_cast<size_t>(st.st_mtim.tv_nsec)});
}

std::string Header(const std::string& identity) {
    std::string text;
    PutEntry(text, "journal", JournalHead);
    PutEntry(text, "tree", identity);
    return text;
}

// The identity the journal's header names, "" when it has none.
std::string JournalIdentity(TJournalReader& reader) {
    if (reader.AtEnd() ||
        reader.Next() != std::pair<std::string_view, std::string_view>("journal", JournalHead))
        return {};
    const auto [key, value] = reader.Next();
    return key == "tree" ? std::string(value) : std::string();
}

TTreeNode* NodeAt(const TTaxonomyTree& tree, const std::vector<size_t>& rows) {
    TTreeNode* node = nullptr;
    for (size_t row : rows) {
        if (row >= tree.ChildCount(node))
            return nullptr;
        node = tree.Child(node, row);
    }
    return node;
}

// Applies one change; false when it does not fit the tree.
bool Apply(TTaxonomyTree& tree, std::string_view kind, const std::vector<size_t>& rows, std::string_view key,
           const std::vector<TTaxonomyTree::TBranchLine>& branch) {
    if (rows.empty())
        return false;
    if (kind == "set") {
        TTreeNode* node = NodeAt(tree, rows);
        if (!node || branch.size() != 1 || node->Marker() != branch.front().Data.Marker())
            return false;
        UpdateTreeNode(tree, node, branch.front().Data);
        return true;
    }
    if (kind == "delete") {
        TTreeNode* node = NodeAt(tree, rows);
        if (!node || KeyOf(node) != key)
            return false;
        tree.DeleteNode(node);
        return true;
    }
    if (kind == "insert") {
        TTreeNode* parent = NodeAt(tree, std::vector<size_t>(rows.begin(), rows.end() - 1));
        if ((rows.size() > 1 && !parent) || rows.back() > tree.ChildCount(parent))
            return false;
        try {
            tree.InsertBranch(parent, rows.back(), branch);
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }
    return false;
}

} // namespace

TTreeChange TTreeChange::Fields(const TTreeNode* node) {
    TTreeChange change;
    PutEntry(change.FText, "set", JoinNumbers(RowsOf(node)));
    PutEntry(change.FText, "node", BranchNodeValue(0, node));
    PutEntry(change.FText, "end", "");
    return change;
}

TTreeChange TTreeChange::Inserted(const TTaxonomyTree& tree, const TTreeNode* top) {
    TTreeChange change;
    PutEntry(change.FText, "insert", JoinNumbers(RowsOf(top)));
    PutBranch(change.FText, tree, top);
    PutEntry(change.FText, "end", "");
    return change;
}

TTreeChange TTreeChange::Deleting(const TTreeNode* node) {
    TTreeChange change;
    PutEntry(change.FText, "delete", JoinNumbers(RowsOf(node)));
    PutEntry(change.FText, "key", KeyOf(node));
    PutEntry(change.FText, "end", "");
    return change;
}

std::string TreeChangesFile() {
    return AppFile("classifytree.changes");
}

void NoteTreeChange(const TTaxonomyTree& tree, const TTreeChange& change) {
    const std::string identity = TreeFileIdentity();
    if (identity.empty()) {
        SaveTreeFile(tree);
        return;
    }
    const std::string path = TreeChangesFile();
    try {
        TFd fd(OpenRegularFile(path, JournalMaxBytes, O_RDWR | O_APPEND, true));
        char head[256];
        const ssize_t got = pread(fd.Get(), head, sizeof head, 0);
        TJournalReader reader(std::string_view(head, got > 0 ? static_cast<size_t>(got) : 0));
        if (JournalIdentity(reader) == identity) {
            const std::string& text = change.Text();
            if (write(fd.Get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
                AtomicFileSync(fd.Get()) != 0)
                throw EWriteError("Cannot write file " + path + ": " + std::strerror(errno));
            return;
        }
    } catch (const EJournalDamaged&) {
        // A header torn by a crash: a new journal takes its place.
    } catch (const EFOpenError&) {
        // None yet, one of another tree file's, or one grown large: see below.
    }
    struct stat st;
    if (lstat(path.c_str(), &st) == 0) {
        if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > JournalMaxBytes) {
            SaveTreeFile(tree);
            return;
        }
        // Never written through: a link or anything else in its place goes first.
        if (!S_ISREG(st.st_mode))
            unlink(path.c_str());
    }
    WriteTextFileAtomic(path, Header(identity) + change.Text());
}

size_t ReplayTreeChanges(TTaxonomyTree& tree) {
    const std::string path = TreeChangesFile();
    std::string text;
    try {
        text = ReadRegularFile(path, JournalReadMaxBytes);
    } catch (const EFOpenError&) {
        return 0;
    }
    TJournalReader reader(text);
    size_t applied = 0;
    size_t kept = 0; // the bytes of the header and the changes applied
    try {
        if (JournalIdentity(reader) != TreeFileIdentity()) {
            DiscardTreeChanges();
            return 0;
        }
        kept = reader.Position();
        while (!reader.AtEnd()) {
            const auto [kind, rowText] = reader.Next();
            const std::vector<size_t> rows = TJournalReader::Numbers(rowText);
            std::string key;
            std::vector<TTaxonomyTree::TBranchLine> branch;
            for (;;) {
                const auto [entry, value] = reader.Next();
                if (entry == "end")
                    break;
                if (entry == "node")
                    branch.push_back(ParseBranchNode(value));
                else if (entry == "key")
                    key = value;
                else
                    TJournalReader::Bad();
            }
            if (!Apply(tree, kind, rows, key, branch))
                break;
            ++applied;
            kept = reader.Position();
        }
    } catch (const EOrvError&) {
        // A torn or damaged change ends the replay.
    }
    if (kept < text.size()) {
        // Later changes are appended after the last one that applied, never after a torn one.
        try {
            if (applied == 0)
                DiscardTreeChanges();
            else
                WriteTextFileAtomic(path, std::string_view(text).substr(0, kept));
        } catch (const EOrvError&) {
            // Replayed again at the next load, up to the same place.
        }
    }
    return applied;
}

void DiscardTreeChanges() {
    unlink(TreeChangesFile().c_str());
}
