// The link label: what a click opens, the colour while the left button is held, Copy.
#include "UrlLabel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QtTest>

class TestUrlLabel : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Opened.clear();
        TUrlLabel::SetOpener([this](const QString& target) { Opened << target; });
    }
    void cleanup() { TUrlLabel::SetOpener(nullptr); }

    void LooksLikeALink();
    void ClickTargetRules();
    void ColourWhileLeftButtonIsDown();
    void CopyPutsTheCaptionOnTheClipboard();

private:
    QStringList Opened;
};

void TestUrlLabel::LooksLikeALink() {
    TUrlLabel label;
    QVERIFY(label.font().underline());
    QCOMPARE(label.FontColor(), QColor(Qt::blue));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(label.ActiveColor(), QColor(0x80, 0x00, 0x80));
    QVERIFY(label.URL().isEmpty());
    // A caption from a data file is never read as markup.
    label.setText("<b>Owner</b>");
    QCOMPARE(label.textFormat(), Qt::PlainText);
}

void TestUrlLabel::ClickTargetRules() {
    struct TCase {
        QString Url, Caption, Opened; // empty Opened: nothing is opened
    };
    const TCase cases[] = {
        {"https://example.org/~tessaly/", "Mira Tessaly", "https://example.org/~tessaly/"},
        {"mailto:tovren@example.org", "Tovren", "mailto:tovren@example.org"},
        {"", "Mira Tessaly", "Mira Tessaly"},
        {"   ", "Mira Tessaly", "Mira Tessaly"},
        {" https://example.net/ ", "x", "https://example.net/"},
        {"", "  ", ""},
        {"  ", "", ""},
    };
    for (const TCase& c : cases) {
        TUrlLabel label;
        label.SetURL(c.Url);
        label.setText(c.Caption);
        QSignalSpy clicked(&label, &TUrlLabel::Clicked);
        Opened.clear();
        label.Click();
        QCOMPARE(clicked.count(), 1); // the click event runs whatever is opened
        QCOMPARE(Opened, c.Opened.isEmpty() ? QStringList() : QStringList{c.Opened});
    }
}

void TestUrlLabel::ColourWhileLeftButtonIsDown() {
    TUrlLabel label;
    label.resize(100, 20);
    label.setText("Owner");
    label.SetActiveColor(Qt::red);
    QSignalSpy clicked(&label, &TUrlLabel::Clicked);

    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(label.FontColor(), QColor(Qt::red));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(label.FontColor(), QColor(Qt::blue));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(Opened, QStringList{"Owner"});

    // Released outside: the colour comes back, nothing opens.
    QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(150, 5));
    QCOMPARE(label.FontColor(), QColor(Qt::blue));
    QCOMPARE(clicked.count(), 1);

    // Other buttons change nothing.
    QTest::mousePress(&label, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(label.FontColor(), QColor(Qt::blue));
    QTest::mouseRelease(&label, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(clicked.count(), 1);
}

void TestUrlLabel::CopyPutsTheCaptionOnTheClipboard() {
    TUrlLabel label;
    label.setText("Jorund Allby");
    label.SetURL("https://example.net/allby/");
    QCOMPARE(label.contextMenuPolicy(), Qt::ActionsContextMenu);
    QCOMPARE(label.actions().size(), 1);
    QAction* copy = label.actions().first();
    QCOMPARE(copy->text(), QString("Copy"));
    QApplication::clipboard()->clear();
    copy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("Jorund Allby"));
    QVERIFY(Opened.isEmpty());
}

QTEST_MAIN(TestUrlLabel)
#include "test_ui_urllabel.moc"
