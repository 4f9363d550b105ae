#pragma once
// The record types shared by the tree and the databases.

#include "TextFiles.h"

#include <array>
#include <memory>
#include <string>

// The four fields of one tree line: level marker, id, name, info. Only the
// marker's length matters: it is the level (0 = Class .. 5 = Genus).
struct TTaxonomyData {
    std::array<std::string, 4> Fields;

    TTaxonomyData() = default;
    TTaxonomyData(std::string marker, std::string id, std::string name, std::string info)
        : Fields{std::move(marker), std::move(id), std::move(name), std::move(info)} {}

    std::string& Marker() { return Fields[0]; }
    std::string& Id() { return Fields[1]; }
    std::string& Name() { return Fields[2]; }
    std::string& Info() { return Fields[3]; }
    const std::string& Marker() const { return Fields[0]; }
    const std::string& Id() const { return Fields[1]; }
    const std::string& Name() const { return Fields[2]; }
    const std::string& Info() const { return Fields[3]; }
    int Level() const { return static_cast<int>(Fields[0].size()); }

    bool operator==(const TTaxonomyData&) const = default;
};

struct TGenusDetail {
    std::string KorvelType;
    std::string CommonName;
    std::string Keywords;  // keywords and synonyms
    std::string ImageFile; // picture in images/, "-" when none
    std::string ImgCopyright;
    std::string ImgCopyrightURL;
    std::string ImgOwner;
    std::string ImgOwnerURL;
    // Species lines in file form (TAB # name # meaning # description).
    // Copying a record copies the reference, not the lines.
    std::shared_ptr<TStringList> Species = std::make_shared<TStringList>();
};

struct TTaxonomyDetail {
    int Level = -1; // 0..5; -1 not found or no database; -2 no id
    std::string Id;
    std::string Name;
    std::string Meaning;
    std::string Info;
    std::string Description; // multi-line, LF between lines
    TGenusDetail Genus;      // level 5 only
};
