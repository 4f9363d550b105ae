// A fresh program folder for each widget test, filled with small program files.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <string>

class TGuiFixture {
public:
    TGuiFixture();
    ~TGuiFixture();

    QString Folder() const;
    void Write(const QString& name, const std::string& text);
    std::string Read(const QString& name) const;
    bool Exists(const QString& name) const;
    void Remove(const QString& name);

    // The ten templates, summary codes and net paths.
    void WriteProgramFiles();
    // A small tree: a class with an order, a family and genera, a planned genus and a placeholder.
    void WriteSmallTree();
    // options.ini with the current version so that no upgrade question is asked.
    void WriteCurrentOptions(int lastUpdate);
    // All three: program files, the small tree, and options updated today.
    void WriteSmallProgram();

private:
    QTemporaryDir Dir;
};

#include <QObject>
// A control of `parent` by its objectName; a missing one ends the test run at once.
template <class T> T* Find(const QObject& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no control named %s", name);
    return child;
}
