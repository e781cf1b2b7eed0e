#include "ui/dialogs/add_file_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/records.h"
#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_text.h"
#include "ui/dialogs/dialog_units.h"

CAddFileDlg::CAddFileDlg(QWidget* parent) : QDialog(parent), url_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Add File(s)"));
    // As much as a FileEntry's url holds. The command may still put
    // "http://" in front of an address without "//".
    LimitEditToField(url_, CapacityOf<decltype(FileEntry::url)>);
    url_->setMinimumWidth(UnitsAcross(this, 218));

    auto* add = new QPushButton(QStringLiteral("Add"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    add->setDefault(true);
    connect(add, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(new QLabel(QStringLiteral("URL"), this));
    urlRow->addWidget(url_, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(cancel);

    auto* row = new QHBoxLayout(this);
    AddFrame(this, urlRow);
    row->addLayout(buttons);
    ChainTabOrder({url_, add, cancel});
}

QString CAddFileDlg::Url() const { return url_->text(); }
