// The Image page: the selected genus's picture with a band naming its owner and copyright holder,
// or a button that fetches a missing picture. Also the picture commands beside it: the two
// picture dialogs, the name Choose Image gives a copied picture, and Save Profile Image.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class TMainActions;
class TUrlLabel;
namespace Gui {
class TGIFImage;
}
struct TTaxonomyDetail;
namespace Ui {
class TImagePage;
}

class TImagePage : public QWidget {
    Q_OBJECT
public:
    explicit TImagePage(QWidget* parent = nullptr);
    ~TImagePage() override;

    // ShowImageBtn runs Show Image; `popup` is the picture's right-click menu. What the page shows
    // decides what Show Image, Download Image and Save Profile Image allow.
    void BindActions(TMainActions& actions, QMenu* popup);

    // Shows the record's picture and, when it names an owner or a holder, the info band. False
    // when the file is missing or cannot be decoded: the band is hidden and the picture shown
    // before stays, unless it was a large one (over 8 megapixels), which goes before the next is
    // decoded. A picture that is not a GIF and cannot be decoded, or a GIF too large to show, is
    // reported first.
    bool ShowGenusImage(const TTaxonomyDetail& record);
    // No picture, no band.
    void ClearGenusImage();
    // The button (and Download Image) enabled, reading "Download Image"; or disabled, reading
    // "No Image Available".
    void EnableImageLoad(bool enabled);
    // Decodes the record's picture file into `picture`: a GIF's frame 1 through the hidden GIF
    // decoder, anything else by its extension, at its own size; a JPEG over the memory bound
    // (MaxShownPixels) at the largest DCT scale under it, which the status line says. False when there is no
    // such file or the GIF cannot be decoded; a GIF too large to show, or a file of another kind that cannot
    // be decoded, throws EPictureError (or EFOpenError when it cannot be read).
    bool LoadImageFile(const TTaxonomyDetail& record, bool isGif, QImage& picture);
    void SetShowButtonVisible(bool visible);
    // What the status line says of the picture shown (that it is shown smaller); empty when nothing.
    const std::string& PictureNote() const { return FNote; }
    // The memory bound on a shown picture (MaxShownPixels); tests make it small.
    void SetMaxPicturePixels(std::size_t pixels);

    // Plays the shown GIF in the picture's place ("Play Animation" on the picture's menu); off
    // whenever another picture comes, so the still picture is what a user sees first.
    void SetPlayAnimation(bool play);
    QAction* PlayAnimationAction() const { return FPlayAction; }

    QPushButton* ShowImageButton() const;
    QLabel* InfoImage() const;
    bool BandVisible() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetPicture(QImage picture);
    void SetBandVisible(bool visible);
    static void FillLine(QLabel* label, TUrlLabel* link, const char* caption, const std::string& name,
                         const std::string& url);
    void PlaceShowButton();
    void ShowScaledNote(QSize full, QSize shown);

    std::unique_ptr<Ui::TImagePage> FUi;
    TMainActions* FActions = nullptr;
    // The GIF control, hidden: it only decodes GIF files, whose first image the page shows still,
    // and composes nothing. Shown in InfoImage's place and set animating, it would play them.
    Gui::TGIFImage* FGIFImage;
    // The player of "Play Animation", made when first asked for; the GIF shown, if any.
    Gui::TGIFImage* FPlayer = nullptr;
    QAction* FPlayAction;
    std::string FGifPath;
    std::size_t FMaxPixels;
    std::string FNote;
};

// The picture a genus's record names, in the images folder; empty when it names none ("-") or a
// name that is not a plain file name.
std::string GenusPicturePath(const TTaxonomyDetail& record);

// OpenPictureDialog: a JPEG or GIF file to copy in; empty when cancelled.
std::string ExecuteOpenPictureDialog();
// SavePictureDialog, proposing `suggested`; empty when cancelled.
std::string ExecuteSavePictureDialog(const std::string& suggested);

// The name Choose Image gives a picture copied for a genus: the genus name followed by the
// chosen file's extension, all in lower case ("Aurex" and "/pics/Photo.JPEG" give "aurex.jpeg").
std::string PictureFileNameFor(const std::string& genusName, const std::string& chosenPath);

// Copies the bytes unchanged, replacing `to` whole or not at all; false when it could not.
bool CopyPictureFile(const std::string& from, const std::string& to);

// Save Profile Image: the record's picture copied to a file the user chooses. Nothing is
// reported, success or failure, except a read-only file, which is not replaced.
void SaveProfileImage(const TTaxonomyDetail& record);
