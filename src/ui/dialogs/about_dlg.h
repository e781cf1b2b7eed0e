#pragma once

#include <functional>

#include <QDialog>

class QPushButton;

// The address of our products page, handed to the desktop without a scheme.
inline constexpr const char* kProductsPageAddress = "www.tarrawick.example/products.htm";

// "About Tarrawick for Software". Only OK closes it: "Check out other
// products", Esc and the window's close box open the products page instead
// and leave the box open.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // Opens an address given without a scheme; failures are not reported.
    using PageOpener = std::function<void(const QString& address)>;

    // Without an opener the page goes to the desktop's web browser.
    explicit CAboutDlg(QWidget* parent = nullptr, PageOpener opener = {});

    // Cancel: opens the products page; the box stays open.
    void reject() override;

    QPushButton* OkButton() const { return ok_; }
    QPushButton* ProductsButton() const { return products_; }

private:
    PageOpener opener_;
    QPushButton* ok_;
    QPushButton* products_;
};
