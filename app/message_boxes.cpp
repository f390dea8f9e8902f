#include "app/message_boxes.h"

#include <QMessageBox>

namespace {

class QtMessageBoxes final : public MessageBoxes {
public:
    MessageAnswer Show(QWidget* owner, const QString& text, const QString& caption,
                       MessageButtons buttons, MessageIcon icon) override {
        QMessageBox box(owner);
        box.setWindowTitle(caption);
        box.setText(text);
        box.setIcon(icon == MessageIcon::Question      ? QMessageBox::Question
                    : icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                       : QMessageBox::NoIcon);
        if (buttons == MessageButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MessageAnswer::Ok;
    }
};

}  // namespace

MessageBoxes& ScreenMessageBoxes() {
    static QtMessageBoxes boxes;
    return boxes;
}
