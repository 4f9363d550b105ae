// Print Summary and Save Summary as PDF, in the real window, read back from the PDF they write.
#include "FormMainTestAccess.h"
#include "Form_Main.h"
#include "Global.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The pages of a PDF as its page tree counts them.
int PageCount(const QString& path) {
    static const QRegularExpression count(QStringLiteral("/Type\\s*/Pages\\b[^>]*?/Count\\s+(\\d+)"));
    const QRegularExpressionMatch m = count.match(QString::fromLatin1(FileBytes(path)));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The text on each page of an A4 PDF with 15 mm margins: the body (what lies within the margins,
// not what the painter's clip hides there) and the foot.
struct TPageText {
    QString Body;
    QString Foot;
};
QList<TPageText> PageTexts(const QString& path, int pages) {
    auto read = [&path](int page, double top, double height) {
        const double margin = 15 / 25.4 * 72; // points
        QProcess reader;
        reader.start(QStringLiteral(ORV_PDFTOTEXT),
                     {"-f", QString::number(page), "-l", QString::number(page), "-x",
                      QString::number(int(margin)), "-y", QString::number(int(top)), "-W",
                      QString::number(int(595 - 2 * margin)), "-H", QString::number(int(height)), path, "-"});
        reader.waitForFinished(60000);
        return QString::fromUtf8(reader.readAllStandardOutput()).remove(QChar('\f'));
    };
    QList<TPageText> texts;
    for (int page = 1; page <= pages; ++page)
        texts.append({read(page, 43, 842 - 2 * 43 - 30), read(page, 842 - 43 - 30, 30)});
    return texts;
}

// Whether the top margin of a page shows nothing, drawn as pdftoppm draws it.
bool TopMarginBlank(const QString& path, int page) {
    QProcess renderer;
    renderer.start(QFileInfo(QStringLiteral(ORV_PDFTOTEXT)).dir().filePath("pdftoppm"),
                   {"-gray", "-r", "72", "-f", QString::number(page), "-l", QString::number(page), "-x", "0",
                    "-y", "0", "-W", "595", "-H", "40", path});
    renderer.waitForFinished(60000);
    const QByteArray image = renderer.readAllStandardOutput(); // "P5\n595 40\n255\n" and the pixels
    return image.size() > 595 * 40 && image.right(595 * 40).count(char(255)) == 595 * 40;
}

// Save Summary as PDF answered with a file; notes the name the dialog proposed.
class TPdfDialogs : public TScriptedDialogs {
public:
    QString SaveFileName(const QString& caption, const QString& filter, const QString& suggested) override {
        Suggested << suggested;
        return TScriptedDialogs::SaveFileName(caption, filter, suggested);
    }
    void ExpectSave(const QString& file) {
        Expected.append({"save", "Save Summary as PDF", -1, 0, file, {}});
    }
    QStringList Suggested;
};

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!QFileInfo(QStringLiteral(ORV_PDFTOTEXT)).isExecutable())
            QSKIP("pdftotext is not installed");
        // The shipped data, with its templates and pictures.
        Fx = std::make_unique<TGuiFixture>();
        const QDir shipped(QStringLiteral(ORV_SHIPPED_DATA));
        for (const QString& name : shipped.entryList(QDir::Files))
            Fx->Write(name, FileBytes(shipped.filePath(name)).toStdString());
        for (const QString& name : QDir(shipped.filePath("images")).entryList(QDir::Files))
            Fx->Write("images/" + name, FileBytes(shipped.filePath("images/" + name)).toStdString());
        Fx->WriteCurrentOptions(Today());
        QDir().mkpath(Fx->Folder() + "out");
    }
    void cleanup() { Fx.reset(); }

    void LargestShippedGenusOnPaperAndInPdf();
    void LongGenusPrintsWhole();

private:
    std::unique_ptr<TGuiFixture> Fx;
};

