#include "ui/dialogs/dialog_text.h"

#include <QLineEdit>
#include <QValidator>

#include "store/text_utils.h"
#include "ui/record_text.h"

namespace {

// Refuses any change that would make the text longer than its field holds,
// counted in the bytes that are stored, that brings in a line break (the list
// files keep names and addresses one to a line), or that brings in a
// non-digit when only digits are wanted.
class FieldValidator : public QValidator {
public:
    FieldValidator(QObject* parent, int maxBytes, bool digitsOnly)
        : QValidator(parent), maxBytes_(maxBytes), digitsOnly_(digitsOnly) {}

    State validate(QString& input, int& /*position*/) const override {
        if (maxBytes_ >= 0 && std::ssize(TextForRecord(input)) > maxBytes_) {
            return Invalid;
        }
        if (input.contains(u'\n') || input.contains(u'\r')) {
            return Invalid;
        }
        if (digitsOnly_) {
            for (const QChar c : input) {
                if (c < u'0' || c > u'9') {
                    return Invalid;
                }
            }
        }
        return Acceptable;
    }

    void SetMaxBytes(int maxBytes) { maxBytes_ = maxBytes; }
    void SetDigitsOnly() { digitsOnly_ = true; }

private:
    int maxBytes_;
    bool digitsOnly_;
};

FieldValidator* ValidatorOf(QLineEdit* edit) {
    auto* validator = const_cast<FieldValidator*>(dynamic_cast<const FieldValidator*>(edit->validator()));
    if (validator == nullptr) {
        validator = new FieldValidator(edit, -1, false);
        edit->setValidator(validator);
    }
    return validator;
}

}  // namespace

QString NumberForEdit(std::int32_t value) { return TextFromRecord(NumberText(value)); }

std::int32_t NumberFromEdit(const QLineEdit* edit) { return LeadingNumber(TextForRecord(edit->text())); }

void LimitEditToField(QLineEdit* edit, int maxBytes) {
    // The character limit stops typing early; the validator also counts the
    // bytes of characters that take more than one.
    edit->setMaxLength(maxBytes);
    ValidatorOf(edit)->SetMaxBytes(maxBytes);
}

void AcceptDigitsOnly(QLineEdit* edit) { ValidatorOf(edit)->SetDigitsOnly(); }
