#include "BranchExport.h"

#include "Constants.h"
#include "DatabaseRecords.h"
#include "Detail.h"
#include "Errors.h"
#include "Fields.h"
#include "TextFiles.h"
#include "ZipWriter.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>

const std::array<const char*, 15> CsvColumns = {"level",
                                                "id",
                                                "name",
                                                "info",
                                                "meaning",
                                                "description",
                                                "korvel_type",
                                                "common_name",
                                                "picture",
                                                "picture_copyright",
                                                "picture_copyright_url",
                                                "picture_owner",
                                                "picture_owner_url",
                                                "keywords",
                                                "path"};

const std::array<TDarwinCoreTerm, 5> DarwinCoreColumns = {{
    {"taxonID", "http://rs.tdwg.org/dwc/terms/taxonID"},
    {"parentNameUsageID", "http://rs.tdwg.org/dwc/terms/parentNameUsageID"},
    {"scientificName", "http://rs.tdwg.org/dwc/terms/scientificName"},
    {"taxonRank", "http://rs.tdwg.org/dwc/terms/taxonRank"},
    {"vernacularName", "http://rs.tdwg.org/dwc/terms/vernacularName"},
}};

namespace {
constexpr std::string_view PathSeparator = " > ";
constexpr size_t ProgressEvery = 4096;
constexpr size_t FlushAt = 1 << 20;
constexpr std::array<const char*, 7> Ranks = {"class",  "subclass", "order",  "suborder",
                                              "family", "genus",    "species"};

// Text gathered in blocks before it goes on.
class TBlockOut {
public:
    explicit TBlockOut(std::function<void(std::string_view)> flush) : FFlush(std::move(flush)) {
        Text.reserve(FlushAt + 65536);
    }
    void Check() {
        if (Text.size() >= FlushAt)
            Flush();
    }
    void Flush() {
        FFlush(Text);
        Text.clear();
    }
    std::string Text;

private:
    std::function<void(std::string_view)> FFlush;
};

// A CSV cell: quoted when it holds a comma, a quote or a line break.
void PutCsv(std::string& out, std::string_view value) {
    if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += value;
        return;
    }
    out += '"';
    for (char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// A taxon.txt value: its columns are cut at TAB and its rows at line breaks, with no quoting.
void PutPlain(std::string& out, std::string_view value) {
    for (char c : value)
        out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

// The record of each branch and the species of each genus, from the level databases read once.
class TRecordSource {
public:
    const TDatabaseRecords& Level(int level) {
        auto& slot = FLevels[static_cast<size_t>(level)];
        if (!slot)
            slot.emplace(DetailFile(level, false), level);
        return *slot;
    }

private:
    std::array<std::optional<TDatabaseRecords>, LevelCount> FLevels;
};

class TExporter {
public:
    TExporter(TBlockOut& out, TExportFormat format, const TExportProgress& progress, const TExportText& text)
        : FOut(out), FFormat(format), FProgress(progress), FText(text) {}

    TExportCounts Run(const std::vector<const TTreeNode*>& roots);

private:
    void Walk(const TTreeNode* root);
    void Branch(const TTreeNode* node, size_t depth);
    // `genus`: the name of the genus in the tree, which the summary puts before each species.
    void Species(const TDatabaseRecords& db, const TDatabaseRecords::TRecord& record, std::string_view genus,
                 size_t depth);
    void TaxonRow(std::string_view id, std::string_view parent, std::string_view name, int rank,
                  std::string_view vernacular);
    // The text written for a stored field, valid until the next call; `lines`: its "|" are line
    // breaks, which come back as "\n".
    std::string_view Shown(std::string_view stored, bool lines = false);

    TBlockOut& FOut;
    TExportFormat FFormat;
    const TExportProgress& FProgress;
    const TExportText& FText;
    TRecordSource FRecords;
    std::vector<std::string> FPaths; // by depth below the root: the names from the top of the tree
    std::vector<std::string> FIds;   // by depth: the taxonID written for the branch
    TIdTable FSeenIds;
    std::string FPrefix; // the names above the root
    std::string FSpeciesPath;
    std::string FSpeciesId;
    std::string FSpeciesName;
    std::string FShown;
    size_t FGenerated = 0;
    TExportCounts FCounts;
};

TExportCounts TExporter::Run(const std::vector<const TTreeNode*>& roots) {
    std::string& out = FOut.Text;
    if (FFormat == TExportFormat::Csv) {
        for (size_t c = 0; c < CsvColumns.size(); ++c)
            out += (c ? "," : "") + std::string(CsvColumns[c]);
        out += "\r\n";
    } else {
        for (size_t c = 0; c < DarwinCoreColumns.size(); ++c)
            out += (c ? "\t" : "") + std::string(DarwinCoreColumns[c].Column);
        out += '\n';
    }
    for (const TTreeNode* root : roots)
        Walk(root);
    if (FProgress && !FProgress(FCounts.Branches))
        throw EAbort();
    return FCounts;
}

void TExporter::Walk(const TTreeNode* root) {
    FPrefix.clear();
    for (const TTreeNode* above = root->Parent(); above; above = above->Parent())
        FPrefix.insert(0, std::string(above->Name()) + std::string(PathSeparator));
    struct TFrame {
        const TTreeNode* Node;
        size_t Depth;
    };
    std::vector<TFrame> stack{{root, 0}};
    while (!stack.empty()) {
        const TFrame frame = stack.back();
        stack.pop_back();
        Branch(frame.Node, frame.Depth);
        if (FCounts.Branches % ProgressEvery == 0 && FProgress && !FProgress(FCounts.Branches))
            throw EAbort();
        for (auto child = frame.Node->Children().rbegin(); child != frame.Node->Children().rend(); ++child)
            stack.push_back({*child, frame.Depth + 1});
    }
}

void TExporter::Branch(const TTreeNode* node, size_t depth) {
    const TTreeNode& data = *node; // read in place: an export visits every branch
    const int level = data.Level();
    if (FPaths.size() <= depth) {
        FPaths.resize(depth + 1);
        FIds.resize(depth + 1);
    }
    std::string& path = FPaths[depth];
    if (depth) {
        path.assign(FPaths[depth - 1]);
        path += PathSeparator;
    } else {
        path.assign(FPrefix);
    }
    path += data.Name();

    const TDatabaseRecords* db =
        level >= 0 && level < LevelCount && data.Id() != NotAvailableId ? &FRecords.Level(level) : nullptr;
    const TDatabaseRecords::TRecord* record = db ? db->Find(data.Id()) : nullptr;
    std::array<std::string_view, 12> f{};
    if (record)
        SplitFieldViews(record->Line, f, level == GenusLevel ? 11 : 3);
    ++FCounts.Branches;

    std::string& out = FOut.Text;
    if (FFormat == TExportFormat::Csv) {
        PutCsv(out, LevelNames[static_cast<size_t>(level)]);
        for (std::string_view value :
             {std::string_view(data.Id()), std::string_view(data.Name()), std::string_view(data.Info())}) {
            out += ',';
            PutCsv(out, value);
        }
        out += ',';
        PutCsv(out, Shown(f[2]));
        out += ',';
        PutCsv(out, Shown(f[3], true));
        // The picture and its credits are file names, names and addresses: written as stored.
        for (size_t k = 4; k < 12; ++k) {
            out += ',';
            PutCsv(out, k == 4 || k == 5 || k == 11 ? Shown(f[k]) : f[k]);
        }
        out += ',';
        PutCsv(out, path);
        out += "\r\n";
    } else {
        // Ids are unique in the archive: a planned branch, one without an id or a repeated id gets
        // one made up with a "#", which no tree id can hold.
        std::string& id = FIds[depth];
        if (!data.Id().empty() && data.Id() != NotAvailableId && FSeenIds.Insert(data.Id(), 0))
            id = data.Id();
        else
            id = "#" + std::to_string(++FGenerated);
        const std::string_view vernacular =
            level == GenusLevel && !f[5].empty() ? Shown(f[5]) : std::string_view(data.Info());
        TaxonRow(id, depth ? std::string_view(FIds[depth - 1]) : std::string_view(), data.Name(), level,
                 vernacular);
    }
    if (record && level == GenusLevel)
        Species(*db, *record, data.Name(), depth);
    FOut.Check();
}

void TExporter::Species(const TDatabaseRecords& db, const TDatabaseRecords::TRecord& record,
                        std::string_view genus, size_t depth) {
    std::string& out = FOut.Text;
    size_t number = 0;
    for (std::string_view line : db.Species(record)) {
        std::array<std::string_view, 4> s{};
        SplitFieldViews(line, s, 3);
        ++FCounts.Species;
        ++number;
        if (FFormat == TExportFormat::Csv) {
            out += "Species,,";
            PutCsv(out, s[1]);
            out += ",,";
            PutCsv(out, Shown(s[2]));
            out += ',';
            PutCsv(out, Shown(s[3], true));
            out += ",,,,,,,,,";
            FSpeciesPath.assign(FPaths[depth]);
            FSpeciesPath += PathSeparator;
            FSpeciesPath += s[1];
            PutCsv(out, FSpeciesPath);
            out += "\r\n";
        } else {
            FSpeciesId.assign(FIds[depth]);
            FSpeciesId += '#';
            FSpeciesId += std::to_string(number);
            FSpeciesName.assign(genus);
            if (!s[1].empty())
                FSpeciesName.append(" ").append(s[1]);
            TaxonRow(FSpeciesId, FIds[depth], FSpeciesName, SpeciesLevel, {});
        }
    }
}

std::string_view TExporter::Shown(std::string_view stored, bool lines) {
    if (stored.empty() || (!FText && (!lines || stored.find('|') == std::string_view::npos)))
        return stored;
    FShown.clear();
    for (size_t start = 0;;) {
        const size_t end = lines ? stored.find('|', start) : std::string_view::npos;
        const std::string_view line = stored.substr(start, end - start);
        if (FText)
            FShown += FText(line);
        else
            FShown += line;
        if (end == std::string_view::npos)
            return FShown;
        FShown += '\n';
        start = end + 1;
    }
}

void TExporter::TaxonRow(std::string_view id, std::string_view parent, std::string_view name, int rank,
                         std::string_view vernacular) {
    std::string& out = FOut.Text;
    PutPlain(out, id);
    out += '\t';
    PutPlain(out, parent);
    out += '\t';
    PutPlain(out, name);
    out += '\t';
    out += Ranks[static_cast<size_t>(rank)];
    out += '\t';
    PutPlain(out, vernacular);
    out += '\n';
}

std::string MetaXml() {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<archive xmlns=\"http://rs.tdwg.org/dwc/text/\">\n"
                      "  <core encoding=\"UTF-8\" fieldsTerminatedBy=\"\\t\" linesTerminatedBy=\"\\n\" "
                      "fieldsEnclosedBy=\"\" ignoreHeaderLines=\"1\" "
                      "rowType=\"http://rs.tdwg.org/dwc/terms/Taxon\">\n"
                      "    <files>\n      <location>taxon.txt</location>\n    </files>\n"
                      "    <id index=\"0\"/>\n";
    for (size_t c = 0; c < DarwinCoreColumns.size(); ++c)
        xml +=
            "    <field index=\"" + std::to_string(c) + "\" term=\"" + DarwinCoreColumns[c].Term + "\"/>\n";
    xml += "  </core>\n</archive>\n";
    return xml;
}
} // namespace

TExportFormat ExportFormatOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos || path.size() - dot != 4)
        return TExportFormat::Csv;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".zip" ? TExportFormat::DarwinCore : TExportFormat::Csv;
}

