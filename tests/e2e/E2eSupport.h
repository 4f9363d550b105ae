// Shared pieces of the end-to-end tests: the reference Velmora server as a child process with its
// own data and state folders, a program folder made ready for a server, and what a scripted
// server recorded.
#pragma once

#include "GuiFixture.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

class TScriptServer;

QByteArray ReadBytes(const QString& path);
// Creates missing folders on the way.
void WriteBytes(const QString& path, const QByteArray& bytes);
inline QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// The folder of the data set the program ships with.
QString ShippedData();

// The reference server on a loopback port it takes itself. Fill its data folder, then Start().
class TVelmora {
public:
    TVelmora();
    ~TVelmora();
    TVelmora(const TVelmora&) = delete;
    TVelmora& operator=(const TVelmora&) = delete;

    QString DataFolder() const; // with a trailing '/'
    void WriteData(const QString& name, const QByteArray& bytes);
    void RemoveData(const QString& name);
    QByteArray Data(const QString& name) const;
    // The tree, the six databases and the pictures the program ships with.
    void CopyShippedData();
    void SetNews(const QByteArray& text);

    void Start();
    // Ends the process; later connections are refused.
    void Stop();
    QString Url() const; // "http://127.0.0.1:PORT/"

    // "GET /path" for each request answered so far, in the order the server answered them.
    QStringList Requests() const;
    // Waits a few seconds at most until `count` requests were logged; returns what was logged.
    QStringList WaitForRequests(int count) const;
    // The requests made before this call, once the server has logged every one of them.
    QStringList SettledRequests() const;
    // Requests() starts empty again.
    void ForgetRequests();

    struct TSubmission {
        QString File;
        QByteArray Bytes;
        QString Name;
        QString Email;
    };
    // The inbox in the order the files arrived.
    QList<TSubmission> Inbox() const;

private:
    QStringList LoggedRequests() const;

    QTemporaryDir Dir;
    QProcess Process;
    QString FUrl;
    int Forgotten = 0;
};

// A program folder for the main window talking to a server.
class TE2eProgram : public TGuiFixture {
public:
    // Also hides an announcement window left by an earlier test and clears the pending flag.
    TE2eProgram();

    // The small templates and summary codes, with the net paths the program ships with.
    void WriteServerProgramFiles();
    // options.ini pointing at `url`, current version, updated today; the user id when not negative.
    void WriteOptions(const QString& url, int id, bool offline = false);
    QByteArray Bytes(const QString& name) const;
};

// The request lines ("GET /path") a scripted server received, in order.
QStringList RequestLines(const TScriptServer& server);
// The body of one raw request.
QByteArray RequestBody(const std::string& request);
