// The about box: caption and title from the application title, every control at its place, the
// three links, and the modal run through the dialog seam.
#include "Form_About.h"
#include "GIFImageWidget.h"
#include "ScriptedDialogs.h"
#include "UrlLabel.h"

#include <QPointer>
#include <QPushButton>
#include <QtTest>

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void CaptionAndTitleFromTheApplicationTitle();
    void ControlsAtTheirPlaces();
    void LinksOpenTheirAddresses();
    void ShownModallyThroughTheSeam();
};

void TestAbout::CaptionAndTitleFromTheApplicationTitle() {
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QString("About Orvandel Viewer"));
    auto* title = box.findChild<QLabel*>("TitleLabel");
    QCOMPARE(title->text(), QString("Orvandel Viewer v2.20c"));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pixelSize(), 13);
    QCOMPARE(box.size(), QSize(434, 232));
    QCOMPARE(box.minimumSize(), box.maximumSize()); // a fixed border
    // The program's picture, shown by the GIF control at its own size.
    auto* icon = box.findChild<Gui::TGIFImage*>("IconImage");
    QVERIFY(!icon->Empty());
    QCOMPARE(icon->size(), QSize(icon->Image().Width(), icon->Image().Height()));
    QVERIFY(icon->width() <= 91);
}

void TestAbout::ControlsAtTheirPlaces() {
    TAboutBox box;
    struct TPlace {
        const char* Name;
        QPoint At;
        QSize Size;       // empty: any
        const char* Text; // nullptr: any
    };
    const TPlace places[] = {
        {"ImagePanel", {0, 0}, {91, 232}, nullptr},
        {"TitleLabel", {100, 4}, {}, nullptr},
        {"CreditLabel", {100, 20}, {}, nullptr},
        {"HomePageLabel", {100, 48}, {}, "Home Page:"},
        {"HomepageUrlLabel", {172, 48}, {}, nullptr},
        {"ProjectPageLabel", {100, 64}, {}, "Project Page:"},
        {"ProjectUrlLabel", {172, 64}, {}, nullptr},
        {"BugSubmitLabel", {100, 80}, {}, "Any bug please submit to:"},
        {"BugSubmitUrlLabel", {232, 80}, {}, nullptr},
        {"DedicationLabel", {100, 124}, {}, nullptr},
        {"DedicationPanel", {100, 140}, {241, 21}, nullptr},
        {"OKButton", {348, 135}, {80, 27}, "OK"},
        {"SeperateBevel", {94, 168}, {}, nullptr},
        {"WarningLabel", {100, 172}, {317, 56}, nullptr},
    };
    for (const TPlace& p : places) {
        auto* w = box.findChild<QWidget*>(p.Name);
        QVERIFY2(w, p.Name);
        QCOMPARE(w->pos(), p.At);
        if (!p.Size.isEmpty())
            QCOMPARE(w->size(), p.Size);
        if (p.Text)
            QCOMPARE(w->property("text").toString(), QString(p.Text));
    }
    QCOMPARE(box.findChild<QWidget*>("SeperateBevel")->width(), 339);
    QVERIFY(box.findChild<QLabel*>("WarningLabel")->wordWrap());
    QVERIFY(box.findChild<QPushButton*>("OKButton")->isDefault());
}

void TestAbout::LinksOpenTheirAddresses() {
    QStringList opened;
    TUrlLabel::SetOpener([&](const QString& target) { opened << target; });
    TAboutBox box;
    box.show();
    for (const char* name : {"HomepageUrlLabel", "ProjectUrlLabel", "BugSubmitUrlLabel"})
        QTest::mouseClick(box.findChild<TUrlLabel*>(name), Qt::LeftButton, {}, QPoint(3, 3));
    TUrlLabel::SetOpener(nullptr);
    auto* mail = box.findChild<TUrlLabel*>("BugSubmitUrlLabel");
    // Web pages open their captions; the e-mail link its mailto: URL, while Copy takes the caption.
    QCOMPARE(opened,
             QStringList({box.findChild<TUrlLabel*>("HomepageUrlLabel")->text(),
                          box.findChild<TUrlLabel*>("ProjectUrlLabel")->text(), "mailto:" + mail->text()}));
    QVERIFY(opened[1].startsWith(opened[0])); // the project page lies on the home site
    QVERIFY(mail->text().contains('@') && !mail->text().startsWith("mailto:"));
    for (const QString& address : opened)
        QVERIFY2(address.contains("example.org"), qPrintable(address)); // a reserved domain
}

void TestAbout::ShownModallyThroughTheSeam() {
    TScriptedDialogs dialogs;
    QPointer<QDialog> shown;
    dialogs.ExpectDialog("AboutBox", [&](QDialog& box) {
        shown = &box;
        box.findChild<QPushButton*>("OKButton")->click();
        return box.result();
    });
    ShowAboutBox(nullptr);
    CHECK_DIALOGS(dialogs);
    QVERIFY(shown.isNull()); // destroyed once closed
}

QTEST_MAIN(TestAbout)
#include "test_ui_about.moc"
