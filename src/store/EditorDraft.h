// The editor's draft: a record with unsaved changes, kept in the data folder while it is edited so
// that a crash or a logout does not lose it. Written whole and atomically; read back at the next
// start, where it is offered to the user.
#pragma once

#include "TaxonomyData.h"

#include <optional>
#include <string>

struct TEditorDraft {
    // The branch the record was loaded for: its level, id and name as they were then.
    int Level = 0;
    std::string BranchId;
    std::string BranchName;
    // The record as the editor's boxes held it.
    TTaxonomyDetail Record;
};

// A draft file is never larger than this; a larger one is refused unread.
constexpr size_t MaxEditorDraftSize = 64u << 20;

// "editordraft.dat" in the data folder.
std::string EditorDraftPath();
// The file's bytes and back; nullopt for anything that is not a whole draft.
std::string EditorDraftText(const TEditorDraft& draft);
std::optional<TEditorDraft> ParseEditorDraft(std::string_view text);
// Replaces the draft file atomically (a link in its place is removed, never written through);
// EFOpenError / EWriteError when it cannot.
void WriteEditorDraft(const TEditorDraft& draft);
// The draft in the folder, if there is a readable one: a regular file within the size bound.
std::optional<TEditorDraft> ReadEditorDraft();
void RemoveEditorDraft();
