// A fresh temporary program folder for one test.
#pragma once

#include "Platform.h"
#include "TextFiles.h"

#include <QTemporaryDir>
#include <QtTest>
#include <string>

class TUiTestFolder {
public:
    TUiTestFolder() {
        QVERIFY2(Dir.isValid(), "no temporary folder");
        SetProgramFolder(Folder());
    }
    std::string Folder() const { return Dir.path().toStdString() + "/"; }
    std::string Path(const std::string& name) const { return Folder() + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        WriteTextFileAtomic(Path(name), bytes);
    }
    std::string Read(const std::string& name) const { return ReadFileBytes(Path(name)); }

private:
    QTemporaryDir Dir;
};
