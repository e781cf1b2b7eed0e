#include "app/gui/program_dialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

#include "app/gui/mime_addresses.h"
#include "engine/crawl_log.h"
#include "ui/dialogs/about_dlg.h"
#include "ui/dialogs/add_file_dlg.h"
#include "ui/dialogs/file_props_dlg.h"
#include "ui/dialogs/login_dlg.h"
#include "ui/dialogs/options_dlg.h"
#include "ui/dialogs/proj_props.h"
#include "ui/dialogs/pw_gen_settings.h"
#include "ui/dialogs/search_proj_dlg.h"
#include "ui/dialogs/start_chooser_dlg.h"
#include "ui/record_text.h"

namespace {

class ProgramDialogs : public FrameDialogs {
public:
    ProgramDialogs(QWidget* parent, UrlOpener openUrl, MessageBoxPort& messages,
                   const SearchEngineAddresses* engines, std::function<bool()> keepsPasswords)
        : parent_(parent),
          openUrl_(std::move(openUrl)),
          messages_(messages),
          engines_(engines),
          keepsPasswords_(std::move(keepsPasswords)) {}

    std::optional<FileRequest> AskFileUrl() override {
        CAddFileDlg dialog(parent_, &messages_, KeepsPasswords());
        // The address at hand, selected, so that typing replaces it.
        dialog.UrlEdit()->setText(TextFromRecord(ClipboardAddress()));
        dialog.UrlEdit()->selectAll();
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return FileRequest{TextForRecord(dialog.Url()), TextForRecord(dialog.Checksum()),
                           TextForRecord(dialog.User()), TextForRecord(dialog.Password())};
    }

    bool EditFileProperties(FileProperties& properties) override {
        CFilePropsDlg dialog(TextFromRecord(properties.url), TextFromRecord(properties.checksum),
                             TextFromRecord(properties.result), parent_, &messages_,
                             TextFromRecord(properties.user), KeepsPasswords());
        if (dialog.exec() != QDialog::Accepted) return false;
        properties.checksum = TextForRecord(dialog.Checksum());
        properties.user = TextForRecord(dialog.User());
        properties.password = TextForRecord(dialog.Password());
        return true;
    }

    std::optional<LoginAnswer> AskLogin(const LoginQuestion& question) override {
        CLoginDlg dialog({TextFromRecord(question.server), TextFromRecord(question.realm),
                          TextFromRecord(question.user), question.refused, question.keptBeyondRun},
                         parent_);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return LoginAnswer{TextForRecord(dialog.User()), TextForRecord(dialog.Password()), dialog.Remember()};
    }

    bool EditWebProject(std::string_view title, WebProject& project) override {
        CProjProps sheet(TextFromRecord(title), parent_);
        sheet.LoadFromRecord(project);
        sheet.ShowFirstErrorOfLastRun(TextFromRecord(FirstErrorOfLastRun(project.name.Str())));
        if (project.name.Empty() && !project.startUrl.Empty()) {
            // A new project from an address at hand: the address is selected,
            // so that typing replaces it.
            QLineEdit* startUrl = sheet.GeneralPage()->StartUrlEdit();
            startUrl->selectAll();
            startUrl->setFocus();
        }
        if (sheet.exec() != QDialog::Accepted) return false;
        sheet.StoreIntoRecord(project);
        return true;
    }

    bool NewSearchProject(SearchProject& project) override {
        CSearchProjDlg dialog(parent_, &messages_);
        return Store(dialog, project);
    }

    bool EditSearchProject(SearchProject& project) override {
        CSearchProjDlg dialog(parent_, &messages_);
        dialog.LoadFromRecord(project);
        return Store(dialog, project);
    }

    std::string OfferedAddress() override { return ClipboardAddress(); }

    bool AskYesNo(std::string_view question) override {
        return QMessageBox::question(parent_, QApplication::applicationName(), TextFromRecord(question),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

    int StartChoice() override {
        CStartChooserDlg chooser(nullptr);
        return chooser.exec() == QDialog::Accepted ? chooser.Choice() : 0;
    }

    void ShowAbout() override {
        CAboutDlg about(parent_, [this](const QString& address) { openUrl_(QUrl::fromUserInput(address)); });
        about.exec();
    }

    bool EditOptions(Options& options) override {
        COptionsDlg dialog(parent_, &messages_);
        dialog.Load(options);
        if (dialog.exec() != QDialog::Accepted) return false;
        options = dialog.Entered();
        return true;
    }

private:
    bool Store(CSearchProjDlg& dialog, SearchProject& project) const {
        if (engines_ != nullptr) dialog.ShowEngineAddresses(engines_->altavista, engines_->yahoo);
        if (dialog.exec() != QDialog::Accepted) return false;
        dialog.StoreIntoRecord(project);
        return true;
    }

    bool KeepsPasswords() const { return keepsPasswords_ && keepsPasswords_(); }

    QWidget* parent_;
    UrlOpener openUrl_;
    MessageBoxPort& messages_;
    const SearchEngineAddresses* engines_;
    std::function<bool()> keepsPasswords_;
};

}  // namespace

std::unique_ptr<FrameDialogs> MakeProgramDialogs(QWidget* parent, UrlOpener openUrl, MessageBoxPort& messages,
                                                 const SearchEngineAddresses* engines,
                                                 std::function<bool()> keepsPasswords) {
    return std::make_unique<ProgramDialogs>(parent, std::move(openUrl), messages, engines,
                                            std::move(keepsPasswords));
}