size_t CountBranches(const TTreeNode* root) {
    size_t count = 0;
    std::vector<const TTreeNode*> stack{root};
    while (!stack.empty()) {
        const TTreeNode* node = stack.back();
        stack.pop_back();
        ++count;
        for (const TTreeNode* child : node->Children())
            stack.push_back(child);
    }
    return count;
}

TExportCounts ExportBranch(const TTreeNode* root, const std::string& path, TExportFormat format,
                           const TExportProgress& progress, const TExportText& text) {
    return ExportBranches({root}, path, format, progress, text);
}

TExportCounts ExportBranches(const std::vector<const TTreeNode*>& roots, const std::string& path,
                             TExportFormat format, const TExportProgress& progress, const TExportText& text) {
    // Noted first: a run killed before the end leaves a temporary file the next start must find.
    const TOutsideWriteNote note(path);
    TAtomicFile file(path);
    TBlockOut fileOut([&file](std::string_view bytes) { file.Write(bytes.data(), bytes.size()); });
    TExportCounts counts;
    if (format == TExportFormat::Csv) {
        counts = TExporter(fileOut, format, progress, text).Run(roots);
    } else {
        TZipWriter zip([&fileOut](std::string_view bytes) {
            fileOut.Text += bytes;
            fileOut.Check();
        });
        zip.BeginEntry("meta.xml");
        zip.Write(MetaXml());
        zip.BeginEntry("taxon.txt");
        TBlockOut taxa([&zip](std::string_view bytes) { zip.Write(bytes); });
        counts = TExporter(taxa, format, progress, text).Run(roots);
        taxa.Flush();
        zip.Finish();
    }
    fileOut.Flush();
    file.Commit();
    return counts;
}

bool IsDiskFull(const std::exception& e) {
    if (!dynamic_cast<const EWriteError*>(&e))
        return false;
    const std::string_view text = e.what();
    return text.find(std::strerror(ENOSPC)) != std::string_view::npos ||
           text.find(std::strerror(EDQUOT)) != std::string_view::npos;
}

std::string ExportErrorText(const std::string& path, const std::exception& e) {
    if (IsDiskFull(e))
        return "The disk is full: " + path +
               " could not be written. Nothing was saved; free some space or choose another folder and "
               "export again.";
    return e.what();
}
