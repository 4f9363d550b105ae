#include "ImagePage.h"

#include "MainActions.h"
#include "QtText.h"

#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

TImagePage::TImagePage(QWidget* parent)
    : QWidget(parent), FGenusImage(new QLabel(this)), FShowImageBtn(new QPushButton(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FGenusImage->setObjectName(QStringLiteral("GenusImage"));
    FGenusImage->setAlignment(Qt::AlignCenter);
    FGenusImage->hide();
    layout->addWidget(FGenusImage);
    FShowImageBtn->setObjectName(QStringLiteral("ShowImageBtn"));
}

void TImagePage::BindActions(QAction* showImage, QMenu* popup) {
    BindButtonToAction(FShowImageBtn, showImage);
    FGenusImage->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(FGenusImage, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(FGenusImage->mapToGlobal(at)); });
}

bool TImagePage::ShowPicture(const std::string& path) {
    QPixmap picture(ToQ(path));
    if (picture.isNull())
        return false;
    FGenusImage->setPixmap(picture);
    FGenusImage->show();
    return true;
}

void TImagePage::ClearPicture() {
    FGenusImage->clear();
    FGenusImage->hide();
}

void TImagePage::SetShowButtonVisible(bool visible) { FShowImageBtn->setVisible(visible); }

void TImagePage::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    PlaceShowButton();
}

void TImagePage::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    PlaceShowButton();
}

void TImagePage::PlaceShowButton() {
    // Halves go to the even neighbour.
    const int left = static_cast<int>(std::nearbyint((width() - FShowImageBtn->width()) / 2.0));
    const int top = static_cast<int>(std::nearbyint((height() - FShowImageBtn->height()) / 2.0));
    FShowImageBtn->move(left, top);
}
