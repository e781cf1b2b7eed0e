#include "ui/dialogs/dialog_picture.h"

#include <QLabel>
#include <QPixmap>

const char* const kTallPicture = ":/dialogs/bitmap151.png";
const char* const kBannerPicture = ":/dialogs/bitmap159.png";

QLabel* SunkenPicture(const QString& resource, QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setPixmap(QPixmap(resource));
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return picture;
}
