#pragma once
// Export Branch: a branch of the tree and everything below it, with their records, written for
// other programs. CSV has one row per branch and per species; a Darwin Core Archive is a zip of
// taxon.txt (tab-separated) and meta.xml describing its columns. The file is written atomically:
// a failure or a cancel leaves whatever was there before.

#include "TaxonomyTree.h"

#include <array>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class TExportFormat { Csv, DarwinCore };

// Darwin Core Archive for a name ending in ".zip" (any case), CSV otherwise.
TExportFormat ExportFormatOf(const std::string& path);

// The CSV header and the taxon.txt header with the Darwin Core term of each column.
extern const std::array<const char*, 15> CsvColumns;
struct TDarwinCoreTerm {
    const char* Column;
    const char* Term;
};
extern const std::array<TDarwinCoreTerm, 5> DarwinCoreColumns;

struct TExportCounts {
    size_t Branches = 0;
    size_t Species = 0;
};

// The number of branches the export of `root` writes: the root and all below it.
size_t CountBranches(const TTreeNode* root);

// Called now and then with the branches written so far; returning false cancels the export, which
// then throws EAbort and writes nothing.
using TExportProgress = std::function<bool(size_t branchesDone)>;

// Turns one line of a stored text field (meaning, description, korvel type, common name,
// keywords) into the text written. The program hands in the summary's own reading, so that a file
// holds what the summary shows rather than macros and formatting codes; without one the stored
// text is written as it is.
using TExportText = std::function<std::string(std::string_view stored)>;

// Writes `root` and its descendants in pre-order, each followed by the species of its genus
// record. Records come from the level databases (user databases are not read). A field's stored
// "|" line breaks become real ones in CSV and spaces in Darwin Core. A species is named there
// with its genus, as the summary names it ("Genus epithet"). Throws EWriteError or EFOpenError
// when the file cannot be written.
TExportCounts ExportBranch(const TTreeNode* root, const std::string& path, TExportFormat format,
                           const TExportProgress& progress = {}, const TExportText& text = {});
// The same for several branches one after the other (every top-level branch: the whole tree).
TExportCounts ExportBranches(const std::vector<const TTreeNode*>& roots, const std::string& path,
                             TExportFormat format, const TExportProgress& progress = {},
                             const TExportText& text = {});

// Whether a write failed because the disk (or the user's quota) is full.
bool IsDiskFull(const std::exception& e);
// The message for a failed export: a full disk gets a plain explanation of its own.
std::string ExportErrorText(const std::string& path, const std::exception& e);
