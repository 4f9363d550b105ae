#pragma once
// A fresh temporary program folder per test.

#include "Global.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class TStoreTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orv_store_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        Folder = pattern;
        ResetProgramState();
        SetProgramFolder(Folder);
        SetShortDateFormat("dd/MM/yyyy");
    }
    void TearDown() override {
        ResetProgramState();
        std::error_code ec;
        std::filesystem::permissions(Folder, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(Folder, ec);
    }
    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        WriteTextFileAtomic(PathOf(name), bytes);
    }
    std::string Read(const std::string& name) const { return ReadFileBytes(PathOf(name)); }

    std::string Folder;
};
