#include "ui/panels/url_opener.h"

#include <filesystem>
#include <system_error>

#include <QByteArray>
#include <QDesktopServices>

UrlOpener DesktopUrlOpener() {
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

QUrl LocalPathUrl(const std::string& path) {
    std::error_code ignored;
    const std::string absolute = std::filesystem::absolute(path, ignored).lexically_normal().string();
    const QByteArray bytes(absolute.data(), static_cast<qsizetype>(absolute.size()));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
}
