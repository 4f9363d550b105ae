#pragma once
// Constant tables and fixed names of the program files.

#include <array>
#include <string_view>

inline constexpr int LevelCount = 6;   // Class .. Genus
inline constexpr int GenusLevel = 5;   // the only level with genus fields and species
inline constexpr int SpeciesLevel = 6; // names the species lines only

// Indexed by level 0..6.
extern const std::array<const char*, 7> LevelNames;
// Entry 0 is the tree file, entry L + 1 the database of level L.
extern const std::array<const char*, 7> LevelFiles;
// Entry 0 is the user tree file, entry L + 1 the user database of level L.
extern const std::array<const char*, 7> UserLevelFiles;

inline constexpr const char* AppTitle = "Orvandel Viewer";
inline constexpr float ProgramVersion = 2.2f;
inline constexpr const char* ProgramVersionText = "v2.20";
inline constexpr const char* DefaultServerURL = "http://127.0.0.1:8642/";

// Id of a planned or unnamed item; such nodes are found by name.
inline constexpr std::string_view NotAvailableId = "(n/a)";

inline constexpr const char* TreeFileName = "classifytree.dat";
inline constexpr const char* UserTreeFileName = "usr_tree.dat";
inline constexpr const char* TreeStateFileName = "treestate.dat";
inline constexpr const char* OptionsFileName = "options.ini";
inline constexpr const char* NetPathsFileName = "netpaths.dat";
inline constexpr const char* SummaryCodeFileName = "summarycode.dat";
inline constexpr const char* ModifiedFilesFileName = "modifiedfiles.dat";
inline constexpr const char* AnnouncementFileName = "Announcement.txt";
inline constexpr const char* HelpFileName = "classify.hlp";
inline constexpr const char* ImagesFolderName = "images/";

// Template files in the order they are loaded.
inline constexpr const char* RtfHeadFileName = "rtfhead.tem";
inline constexpr const char* SpeciesHeadFileName = "specieshead.tem";
inline constexpr const char* RtfFootFileName = "rtffoot.tem";
inline constexpr const char* TaxonomyTemplateFileName = "taxonomy.tem";
inline constexpr const char* GenusTemplateFileName = "genus.tem";
inline constexpr const char* SpeciesTemplateFileName = "species.tem";
inline constexpr const char* WaitForNameTemplateFileName = "waitforname.tem";
inline constexpr const char* NoDataTemplateFileName = "nodata.tem";
inline constexpr const char* DataNotFoundTemplateFileName = "datanotfound.tem";
inline constexpr const char* SearchHelpFileName = "searchhlp.tem";
