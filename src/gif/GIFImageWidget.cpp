#include "GIFImageWidget.h"

#include "TimerEx.h"

#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace Gui {

namespace {

// Halves go to the even neighbour, as the platform's rounding does.
int RoundHalfEven(float value) {
    return static_cast<int>(std::nearbyint(value));
}

std::int64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

bool StretchInForce(QSize picture, QSize control, const TImageLayout& layout) {
    return (layout.Stretch || layout.StretchRatio) && picture != control &&
           !(layout.StretchBigOnly && control.width() >= picture.width() &&
             control.height() >= picture.height());
}

QRect ImageRect(QSize picture, QSize control, const TImageLayout& layout) {
    if (picture.width() <= 0 || picture.height() <= 0)
        return {};
    const bool stretching = StretchInForce(picture, control, layout);
    if (stretching && layout.StretchRatio && !layout.Stretch) {
        // Single precision, as the ratio was always worked out.
        const float sx = static_cast<float>(control.width()) / static_cast<float>(picture.width());
        const float sy = static_cast<float>(control.height()) / static_cast<float>(picture.height());
        if (sx > sy) {
            const float inset =
                (static_cast<float>(control.width()) - static_cast<float>(picture.width()) * sy) / 2;
            const int left = RoundHalfEven(inset);
            const int right = RoundHalfEven(static_cast<float>(control.width()) - inset);
            return QRect(left, 0, right - left, control.height());
        }
        const float inset =
            (static_cast<float>(control.height()) - static_cast<float>(picture.height()) * sx) / 2;
        const int top = RoundHalfEven(inset);
        const int bottom = RoundHalfEven(static_cast<float>(control.height()) - inset);
        return QRect(0, top, control.width(), bottom - top);
    }
    if (stretching || layout.Tile)
        return QRect(QPoint(0, 0), control);
    if (layout.Center) // integer division: a larger picture is cut evenly on both sides
        return QRect((control.width() - picture.width()) / 2, (control.height() - picture.height()) / 2,
                     picture.width(), picture.height());
    return QRect(QPoint(0, 0), picture);
}

int AnimationInterval(int delay, int speed, std::int64_t spent) {
    const std::int64_t scaled = std::int64_t(std::max(delay, 50)) * 100 / std::max(speed, 1);
    return static_cast<int>(std::clamp<std::int64_t>(scaled - spent, 1, INT32_MAX));
}

void TGIFImage::TReader::Changing() {
    FOwner.Changing();
}

void TGIFImage::TReader::Change() {
    FOwner.Change();
}

TGIFImage::TGIFImage(QWidget* parent) : QWidget(parent), Clock(SteadyMilliseconds) {}

TGIFImage::~TGIFImage() {
    ReleaseTimer();
}

template <class F> bool TGIFImage::Load(F&& load) {
    ReleaseTimer();
    if (OnProgress)
        FImage.OnProgress = [this](::TGIFDecoder&, std::size_t done, std::size_t total, int percent,
                                   bool& keepOn) { OnProgress(*this, done, total, percent, keepOn); };
    else
        FImage.OnProgress = nullptr; // the reader reports only to a handler, so none costs nothing
    const bool loaded = load();
    FImage.OnProgress = nullptr;
    FPictureStale = true;
    if (loaded && FAutoSize)
        resize(FImage.Width(), FImage.Height());
    updateGeometry();
    Invalidate();
    return loaded;
}

bool TGIFImage::LoadFromFile(const QString& fileName) {
    return Load([&] { return FImage.LoadFromFile(QFile::encodeName(fileName).toStdString()); });
}

bool TGIFImage::LoadFromStream(std::istream& stream) {
    return Load([&] { return FImage.LoadFromStream(stream); });
}

bool TGIFImage::LoadFromBytes(std::string_view bytes) {
    return Load([&] { return FImage.LoadFromBytes(bytes); });
}

bool TGIFImage::ReadData(std::string_view formData) {
    return Load([&] { return FImage.ReadData(formData); });
}

void TGIFImage::Clear() {
    ReleaseTimer();
    FImage.Clear();
    FPictureStale = true;
    updateGeometry();
    Invalidate();
}

void TGIFImage::Changing() {
    if (OnChanging)
        OnChanging(*this);
}

void TGIFImage::Change() {
    if (OnChange)
        OnChange(*this);
}

bool TGIFImage::FirstFrameTransparent() const {
    return FImage.FrameCount() > 0 && FImage.Frame(1).Transparent;
}

bool TGIFImage::LoopUsedUp() const {
    return !FLoop && FImage.LoopCount() > 0 && FImage.Pass > FImage.LoopCount();
}

QRect TGIFImage::ImageRect() const {
    return Gui::ImageRect(QSize(FImage.Width(), FImage.Height()), size(), FLayout);
}

bool TGIFImage::CoversArea() const {
    return FVisible && !FImage.Empty() && !FirstFrameTransparent() && ImageRect().contains(rect());
}

bool TGIFImage::UpdateOpacity() {
    // The toolkit then leaves out what lies beneath the control.
    const bool covers = CoversArea();
    if (covers == testAttribute(Qt::WA_OpaquePaintEvent))
        return false;
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
    return true;
}

void TGIFImage::Invalidate() {
    UpdateOpacity();
    update();
}

QColor TGIFImage::Color() const {
    return FColor.isValid() ? FColor : palette().color(QPalette::Window);
}

void TGIFImage::SetColor(const QColor& value) {
    FColor = value;
    update();
}

QSize TGIFImage::sizeHint() const {
    return FImage.Empty() ? QWidget::sizeHint() : QSize(FImage.Width(), FImage.Height());
}

const QImage& TGIFImage::PictureImage() {
    if (!FPictureStale)
        return FPicture;
    // Through the mask when frame 1 is see-through, else a plain copy (see-through pixels are black).
    const TGIFPicture& picture = FImage.Picture();
    const bool masked = FirstFrameTransparent();
    const QImage::Format format = masked ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (FPicture.width() != picture.Width || FPicture.height() != picture.Height ||
        FPicture.format() != format)
        FPicture = QImage(picture.Width, picture.Height, format);
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t* src = picture.Bytes() + static_cast<std::size_t>(y) * picture.Width * 4;
        auto* dst = reinterpret_cast<QRgb*>(FPicture.scanLine(y));
        for (int x = 0; x < picture.Width; ++x, src += 4)
            dst[x] = masked && src[3] == 0 ? 0 : qRgb(src[0], src[1], src[2]);
    }
    FPictureStale = false;
    return FPicture;
}

