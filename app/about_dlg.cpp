#include "app/about_dlg.h"

#include <QKeyEvent>

#include "app/data_exchange.h"

namespace {
constexpr int kVariantTextId = 1000;
// Placed this far from the top left of the main dialog's client area, in dialog units.
constexpr int kOffsetX = 30;
constexpr int kOffsetY = 35;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(kAboutDialogId, parent) {}

void CAboutDlg::DoDataExchange(DataExchange& dx) {
    variant_ = "Cortex-SWD";
    dx.Text(kVariantTextId, variant_);
}

bool CAboutDlg::OnInitDialog() {
    UpdateData(false);
    if (auto* owner = dynamic_cast<TemplateDialog*>(parentWidget())) {
        const QRect offset = owner->MapDialogRect(kOffsetX, kOffsetY, 0, 0);
        move(owner->mapToGlobal(offset.topLeft()));
    }
    return true;
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnOK();
        return;
    }
    TemplateDialog::keyPressEvent(event);
}
