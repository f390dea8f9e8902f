// A modal dialog made from one of our dialog templates, with the life cycle the dialogs
// are written against: OnInitDialog, DoDataExchange, OnOK, OnCancel and UpdateData.
#pragma once

#include <QDialog>
#include <QFont>
#include <map>
#include <string>
#include <vector>

#include "app/message_boxes.h"
#include "res/templates.h"

class DataExchange;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class TemplateDialog : public QDialog {
public:
    TemplateDialog(int templateId, QWidget* parent);

    // Runs the dialog modally; the identifier of the command that ended it.
    int DoModal();
    void EndDialog(int result);

    // Controls to members (true, with the checks) or members to controls (false).
    bool UpdateData(bool saveAndValidate);

    QWidget* Control(int id) const;
    // Dialog units to pixels by the dialog font's base units.
    QRect MapDialogRect(int x, int y, int width, int height) const;
    int BaseUnitX() const { return baseX_; }
    int BaseUnitY() const { return baseY_; }

    void SetMessageBoxes(MessageBoxes* boxes) { boxes_ = boxes; }
    MessageAnswer MessageBox(const QString& text, MessageButtons buttons = MessageButtons::Ok,
                             MessageIcon icon = MessageIcon::None, const QString& caption = {});

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void DoDataExchange(DataExchange&) {}
    virtual void OnOK();
    virtual void OnCancel();

    void reject() override;  // Esc and the close box
    void accept() override;

private:
    void Build(const DialogTemplate& t);

    std::map<int, QWidget*> controls_;
    int baseX_ = 6;
    int baseY_ = 13;
    MessageBoxes* boxes_;
};
