#pragma once

#include <functional>

#include <QUrl>

// Hands an address or a file to the desktop's default application; tests
// put a recorder in its place. A failure is not reported.
using UrlOpener = std::function<void(const QUrl&)>;

UrlOpener DesktopUrlOpener();
