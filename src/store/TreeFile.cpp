// The tree file, node captions and icons, look-up and the tree-state file.

#include "Constants.h"
#include "Errors.h"
#include "Fields.h"
#include "FileDescriptor.h"
#include "Global.h"
#include "Platform.h"
#include "StrUtils.h"
#include "TaxonomyTree.h"
#include "TextFiles.h"
#include "TreeChanges.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Puts the pieces of a file together in a buffer of fixed size that goes to the file whenever it
// is full; a large piece goes straight on, after what the buffer holds.
class TBufferedFile {
public:
    explicit TBufferedFile(const std::string& path)
        : FFile(path), FBuffer(std::make_unique_for_overwrite<char[]>(BufferSize)), FOut(FBuffer.get()) {}

    bool Wanted() const { return true; }
    void Put(std::string_view bytes) {
        char* const begin = FBuffer.get();
        if (bytes.size() >= DirectSize || bytes.size() > static_cast<size_t>(begin + BufferSize - FOut)) {
            FFile.Write(begin, static_cast<size_t>(FOut - begin));
            FOut = begin;
            if (bytes.size() >= DirectSize) {
                FFile.Write(bytes.data(), bytes.size());
                return;
            }
        }
        if (!bytes.empty())
            FOut = static_cast<char*>(std::memcpy(FOut, bytes.data(), bytes.size())) + bytes.size();
    }
    void Commit() {
        FFile.Write(FBuffer.get(), static_cast<size_t>(FOut - FBuffer.get()));
        FFile.Commit();
    }

private:
    static constexpr size_t BufferSize = 1024 * 1024;
    static constexpr size_t DirectSize = 64 * 1024;
    TAtomicFile FFile;
    std::unique_ptr<char[]> FBuffer;
    char* FOut;
};

// Compares the pieces of a file with the bytes of the file there is, a buffer at a time: Wanted()
// until the first difference.
class TFileComparer {
public:
    explicit TFileComparer(const std::string& path)
        : FOld(open(path.c_str(), O_RDONLY | O_CLOEXEC)), FSame(FOld.Get() >= 0) {}

    bool Wanted() const { return FSame; }
    void Put(std::string_view bytes) {
        if (bytes.size() > BufferSize - FHeld) {
            Compare();
            if (bytes.size() > BufferSize) {
                for (; FSame && !bytes.empty(); bytes.remove_prefix(std::min(bytes.size(), BufferSize))) {
                    std::memcpy(FNew.get(), bytes.data(), std::min(bytes.size(), BufferSize));
                    FHeld = std::min(bytes.size(), BufferSize);
                    Compare();
                }
                return;
            }
        }
        std::memcpy(FNew.get() + FHeld, bytes.data(), bytes.size());
        FHeld += bytes.size();
    }
    // The same bytes, and no more of them in the file.
    bool Same() {
        Compare();
        char more;
        return FSame && ReadFully(&more, 1) == 0;
    }

private:
    void Compare() {
        if (FSame && FHeld != 0)
            FSame = ReadFully(FOldBytes.get(), FHeld) == FHeld &&
                    std::memcmp(FOldBytes.get(), FNew.get(), FHeld) == 0;
        FHeld = 0;
    }
    size_t ReadFully(char* to, size_t size) {
        size_t got = 0;
        while (got < size) {
            const ssize_t n = read(FOld.Get(), to + got, size - got);
            if (n == 0 || (n < 0 && errno != EINTR))
                break;
            got += n > 0 ? static_cast<size_t>(n) : 0;
        }
        return got;
    }

    static constexpr size_t BufferSize = 1024 * 1024;
    TFd FOld;
    bool FSame;
    std::unique_ptr<char[]> FNew = std::make_unique_for_overwrite<char[]>(BufferSize);
    std::unique_ptr<char[]> FOldBytes = std::make_unique_for_overwrite<char[]>(BufferSize);
    size_t FHeld = 0; // new bytes in FNew, not compared yet
};

// "marker#id#1" or 0 for every node, in pre-order, for as long as the sink wants them.
template <class TSink>
void PutTreeState(TSink& sink, const TTaxonomyTree& tree, const TIsExpanded& isExpanded) {
    for (TTaxonomyTree::TWalk walk(tree); walk.Node() && sink.Wanted(); walk.Advance()) {
        const TTreeNode* n = walk.Node();
        sink.Put(n->Marker());
        sink.Put("#");
        sink.Put(n->Id());
        sink.Put((isExpanded && isExpanded(n)) ? "#1\r\n" : "#0\r\n");
    }
}

} // namespace

TNodeTextPieces NodeTextPieces(int level, std::string_view name, std::string_view info, int mode) {
    TNodeTextPieces pieces;
    if (level >= 0 && level < static_cast<int>(LevelNames.size()) && level != GenusLevel) {
        pieces[0] = LevelNames[static_cast<size_t>(level)];
        pieces[1] = " ";
    }
    if (mode & 1)
        pieces[2] = name;
    if (mode & 2) {
        pieces[3] = " (";
        pieces[4] = info;
        pieces[5] = ")";
    }
    return pieces;
}

