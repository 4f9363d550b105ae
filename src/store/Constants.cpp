#include "Constants.h"

const std::array<const char*, 7> LevelNames = {"Class",  "Subclass", "Order",  "Suborder",
                                               "Family", "Genus",    "Species"};

const std::array<const char*, 7> LevelFiles = {"classifytree.dat", "class.dat",  "subclass.dat", "order.dat",
                                               "suborder.dat",     "family.dat", "genus.dat"};

const std::array<const char*, 7> UserLevelFiles = {"usr_tree.dat",  "usr_class.dat",    "usr_subclass.dat",
                                                   "usr_order.dat", "usr_suborder.dat", "usr_family.dat",
                                                   "usr_genus.dat"};
