#include "ImagePage.h"

#include "Constants.h"
#include "Dialogs.h"
#include "Format.h"
#include "GIFImageWidget.h"
#include "GenusPictures.h"
#include "Global.h"
#include "MainActions.h"
#include "PictureFile.h"
#include "Platform.h"
#include "QtText.h"
#include "StrUtils.h"
#include "TaxonomyData.h"
#include "UrlLabel.h"
#include "ui_ImagePage.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const NotGiven = "(n/a)";
const char* const NoLink = "-";
// Pictures of more pixels than this are not kept while the next is decoded.
constexpr qint64 LargePicturePixels = 8 << 20;

// Our file dialogs take Qt's filter form; the texts stay those of the Windows-style filters
// "Caption|patterns|Caption|patterns", with the pattern lists written with blanks.
QString QtFilter(const char* filter) {
    const QStringList parts = QString::fromLatin1(filter).split(QLatin1Char('|'));
    QStringList captions;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        captions << QString(parts[i]).replace(QLatin1Char(';'), QLatin1Char(' '));
    return captions.join(QStringLiteral(";;"));
}

// A file nobody may write (the read-only mark of other systems) or that we may not write.
bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

} // namespace

TImagePage::TImagePage(QWidget* parent)
    : QWidget(parent), FUi(std::make_unique<Ui::TImagePage>()), FGIFImage(new Gui::TGIFImage),
      FMaxPixels(MaxShownPixels) {
    FUi->setupUi(this);
    FGIFImage->setParent(FUi->ImageScrollContents);
    FGIFImage->setObjectName(QStringLiteral("GIFImage"));
    FGIFImage->hide();
    // The page only ever shows a still picture: frame 1, and only of a picture it can hold.
    FGIFImage->SetFirstImageOnly(true);
    FGIFImage->SetMaxFramePixels(FMaxPixels);
    FUi->ImageScrollContents->installEventFilter(this);
    SetBandVisible(false);
    FPlayAction = new QAction(QStringLiteral("Play Animation"), this);
    FPlayAction->setObjectName(QStringLiteral("PlayAnimationItem"));
    FPlayAction->setStatusTip(QStringLiteral("Play the animation of this picture"));
    FPlayAction->setCheckable(true);
    FPlayAction->setEnabled(false);
    connect(FPlayAction, &QAction::toggled, this, &TImagePage::SetPlayAnimation);
}

void TImagePage::SetPlayAnimation(bool play) {
    if (play && !FGifPath.empty()) {
        if (!FPlayer) {
            FPlayer = new Gui::TGIFImage(FUi->ImageScrollContents);
            FPlayer->setObjectName(QStringLiteral("AnimationPlayer"));
            FPlayer->SetMaxPicturePixels(FMaxPixels);
            FPlayer->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(FPlayer, &QWidget::customContextMenuRequested, FUi->InfoImage,
                    [this](const QPoint& at) { emit FUi->InfoImage->customContextMenuRequested(at); });
        }
        if (FPlayer->LoadFromFile(QFile::decodeName(QByteArray::fromStdString(FGifPath)))) {
            FPlayer->setGeometry(FUi->InfoImage->geometry());
            FPlayer->show();
            FPlayer->SetAnimate(true);
            FUi->InfoImage->hide();
        }
    } else if (FPlayer) {
        FPlayer->SetAnimate(false);
        FPlayer->hide();
        FPlayer->Clear();
        FUi->InfoImage->show();
    }
    const QSignalBlocker quiet(FPlayAction);
    FPlayAction->setChecked(play && FPlayer && FPlayer->isVisible());
}

TImagePage::~TImagePage() = default;

void TImagePage::BindActions(TMainActions& actions, QMenu* popup) {
    FActions = &actions;
    BindButtonToAction(FUi->ShowImageBtn, actions[TAction::ShowImage]);
    connect(FUi->InfoImage, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(FUi->InfoImage->mapToGlobal(at)); });
    popup->addSeparator();
    popup->addAction(FPlayAction);
    SetBandVisible(BandVisible());
}

QPushButton* TImagePage::ShowImageButton() const {
    return FUi->ShowImageBtn;
}

QLabel* TImagePage::InfoImage() const {
    return FUi->InfoImage;
}

bool TImagePage::BandVisible() const {
    return !FUi->BevelImageInfo->isHidden();
}

