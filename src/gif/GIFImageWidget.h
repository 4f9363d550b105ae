#pragma once
// The GIF control: paints the reader's composed picture (centred, stretched, ratio-stretched or
// tiled) and plays animated pictures with their delays and loop counts through a TTimerEx.
//
// The reader (TGIFDecoder, GIFImage.h) stays free of any toolkit; the control, TGIFImage,
// lives in namespace Gui and holds a reader. Windows use Gui::TGIFImage.
//
//   auto* gif = new Gui::TGIFImage(parent);
//   gif->LoadFromFile(path);
//   gif->SetAnimate(true); // plays once, n passes or for ever, as the file says

#include "GIFImage.h"

#include <QImage>
#include <QThread>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

class TTimerEx;

namespace Gui {

// How the picture is placed in the control.
struct TImageLayout {
    bool Center = false;
    bool Stretch = false;
    bool StretchRatio = false;
    bool StretchBigOnly = false;
    bool Tile = false;
};

// Whether the picture is drawn scaled into the control.
bool StretchInForce(QSize picture, QSize control, const TImageLayout& layout);
// Where the picture goes in a control of the given size (empty for an empty picture).
QRect ImageRect(QSize picture, QSize control, const TImageLayout& layout);
// Milliseconds to the next animation step: the frame's delay, never below 50, scaled by the speed
// in percent, less the time the step took; at least 1.
int AnimationInterval(int delay, int speed, std::int64_t spent = 0);

class TGIFImage : public QWidget {
    Q_OBJECT
public:
    explicit TGIFImage(QWidget* parent = nullptr);
    ~TGIFImage() override;

    // Loading: each first stops the animation; see ::TGIFDecoder for the rules and LastError.
    bool LoadFromFile(const QString& fileName);
    bool LoadFromStream(std::istream& stream);
    bool LoadFromBytes(std::string_view bytes);
    bool ReadData(std::string_view formData);
    std::string WriteData() const { return FImage.WriteData(); }
    void Clear();
    const TGIFPicture* FirstFrameBitmap() { return FImage.FirstFrameBitmap(); }
    const ::TGIFDecoder& Image() const { return FImage; }

    int LastError() const { return FImage.LastError(); }
    bool Empty() const { return FImage.Empty(); }
    bool Animatable() const { return FImage.Animatable(); }
    int FrameCount() const { return FImage.FrameCount(); }
    TGIFVersion Version() const { return FImage.Version(); }

    bool Animate() const { return FAnimate; }
    void SetAnimate(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool Center() const { return FLayout.Center; }
    void SetCenter(bool value);
    // The fill of an Opaque control; the palette's window colour unless set.
    QColor Color() const;
    void SetColor(const QColor& value);
    // The image shown; while animating, the image to be shown next. Out of range sets LastError 5.
    int CurrentFrame() const { return FImage.CurrentFrame(); }
    void SetCurrentFrame(int value);
    // Kept for the control's interface: the toolkit draws every widget through a back buffer.
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    bool FirstImageOnly() const { return FImage.FirstImageOnly; }
    void SetFirstImageOnly(bool value) { FImage.FirstImageOnly = value; }
    // A bound on the pictures this control takes, below the reader's own (0: none); a picture
    // beyond it fails its load with LastError gifTooLarge (see ::TGIFDecoder::MaxPicturePixels).
    std::size_t MaxPicturePixels() const { return FImage.MaxPicturePixels; }
    void SetMaxPicturePixels(std::size_t value) { FImage.MaxPicturePixels = value; }
    // The same for each image's own size (see ::TGIFDecoder::MaxFramePixels).
    void SetMaxFramePixels(std::size_t value) { FImage.MaxFramePixels = value; }
    bool Loop() const { return FLoop; }
    void SetLoop(bool value);
    bool Opaque() const { return FOpaque; }
    void SetOpaque(bool value);
    int Speed() const { return FSpeed; } // percent
    void SetSpeed(int value);
    bool Stretch() const { return FLayout.Stretch; }
    void SetStretch(bool value);
    bool StretchRatio() const { return FLayout.StretchRatio; }
    void SetStretchRatio(bool value);
    bool StretchBigOnly() const { return FLayout.StretchBigOnly; }
    void SetStretchBigOnly(bool value);
    bool Tile() const { return FLayout.Tile; }
    void SetTile(bool value);
    bool Threaded() const { return FThreaded; }
    void SetThreaded(bool value);
    QThread::Priority ThreadPriority() const { return FPriority; }
    void SetThreadPriority(QThread::Priority value);
    // The control's own visibility: when false it draws nothing but keeps its place. Not the
    // widget's isVisible().
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);

    QRect ImageRect() const;
    // Whether the control tells the toolkit that it paints its whole area itself.
    bool CoversArea() const;
    // Draws the control at once (animation steps), clipped to ImageRect.
    void Repaint();
    // One tick of the animation.
    void AnimationStep();
    // The animation timer, present only while animating.
    TTimerEx* AnimationTimer() const { return FTimer; }
    int Pass() const { return FImage.Pass; }

    // Milliseconds of a monotonic clock; the time a step takes is measured with it.
    std::function<std::int64_t()> Clock;

    std::function<void(TGIFImage&)> OnChanging;
    std::function<void(TGIFImage&)> OnChange;
    std::function<void(TGIFImage&)> OnWrapAnimation;
    std::function<void(TGIFImage& sender, std::size_t bytesProcessed, std::size_t bytesToProcess,
                       int percentageProcessed, bool& keepOnProcessing)>
        OnProgress;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class TReader : public ::TGIFDecoder {
    public:
        explicit TReader(Gui::TGIFImage& owner) : FOwner(owner) {}

    protected:
        void Changing() override;
        void Change() override;

    private:
        Gui::TGIFImage& FOwner;
    };

    template <class F> bool Load(F&& load);
    void Changing();
    void Change();
    bool FirstFrameTransparent() const;
    bool LoopUsedUp() const;
    void SetTimer();
    void ReleaseTimer();
    void ShowFrame(int n);
    bool UpdateOpacity();
    void Invalidate();
    const QImage& PictureImage();

    TReader FImage{*this};
    TImageLayout FLayout;
    bool FAnimate = false;
    bool FAutoSize = false;
    bool FDoubleBuffered = true;
    bool FLoop = false;
    bool FOpaque = false;
    bool FThreaded = false;
    bool FVisible = true;
    int FSpeed = 100;
    QThread::Priority FPriority = QThread::NormalPriority;
    QColor FColor;
    TTimerEx* FTimer = nullptr;
    bool FStepping = false;
    bool FRepainting = false;
    // The composed picture as the toolkit draws it; rebuilt after the composition changed.
    QImage FPicture;
    bool FPictureStale = true;
};

} // namespace Gui
