#include <set>
#include <string>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "app/gui/options_settings.h"
#include "support/fake_message_box.h"
#include "support/temp_folder.h"
#include "ui/dialog_driving.h"
#include "ui/dialogs/options_dlg.h"
#include "ui/dialogs/proxy_options_page.h"

namespace {

void Retype(QLineEdit* edit, const char* text) {
    edit->clear();
    TypeInto(edit, QString::fromLatin1(text));
}

QPushButton* OkButton(COptionsDlg& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("OK")) return button;
    }
    return nullptr;
}

// The letter after '&' in a label, or 0.
QChar Mnemonic(const QString& text) {
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
}

// OK is refused with a message naming the field while a manual proxy cannot
// be used; the other modes leave the manual fields unchecked (and unchanged
// when unusable). An accepted manual proxy keeps its password for the run.
TEST(ProxyOptionsDlgTest, OkRefusesAManualProxyThatCannotBeUsedNamingTheField) {
    const struct {
        ProxyMode mode;
        const char* host;
        const char* port;  // typed over the spin box's value
        int enteredPort;
        const char* bypass;
        const char* refusal;  // nullptr: accepted
    } cases[] = {
        {ProxyMode::kManual, "", "3128", 3128, "", "The proxy host must name the proxy"},
        {ProxyMode::kManual, "http://proxy.test", "3128", 3128, "",
         "The proxy host must be a host name or address, without a scheme, port or blank"},
        {ProxyMode::kManual, "proxy.test:3128", "3128", 3128, "",
         "The proxy host must be a host name or address, without a scheme, port or blank"},
        {ProxyMode::kManual, "proxy.test", "3128", 3128, "a.test; b.test",
         "The hosts without proxy must be host names or addresses separated by commas"},
        {ProxyMode::kManual, "[::1]", "312x8", 3128, "localhost, 10.0.0.0/8, .corp.test", nullptr},
        // 65535 at most: the last 6 is not taken.
        {ProxyMode::kManual, "proxy.test", "65536", 6553, "", nullptr},
        {ProxyMode::kNone, "not a host", "x", 0, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.host) + " / " + c.port);
        FakeMessageBox messages;
        COptionsDlg dialog(nullptr, &messages);
        Options loaded;
        loaded.proxy.host = "old.test";
        dialog.Load(loaded);
        CProxyOptionsPage* page = dialog.ProxyPage();
        EXPECT_FALSE(page->HostEdit()->isEnabled());
        const int result = RunModal(dialog, [&] {
            page->ModeButton(c.mode)->click();
            Retype(page->HostEdit(), c.host);
            page->PortEdit()->selectAll();
            TypeInto(page->PortEdit(), QString::fromLatin1(c.port));
            Retype(page->UserEdit(), "ann");
            Retype(page->PasswordEdit(), "Zq7 pass");
            Retype(page->BypassEdit(), c.bypass);
            OkButton(dialog)->click();
        });
        EXPECT_EQ(page->HostEdit()->isEnabled(), c.mode == ProxyMode::kManual);
        if (c.refusal != nullptr) {
            EXPECT_EQ(result, kLeftOpen);
            EXPECT_EQ(messages.shown, std::vector<std::string>{c.refusal});
            continue;
        }
        EXPECT_EQ(result, QDialog::Accepted);
        const ProxyOptions entered = dialog.Entered().proxy;
        EXPECT_EQ(entered.mode, c.mode);
        if (c.mode == ProxyMode::kManual) {
            EXPECT_EQ(entered.host, c.host);
            EXPECT_EQ(entered.port, c.enteredPort);
            EXPECT_EQ(entered.user, "ann");
            EXPECT_EQ(entered.password, "Zq7 pass");
            EXPECT_EQ(entered.bypass, c.bypass);
        } else {
            EXPECT_EQ(entered.host, "old.test");
        }
    }
}