void TImagePage::SetBandVisible(bool visible) {
    FUi->BevelImageInfo->setVisible(visible);
    // Save Profile Image goes with the band.
    if (FActions)
        FActions->SetAllowed(TAction::ViewSaveImage, visible);
}

bool TImagePage::LoadImageFile(const TTaxonomyDetail& record, bool isGif, QImage& picture) {
    const std::string path = GenusPicturePath(record);
    if (path.empty() || !FileExists(path))
        return false;
    if (!isGif) {
        // At its own size (it scrolls), unless holding it would take too much memory.
        QSize full;
        picture = LoadPictureFile(path, {}, FMaxPixels, &full);
        if (picture.size() != full)
            ShowScaledNote(full, picture.size());
        return true;
    }
    if (!FGIFImage->LoadFromFile(QFile::decodeName(QByteArray::fromStdString(path)))) {
        const ::TGIFDecoder& gif = FGIFImage->Image();
        if (gif.LastError() == gifTooLarge)
            throw EPictureError(PictureTooLargeText(gif.RefusedWidth(), gif.RefusedHeight()));
        return false;
    }
    // Frame 1 at its own size, as the reader gives it (every pixel opaque); the reader lets go of
    // its copy at once.
    picture = GifFirstFrameImage(FGIFImage->Image());
    FGIFImage->Clear();
    return !picture.isNull();
}

void TImagePage::SetMaxPicturePixels(std::size_t pixels) {
    FMaxPixels = pixels;
    FGIFImage->SetMaxFramePixels(pixels);
}

void TImagePage::ShowScaledNote(QSize full, QSize shown) {
    const auto size = [](QSize s) {
        return std::to_string(s.width()) + " \u00D7 " + std::to_string(s.height());
    };
    FNote = "The picture (" + size(full) + ") is too large to show at its own size; it is shown at " +
            size(shown) + ".";
    // After the presentation's own last word ("Ready").
    QTimer::singleShot(0, this, [this] {
        if (!FNote.empty())
            SetStatus(FNote);
    });
}

bool TImagePage::ShowGenusImage(const TTaxonomyDetail& record) {
    SetPlayAnimation(false);
    // The note of a picture shown smaller goes with it.
    if (!FNote.empty())
        SetStatus("Ready");
    FNote.clear();
    FGifPath.clear();
    FPlayAction->setEnabled(false);
    const bool isGif = IsGifFileName(record.Genus.ImageFile);
    // A large picture shown before goes first: it and the next are never held together.
    const QPixmap shown = FUi->InfoImage->pixmap();
    if (qint64(shown.width()) * shown.height() > LargePicturePixels)
        SetPicture(QImage());
    QImage picture;
    bool loaded = false;
    try {
        loaded = LoadImageFile(record, isGif, picture);
    } catch (const std::exception& e) {
        // The decoder's own words; the load counts as failed and the caller goes on.
        ShowErrorText(e.what());
    }
    if (!loaded) {
        SetBandVisible(false);
        return false;
    }
    if (isGif) {
        FGifPath = GenusPicturePath(record);
        FPlayAction->setEnabled(true);
    }
    // The picture changes only once it was decoded whole.
    SetPicture(std::move(picture));
    const TGenusDetail& g = record.Genus;
    if (g.ImgOwner == NotGiven && g.ImgCopyright == NotGiven) {
        SetBandVisible(false);
        return true;
    }
    FillLine(FUi->LabelImageOf, FUi->UrlLabelImageOf, "Picture of", g.ImgOwner, g.ImgOwnerURL);
    FillLine(FUi->LabelImageCopyrighted, FUi->UrlLabelImageCopyrighted, "Copyrighted(c)", g.ImgCopyright,
             g.ImgCopyrightURL);
    SetBandVisible(true);
    return true;
}

void TImagePage::FillLine(QLabel* label, TUrlLabel* link, const char* caption, const std::string& name,
                          const std::string& url) {
    const QString text = QString::fromLatin1(caption);
    if (url != NoLink) {
        label->setText(text);
        link->setText(ToQ(name));
        link->SetURL(ToQ(url));
        link->setToolTip(ToQ(url));
    } else {
        label->setText(text + QLatin1Char(' ') + ToQ(name));
        link->setText(QString());
        link->SetURL(QString());
        link->setToolTip(QString());
    }
}

