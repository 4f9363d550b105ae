#pragma once
// What a submission would send, compared with what the program has locally: for each user
// database the records it adds, changes (field by field) or repeats unchanged against the
// database of the same level, and the pictures its genera name. Reads files only.

#include "TextFiles.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

// What happened to one field: a species is Added or Removed when only one of the two records has
// it; everything else is Changed.
enum class TFieldChangeKind { Changed, Added, Removed };

struct TFieldChange {
    std::string Field;  // "Name", "Meaning", ... or "Species <name>"
    std::string Before; // empty when the local record lacks it (a species)
    std::string After;  // empty when the user record lacks it (a species)
    TFieldChangeKind Kind = TFieldChangeKind::Changed;
};

enum class TRecordState { Added, Changed, Unchanged };

struct TRecordPreview {
    TRecordState State = TRecordState::Added;
    std::string Id;
    std::string Name;
    std::vector<TFieldChange> Changes; // what differs, for a changed record
};

struct TFilePreview {
    std::string Path;
    // 0..5: a user database of that level; -1: the user tree file; -2: any other file.
    int Level = -2;
    bool Missing = false; // the file is gone: posting it would fail
    bool NoLocal = false; // a user database whose level has no local database: all records added
    size_t LineCount = 0; // the lines sent
    TStringList Lines;    // the user tree file's lines (the branches it places)
    std::vector<TRecordPreview> Records;
    TStringList Pictures;        // named by the file's genera and present in the images folder
    TStringList MissingPictures; // named but not in the images folder: they cannot go

    int Count(TRecordState state) const;
};

// Appends what differs between two records of `level` (0..5) with the same id, as the preview
// shows it: the fields after the id in file order, then for a genus the species, paired by name
// (those of `after` in their order, then those only `before` has). Nothing for equal records.
void CompareRecordFields(int level, std::string_view before, std::string_view after,
                         std::span<const std::string_view> speciesBefore,
                         std::span<const std::string_view> speciesAfter, std::vector<TFieldChange>& changes);

// 0..5 for a user database ("usr_class.dat" .. "usr_genus.dat"), -1 for the user tree file, -2
// for any other file name.
int UserFileLevel(const std::string& path);
// One user database against the local database of `level`.
TFilePreview PreviewUserDatabase(const std::string& path, int level);
// One entry per file to be sent, in the order given.
std::vector<TFilePreview> PreviewSubmission(const TStringList& files);
