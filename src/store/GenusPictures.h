// Genus picture names: which names are safe to use as files, and the pictures a genus database
// names.
#pragma once

#include "TextFiles.h"

#include <string>

// True for a bare file name that cannot reach outside its folder: not empty, no "/", "\", ":",
// "..", no leading ".", no control characters, at most 255 bytes.
bool IsPlainFileName(const std::string& name);

// The picture names of a genus database's records, in file order, "-" and unsafe names left out.
TStringList GenusPictureNames(const std::string& genusFile);
// Appends the pictures named in `genusFile` that exist in the images folder.
void AddGenusImages(const std::string& genusFile, TStringList& pictures);
// The pictures of the genera in the user's modified genus databases that exist in the images folder.
TStringList CollectSubmitImages(const TStringList& modifiedFiles);
