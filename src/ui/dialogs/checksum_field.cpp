#include "ui/dialogs/checksum_field.h"

#include <QLineEdit>

#include "store/checksums.h"
#include "ui/record_text.h"

namespace {

// "sha512:" and 128 digits, with room for blanks around them.
constexpr int kChecksumChars = 160;

}  // namespace

QLineEdit* NewChecksumEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(kChecksumChars);
    edit->setPlaceholderText(QStringLiteral("optional: sha256:HEX, sha512:HEX, sha1:HEX or md5:HEX"));
    return edit;
}

bool AcceptableChecksum(QLineEdit& edit, MessageBoxPort& messages) {
    const QString text = edit.text().trimmed();
    if (text.isEmpty() || ParseChecksum(TextForRecord(text))) return true;
    messages.ShowMessage(kInvalidChecksumMessage);
    edit.setFocus();
    return false;
}
