#pragma once
// The list of changed user databases: kept sorted, letter case ignored.

#include "TextFiles.h"

#include <string>
#include <string_view>

class TModifiedFileList {
public:
    const TStringList& Items() const { return FList; }
    size_t Count() const { return FList.size(); }
    bool Empty() const { return FList.empty(); }
    const std::string& operator[](size_t i) const { return FList[i]; }

    bool Contains(std::string_view path) const { return IndexOf(path) >= 0; }
    int IndexOf(std::string_view path) const;
    // Inserts in sorted place; a path already listed (any case) is not added.
    // Returns whether it was added.
    bool Add(const std::string& path);
    bool Remove(std::string_view path);
    void Clear() { FList.clear(); }
    // Replaces the contents; empty lines and repeats are dropped.
    void Assign(const TStringList& paths);

private:
    TStringList FList;
};
