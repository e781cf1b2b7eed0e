#include "ui/panels/url_opener.h"

#include <QDesktopServices>

UrlOpener DesktopUrlOpener() {
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}
