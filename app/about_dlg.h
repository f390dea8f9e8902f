#pragma once

#include <string>

#include "app/template_dialog.h"

// The About box: the program's version and, below it, the probe variant it serves.
class CAboutDlg : public TemplateDialog {
public:
    explicit CAboutDlg(QWidget* parent);

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void keyPressEvent(QKeyEvent* event) override;  // no buttons: Enter ends it too

private:
    std::string variant_;
};
