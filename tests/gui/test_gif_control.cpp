// The GIF control on screen: painting (grabbed and compared pixel by pixel), the opacity it
// declares, and the animation driven step by step with a clock of the test's own.
#include "Dates.h"
#include "Form_Main.h"
#include "Form_Splash.h"
#include "GIFImageWidget.h"
#include "GifWriter.h"
#include "GuiFixture.h"
#include "ScriptedDialogs.h"
#include "TimerEx.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cstdint>
#include <vector>

namespace {

const QColor Background(200, 40, 40);
const QColor Fill(10, 20, 250);
const QPoint At(2, 2); // the control's place in its parent

// A 4 by 3 picture whose pixel (x, y) has colour index x + 4y; index 5 may be see-through.
std::string StillPicture(bool transparent) {
    TGifSpec spec;
    spec.Width = 4;
    spec.Height = 3;
    spec.GlobalTable = MakeTable(16);
    TGifFrameSpec frame = MakeFrame(0, 0, 4, 3, [](int x, int y) { return x + 4 * y; });
    frame.Control = transparent;
    frame.Transparent = transparent;
    frame.TransparentIndex = 5;
    spec.Frames.push_back(frame);
    return WriteGif(spec);
}

// Frames filling the 4 by 3 picture with colour index k; delays in hundredths of a second.
std::string Animation(const std::vector<int>& delays, int loopCount = -1) {
    TGifSpec spec;
    spec.Width = 4;
    spec.Height = 3;
    spec.GlobalTable = MakeTable(16);
    spec.LoopCount = loopCount;
    for (std::size_t k = 0; k < delays.size(); ++k) {
        TGifFrameSpec frame = MakeFrame(0, 0, 4, 3, [k](int, int) { return int(k) + 1; });
        frame.Control = true;
        frame.Delay = delays[k];
        spec.Frames.push_back(frame);
    }
    return WriteGif(spec);
}

QColor IndexColor(int i) {
    return QColor(i, 255 - i, i * 7);
}

// The composed picture the reader gives after playing up to frame n.
std::vector<std::uint32_t> Composed(const std::string& gif, int n) {
    TGIFDecoder reader;
    reader.LoadFromBytes(gif);
    reader.ComposeTo(n);
    return reader.Picture().Pixels;
}

// A parent with a plain background and the control at `At`.
struct TScene {
    QWidget Parent;
    Gui::TGIFImage* Gif;
    explicit TScene(QSize size) {
        Parent.resize(20, 16);
        Parent.setAutoFillBackground(true);
        QPalette palette = Parent.palette();
        palette.setColor(QPalette::Window, Background);
        Parent.setPalette(palette);
        Gif = new Gui::TGIFImage(&Parent);
        Gif->setGeometry(QRect(At, size));
    }
};

} // namespace

class TestGifControl : public QObject {
    Q_OBJECT
private slots:
    void Defaults();
    void Painting_data();
    void Painting();
    void OpacityDecision_data();
    void OpacityDecision();
    void AnimationStepsAndIntervals_data();
    void AnimationStepsAndIntervals();
    void LoopCounts_data();
    void LoopCounts();
    void AnimateOffReturnsToFrameOne();
    void SpeedAndCurrentFrame();
    void StepsRepaintAtOnce();
    void PlaysToTheEndWithARealTimer_data();
    void PlaysToTheEndWithARealTimer();
    void SplashShowsItsPictureAndStatus();
    void AboutBoxFromTheHelpMenu();
};

void TestGifControl::Defaults() {
    Gui::TGIFImage gif;
    QVERIFY(!gif.Animate() && !gif.Center() && !gif.Loop() && !gif.Opaque() && !gif.Stretch());
    QVERIFY(!gif.StretchRatio() && !gif.StretchBigOnly() && !gif.Tile() && !gif.Threaded() &&
            !gif.AutoSize());
    QVERIFY(gif.DoubleBuffered() && gif.Visible());
    QCOMPARE(gif.Speed(), 100);
    QCOMPARE(gif.ThreadPriority(), QThread::NormalPriority);
    QCOMPARE(gif.CurrentFrame(), 1);
    QVERIFY(gif.Empty());
    QVERIFY(!gif.LoadFromFile("/no/such/file.gif"));
    QCOMPARE(gif.LastError(), int(gifFileNotFound));
}

