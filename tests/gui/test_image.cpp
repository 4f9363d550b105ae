// The Image page as the user sees it: its three states, the info band, Show Image, Choose Image in
// the editor and Save Profile Image.
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "GifWriter.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ImagePage.h"
#include "PictureBytes.h"
#include "PictureFile.h"
#include "QtText.h"
#include "ScriptedDialogs.h"
#include "UrlLabel.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/resource.h>

namespace {

// Pictures with credits of every kind: id # name # ... # picture # holder # holder URL # owner #
// owner URL # keywords.
const std::string Genera =
    "g1#Aurex#m#d#t#c#aurex.jpg#Mira Tessaly#https://example.org/~tessaly/#Odd Keeper#-#\r\n"
    "g2#Bellis#m#d#t#c#bellis.gif#(n/a)#-#(n/a)#-#\r\n"
    "g3#Cirra#m#d#t#c#-#(n/a)#-#(n/a)#-#\r\n"
    "g4#Dorma#m#d#t#c#dorma.jpg#(n/a)#-#(n/a)#-#\r\n"
    "g5#Erra#m#d#t#c#erra.GIF#(n/a)#-#Owner#-#\r\n"
    "g6#Fusca#m#d#t#c#fusca.jpg#(n/a)#-#Owner#-#\r\n"
    "g7#Glia#m#d#t#c#glia.gif#(n/a)#-#Owner#-#\r\n"
    "g8#Hexa#m#d#t#c#hexa.bmp#(n/a)#-#Ada Owner##\r\n"
    "g9#Ivra#m#d#t#c#../aurex.jpg#(n/a)#-#Owner#-#\r\n"
    "g10#Jorra#m#d#t#c#jorra.gif#(n/a)#-#(n/a)#-#\r\n"
    "g11#Kessa#m#d#t#c#kessa.jpg#(n/a)#-#(n/a)#-#\r\n"
    "g12#Lorra#m#d#t#c#lorra.gif#(n/a)#-#(n/a)#-#\r\n";

QByteArray ShippedJpeg() {
    QFile f(QStringLiteral(ORV_SHIPPED_DATA "/images/aethrocellis.jpg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A 40x30 GIF whose first frame is 20x10 at (5, 6): the page shows the frame at its own size.
std::string SmallFrameGif() {
    TGifSpec spec;
    spec.Width = 40;
    spec.Height = 30;
    spec.GlobalTable = MakeTable(4);
    spec.Frames.push_back(MakeFrame(5, 6, 20, 10, [](int x, int) { return x % 4; }));
    spec.Frames.push_back(MakeFrame(0, 0, 40, 30, [](int, int) { return 1; }));
    return WriteGif(spec);
}

void WriteData(TGuiFixture& fx) {
    fx.WriteProgramFiles();
    fx.WriteCurrentOptions(Today());
    std::string tree = "#c1#Korvelia#the korvels\r\n";
    int i = 0;
    for (const char* name : {"Aurex", "Bellis", "Cirra", "Dorma", "Erra", "Fusca", "Glia", "Hexa", "Ivra",
                             "Jorra", "Kessa", "Lorra"})
        tree += "\t\t\t\t\t#g" + std::to_string(++i) + "#" + name + "#x\r\n";
    fx.Write("classifytree.dat", tree);
    fx.Write("class.dat", "c1#Korvelia#the korvels#First class\r\n");
    fx.Write("genus.dat", Genera);
    fx.Write("images/aurex.jpg", ShippedJpeg().toStdString());
    fx.Write("images/bellis.gif", SmallFrameGif());
    fx.Write("images/erra.GIF", SmallFrameGif());
    fx.Write("images/fusca.jpg", "not a JPEG file");
    fx.Write("images/glia.gif", SmallFrameGif().substr(0, 13) + ",garbage");
    // Huge pictures in a few bytes.
    TGifSpec huge;
    huge.Width = huge.Height = 16384;
    huge.GlobalTable = MakeTable(4);
    huge.Frames.push_back(MakeFrame(0, 0, 1, 1, [](int, int) { return 1; }));
    huge.Frames[0].Width = huge.Frames[0].Height = 16384;
    huge.Frames[0].RawData = PackCodes({{4, 3}, {1, 3}, {5, 3}});
    fx.Write("images/jorra.gif", WriteGif(huge));
    fx.Write("images/kessa.jpg", JpegDeclaring(ShippedJpeg().toStdString(), 2400, 1800));
    // A small first frame on a huge logical screen.
    TGifSpec wide;
    wide.Width = wide.Height = 16384;
    wide.GlobalTable = MakeTable(4);
    wide.Frames.push_back(MakeFrame(3, 4, 20, 10, [](int x, int) { return x % 4; }));
    fx.Write("images/lorra.gif", WriteGif(wide));
    QImage big(1200, 900, QImage::Format_RGB32);
    big.fill(Qt::darkGreen);
    big.save(fx.Folder() + "images/hexa.bmp", "BMP");
}

// The dialogs, also noting the filters and the proposed file names of the picture dialogs.
class TPictureDialogs : public TScriptedDialogs {
public:
    void ExpectOpen(const QString& path) { Expected.append({"open", "Choose Image File", -1, 0, path, {}}); }
    void ExpectSave(const QString& path) { Expected.append({"save", "Save Image", -1, 0, path, {}}); }
    QString OpenFileName(const QString& caption, const QString& filter) override {
        Filters << filter;
        return TScriptedDialogs::OpenFileName(caption, filter);
    }
    QString SaveFileName(const QString& caption, const QString& filter, const QString& suggested) override {
        Filters << filter;
        Suggested << suggested;
        return TScriptedDialogs::SaveFileName(caption, filter, suggested);
    }
    QStringList Filters, Suggested;
};

QLabel* Picture(TFormMain& w) {
    return Find<QLabel>(w, "InfoImage");
}
QPushButton* ShowButton(TFormMain& w) {
    return Find<QPushButton>(w, "ShowImageBtn");
}
bool BandShown(TFormMain& w) {
    return !Find<QWidget>(w, "BevelImageInfo")->isHidden();
}
QString Text(TFormMain& w, const char* label) {
    return Find<QLabel>(w, label)->text();
}

void Select(TFormMain& w, const char* id) {
    QVERIFY(TFormMainTestAccess::SelectBranch(w, QByteArray(id) == "c1" ? 0 : 5, id));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void PageStatesFollowTheRecord();
    void InfoBandLines();
    void ShowImageFindsAPictureThatAppeared();
    void ChooseImageQuestionsNameAndCaption();
    void ChooseImageRefusesAndReports();
    void SaveProfileImageCopiesTheBytes();
    void PlayAnimationOnDemand();
    void PicturesLargerThanThePageShows();
};

// Peak resident memory of the process so far, in KiB.
long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void TestImage::PicturesLargerThanThePageShows() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    // A GIF that declares 16384 x 16384 in a few bytes is refused, before anything of its size is
    // made (a picture of it would take a gigabyte), and says so in the page's words.
    const long before = PeakKiB();
    dialogs.ExpectMessage("The picture is too large to show (16384 \u00D7 16384).", 16, 1);
    Select(w, "g10");
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Messages.last(), QString("The picture is too large to show (16384 \u00D7 16384)."));
    QVERIFY2(PeakKiB() - before < 64 * 1024, qPrintable(QString::number(PeakKiB() - before)));
    QVERIFY(Picture(w)->pixmap().isNull());
    QVERIFY(!ShowButton(w)->isHidden());
    QVERIFY(!Find<QAction>(w, "PlayAnimationItem")->isEnabled());
    // The bound counts what is shown: frame 1 at its own size, not the logical screen.
    Select(w, "g12");
    CHECK_DIALOGS(dialogs);
    QCOMPARE(Picture(w)->size(), QSize(20, 10));
    // A JPEG larger than the screen keeps its own size; one over the memory bound is decoded at
    // the largest DCT scale under it, and the status line says so until the next picture.
    struct TCase {
        std::size_t Bound;
        const char* Id;
        QSize Shown;
        bool Note;
    };
    const TCase cases[] = {{MaxShownPixels, "g11", {2400, 1800}, false},
                           {1 << 20, "g2", {20, 10}, false},
                           {1 << 20, "g11", {900, 675}, true},
                           {MaxShownPixels, "g2", {20, 10}, false}};
    for (const TCase& c : cases) {
        w.findChild<TImagePage*>()->SetMaxPicturePixels(c.Bound);
        Select(w, c.Id);
        CHECK_DIALOGS(dialogs);
        QCOMPARE(Picture(w)->size(), c.Shown);
        QApplication::processEvents();
        QCOMPARE(TFormMainTestAccess::StatusText(w).contains("2400 \u00D7 1800"), c.Note);
    }
}

void TestImage::PlayAnimationOnDemand() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    auto* play = Find<QAction>(w, "PlayAnimationItem");
    QVERIFY(Find<QMenu>(w, "ImagePopupMenu")->actions().contains(play));
    // Off at first: the still picture is what shows; only a GIF can be played.
    Select(w, "g2");
    QVERIFY(play->isEnabled());
    QVERIFY(!play->isChecked());
    QVERIFY(!Picture(w)->isHidden());
    play->trigger();
    auto* player = Find<QWidget>(w, "AnimationPlayer");
    QVERIFY(!player->isHidden());
    QVERIFY(Picture(w)->isHidden());
    QCOMPARE(player->geometry(), Picture(w)->geometry());
    // Another picture stops it.
    Select(w, "g1");
    QVERIFY(!play->isEnabled());
    QVERIFY(!play->isChecked());
    QVERIFY(player->isHidden());
    QVERIFY(!Picture(w)->isHidden());
    CHECK_DIALOGS(dialogs);
}

void TestImage::PageStatesFollowTheRecord() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    QTabWidget* info = Find<QTabWidget>(w, "InfoPageControl");
    const QSize jpeg = QImage::fromData(ShippedJpeg()).size();
    struct TCase {
        const char* Id;
        const char* Error; // reported while the branch is presented
        QSize Picture;     // empty: no picture
        bool Band;
        const char* Button; // nullptr: hidden
        bool ButtonEnabled;
    };
    const TCase cases[] = {
        {"g1", nullptr, jpeg, true, nullptr, true},
        {"g2", nullptr, {20, 10}, false, nullptr, true}, // frame 1 at its own size, no credits
        {"g3", nullptr, {}, false, "No Image Available", false},
        {"g4", nullptr, {}, false, "Download Image", true},
        {"g5", "Unknown picture file extension (.GIF)", {}, false, "Download Image", true},
        {"g6", "Not a JPEG file: starts with 0x6e 0x6f", {}, false, "Download Image", true},
        {"g7", nullptr, {}, false, "Download Image", true}, // a broken GIF is only missing
        {"g9", nullptr, {}, false, "Download Image", true}, // never read outside images/
        {"g8", nullptr, {1200, 900}, true, nullptr, true},
        {"c1", nullptr, {}, false, nullptr, false},
    };
    for (const TCase& c : cases) {
        if (c.Error)
            dialogs.ExpectMessage(c.Error, 16, 1);
        Select(w, c.Id);
        CHECK_DIALOGS(dialogs);
        const bool genus = QByteArray(c.Id) != "c1";
        QCOMPARE(info->isTabVisible(info->indexOf(Find<QWidget>(w, "ImageTabSheet"))), genus);
        QCOMPARE(Picture(w)->size(), c.Picture.isEmpty() ? QSize(0, 0) : c.Picture);
        QCOMPARE(Picture(w)->pixmap().isNull(), c.Picture.isEmpty());
        QCOMPARE(BandShown(w), c.Band);
        QCOMPARE(w.Action(TAction::ViewSaveImage)->isEnabled(), c.Band);
        QCOMPARE(ShowButton(w)->isHidden(), c.Button == nullptr);
        if (c.Button)
            QCOMPARE(ShowButton(w)->text(), QString(c.Button));
        QCOMPARE(ShowButton(w)->isEnabled(), c.ButtonEnabled);
        QCOMPARE(w.Action(TAction::DBReloadImage)->isEnabled(), genus && c.Id != std::string("g3"));
    }