void TestPrint::LargestShippedGenusOnPaperAndInPdf() {
    TPdfDialogs dialogs;
    TFormMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "aurovelis"));
    const QString pdf = Fx->Folder() + "out/Aurovelis.pdf";
    dialogs.ExpectSave(pdf);
    w.Action(TAction::DBSaveSummaryPdf)->trigger();
    QCOMPARE(PageCount(pdf), 2);
    QVERIFY(FileBytes(pdf).contains("/Subtype /Image")); // the genus picture beside the text
    const QList<TPageText> pages = PageTexts(pdf, 2);
    const QString body = pages[0].Body + pages[1].Body;
    for (const char* epithet :
         {"sulcata", "timida", "gracilis", "stridens", "caerulea", "orielensis", "mbathae", "audax",
          "robusta", "renwicki", "phosphorea", "lunata", "stellata", "nocturna"})
        QVERIFY2(body.count(QStringLiteral("Aurovelis %1 \u2014").arg(epithet)) == 1, epithet);
    QVERIFY(pages[0].Body.contains("Scientific name: Aurovelis") ||
            pages[0].Body.contains("Scienti\uFB01c name: Aurovelis"));
    // No line twice, none lost at the turn of the page.
    QCOMPARE(body.count("Kollár, 2012. Mantle 58–64 mm"), 1);
    QVERIFY(TopMarginBlank(pdf, 2));
    for (int page = 0; page < 2; ++page) {
        QVERIFY(
            pages[page].Foot.contains(QStringLiteral("Aerokorvea \u203A Aurovelia \u203A Aurovelida \u203A "
                                                     "Aurovelina \u203A Aurovelidae \u203A Aurovelis")));
        QVERIFY(pages[page].Foot.contains(QStringLiteral("Page %1 of 2").arg(page + 1)));
    }

    // The print dialog: Cancel prints nothing; Print sends the same pages to the chosen printer.
    const QString printed = Fx->Folder() + "out/printed.pdf";
    auto toFile = [&printed](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    };
    dialogs.ExpectPrint(false, toFile);
    w.Action(TAction::DBPrintSummary)->trigger();
    QVERIFY(!QFile::exists(printed));
    dialogs.ExpectPrint(true, toFile);
    QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(PageCount(printed), 2);

    // The save dialog opens in the folder saved to last.
    dialogs.ExpectSave(QString());
    w.Action(TAction::DBSaveSummaryPdf)->trigger();
    QCOMPARE(QFileInfo(dialogs.Suggested.last()).dir(), QDir(Fx->Folder() + "out"));
    CHECK_DIALOGS(dialogs);
}

void TestPrint::LongGenusPrintsWhole() {
    // One genus of 2,000 species, more than the Summary page shows.
    Fx->Write("classifytree.dat", "#c#Longa#\r\n\t\t\t\t\t#grandis#Grandis#many\r\n");
    Fx->Write("class.dat", "c#Longa#long#A class of one genus.\r\n");
    std::string genus = "grandis#Grandis#great#Described at length.#Walker#Great korvel#-#####\r\n";
    for (int i = 1; i <= 2000; ++i) {
        const std::string n = QString::number(i).rightJustified(4, '0').toStdString();
        genus += "\t#ep" + n + "#m" + n + "#Start" + n +
                 " of a description long enough to take more than one line on the page, which ends at End" +
                 n + "\r\n";
    }
    Fx->Write("genus.dat", genus);
    TPdfDialogs dialogs;
    TFormMain w;
    QVERIFY(TFormMainTestAccess::SelectBranch(w, 5, "grandis"));
    QVERIFY(TFormMainTestAccess::SummaryPlainText(w).contains("the rest of this text is not shown"));
    const QString pdf = Fx->Folder() + "out/Grandis.pdf";
    dialogs.ExpectSave(pdf);
    w.Action(TAction::DBSaveSummaryPdf)->trigger();
    const int count = PageCount(pdf);
    QVERIFY2(count > 20, qPrintable(QString::number(count)));
    const QList<TPageText> pages = PageTexts(pdf, count);
    QString body;
    for (int page = 0; page < count; ++page) {
        QVERIFY(pages[page].Foot.contains(QStringLiteral("Longa \u203A Grandis")));
        QVERIFY(pages[page].Foot.contains(QStringLiteral("Page %1 of %2").arg(page + 1).arg(count)));
        body += pages[page].Body;
    }
    // Every species whole and once, in order.
    qsizetype at = 0;
    for (int i = 1; i <= 2000; ++i) {
        const QString n = QString::number(i).rightJustified(4, '0');
        for (const QString& word : {"ep" + n, "Start" + n, "End" + n}) {
            QVERIFY2(body.count(word) == 1, qPrintable(word));
            const qsizetype next = body.indexOf(word);
            QVERIFY2(next > at, qPrintable(word));
            at = next;
        }
    }
    QVERIFY(!body.contains("not shown"));
    CHECK_DIALOGS(dialogs);
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