void TestGifControl::Painting_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("options"); // letters: c centre, t tile, s stretch, o opaque, h hidden
    QTest::addColumn<QPoint>("offset");   // where picture pixel (0, 0) lands in the control
    QTest::addColumn<int>("scale");
    QTest::newRow("copied at the corner") << QSize(12, 9) << false << "" << QPoint(0, 0) << 1;
    QTest::newRow("centred") << QSize(12, 9) << false << "c" << QPoint(4, 3) << 1;
    QTest::newRow("centred, larger, cut evenly") << QSize(2, 1) << false << "c" << QPoint(-1, -1) << 1;
    QTest::newRow("through the mask") << QSize(12, 9) << true << "" << QPoint(0, 0) << 1;
    QTest::newRow("opaque fill under the mask") << QSize(12, 9) << true << "oc" << QPoint(4, 3) << 1;
    QTest::newRow("tiled") << QSize(12, 9) << true << "t" << QPoint(0, 0) << 1;
    QTest::newRow("stretched twice") << QSize(8, 6) << false << "s" << QPoint(0, 0) << 2;
    QTest::newRow("not visible") << QSize(12, 9) << false << "oh" << QPoint(0, 0) << 1;
}

void TestGifControl::Painting() {
    QFETCH(QSize, size);
    QFETCH(bool, transparent);
    QFETCH(QString, options);
    QFETCH(QPoint, offset);
    QFETCH(int, scale);
    TScene scene(size);
    Gui::TGIFImage& gif = *scene.Gif;
    QVERIFY(gif.LoadFromBytes(StillPicture(transparent)));
    gif.SetCenter(options.contains('c'));
    gif.SetTile(options.contains('t'));
    gif.SetStretch(options.contains('s'));
    gif.SetOpaque(options.contains('o'));
    gif.SetColor(Fill);
    gif.SetVisible(!options.contains('h'));
    const QImage shot = scene.Parent.grab().toImage();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QPoint c = QPoint(x, y) - At;
            QColor expected = Background;
            if (QRect(QPoint(0, 0), size).contains(c) && gif.Visible()) {
                expected = gif.Opaque() ? Fill : Background;
                QPoint p = gif.Tile() ? QPoint(c.x() % 4, c.y() % 3)
                                      : QPoint((c.x() - offset.x()) / scale, (c.y() - offset.y()) / scale);
                if (c.x() < offset.x() || c.y() < offset.y())
                    p = QPoint(-1, -1);
                const int index = p.x() + 4 * p.y();
                if (QRect(0, 0, 4, 3).contains(p) && !(transparent && index == 5))
                    expected = IndexColor(index);
            }
            if (shot.pixelColor(x, y) != expected)
                QFAIL(qPrintable(QString("pixel %1,%2 is %3 instead of %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(shot.pixelColor(x, y).name(), expected.name())));
        }
}

void TestGifControl::OpacityDecision_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QString>("options");
    QTest::addColumn<bool>("covers");
    QTest::newRow("picture the control's size") << QSize(4, 3) << false << "" << true;
    QTest::newRow("smaller picture") << QSize(12, 9) << false << "" << false;
    QTest::newRow("smaller picture, tiled") << QSize(12, 9) << false << "t" << true;
    QTest::newRow("smaller picture, stretched") << QSize(12, 9) << false << "s" << true;
    QTest::newRow("larger picture, centred") << QSize(2, 1) << false << "c" << true;
    QTest::newRow("see-through first frame") << QSize(4, 3) << true << "" << false;
    QTest::newRow("not visible") << QSize(4, 3) << false << "h" << false;
    QTest::newRow("empty") << QSize(4, 3) << false << "e" << false;
}

void TestGifControl::OpacityDecision() {
    QFETCH(QSize, size);
    QFETCH(bool, transparent);
    QFETCH(QString, options);
    QFETCH(bool, covers);
    TScene scene(size);
    Gui::TGIFImage& gif = *scene.Gif;
    gif.LoadFromBytes(StillPicture(transparent));
    gif.SetTile(options.contains('t'));
    gif.SetStretch(options.contains('s'));
    gif.SetCenter(options.contains('c'));
    gif.SetVisible(!options.contains('h'));
    if (options.contains('e'))
        gif.Clear();
    QCOMPARE(gif.testAttribute(Qt::WA_OpaquePaintEvent), covers);
}

void TestGifControl::AnimationStepsAndIntervals_data() {
    QTest::addColumn<int>("speed");
    QTest::addColumn<QList<int>>("intervals"); // after each step; 0: the timer is gone
    // Delays 1 s, 0 and 20 ms: the two short ones count as 50 ms; every step takes 7 ms.
    QTest::newRow("speed 100") << 100 << QList<int>{993, 43, 0};
    QTest::newRow("speed 200") << 200 << QList<int>{493, 18, 0};
}

void TestGifControl::AnimationStepsAndIntervals() {
    QFETCH(int, speed);
    QFETCH(QList<int>, intervals);
    const std::string file = Animation({100, 0, 2});
    Gui::TGIFImage gif;
    std::int64_t now = 1000;
    gif.Clock = [&] { return std::exchange(now, now + 7); };
    int changing = 0, change = 0, wraps = 0;
    gif.OnChanging = [&](Gui::TGIFImage&) { ++changing; };
    gif.OnChange = [&](Gui::TGIFImage& sender) {
        QCOMPARE(&sender, &gif);
        ++change;
    };
    gif.OnWrapAnimation = [&](Gui::TGIFImage&) { ++wraps; };
    QVERIFY(gif.LoadFromBytes(file));
    gif.SetSpeed(speed);
    gif.SetAnimate(true);
    QVERIFY(gif.AnimationTimer());
    QCOMPARE(gif.AnimationTimer()->Interval(), 1000 * 100 / speed);
    // The first step only moves on: frame 1 is on screen since the load. Then 2 and 3 are drawn,
    // and the end of the one pass stops the animation on the last frame.
    const int shown[] = {1, 2, 3};
    const int next[] = {2, 3, 4};
    for (int step = 0; step < 3; ++step) {
        gif.AnimationStep();
        QCOMPARE(gif.Image().Picture().Pixels, Composed(file, shown[step]));
        QCOMPARE(gif.CurrentFrame(), next[step]);
        QCOMPARE(gif.AnimationTimer() ? gif.AnimationTimer()->Interval() : 0, intervals[step]);
    }
    QCOMPARE(changing, 1 + 3); // the load reports a change too
    QCOMPARE(change, 1 + 3);
    QCOMPARE(wraps, 1);
    gif.AnimationStep(); // no timer: nothing happens
    QCOMPARE(gif.CurrentFrame(), 4);

    // Loop turned on after the end restarts from frame 1 with frame 1's interval.
    gif.SetLoop(true);
    QCOMPARE(gif.CurrentFrame(), 1);
    QVERIFY(gif.AnimationTimer());
    QCOMPARE(gif.AnimationTimer()->Interval(), 1000 * 100 / speed);
    gif.AnimationStep();
    QCOMPARE(gif.Image().Picture().Pixels, Composed(file, 1));
    QCOMPARE(gif.CurrentFrame(), 2);
}

void TestGifControl::LoopCounts_data() {
    QTest::addColumn<int>("loopCount"); // -1: no loop block
    QTest::addColumn<bool>("loop");
    QTest::addColumn<int>("passes"); // 0: for ever
    QTest::newRow("no loop block: once") << -1 << false << 1;
    QTest::newRow("loop count 1") << 1 << false << 1;
    QTest::newRow("loop count 3") << 3 << false << 3;
    QTest::newRow("loop count 0: for ever") << 0 << false << 0;
    QTest::newRow("Loop overrides a count of 3") << 3 << true << 0;
}

void TestGifControl::LoopCounts() {
    QFETCH(int, loopCount);
    QFETCH(bool, loop);
    QFETCH(int, passes);
    Gui::TGIFImage gif;
    int wraps = 0;
    gif.OnWrapAnimation = [&](Gui::TGIFImage&) { ++wraps; };
    QVERIFY(gif.LoadFromBytes(Animation({5, 5}, loopCount)));
    gif.SetLoop(loop);
    gif.SetAnimate(true);
    int steps = 0;
    while (gif.AnimationTimer() && steps < 40) {
        gif.AnimationStep();
        ++steps;
    }
    // Two steps per pass of two frames.
    QCOMPARE(steps, passes ? 2 * passes : 40);
    QCOMPARE(wraps, passes ? passes : 20);
    if (passes)
        QCOMPARE(gif.Pass(), passes + 1);
}

void TestGifControl::AnimateOffReturnsToFrameOne() {
    const std::string file = Animation({5, 5, 5});
    // Frame 2 shown, frame 3 shown (the next to show is frame 1 again: nothing to do), frame 1
    // of the next pass shown.
    const std::pair<int, int> cases[] = {{2, 1}, {3, 3}, {4, 1}};
    for (const auto& [steps, shown] : cases) {
        Gui::TGIFImage gif;
        gif.LoadFromBytes(Animation({5, 5, 5}, 0));
        gif.SetAnimate(true);
        for (int k = 0; k < steps; ++k)
            gif.AnimationStep();
        gif.SetAnimate(false);
        QVERIFY(!gif.AnimationTimer());
        QCOMPARE(gif.CurrentFrame(), 1);
        QCOMPARE(gif.Image().Picture().Pixels, Composed(file, shown));
        // Playing again starts with frame 1's full delay.
        gif.SetAnimate(true);
        gif.AnimationStep();
        QCOMPARE(gif.Image().Picture().Pixels, Composed(file, 1));
        QCOMPARE(gif.CurrentFrame(), 2);
    }
}

void TestGifControl::SpeedAndCurrentFrame() {
    const std::string file = Animation({10, 10, 10});
    Gui::TGIFImage gif;
    gif.SetSpeed(0);
    QCOMPARE(gif.Speed(), 1);
    QVERIFY(gif.LoadFromBytes(file));
    int changes = 0;
    gif.OnChange = [&](Gui::TGIFImage&) { ++changes; };
    for (int bad : {0, 4, -1}) {
        gif.SetCurrentFrame(bad);
        QCOMPARE(gif.LastError(), int(gifBadFrame));
        QCOMPARE(gif.CurrentFrame(), 1);
        QCOMPARE(gif.Image().Picture().Pixels, Composed(file, 1));
    }
    QCOMPARE(changes, 0);
    gif.SetCurrentFrame(3);
    QCOMPARE(gif.CurrentFrame(), 3);
    QCOMPARE(gif.Image().Picture().Pixels, Composed(file, 3));
    QCOMPARE(changes, 1);

    // A new speed applies at once: the next tick comes after 1 ms.
    gif.SetSpeed(100);
    gif.SetAnimate(true);
    QCOMPARE(gif.AnimationTimer()->Interval(), 100);
    gif.SetSpeed(200);
    QCOMPARE(gif.AnimationTimer()->Interval(), 1);
}

void TestGifControl::StepsRepaintAtOnce() {
    TScene scene(QSize(4, 3));
    Gui::TGIFImage& gif = *scene.Gif;
    gif.LoadFromBytes(Animation({100, 100}, 0));
    scene.Parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&scene.Parent));
    gif.SetAnimate(true);
    struct TPaintCounter : QObject {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            Paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    gif.installEventFilter(&counter);
    gif.AnimationStep(); // the first step draws nothing
    QCOMPARE(counter.Paints, 0);
    gif.AnimationStep();
    QCOMPARE(counter.Paints, 1); // drawn before the step returned, without waiting for events
    QCOMPARE(gif.grab().toImage().pixelColor(0, 0), IndexColor(2));
}

