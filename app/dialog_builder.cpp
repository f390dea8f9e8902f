// Builds a dialog's widgets from its template, at the template's places.
#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "app/data_exchange.h"
#include "app/template_dialog.h"

// Resources in a static library must be registered by hand.
static void RegisterResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace {

// The dialog font on this system: the template's face where it exists, otherwise the
// desktop's sans serif at the template's size.
QFont DialogFont(const DialogTemplate& t) {
    QFont font(QString::fromLatin1(t.font), t.pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

Qt::Alignment AlignmentOf(unsigned style) {
    const Qt::Alignment h = (style & kAlignCenter)  ? Qt::AlignHCenter
                            : (style & kAlignRight) ? Qt::AlignRight
                                                    : Qt::AlignLeft;
    return h | Qt::AlignTop;
}

}  // namespace

TemplateDialog::TemplateDialog(int templateId, QWidget* parent)
    : QDialog(parent), boxes_(&ScreenMessageBoxes()) {
    RegisterResources();
    const DialogTemplate* t = FindDialogTemplate(templateId);
    if (t) Build(*t);
}

QRect TemplateDialog::MapDialogRect(int x, int y, int width, int height) const {
    auto mx = [this](int v) { return (v * baseX_ + 2) / 4; };
    auto my = [this](int v) { return (v * baseY_ + 4) / 8; };
    return {mx(x), my(y), mx(width), my(height)};
}

void TemplateDialog::Build(const DialogTemplate& t) {
    setFont(DialogFont(t));
    const QFontMetrics metrics(font());
    // The base units: the average width of the alphabet's letters, and the line height.
    const int alphabet =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (alphabet + 26) / 52;
    baseY_ = metrics.height();

    setWindowTitle(QString::fromUtf8(t.title));
    // A fixed dialog: a title, a system menu and a close box, nothing to minimise or
    // maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const QRect size = MapDialogRect(0, 0, t.width, t.height);
    setFixedSize(size.width(), size.height());

    QWidget* previous = nullptr;
    for (int i = 0; i < t.controlCount; ++i) {
        const ControlTemplate& c = t.controls[i];
        const QRect r = MapDialogRect(c.x, c.y, c.width, c.height);
        const QString caption = QString::fromUtf8(c.caption);
        QWidget* w = nullptr;
        switch (c.kind) {
            case ControlKind::GroupBox: {
                auto* box = new QGroupBox(caption, this);
                box->setFocusPolicy(Qt::NoFocus);
                w = box;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(caption, this);
                label->setAlignment(AlignmentOf(c.style));
                label->setTextFormat(Qt::PlainText);
                w = label;
                break;
            }
            case ControlKind::PushButton:
            case ControlKind::DefPushButton: {
                auto* button = new QPushButton(caption, this);
                button->setAutoDefault(true);
                button->setDefault(c.kind == ControlKind::DefPushButton);
                w = button;
                break;
            }
            case ControlKind::Edit:
                w = new QLineEdit(caption, this);
                break;
            case ControlKind::DropList: {
                auto* list = new QComboBox(this);
                list->setEditable(false);  // pick-only
                for (int k = 0; k < c.itemCount; ++k) list->addItem(QString::fromUtf8(c.items[k]));
                // The template gives the open list's height; the closed box is one line.
                const int rows = std::max(
                    1, (r.height() - list->sizeHint().height()) / std::max(1, metrics.height()));
                list->setMaxVisibleItems(rows);
                w = list;
                break;
            }
            case ControlKind::Icon: {
                auto* icon = new QLabel(this);
                icon->setPixmap(QIcon(IconResourcePath(kAppIconId)).pixmap(32, 32));
                w = icon;
                break;
            }
        }
        if (c.kind == ControlKind::DropList)
            w->setGeometry(r.x(), r.y(), r.width(), w->sizeHint().height());
        else if (c.kind == ControlKind::Icon)
            w->setGeometry(r.x(), r.y(), 32, 32);
        else
            w->setGeometry(r);
        if (c.id != kNoId) controls_[c.id] = w;
        if (c.style & kTabStop) {
            w->setFocusPolicy(Qt::StrongFocus);
            if (previous) setTabOrder(previous, w);
            previous = w;
        } else if (c.kind != ControlKind::Edit && c.kind != ControlKind::DropList) {
            w->setFocusPolicy(Qt::NoFocus);
        }
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            const int id = c.id;
            connect(button, &QPushButton::clicked, this, [this, id] {
                if (id == kIdOk)
                    OnOK();
                else if (id == kIdCancel)
                    OnCancel();
            });
        }
    }
}

QWidget* TemplateDialog::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

int TemplateDialog::DoModal() {
    OnInitDialog();
    if (parentWidget() == nullptr) {
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - rect().center());
        }
    }
    return exec();
}

void TemplateDialog::EndDialog(int result) {
    done(result);
}

bool TemplateDialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*this, saveAndValidate);
    DoDataExchange(dx);
    return !dx.failed();
}

MessageAnswer TemplateDialog::MessageBox(const QString& text, MessageButtons buttons,
                                         MessageIcon icon, const QString& caption) {
    const QString title =
        caption.isEmpty() ? QString::fromUtf8(LoadStringResource(kAppTitleStringId)) : caption;
    return boxes_->Show(this, text, title, buttons, icon);
}

void TemplateDialog::OnOK() {
    if (UpdateData(true)) EndDialog(kIdOk);
}

void TemplateDialog::OnCancel() {
    EndDialog(kIdCancel);
}

void TemplateDialog::reject() {
    OnCancel();
}

void TemplateDialog::accept() {
    OnOK();
}
