#include "GuiFixture.h"

#include "AppState.h"
#include "Dates.h"
#include "Global.h"

#include <QDir>
#include <QFile>

TGuiFixture::TGuiFixture() {
    ResetAppState();
    SetProgramFolder(Dir.path().toStdString());
    SetShortDateFormat("dd/MM/yyyy");
    SetTodayForTesting(EncodeDate(2026, 12, 7));
}

TGuiFixture::~TGuiFixture() {
    ResetAppState();
}

QString TGuiFixture::Folder() const {
    return Dir.path() + "/";
}

void TGuiFixture::Write(const QString& name, const std::string& text) {
    const QString path = Folder() + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.data(), static_cast<qint64>(text.size()));
}

std::string TGuiFixture::Read(const QString& name) const {
    QFile f(Folder() + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

bool TGuiFixture::Exists(const QString& name) const {
    return QFile::exists(Folder() + name);
}

void TGuiFixture::Remove(const QString& name) {
    QFile::remove(Folder() + name);
}

void TGuiFixture::WriteProgramFiles() {
    Write("rtfhead.tem", "{\\rtf1\\ansi{\\fonttbl{\\f0 Sans;}}\r\n");
    Write("rtffoot.tem", "}\r\n");
    Write("specieshead.tem", "\\par\\b Species\\b0\\par\r\n");
    Write("taxonomy.tem", "\\b %s %s\\b0\\par %s\\par %s\\par\r\n");
    Write("genus.tem", "\\b %s\\b0\\par %s\\par %s\\par\r\n");
    Write("species.tem", "%s %s\\par\r\n");
    Write("waitforname.tem", "Waiting for name\\par\r\n");
    Write("nodata.tem", "No data for %s\\par\r\n");
    Write("datanotfound.tem", "%s %s not found\\par\r\n");
    Write("searchhlp.tem", "Search help\\par\r\n");
    Write("summarycode.dat", "[Codes]\r\nkv=Korvel\r\n[Misc]\r\nhighlighttext=\\ul %s\\ulnone\r\n");
    Write("netpaths.dat", "[Velmora]\r\nTaxonomyDb=velmora/data/classifytree.dat\r\n");
}

void TGuiFixture::WriteSmallTree() {
    Write("classifytree.dat", "#c1#Korvelia#the korvels\r\n"
                              "\t\t#o1#Ordina#walkers\r\n"
                              "\t\t\t\t#f1#Familia#round ones\r\n"
                              "\t\t\t\t\t#g1#Alpha#first\r\n"
                              "\t\t\t\t\t#(n/a)#Planned#not yet\r\n"
                              "\t\t#o2#[unnamed]#placeholder\r\n"
                              "#c2#Secunda#second class\r\n");
    // Every branch with an id has its record, so that selecting it never needs the server.
    Write("class.dat", "c1#Korvelia#the korvels#First class\r\nc2#Secunda#second#Second class\r\n");
    Write("order.dat", "o1#Ordina#walkers#An order\r\no2#[unnamed]#n/a#Not named yet\r\n");
    Write("family.dat", "f1#Familia#round#A family\r\n");
    Write("genus.dat", "g1#Alpha#first#A genus#Hopper#Alpha korvel#-#####alpha\r\n\t#minor#small#tiny\r\n");
}

void TGuiFixture::WriteCurrentOptions(int lastUpdate) {
    Write("options.ini",
          "[UserInfo]\r\nAppVersion=2.2\r\n[Server]\r\nLastUpdate=" + FormatShortDate(lastUpdate) + "\r\n");
}

void TGuiFixture::WriteSmallProgram() {
    WriteProgramFiles();
    WriteSmallTree();
    WriteCurrentOptions(Today());
}