void TGIFImage::paintEvent(QPaintEvent* event) {
    // A changed decision takes effect with the next paint; this one still draws.
    if (UpdateOpacity())
        update();
    if (FVisible) {
        QPainter painter(this);
        if (FOpaque && !CoversArea())
            painter.fillRect(rect(), Color());
        if (!FImage.Empty()) {
            const QImage& picture = PictureImage();
            const QRect target = ImageRect();
            if (StretchInForce(picture.size(), size(), FLayout)) {
                painter.drawImage(target, picture);
            } else if (FLayout.Tile) {
                const QRect area = event->rect();
                for (int y = 0; y < height(); y += picture.height())
                    for (int x = 0; x < width(); x += picture.width())
                        if (area.intersects(QRect(QPoint(x, y), picture.size())))
                            painter.drawImage(QPoint(x, y), picture);
            } else {
                painter.drawImage(target.topLeft(), picture);
            }
        }
    }
    if (!FRepainting)
        SetTimer();
}

void TGIFImage::resizeEvent(QResizeEvent* event) {
    UpdateOpacity();
    QWidget::resizeEvent(event);
}

void TGIFImage::Repaint() {
    if (!FVisible || FRepainting || !isVisible())
        return;
    FRepainting = true;
    repaint(ImageRect() & rect());
    FRepainting = false;
}

void TGIFImage::SetTimer() {
    if (!FImage.Animatable() || !FAnimate || FImage.Empty() || LoopUsedUp()) {
        ReleaseTimer();
        return;
    }
    int frame = CurrentFrame();
    if (frame < 1 || frame > FImage.FrameCount())
        frame = 1; // past the end: frame 1 is the next shown
    const int interval = AnimationInterval(FImage.Frame(frame).Delay, FSpeed);
    try {
        if (FTimer) {
            FTimer->SetInterval(interval);
            return;
        }
        FTimer = new TTimerEx(this);
        FTimer->SetThreaded(FThreaded);
        FTimer->SetThreadPriority(FPriority);
        FTimer->SetInterval(interval);
        FTimer->SetOnTimer([this] { AnimationStep(); });
    } catch (...) {
        // Called while painting: no error may leave here. Without a timer the picture stays still.
        ReleaseTimer();
        ReportTimerError(std::current_exception());
    }
}

void TGIFImage::ReleaseTimer() {
    if (!FTimer)
        return;
    TTimerEx* timer = std::exchange(FTimer, nullptr);
    timer->SetEnabled(false);
    // Within a step the timer's own tick is still on the stack: it goes once the tick is over.
    if (FStepping)
        timer->deleteLater();
    else
        delete timer;
}

void TGIFImage::ShowFrame(int n) {
    Changing();
    FImage.DisposeFrame(CurrentFrame());
    FImage.SetCurrentFrameIndex(n);
    FImage.DrawFrame();
    FPictureStale = true;
    Repaint();
    Change();
}