std::string NodeText(int level, std::string_view name, std::string_view info, int mode) {
    const TNodeTextPieces pieces = NodeTextPieces(level, name, info, mode);
    size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    std::string text;
    text.reserve(size);
    for (std::string_view piece : pieces)
        text += piece;
    return text;
}

int ImageIndexOf(const TTreeNode* node) {
    if (!node || node->Level() != GenusLevel)
        return 0;
    return node->Id() == NotAvailableId ? 4 : 2;
}

int SelectedIndexOf(const TTreeNode* node) {
    return ImageIndexOf(node) + 1;
}

int LoadTree(TTaxonomyTree& tree) {
    if (!tree.Empty())
        tree.Clear();
    const std::string path = AppFile(TreeFileName);
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return -1;
    if (static_cast<uint64_t>(st.st_size) > tree.MaxTextSize())
        throw ETooLarge("The tree file " + path + " is too large to load (" + std::to_string(st.st_size) +
                        " bytes; at most " + std::to_string(tree.MaxTextSize()) + ").");
    // The nodes keep their fields in the file's own bytes.
    TWholeFile file(path);
    const size_t size = file.Text().size();
    tree.LoadOutline(file.Release(), size);
    // Changes of a run that ended before it wrote the tree file.
    if (ReplayTreeChanges(tree) > 0)
        TreeModified = true;
    return tree.Empty() ? -1 : 0;
}

TTreeNode* AddTreeNode(TTaxonomyTree& tree, TTreeNode* parent, const TTaxonomyData& data) {
    TTreeNode* node = tree.AddNode(parent, data);
    UpdateTreeNode(tree, node, data);
    return node;
}

void UpdateTreeNode(TTaxonomyTree& tree, TTreeNode* node, const TTaxonomyData& data) {
    if (!node)
        return;
    if (node->Id() != data.Id() || node->Name() != data.Name() || node->Info() != data.Info())
        tree.SetFields(node, data);
    // Caption and icons are worked out from the data when shown.
    tree.NotifyChanged(node);
}

TTaxonomyData MakeNodeKey(int level, const std::string& id, const std::string& name,
                          const std::string& info) {
    return TTaxonomyData(std::string(static_cast<size_t>(level > 0 ? level : 0), ' '), LowerCase(id), name,
                         info);
}

TTreeNode* FindTreeNode(const TTaxonomyTree& tree, const TTaxonomyData& key) {
    const bool byName = key.Id() == NotAvailableId;
    for (TTaxonomyTree::TWalk walk(tree); TTreeNode* n = walk.Node(); walk.Advance()) {
        if (byName ? n->Name() == key.Name() : n->Id() == key.Id())
            return n;
    }
    return nullptr;
}

void SaveTreeFile(const TTaxonomyTree& tree) {
    TBufferedFile file(AppFile(TreeFileName));
    tree.PutLines([&](std::string_view bytes) { file.Put(bytes); });
    file.Commit();
    DiscardTreeChanges(); // the file holds them now
}

void LoadTreeState(const TTaxonomyTree& tree, const TSetExpanded& setExpanded) {
    const std::string path = AppFile(TreeStateFileName);
    if (!FileExists(path))
        return;
    // Read a block at a time: the state of a large tree is a large file. Each line is
    // marker#id#state; a line whose id is not the next node's is passed over.
    TTaxonomyTree::TWalk walk(tree);
    TTreeNode* node = walk.Node();
    auto apply = [&](std::string_view id, std::string_view value) {
        if (id != node->Id())
            return;
        // An unreadable state leaves the node as it is; the file itself only ever holds 0 and 1.
        int state = 0;
        const bool plain = value.size() == 1 && (value[0] == '0' || value[0] == '1');
        if (plain)
            state = value[0] - '0';
        if ((plain || TryStrToInt(value, state)) && setExpanded)
            setExpanded(node, state != 0);
        walk.Advance();
        node = walk.Node();
    };
    bool first = true;
    ReadLineBlocks(path, [&](std::string_view block) {
        // Only the file's own start may hold a byte-order mark.
        if (first)
            block = WithoutByteOrderMark(block);
        first = false;
        const char* const blockEnd = block.data() + block.size();
        ScanHashedLines(block, [&](const char* begin, const char* end,
                                   const std::array<const char*, 4>& hashes, size_t count) {
            // The empty piece between the CR and the LF of one line end is no line.
            if (!node || (begin == end && begin != block.data() && begin[-1] == '\r' && end != blockEnd &&
                          *end == '\n'))
                return;
            auto field = [&](size_t k) { // the text after the k-th '#' up to the next one
                if (k >= count + 1 || k == 0)
                    return std::string_view();
                const char* from = hashes[k - 1] + 1;
                return std::string_view(from, static_cast<size_t>((k < count ? hashes[k] : end) - from));
            };
            apply(field(1), field(2));
        });
        return node != nullptr;
    });
}

void SaveTreeState(const TTaxonomyTree& tree, const TIsExpanded& isExpanded) {
    const std::string path = AppFile(TreeStateFileName);
    // Mostly the state is what the last run left: then the file stays as it is.
    TFileComparer old(path);
    PutTreeState(old, tree, isExpanded);
    if (old.Same())
        return;
    TBufferedFile file(path);
    PutTreeState(file, tree, isExpanded);
    file.Commit();
}