void TImagePage::SetPicture(QImage picture) {
    // The picture control takes the picture's size; a larger one scrolls.
    QLabel* image = FUi->InfoImage;
    const QSize size = picture.isNull() ? QSize(0, 0) : picture.size();
    if (picture.isNull())
        image->clear();
    else
        image->setPixmap(QPixmap::fromImage(std::move(picture))); // its pixels, not a copy of them
    image->setGeometry(QRect(QPoint(0, 0), size));
    FUi->ImageScrollContents->setMinimumSize(size);
}

void TImagePage::ClearGenusImage() {
    SetPlayAnimation(false);
    FGifPath.clear();
    FPlayAction->setEnabled(false);
    FNote.clear();
    SetPicture(QImage());
    SetBandVisible(false);
}

void TImagePage::EnableImageLoad(bool enabled) {
    if (!FActions)
        return;
    FActions->SetAllowed(TAction::ShowImage, enabled);
    FActions->SetAllowed(TAction::DBReloadImage, enabled);
    (*FActions)[TAction::ShowImage]->setText(enabled ? QStringLiteral("Download Image")
                                                     : QStringLiteral("No Image Available"));
    PlaceShowButton(); // its caption may need more room
}

void TImagePage::SetShowButtonVisible(bool visible) {
    FUi->ShowImageBtn->setVisible(visible);
}

bool TImagePage::eventFilter(QObject* watched, QEvent* e) {
    if (watched == FUi->ImageScrollContents && (e->type() == QEvent::Resize || e->type() == QEvent::Show))
        PlaceShowButton();
    return QWidget::eventFilter(watched, e);
}

void TImagePage::PlaceShowButton() {
    // Centred in what the scroll box shows; halves go to the even neighbour.
    const QWidget* area = FUi->ImageScrollContents;
    QPushButton* button = FUi->ShowImageBtn;
    // Its own size, grown to its caption where the fonts are larger (a scaled screen).
    const QSize hint = button->sizeHint();
    button->resize(std::max(109, hint.width()), std::max(33, hint.height()));
    const int left = static_cast<int>(std::nearbyint((area->width() - button->width()) / 2.0));
    const int top = static_cast<int>(std::nearbyint((area->height() - button->height()) / 2.0));
    button->move(left, top);
}

// ---- the picture commands ----

std::string GenusPicturePath(const TTaxonomyDetail& record) {
    const std::string& name = record.Genus.ImageFile;
    // A name from a database or the server never reaches outside the images folder.
    if (name == NoLink || !IsPlainFileName(name))
        return {};
    return AppFile(std::string(ImagesFolderName) + name);
}

std::string ExecuteOpenPictureDialog() {
    const char* filter = "All (*.jpg;*.jpeg;*.gif)|*.jpg;*.jpeg;*.gif|JPEG Image File (*.jpg)|*.jpg|"
                         "JPEG Image File (*.jpeg)|*.jpeg|GIF Image File (*.gif)|*.gif";
    return FromQ(DialogSeam().OpenPictureFileName(QStringLiteral("Choose Image File"), QtFilter(filter)));
}

std::string ExecuteSavePictureDialog(const std::string& suggested) {
    const char* filter = "Original Type (*.jpg;*.jpeg;*.gif)|*.jpg;*.jpeg;*.gif";
    return FromQ(
        DialogSeam().SavePictureFileName(QStringLiteral("Save Image"), QtFilter(filter), ToQ(suggested)));
}

std::string PictureFileNameFor(const std::string& genusName, const std::string& chosenPath) {
    const std::string file = ExtractFileName(chosenPath);
    const std::size_t dot = file.rfind('.');
    return LowerCase(genusName + (dot == std::string::npos ? std::string() : file.substr(dot)));
}

bool CopyPictureFile(const std::string& from, const std::string& to) {
    // Read whole before the target is replaced: a picture copied onto itself stays whole, and a
    // failed copy leaves the old file as it was.
    try {
        CopyFileOverwrite(from, to);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void SaveProfileImage(const TTaxonomyDetail& record) {
    const std::string source = GenusPicturePath(record);
    if (source.empty())
        return;
    std::string target = ExecuteSavePictureDialog(record.Name);
    // The file is replaced by renaming over it, which a read-only file would not stop: such a
    // file is refused, as the dialog refuses it elsewhere, and another name is asked for.
    while (!target.empty() && IsReadOnlyFile(target)) {
        AppMessageBox(Format("The file \"%s\" is read-only. Please choose another file name.", {target}),
                      Mb::Ok | Mb::IconExclamation);
        target = ExecuteSavePictureDialog(target);
    }
    if (!target.empty())
        CopyPictureFile(source, target);
}