    // A large picture scrolls; the picture's menu offers Save Profile Image.
    w.resize(700, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    info->setCurrentWidget(Find<QWidget>(w, "ImageTabSheet"));
    Select(w, "g8");
    QApplication::processEvents();
    auto* box = Find<QScrollArea>(w, "ImageScrollBox");
    QVERIFY(box->horizontalScrollBar()->maximum() > 0);
    QVERIFY(box->verticalScrollBar()->maximum() > 0);
    QVERIFY(Find<QMenu>(w, "ImagePopupMenu")->actions().contains(w.Action(TAction::ViewSaveImage)));
    QVERIFY(Find<QWidget>(w, "GIFImage")->isHidden()); // the GIF control only decodes here
}

void TestImage::InfoBandLines() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    auto* owner = Find<TUrlLabel>(w, "UrlLabelImageOf");
    auto* holder = Find<TUrlLabel>(w, "UrlLabelImageCopyrighted");
    // Owner without a link, holder with one.
    Select(w, "g1");
    QCOMPARE(Text(w, "LabelImageOf"), QString("Picture of Odd Keeper"));
    QCOMPARE(owner->text(), QString());
    QCOMPARE(Text(w, "LabelImageCopyrighted"), QString("Copyrighted(c)"));
    QCOMPARE(holder->text(), QString("Mira Tessaly"));
    QCOMPARE(holder->URL(), QString("https://example.org/~tessaly/"));
    QCOMPARE(holder->toolTip(), holder->URL());
    // An empty owner URL still makes a link, which opens its caption; a holder not given reads
    // "(n/a)".
    Select(w, "g8");
    QCOMPARE(Text(w, "LabelImageOf"), QString("Picture of"));
    QCOMPARE(owner->text(), QString("Ada Owner"));
    QCOMPARE(owner->URL(), QString());
    QCOMPARE(owner->toolTip(), QString());
    QCOMPARE(Text(w, "LabelImageCopyrighted"), QString("Copyrighted(c) (n/a)"));
    QCOMPARE(holder->text(), QString());
    QStringList opened;
    TUrlLabel::SetOpener([&](const QString& target) { opened << target; });
    owner->Click();
    TUrlLabel::SetOpener(nullptr);
    QCOMPARE(opened, QStringList{"Ada Owner"});
    CHECK_DIALOGS(dialogs);
}

