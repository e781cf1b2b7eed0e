#pragma once

class MessageBoxPort;
class QLineEdit;
class QWidget;

// The optional checksum field of the file dialogs.
QLineEdit* NewChecksumEdit(QWidget* parent);

// False, after a message naming the field and with the focus on it, when
// the field holds something that is not a checksum; an empty field passes.
bool AcceptableChecksum(QLineEdit& edit, MessageBoxPort& messages);
