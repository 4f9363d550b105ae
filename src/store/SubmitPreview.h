#pragma once
// What a submission would send, compared with what the program has locally: for each user
// database the records it adds, changes (field by field) or repeats unchanged against the
// database of the same level, and the pictures its genera name. Reads files only.

#include "TextFiles.h"

#include <string>
#include <vector>

struct TFieldChange {
    std::string Field;  // "Name", "Meaning", ... or "Species <name>"
    std::string Before; // empty when the local record lacks it (a species)
    std::string After;  // empty when the user record lacks it (a species)
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

// 0..5 for a user database ("usr_class.dat" .. "usr_genus.dat"), -1 for the user tree file, -2
// for any other file name.
int UserFileLevel(const std::string& path);
// One user database against the local database of `level`.
TFilePreview PreviewUserDatabase(const std::string& path, int level);
// One entry per file to be sent, in the order given.
std::vector<TFilePreview> PreviewSubmission(const TStringList& files);