void TestImage::ShowImageFindsAPictureThatAppeared() {
    TGuiFixture fx;
    WriteData(fx);
    TScriptedDialogs dialogs;
    TFormMain w;
    Select(w, "g4");
    QVERIFY(!ShowButton(w)->isHidden());
    QCOMPARE(ShowButton(w)->text(), QString("Download Image"));
    // The file arrived by other means: the button shows it without going to the server (no
    // question, no transfer).
    fx.Write("images/dorma.jpg", ShippedJpeg().toStdString());
    QTest::mouseClick(ShowButton(w), Qt::LeftButton);
    CHECK_DIALOGS(dialogs);
    QVERIFY(ShowButton(w)->isHidden());
    QCOMPARE(Picture(w)->size(), QImage::fromData(ShippedJpeg()).size());
    QVERIFY(!BandShown(w)); // no credits

    // A name that would reach outside the images folder is refused in words of its own, before
    // any question or transfer.
    Select(w, "g9");
    dialogs.ExpectMessage(
        "The picture name \"../aurex.jpg\" is not a plain file name and was not downloaded.", 16, 1);
    QTest::mouseClick(ShowButton(w), Qt::LeftButton);
    CHECK_DIALOGS(dialogs);
    QVERIFY(!ShowButton(w)->isHidden());
}

