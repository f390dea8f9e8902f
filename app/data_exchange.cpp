#include "app/data_exchange.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

#include "app/template_dialog.h"

namespace {

// Stops typing beyond the limit, but leaves a longer text that was set by the program
// (from the settings, say) editable, as long as it does not grow.
class LengthLimit final : public QValidator {
public:
    LengthLimit(QLineEdit* edit, int maxChars)
        : QValidator(edit), max_(maxChars), accepted_(static_cast<int>(edit->text().size())) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { accepted_ = static_cast<int>(text.size()); });
    }
    State validate(QString& input, int&) const override {
        return input.size() > max_ && input.size() > accepted_ ? Invalid : Acceptable;
    }

private:
    int max_;
    int accepted_;  // the length of the text as it stands
};

}  // namespace

DataExchange::DataExchange(TemplateDialog& dialog, bool saveAndValidate)
    : dialog_(dialog), saving_(saveAndValidate) {}

QWidget* DataExchange::Find(int id) const {
    return dialog_.Control(id);
}

void DataExchange::ListIndex(int id, int& index) {
    if (failed_) return;
    auto* list = qobject_cast<QComboBox*>(Find(id));
    if (!list) return;
    if (saving_)
        index = list->currentIndex();
    else
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void DataExchange::Text(int id, std::string& value) {
    if (failed_) return;
    QWidget* w = Find(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (saving_)
            value = edit->text().toStdString();
        else
            edit->setText(QString::fromStdString(value));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        if (saving_)
            value = label->text().toStdString();
        else
            label->setText(QString::fromStdString(value));
    }
}

void DataExchange::MaxChars(int id, const std::string& value, int maxChars) {
    if (failed_) return;
    auto* edit = qobject_cast<QLineEdit*>(Find(id));
    if (!edit) return;
    if (!saving_) {
        if (!dynamic_cast<const LengthLimit*>(edit->validator()))
            edit->setValidator(new LengthLimit(edit, maxChars));
        return;
    }
    if (QString::fromStdString(value).size() <= maxChars) return;
    dialog_.MessageBox(QString("Please enter no more than %1 characters.").arg(maxChars),
                       MessageButtons::Ok, MessageIcon::Exclamation);
    edit->setFocus();
    edit->selectAll();
    failed_ = true;
}
