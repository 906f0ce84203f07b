#include "settings/ui/icon_row.h"

#include "graphics/ui/place.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

namespace settings::ui {

QIcon resourcePicture(int number) {
    QStyle::StandardPixmap pixmap = QStyle::SP_FileIcon;
    switch (number) {
        case 12: pixmap = QStyle::SP_ComputerIcon; break;
        case 13: pixmap = QStyle::SP_DialogHelpButton; break;
        case 16: pixmap = QStyle::SP_DriveHDIcon; break;
        case 17: pixmap = QStyle::SP_DriveNetIcon; break;
        case 18: pixmap = QStyle::SP_FileDialogDetailedView; break;
        case 19: pixmap = QStyle::SP_FileDialogContentsView; break;
        case 20: pixmap = QStyle::SP_DialogSaveButton; break;
        case 21: pixmap = QStyle::SP_DirOpenIcon; break;
        case 22: pixmap = QStyle::SP_FileIcon; break;
        case 24: pixmap = QStyle::SP_BrowserReload; break;
        case 25: pixmap = QStyle::SP_MediaPlay; break;
        case 26: pixmap = QStyle::SP_DesktopIcon; break;
        case 27: pixmap = QStyle::SP_DialogApplyButton; break;
        default: break;
    }
    return QApplication::style()->standardIcon(pixmap);
}

void PaintSomeIcons(QWidget* parent) {
    static const int resources[] = {21, 22, 12, 24, 25, 26, 27, 20, 19, 18, 17, 16, 13};
    int x = 24;
    for (int resource : resources) {
        auto* icon = new QLabel(parent);
        icon->setObjectName(QString("icon%1").arg(resource));
        icon->setAlignment(Qt::AlignCenter);
        icon->setPixmap(resourcePicture(resource).pixmap(32, 32));
        graphics::ui::placeBottomLeft(icon, x, 284, 50, 60);
        icon->show();
        x += 40;
    }
}

}  // namespace settings::ui
