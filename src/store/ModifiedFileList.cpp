#include "ModifiedFileList.h"

#include "StrUtils.h"

#include <algorithm>

namespace {
bool LessText(const std::string& a, std::string_view b) {
    return CompareText(a, b) < 0;
}
} // namespace

int TModifiedFileList::IndexOf(std::string_view path) const {
    const auto it = std::lower_bound(FList.begin(), FList.end(), path, LessText);
    if (it != FList.end() && SameText(*it, path))
        return static_cast<int>(it - FList.begin());
    return -1;
}

bool TModifiedFileList::Add(const std::string& path) {
    const auto it = std::lower_bound(FList.begin(), FList.end(), path, LessText);
    if (it != FList.end() && SameText(*it, path))
        return false;
    FList.insert(it, path);
    return true;
}

bool TModifiedFileList::Remove(std::string_view path) {
    const int i = IndexOf(path);
    if (i < 0)
        return false;
    FList.erase(FList.begin() + i);
    return true;
}

void TModifiedFileList::Assign(const TStringList& paths) {
    FList.clear();
    for (const auto& p : paths)
        if (!p.empty())
            Add(p);
}
