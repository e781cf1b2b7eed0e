#include "ui/dialogs/web_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "app/gui/web_options_settings.h"
#include "support/temp_folder.h"

namespace {

constexpr int kAltavista = 0;
constexpr int kYahoo = 1;

WebOptions SearxOptions() {
    WebOptions options;
    options.followHttpsAndRedirects = true;
    options.stayBelowStartFolder = true;
    options.obeyRobotsTxt = true;
    options.requestsPerSite = 4;
    options.yahoo = {"https://searx.example.org/search?q={words}&format=json", "searx", EngineAnswer::kJson};
    return options;
}

// A template that cannot work is shown as an error while it is typed, OK
// would be refused, and storing keeps the old template while the other
// fields are taken.
TEST(WebOptionsPageTest, ATemplateThatCannotWorkIsShownAsAnErrorAndKeepsTheOldValue) {
    CWebOptionsPage page;
    const WebOptions old = SearxOptions();
    page.LoadFromOptions(old);
    const CWebOptionsPage::EngineFields& yahoo = page.Engine(kYahoo);
    EXPECT_TRUE(page.FollowBox()->isChecked());
    EXPECT_FALSE(page.SwitchBox(1)->isChecked());
    EXPECT_TRUE(page.SwitchBox(2)->isChecked());
    EXPECT_EQ(yahoo.answer->currentIndex(), 1);
    EXPECT_EQ(page.RequestsPerSiteBox()->value(), 4);
    EXPECT_TRUE(page.RefusalText().isEmpty());

    for (const char* bad : {"searx.example.org/search?q={words}", "https://searx.example.org/search?q=",
                            "https://searx.example.org/search?q={words} more", "https:///?q={words}"}) {
        yahoo.queryTemplate->setText(QString::fromLatin1(bad));
        yahoo.ownLinkMarker->setText(QStringLiteral("other"));
        EXPECT_FALSE(yahoo.problem->isHidden()) << bad;
        EXPECT_TRUE(
            page.RefusalText().startsWith(QStringLiteral("The query address of Yahoo cannot be used")))
            << bad;
        WebOptions stored = old;
        page.StoreIntoOptions(stored);
        EXPECT_EQ(stored.yahoo.queryTemplate, old.yahoo.queryTemplate) << bad;
        EXPECT_EQ(stored.yahoo.ownLinkMarker, "other") << bad;
    }

    page.Engine(kAltavista).queryTemplate->setText(QStringLiteral("http://127.0.0.1:8888/?q={words}"));
    yahoo.queryTemplate->setText(QStringLiteral("HTTPS://searx.test:8443/search?format=json&q={words}"));
    page.FollowBox()->setChecked(false);
    page.SwitchBox(1)->setChecked(true);
    page.RequestsPerSiteBox()->setValue(99);  // held to its range
    EXPECT_TRUE(yahoo.problem->isHidden());
    EXPECT_TRUE(page.RefusalText().isEmpty());
    WebOptions stored = old;
    page.StoreIntoOptions(stored);
    EXPECT_FALSE(stored.followHttpsAndRedirects);
    EXPECT_TRUE(stored.readLinksAsBrowser);
    EXPECT_TRUE(stored.stayBelowStartFolder);
    EXPECT_EQ(stored.requestsPerSite, kMaxRequestsPerSite);
    EXPECT_EQ(stored.altavista.queryTemplate, "http://127.0.0.1:8888/?q={words}");
    EXPECT_EQ(stored.yahoo.queryTemplate, "HTTPS://searx.test:8443/search?format=json&q={words}");
}

// Saved options load back as they were; a value that is missing or cannot
// be used gives its default.
TEST(WebOptionsSettingsTest, OptionsComeBackAsSavedAndUnusableValuesGiveTheirDefaults) {
    TempFolder folder;
    const QString file = QString::fromStdString((folder / "options.conf").string());
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_EQ(LoadWebOptions(settings), WebOptions{});
        SaveWebOptions(settings, SearxOptions());
    }
    {
        QSettings settings(file, QSettings::IniFormat);
        EXPECT_EQ(LoadWebOptions(settings), SearxOptions());
        settings.setValue(QStringLiteral("web/followHttpsAndRedirects"), QStringLiteral("maybe"));
        settings.setValue(QStringLiteral("web/stayBelowStartFolder"), QStringLiteral("1"));
        settings.setValue(QStringLiteral("web/requestsPerSite"), QStringLiteral("17"));
        settings.setValue(QStringLiteral("web/yahoo/queryTemplate"),
                          QStringLiteral("searx.example.org/?q={words}"));
        settings.setValue(QStringLiteral("web/yahoo/answer"), QStringLiteral("xml"));
        settings.setValue(QStringLiteral("web/altavista/ownLinkMarker"), QString(300, QLatin1Char('m')));
    }
    QSettings settings(file, QSettings::IniFormat);
    const WebOptions loaded = LoadWebOptions(settings);
    const WebOptions defaults;
    EXPECT_EQ(loaded.followHttpsAndRedirects, defaults.followHttpsAndRedirects);
    EXPECT_EQ(loaded.stayBelowStartFolder, defaults.stayBelowStartFolder);
    EXPECT_EQ(loaded.requestsPerSite, defaults.requestsPerSite);
    EXPECT_EQ(loaded.yahoo.queryTemplate, defaults.yahoo.queryTemplate);
    EXPECT_EQ(loaded.yahoo.answer, defaults.yahoo.answer);
    EXPECT_EQ(loaded.yahoo.ownLinkMarker, "searx");  // usable, so kept
    EXPECT_EQ(loaded.altavista, defaults.altavista);
}

}  // namespace
