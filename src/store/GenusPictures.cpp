#include "GenusPictures.h"

#include "Constants.h"
#include "Fields.h"
#include "Platform.h"
#include "StrUtils.h"

bool IsPlainFileName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name[0] == '.')
        return false;
    if (name.find("..") != std::string::npos)
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':')
            return false;
    return true;
}

TStringList GenusPictureNames(const std::string& genusFile) {
    TStringList names;
    ForEachLine(ReadFileBytes(genusFile), [&](std::string_view line) {
        if (line.empty() || line[0] == '\t')
            return; // species lines
        std::string fields[7];
        SplitFields(line, fields, 6, "#");
        // An empty name (a malformed record) or one that is not a plain file name is skipped.
        if (fields[6] != "-" && IsPlainFileName(fields[6]))
            names.push_back(fields[6]);
    });
    return names;
}

void AddGenusImages(const std::string& genusFile, TStringList& pictures) {
    for (std::string& picture : GenusPictureNames(genusFile))
        if (FileExists(AppFile(std::string(ImagesFolderName) + picture)))
            pictures.push_back(std::move(picture));
}

TStringList CollectSubmitImages(const TStringList& modifiedFiles) {
    TStringList pictures;
    for (const std::string& path : modifiedFiles) {
        const std::string name = ExtractFileName(path);
        if ((name == "usr_genus.dat" || name == "genus.dat") && FileExists(AppFile(name)))
            AddGenusImages(AppFile(name), pictures);
    }
    return pictures;
}