void TestImage::ChooseImageQuestionsNameAndCaption() {
    TGuiFixture fx;
    WriteData(fx);
    QTemporaryDir pics;
    const QString photo = pics.path() + "/Photo.JPEG";
    WriteFile(photo, "first");
    TPictureDialogs dialogs;
    TFormMain w;
    QAction* choose = w.Action(TAction::EditorChooseImg);
    auto* button = Find<QPushButton>(w, "ChooseImageBtn");
    const QString already =
        "This genus already have an image attached. Are you sure you want to select a new "
        "image file?";
    const QString replace =
        "By selecting OK, the current image file for this genus will be replaced with the new "
        "one. This action could not be canceled or undo. Proceed?";

    Select(w, "g3");
    QVERIFY(choose->isEnabled());
    QCOMPARE(button->text(), QString("Choose Image..."));
    // Cancelled in the dialog: nothing changes.
    dialogs.ExpectOpen(QString());
    choose->trigger();
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.ImageFile, std::string("-"));
    // Chosen: copied under the genus's name in lower case, the caption changes; the page is not
    // refreshed before Save.
    dialogs.ExpectOpen(photo);
    choose->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Filters.last(), QString("All (*.jpg *.jpeg *.gif);;JPEG Image File (*.jpg);;"
                                             "JPEG Image File (*.jpeg);;GIF Image File (*.gif)"));
    QCOMPARE(fx.Read("images/cirra.jpeg"), std::string("first"));
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.ImageFile, std::string("cirra.jpeg"));
    QCOMPARE(TFormMainTestAccess::CurrentRecord(w).Genus.ImageFile, std::string("-"));
    QCOMPARE(button->text(), QString("Replace Current Image..."));
    QVERIFY(Picture(w)->pixmap().isNull());

    // Both questions: declining either stops, and the file stays.
    dialogs.ExpectMessage(already, 49, Mb::IdCancel);
    choose->trigger();
    WriteFile(photo, "second");
    dialogs.ExpectMessage(already, 49, Mb::IdOk);
    dialogs.ExpectOpen(photo);
    dialogs.ExpectMessage(replace, 49, Mb::IdCancel);
    choose->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read("images/cirra.jpeg"), std::string("first"));
    dialogs.ExpectMessage(already, 49, Mb::IdOk);
    dialogs.ExpectOpen(photo);
    dialogs.ExpectMessage(replace, 49, Mb::IdOk);
    choose->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read("images/cirra.jpeg"), std::string("second"));

    // The name is the one in the Name box now.
    Find<QLineEdit>(w, "NameEdit")->setText("Cirra Nova");
    dialogs.ExpectMessage(already, 49, Mb::IdOk);
    dialogs.ExpectOpen(photo);
    choose->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.ImageFile, std::string("cirra nova.jpeg"));
    QVERIFY(fx.Exists("images/cirra nova.jpeg"));
}

