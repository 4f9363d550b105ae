// The open and save picture dialogs: the toolkit's file dialog with a preview of the picture under
// the cursor beside the list, decoded by the program's own GIF reader and the JPEG decoder.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

class QFileDialog;
class QWidget;

// The picture a file shows, scaled down to fit `box`; a null image for a file that is no picture
// of ours (not ".gif", ".jpg" or ".jpeg"), cannot be decoded, or is too large to preview.
QImage PicturePreviewImage(const QString& path, const QSize& box);

// A picture dialog ready to run: open (the file must exist) or save (asks before overwriting),
// with the preview label "PicturePreview" that follows the current file.
std::unique_ptr<QFileDialog> MakePictureFileDialog(QWidget* parent, const QString& caption,
                                                   const QString& filter, const QString& suggested,
                                                   bool save);
