#pragma once

#include <functional>
#include <string>

#include <QUrl>

// Hands an address or a file to the desktop's default application; tests
// put a recorder in its place. A failure is not reported.
using UrlOpener = std::function<void(const QUrl&)>;

UrlOpener DesktopUrlOpener();

// The file address of a local path, made absolute, built from the path's
// bytes so that a name that is no UTF-8 still names its file.
QUrl LocalPathUrl(const std::string& path);
