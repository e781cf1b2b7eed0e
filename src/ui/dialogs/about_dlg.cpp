#include "ui/dialogs/about_dlg.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_layout.h"
#include "ui/dialogs/dialog_picture.h"
#include "ui/dialogs/dialog_units.h"

namespace {

// Other products of the suite, listed in two columns.
constexpr const char* kSuiteProducts[] = {"Tarrawick for Pages", "Tarrawick for Mail",
                                          "Tarrawick for Pictures", "Tarrawick for Music"};

void OpenWithDesktop(const QString& address) { QDesktopServices::openUrl(QUrl::fromUserInput(address)); }

QFrame* Box(QWidget* parent, QLayout* contents) {
    auto* box = new QFrame(parent);
    box->setFrameStyle(QFrame::Box | QFrame::Sunken);
    box->setLayout(contents);
    return box;
}

QFrame* TitleBox(QWidget* parent) {
    auto* lines = new QVBoxLayout;
    lines->addWidget(new QLabel(QStringLiteral("Tarrawick for software v1.0"), parent), 0, Qt::AlignHCenter);
    lines->addWidget(new QLabel(QStringLiteral("The ultimate software download tool"), parent), 0,
                     Qt::AlignHCenter);
    return Box(parent, lines);
}

QFrame* ProductBox(QWidget* parent) {
    auto* names = new QGridLayout;
    int at = 0;
    for (const char* product : kSuiteProducts) {
        names->addWidget(new QLabel(QString::fromLatin1(product), parent), at / 2, at % 2);
        ++at;
    }
    return Box(parent, names);
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, PageOpener opener)
    : QDialog(parent),
      opener_(opener ? std::move(opener) : PageOpener(OpenWithDesktop)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      products_(new QPushButton(QStringLiteral("Check out other products"), this)) {
    setWindowTitle(QStringLiteral("About Tarrawick for Software"));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(products_, &QPushButton::clicked, this, &CAboutDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok_);
    buttons->addSpacing(UnitsAcross(this, 15));
    buttons->addWidget(products_);

    auto* right = new QVBoxLayout;
    right->addWidget(TitleBox(this));
    right->addSpacing(UnitsDown(this, 8));
    right->addWidget(new QLabel(QStringLiteral("Other products from this suite"), this));
    right->addWidget(ProductBox(this));
    right->addSpacing(UnitsDown(this, 6));
    right->addLayout(buttons);
    right->addStretch();

    auto* contents = new QHBoxLayout;
    contents->addWidget(SunkenPicture(QString::fromLatin1(kTallPicture), this), 0, Qt::AlignTop);
    contents->addSpacing(UnitsAcross(this, 4));
    contents->addLayout(right);
    AddFrame(this, contents);
    ChainTabOrder({ok_, products_});
}

void CAboutDlg::reject() { opener_(QString::fromLatin1(kProductsPageAddress)); }
