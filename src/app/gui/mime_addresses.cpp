#include "app/gui/mime_addresses.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

#include "app/dropped_addresses.h"
#include "ui/record_text.h"

std::string AddressText(const QMimeData* mime) {
    if (mime == nullptr) return {};
    if (mime->hasUrls()) {
        QString lines;
        for (const QUrl& url : mime->urls())
            lines += QString::fromLatin1(url.toEncoded()) + QLatin1Char('\n');
        return TextForRecord(lines);
    }
    return mime->hasText() ? TextForRecord(mime->text()) : std::string();
}

std::string ClipboardAddress() {
    const DroppedAddresses held = SplitDroppedText(AddressText(QApplication::clipboard()->mimeData()));
    return held.addresses.size() == 1 && held.refused.empty() ? held.addresses.front() : std::string();
}
