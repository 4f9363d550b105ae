#include "PicturePreviewDialog.h"

#include "GIFImage.h"
#include "PictureFile.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace {

// A preview must never make the dialog wait: bigger files, and GIF pictures the Image page would
// not show, are not previewed; a JPEG is decoded at about the size of the preview.
constexpr qint64 MaxPreviewFileBytes = 32 << 20;

QImage DecodeForPreview(const QString& path, const QSize& box) {
    const QString lower = path.toLower();
    const std::string file = QFile::encodeName(path).toStdString();
    if (IsGifFileName(QFileInfo(path).fileName().toStdString())) {
        TGIFDecoder reader;
        reader.FirstImageOnly = true;
        reader.MaxFramePixels = MaxShownPixels;
        return reader.LoadFromFile(file) ? GifFirstFrameImage(reader) : QImage();
    }
    if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")))
        return LoadPictureFile(file, box);
    return {};
}

} // namespace

QImage PicturePreviewImage(const QString& path, const QSize& box) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxPreviewFileBytes || box.isEmpty())
        return {};
    QImage image;
    try {
        image = DecodeForPreview(path, box);
    } catch (const std::exception&) {
        return {}; // a file that is no good picture simply has no preview
    }
    if (image.isNull())
        return {};
    if (image.width() > box.width() || image.height() > box.height())
        image = image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

std::unique_ptr<QFileDialog> MakePictureFileDialog(QWidget* parent, const QString& caption,
                                                   const QString& filter, const QString& suggested,
                                                   bool save) {
    auto dialog = std::make_unique<QFileDialog>(parent, caption, QString(), filter);
    // The preview goes into the toolkit's own dialog; a desktop's dialog has no room for it.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setSizeGripEnabled(true);
    if (!suggested.isEmpty())
        dialog->selectFile(suggested);

    auto* preview = new QLabel(dialog.get());
    preview->setObjectName(QStringLiteral("PicturePreview"));
    preview->setFrameShape(QFrame::StyledPanel);
    preview->setAlignment(Qt::AlignCenter);
    preview->setMinimumSize(180, 180);
    preview->setText(QStringLiteral("No preview"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(dialog.get(), &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        const QImage image = PicturePreviewImage(path, preview->contentsRect().size() - QSize(4, 4));
        if (image.isNull()) {
            preview->setPixmap(QPixmap());
            preview->setText(QStringLiteral("No preview"));
        } else {
            preview->setPixmap(QPixmap::fromImage(image));
        }
    });
    return dialog;
}