void TestGifControl::PlaysToTheEndWithARealTimer_data() {
    QTest::addColumn<bool>("threaded");
    QTest::newRow("window timer") << false;
    QTest::newRow("timer thread") << true;
}

void TestGifControl::PlaysToTheEndWithARealTimer() {
    // The last tick releases the timer that runs it.
    QFETCH(bool, threaded);
    TScene scene(QSize(4, 3));
    Gui::TGIFImage& gif = *scene.Gif;
    gif.LoadFromBytes(Animation({0, 0, 0}, 2));
    gif.SetThreaded(threaded);
    gif.SetSpeed(2000); // 2 ms a frame
    int wraps = 0;
    gif.OnWrapAnimation = [&](Gui::TGIFImage&) { ++wraps; };
    gif.SetAnimate(true);
    scene.Parent.show();
    QVERIFY(gif.AnimationTimer());
    QCOMPARE(gif.AnimationTimer()->Threaded(), threaded);
    const QPointer<TTimerEx> timer(gif.AnimationTimer());
    QTRY_VERIFY(!gif.AnimationTimer());
    QTRY_VERIFY(timer.isNull());
    QCOMPARE(wraps, 2);
    QCOMPARE(gif.Image().Picture().Pixels, Composed(Animation({0, 0, 0}, 2), 3));
}