void TestImage::ChooseImageRefusesAndReports() {
    TGuiFixture fx;
    WriteData(fx);
    TPictureDialogs dialogs;
    TFormMain w;
    QAction* choose = w.Action(TAction::EditorChooseImg);
    Select(w, "g3");
    // A name that would reach outside the images folder is refused.
    Find<QLineEdit>(w, "NameEdit")->setText("../Korvelia");
    dialogs.ExpectOpen(fx.Folder() + "class.dat");
    dialogs.ExpectMessage("\"../korvelia.dat\" cannot be the name of a picture file.", 48, Mb::IdOk);
    choose->trigger();
    CHECK_DIALOGS(dialogs);
    QVERIFY(!fx.Exists("korvelia.dat"));
    // A copy that fails is reported and changes nothing.
    Find<QLineEdit>(w, "NameEdit")->setText("Cirra");
    const QString missing = fx.Folder() + "gone.gif";
    dialogs.ExpectOpen(missing);
    dialogs.ExpectMessage("Error copying file from \"" + missing + "\" to \"" + fx.Folder() +
                              "images/cirra.gif\"",
                          16, Mb::IdOk);
    choose->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(TFormMainTestAccess::EditRecord(w).Genus.ImageFile, std::string("-"));
    QCOMPARE(choose->text(), QString("Choose Image..."));
    // Not a genus: Choose Image is not available.
    Select(w, "c1");
    QVERIFY(!choose->isEnabled());
}

void TestImage::SaveProfileImageCopiesTheBytes() {
    TGuiFixture fx;
    WriteData(fx);
    TPictureDialogs dialogs;
    TFormMain w;
    QAction* save = w.Action(TAction::ViewSaveImage);
    Select(w, "g1");
    QVERIFY(save->isEnabled());
    // Cancelled: nothing written. Chosen: the bytes unchanged whatever the name, over an existing
    // file.
    dialogs.ExpectSave(QString());
    save->trigger();
    const QString target = fx.Folder() + "out/profile.gif";
    fx.Write("out/profile.gif", "older");
    dialogs.ExpectSave(target);
    save->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(dialogs.Suggested, QStringList({"Aurex", "Aurex"}));
    QCOMPARE(dialogs.Filters.last(), QString("Original Type (*.jpg *.jpeg *.gif)"));
    QCOMPARE(FileBytes(target), ShippedJpeg());
    // A read-only file is not replaced; another name is asked for.
    fx.Write("out/locked.jpg", "locked");
    QFile::setPermissions(fx.Folder() + "out/locked.jpg", QFile::ReadOwner | QFile::ReadGroup);
    dialogs.ExpectSave(fx.Folder() + "out/locked.jpg");
    dialogs.ExpectMessage("is read-only", 48, Mb::IdOk);
    dialogs.ExpectSave(QString());
    save->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(fx.Read("out/locked.jpg"), std::string("locked"));
    // Without credits there is no band and nothing to save.
    Select(w, "g2");
    QVERIFY(!save->isEnabled());
}

QTEST_MAIN(TestImage)
#include "test_image.moc"