// The password shows no characters and the page says where it is kept;
// every mnemonic of a page is its own, and the proxy's fields follow each
// other in the tab order.
TEST(ProxyOptionsDlgTest, ThePasswordIsHiddenAndTheKeyboardReachesEveryField) {
    COptionsDlg dialog;
    CProxyOptionsPage* page = dialog.ProxyPage();
    EXPECT_EQ(page->PasswordEdit()->echoMode(), QLineEdit::Password);
    bool noted = false;
    for (const QLabel* label : page->findChildren<QLabel*>()) {
        noted = noted || label->text().contains(QStringLiteral("this run only"));
    }
    EXPECT_TRUE(noted);

    QTabWidget* pages = dialog.Pages();
    for (int index = 0; index < pages->count(); ++index) {
        const QWidget* shown = pages->widget(index);
        std::set<QChar> seen;
        QStringList texts;
        for (const QAbstractButton* button : shown->findChildren<QAbstractButton*>()) texts << button->text();
        for (const QLabel* label : shown->findChildren<QLabel*>()) texts << label->text();
        for (const QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons()) {
            texts << button->text();  // OK and Cancel go with every page
        }
        for (const QString& text : texts) {
            const QChar letter = Mnemonic(text);
            if (letter.isNull()) continue;
            EXPECT_TRUE(seen.insert(letter).second) << "twice: " << text.toStdString();
        }
    }
    for (const QLabel* label : page->findChildren<QLabel*>()) {
        if (!Mnemonic(label->text()).isNull()) {
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    }

    page->ModeButton(ProxyMode::kManual)->setChecked(true);
    const std::vector<QWidget*> order = TabOrderFrom(page->ModeButton(ProxyMode::kManual), 7);
    EXPECT_EQ(order, (std::vector<QWidget*>{page->ModeButton(ProxyMode::kManual), page->SchemeBox(),
                                            page->HostEdit(), page->PortEdit(), page->UserEdit(),
                                            page->PasswordEdit(), page->BypassEdit()}));
}

// The proxy goes to options.conf under Proxy/ without its password, and
// comes back as it was; what a hand-edited file holds that cannot be used
// gives its default, and a manual proxy left without a usable host gives
// the environment's.
TEST(ProxySettingsTest, TheProxyIsSavedWithoutItsPasswordAndUnusableValuesGiveTheirDefaults) {
    TempFolder folder;
    const QString file = QString::fromStdString((folder / "options.conf").string());
    Options options;
    options.proxy = {ProxyMode::kManual, ProxyScheme::kSocks5h,  "proxy.test", 1080, "ann",
                     "Zq7-secret",       "localhost, .corp.test"};
    ASSERT_TRUE(SaveOptions(file, options));
    EXPECT_EQ(folder.Read("options.conf").find("Zq7"), std::string::npos);
    Options expected = options;
    expected.proxy.password.clear();
    EXPECT_EQ(LoadOptions(file), expected);

    const struct {
        const char* lines;
        ProxyOptions expected;
    } cases[] = {
        {"Mode=manual\nScheme=gopher\nHost=proxy.test\nPort=99999\nUser=ann\nBypass=a.test, b.test\n"
         "Password=leaked\n",
         {ProxyMode::kManual, ProxyScheme::kHttp, "proxy.test", kDefaultProxyPort, "ann", "",
          "a.test,b.test"}},
        {"Mode=manual\nScheme=socks5\nHost=bad host\nPort=1080\n",
         {ProxyMode::kEnvironment, ProxyScheme::kSocks5, "", 1080, "", "", ""}},
        {"Mode=none\nHost=proxy.test\nBypass=a|b\n",
         {ProxyMode::kNone, ProxyScheme::kHttp, "proxy.test", kDefaultProxyPort, "", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        folder.Write("hand.conf", std::string("[Proxy]\n") + c.lines);
        const QString hand = QString::fromStdString((folder / "hand.conf").string());
        EXPECT_EQ(LoadOptions(hand).proxy, c.expected);
        ASSERT_TRUE(SaveOptions(hand, LoadOptions(hand)));
        EXPECT_EQ(folder.Read("hand.conf").find("leaked"), std::string::npos);
    }
    folder.Write("long.conf", "[Proxy]\nMode=manual\nHost=" + std::string(300, 'h') + "\n");
    EXPECT_EQ(LoadOptions(QString::fromStdString((folder / "long.conf").string())).proxy, ProxyOptions{});
}

}  // namespace