void TestGifControl::SplashShowsItsPictureAndStatus() {
    TFormSplash splash;
    QCOMPARE(splash.size(), QSize(374, 84));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(splash.windowTitle(), QString("Splash Screen"));
    Gui::TGIFImage* image = Find<Gui::TGIFImage>(splash, "SplashImage");
    QCOMPARE(image->geometry(), QRect(0, 0, 374, 84));
    QCOMPARE(image->Version(), gvGIF89a);
    QCOMPARE(QSize(image->Image().Width(), image->Image().Height()), QSize(374, 84));
    QVERIFY(!image->Animate() && !image->Stretch() && !image->Center() && !image->FirstImageOnly());
    auto* panel = Find<QLabel>(splash, "StatusPanel");
    QCOMPARE(panel->geometry(), QRect(124, 61, 217, 17));
    QCOMPARE(panel->text(), QString("Starting application..."));
    QCOMPARE(panel->frameShadow(), QFrame::Sunken);
    QCOMPARE(panel->palette().color(QPalette::Window), QColor(0, 128, 128));
    QCOMPARE(panel->palette().color(QPalette::WindowText), QColor(0, 255, 255));
    auto* timer = Find<QTimer>(splash, "CloseSplashTimer");
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 2000);

    // The picture as the reader composed it, with the panel lying over its lower right part.
    const QImage shot = splash.grab().toImage();
    const TGIFPicture& picture = image->Image().Picture();
    for (QPoint p : {QPoint(0, 0), QPoint(60, 42), QPoint(200, 20), QPoint(373, 83), QPoint(123, 70)}) {
        const std::uint32_t rgba = picture.Pixel(p.x(), p.y());
        const auto* c = reinterpret_cast<const std::uint8_t*>(&rgba);
        QCOMPARE(shot.pixelColor(p), QColor(c[0], c[1], c[2]));
    }
    QCOMPARE(shot.pixelColor(338, 75), QColor(0, 128, 128));
}

void TestGifControl::AboutBoxFromTheHelpMenu() {
    TGuiFixture fx;
    fx.WriteSmallProgram();
    TScriptedDialogs dialogs;
    TFormMain w;
    QAction* about = w.Action(TAction::HelpAbout);
    QCOMPARE(about->text(), QString("&About..."));
    QCOMPARE(about->statusTip(), QString("About Orvandel Viewer"));
    QVERIFY(about->isEnabled());
    QString caption;
    dialogs.ExpectDialog("AboutBox", [&](QDialog& box) {
        caption = box.windowTitle();
        box.findChild<QPushButton*>("OKButton")->click();
        return box.result();
    });
    about->trigger();
    CHECK_DIALOGS(dialogs);
    QCOMPARE(caption, QString("About Orvandel Viewer"));
}

QTEST_MAIN(TestGifControl)
#include "test_gif_control.moc"
