#include <QApplication>

#include "app/gui/dravenet_app.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravenet"));
    CDravenetApp app;
    if (!app.InitInstance()) return 1;
    return app.ExitInstance(app.Run());
}
