#pragma once
// The list of changed user databases: kept sorted, letter case ignored.

#include "TextFiles.h"

#include <string>
#include <string_view>

class TModifiedFileList {
public:
    const TStringList& Items() const { return List; }
    size_t Count() const { return List.size(); }
    bool Empty() const { return List.empty(); }
    const std::string& operator[](size_t i) const { return List[i]; }

    bool Contains(std::string_view path) const { return IndexOf(path) >= 0; }
    int IndexOf(std::string_view path) const;
    // Inserts in sorted place; a path already listed (any case) is not added.
    // Returns whether it was added.
    bool Add(const std::string& path);
    bool Remove(std::string_view path);
    void Clear() { List.clear(); }
    // Replaces the contents; empty lines and repeats are dropped.
    void Assign(const TStringList& paths);

private:
    TStringList List;
};
