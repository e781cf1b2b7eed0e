#include "ui/dialogs/start_chooser_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_picture.h"
#include "ui/dialogs/dialog_units.h"

CStartChooserDlg::CStartChooserDlg(QWidget* parent)
    : QDialog(parent),
      webSite_(new QRadioButton(QStringLiteral("Start a Web Site Project"), this)),
      search_(new QRadioButton(QStringLiteral("Start a New Search Project"), this)),
      justStart_(new QRadioButton(QStringLiteral("Start the Tarrawick"), this)),
      proceed_(new QPushButton(QStringLiteral("Proceed"), this)) {
    setWindowTitle(QStringLiteral("Start a New Project"));
    proceed_->setDefault(true);
    justStart_->setChecked(true);
    connect(webSite_, &QRadioButton::clicked, this, [this] { choice_ = kWebSiteProject; });
    connect(search_, &QRadioButton::clicked, this, [this] { choice_ = kSearchProject; });
    connect(justStart_, &QRadioButton::clicked, this, [this] { choice_ = kJustStart; });
    connect(proceed_, &QPushButton::clicked, this, &QDialog::accept);

    auto* lastRow = new QHBoxLayout;
    lastRow->addWidget(justStart_);
    lastRow->addStretch();
    lastRow->addWidget(proceed_);

    auto* right = new QVBoxLayout;
    right->addWidget(SunkenPicture(QString::fromLatin1(kBannerPicture), this));
    right->addSpacing(UnitsDown(this, 6));
    right->addWidget(webSite_);
    right->addSpacing(UnitsDown(this, 4));
    right->addWidget(search_);
    right->addSpacing(UnitsDown(this, 4));
    right->addLayout(lastRow);
    right->addStretch();

    auto* contents = new QHBoxLayout;
    contents->addWidget(SunkenPicture(QString::fromLatin1(kTallPicture), this), 0, Qt::AlignTop);
    contents->addSpacing(UnitsAcross(this, 6));
    contents->addLayout(right);
    AddFrame(this, contents);
    ChainTabOrder({webSite_, search_, justStart_, proceed_});
    // The arrow keys move between the options from the chosen one; Return
    // still presses the default button, "Proceed".
    justStart_->setFocus();
}