void TGIFImage::AnimationStep() {
    const int count = FImage.FrameCount();
    if (FImage.Empty() || !FAnimate || !FTimer || count == 0)
        return;
    const std::int64_t start = Clock();
    if (CurrentFrame() < 1 || CurrentFrame() > count)
        FImage.SetCurrentFrameIndex(1);

    // A handler may clear, stop or even delete the control.
    const QPointer<TGIFImage> self(this);
    struct TStepping {
        QPointer<TGIFImage> Control;
        ~TStepping() {
            if (Control)
                Control->FStepping = false;
        }
    } stepping{self};
    FStepping = true;

    Changing();
    if (!self || FImage.Empty() || CurrentFrame() < 1 || CurrentFrame() > count)
        return;
    if (FImage.FirstStep) {
        FImage.FirstStep = false; // frame 1 is on screen since the load
    } else {
        const int current = CurrentFrame();
        FImage.DisposeFrame(current == 1 ? count : current - 1);
        FImage.DrawFrame();
        FPictureStale = true;
        Repaint();
    }
    const int current = CurrentFrame();
    const int next = AnimationInterval(FImage.Frame(current).Delay, FSpeed, Clock() - start);
    const bool wrapped = current == count;
    FImage.SetCurrentFrameIndex(current + 1);
    if (!FLoop && FImage.LoopCount() > 0 && wrapped) {
        ++FImage.Pass;
        if (FImage.Pass > FImage.LoopCount())
            ReleaseTimer(); // the last frame stays shown
        else if (FTimer)
            FTimer->SetInterval(next);
    } else {
        if (wrapped)
            FImage.SetCurrentFrameIndex(1);
        if (FTimer)
            FTimer->SetInterval(next);
    }
    Change();
    if (self && wrapped && OnWrapAnimation)
        OnWrapAnimation(*this);
}

void TGIFImage::SetAnimate(bool value) {
    if (value == FAnimate)
        return;
    FAnimate = value;
    FImage.Pass = 1;
    if (value && FImage.Animatable() && !FImage.Empty()) {
        SetTimer();
        return;
    }
    ReleaseTimer();
    if (!value && !FImage.Empty() && CurrentFrame() >= 2) {
        // Back to frame 1, drawn over what the frame on screen leaves when it is disposed of.
        FImage.DisposeFrame(CurrentFrame() - 1);
        FImage.SetCurrentFrameIndex(1);
        FImage.DrawFrame();
        FPictureStale = true;
        Invalidate();
    }
}

void TGIFImage::SetAutoSize(bool value) {
    FAutoSize = value;
    if (value && !FImage.Empty()) {
        resize(FImage.Width(), FImage.Height());
        Invalidate();
    }
}

void TGIFImage::SetCurrentFrame(int value) {
    if (value < 1 || value > FImage.FrameCount()) {
        FImage.SetCurrentFrame(value); // only sets LastError 5
        return;
    }
    ShowFrame(value);
}

void TGIFImage::SetLoop(bool value) {
    if (value == FLoop)
        return;
    const bool usedUp = LoopUsedUp();
    FLoop = value;
    if (value && usedUp && FImage.FrameCount() > 0) {
        FImage.SetCurrentFrameIndex(1);
        FImage.Pass = 1;
        if (FAnimate && FImage.Animatable() && !FImage.Empty())
            SetTimer();
    }
}

void TGIFImage::SetSpeed(int value) {
    FSpeed = std::max(value, 1);
    // The next tick comes at once and takes the new speed.
    if (FAnimate && FTimer && FImage.FrameCount() > 1)
        FTimer->SetInterval(1);
}

void TGIFImage::SetCenter(bool value) {
    FLayout.Center = value;
    Invalidate();
}

void TGIFImage::SetOpaque(bool value) {
    FOpaque = value;
    Invalidate();
}

void TGIFImage::SetStretch(bool value) {
    FLayout.Stretch = value;
    Invalidate();
}

void TGIFImage::SetStretchRatio(bool value) {
    FLayout.StretchRatio = value;
    Invalidate();
}

void TGIFImage::SetStretchBigOnly(bool value) {
    FLayout.StretchBigOnly = value;
    Invalidate();
}

void TGIFImage::SetTile(bool value) {
    FLayout.Tile = value;
    Invalidate();
}

void TGIFImage::SetVisible(bool value) {
    FVisible = value;
    Invalidate();
}

void TGIFImage::SetThreaded(bool value) {
    FThreaded = value;
    if (FTimer)
        FTimer->SetThreaded(value);
}

void TGIFImage::SetThreadPriority(QThread::Priority value) {
    FPriority = value;
    if (FTimer)
        FTimer->SetThreadPriority(value);
}

} // namespace Gui
