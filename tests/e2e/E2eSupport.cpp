#include "E2eSupport.h"

#include "AppState.h"
#include "Form_Announcement.h"
#include "Global.h"
#include "NMHTTP.h"
#include "PageTransfer.h"
#include "ScriptServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <stdexcept>

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QString ShippedData() {
    return QStringLiteral(ORV_SHIPPED_DATA) + "/";
}

// ---- the reference server ----

TVelmora::TVelmora() {
    QDir().mkpath(DataFolder() + "images");
    SetNews("Velmora news\r\nSecond line\r\n");
}

TVelmora::~TVelmora() {
    Stop();
}

QString TVelmora::DataFolder() const {
    return Dir.path() + "/data/";
}

void TVelmora::WriteData(const QString& name, const QByteArray& bytes) {
    WriteBytes(DataFolder() + name, bytes);
}

void TVelmora::RemoveData(const QString& name) {
    QFile::remove(DataFolder() + name);
}

QByteArray TVelmora::Data(const QString& name) const {
    return ReadBytes(DataFolder() + name);
}

void TVelmora::CopyShippedData() {
    // The tree file first, then the six databases.
    for (const char* name : LevelFiles)
        WriteData(name, ReadBytes(ShippedData() + name));
    const QDir images(ShippedData() + "images");
    for (const QString& name : images.entryList(QDir::Files))
        WriteData("images/" + name, ReadBytes(images.filePath(name)));
}

void TVelmora::SetNews(const QByteArray& text) {
    WriteBytes(Dir.path() + "/news.txt", text);
}

void TVelmora::Start() {
    Process.setStandardErrorFile(Dir.path() + "/server.log");
    Process.setProcessChannelMode(QProcess::SeparateChannels);
    Process.start(QStringLiteral(ORV_PYTHON),
                  {QStringLiteral(ORV_VELMORA_SERVER), "--host", "127.0.0.1", "--port", "0", "--data",
                   DataFolder(), "--state", Dir.path() + "/state", "--news", Dir.path() + "/news.txt"});
    if (!Process.waitForStarted(10000))
        throw std::runtime_error("the reference server did not start");
    // Its first line says where it listens.
    QElapsedTimer clock;
    clock.start();
    while (!Process.canReadLine() && clock.elapsed() < 20000)
        Process.waitForReadyRead(200);
    const QString line = QString::fromUtf8(Process.readLine()).trimmed();
    const QString prefix = "listening on ";
    if (!line.startsWith(prefix + "http://127.0.0.1:"))
        throw std::runtime_error("unexpected first line of the reference server: " + line.toStdString());
    FUrl = line.mid(prefix.size());
}

void TVelmora::Stop() {
    if (Process.state() == QProcess::NotRunning)
        return;
    Process.terminate();
    if (!Process.waitForFinished(5000)) {
        Process.kill();
        Process.waitForFinished(5000);
    }
}

QString TVelmora::Url() const {
    return FUrl;
}

QStringList TVelmora::LoggedRequests() const {
    // Lines such as: 127.0.0.1 "GET /velmora/data/classifytree.dat" 200 1234
    static const QRegularExpression request(QStringLiteral("^\\S+ \"(\\S+ \\S*)\" \\d+ \\d+$"));
    QStringList lines;
    for (const QByteArray& raw : ReadBytes(Dir.path() + "/server.log").split('\n')) {
        const QRegularExpressionMatch m = request.match(QString::fromUtf8(raw));
        if (m.hasMatch())
            lines << m.captured(1);
    }
    return lines;
}

QStringList TVelmora::Requests() const {
    QStringList lines = LoggedRequests().mid(Forgotten);
    lines.removeIf([](const QString& l) { return l.endsWith("/velmora/settle"); });
    return lines;
}

QStringList TVelmora::WaitForRequests(int count) const {
    QElapsedTimer clock;
    clock.start();
    while (Requests().size() < count && clock.elapsed() < 5000)
        QThread::msleep(5);
    return Requests();
}

QStringList TVelmora::SettledRequests() const {
    // A request of our own, answered after every earlier one, marks the end of the log so far.
    const int before = static_cast<int>(LoggedRequests().size());
    TNMHTTP http;
    http.TimeOut = 5000;
    http.Get(FUrl.toStdString() + "velmora/settle");
    QElapsedTimer clock;
    clock.start();
    while (!LoggedRequests().mid(before).contains("GET /velmora/settle") && clock.elapsed() < 5000)
        QThread::msleep(5);
    // A request answered just before ours may be logged just after it: wait for a quiet moment.
    for (QStringList last = Requests();; last = Requests()) {
        QThread::msleep(30);
        if (Requests() == last)
            return last;
    }
}

void TVelmora::ForgetRequests() {
    SettledRequests();
    Forgotten = static_cast<int>(LoggedRequests().size());
}

QList<TVelmora::TSubmission> TVelmora::Inbox() const {
    QDir inbox(Dir.path() + "/state/inbox");
    QStringList folders = inbox.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    // Named time-pid-counter: the counter orders the arrivals.
    std::sort(folders.begin(), folders.end(), [](const QString& a, const QString& b) {
        return a.section('-', -1).toInt() < b.section('-', -1).toInt();
    });
    QList<TSubmission> list;
    for (const QString& folder : folders) {
        const QJsonObject meta =
            QJsonDocument::fromJson(ReadBytes(inbox.filePath(folder + "/meta.json"))).object();
        TSubmission s;
        s.File = meta.value("file").toString();
        s.Name = meta.value("name").toString();
        s.Email = meta.value("email").toString();
        s.Bytes = ReadBytes(inbox.filePath(folder + "/" + s.File));
        list << s;
    }
    return list;
}

// ---- the program folder ----

TE2eProgram::TE2eProgram() {
    if (TFormAnnouncement::Exists())
        TFormAnnouncement::Instance().hide();
}

void TE2eProgram::WriteServerProgramFiles() {
    WriteProgramFiles();
    const QByteArray paths = ReadBytes(ShippedData() + "netpaths.dat");
    Write("netpaths.dat", paths.toStdString());
}

void TE2eProgram::WriteOptions(const QString& url, int id, bool offline) {
    std::string ini = "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nURL=" + url.toStdString() +
                      "\r\nLastUpdate=" + FormatShortDate(Today()) + "\r\n";
    if (id >= 0)
        ini += "Id=" + std::to_string(id) + "\r\n";
    if (offline)
        ini += "OfflineMode=1\r\n";
    Write("options.ini", ini);
}

QByteArray TE2eProgram::Bytes(const QString& name) const {
    return ::Bytes(Read(name));
}

// ---- scripted servers ----

QStringList RequestLines(const TScriptServer& server) {
    QStringList lines;
    for (const std::string& r : server.Requests()) {
        QString line = QString::fromStdString(r.substr(0, r.find("\r\n")));
        if (line.endsWith(" HTTP/1.0"))
            line.chop(9);
        lines << line;
    }
    return lines;
}

QByteArray RequestBody(const std::string& request) {
    const size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? QByteArray() : Bytes(request.substr(end + 4));
}
