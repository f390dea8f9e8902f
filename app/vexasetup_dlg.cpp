#include "app/vexasetup_dlg.h"

#include <QContextMenuEvent>
#include <QMenu>

#include "app/about_dlg.h"
#include "app/data_exchange.h"
#include "app/wait_cursor.h"
#include "flash/catalogue.h"
#include "flash/erase.h"
#include "flash/setup.h"
#include "link/link.h"
#include "loader/commands.h"

namespace {

enum ControlId {
    kTextLoadedVersion = 106,
    kTextNewestVersion = 107,
    kButtonUpdate = 110,
    kStatusLine = 111,
    kTextLoaderVersion = 112,
    kEditVexaIP = 113,
    kButtonTransmit = 114,
    kButtonErase = 115,
    kEditHostIP = 116,
    kEditConfigFile = 117,
    kTextSerial = 118,
    kEditSubnet = 120,
    kEditGateway = 121,
    kTextMac = 122,
    kButtonConnect = 129,
    kListPort = 130,
    kListSpeed = 131,
    kButtonCurrent = 105,
};

constexpr unsigned kAboutCommand = 0x0010;

}  // namespace

void LabelStatusLine::SetText(const std::string& text) {
    if (!label_) return;
    label_->setText(QString::fromStdString(text));
    label_->repaint();
}

CVexasetupDlg::CVexasetupDlg(QWidget* parent, std::string factoryAddress)
    : TemplateDialog(kMainDialogId, parent), factoryAddress_(std::move(factoryAddress)) {
    AppIcon = QIcon(IconResourcePath(kAppIconId));
    status_.Attach(qobject_cast<QLabel*>(Control(kStatusLine)));
    ConnectHandlers();
}

void CVexasetupDlg::ConnectHandlers() {
    auto on = [this](int id, void (CVexasetupDlg::*handler)()) {
        if (auto* button = qobject_cast<QPushButton*>(Control(id)))
            connect(button, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    on(kButtonConnect, &CVexasetupDlg::OnBnClickedConnect);
    on(kButtonTransmit, &CVexasetupDlg::OnBnClickedTransmit);
    on(kButtonErase, &CVexasetupDlg::OnBnClickedErase);
    on(kButtonUpdate, &CVexasetupDlg::OnBnClickedUpdate);
    on(kButtonCurrent, &CVexasetupDlg::OnBnClickedCurrent);
    if (auto* ports = qobject_cast<QComboBox*>(Control(kListPort)))
        connect(ports, &QComboBox::activated, this, [this](int) { OnCbnSelchangePort(); });
}

void CVexasetupDlg::DoDataExchange(DataExchange& dx) {
    dx.Control(kListSpeed, SpeedList);
    dx.Control(kStatusLine, StatusText);
    dx.Control(kButtonTransmit, TransmitButton);
    dx.Control(kButtonUpdate, UpdateButton);
    dx.Control(kButtonErase, EraseButton);
    dx.Control(kButtonCurrent, CurrentButton);
    dx.Control(kButtonConnect, ConnectButton);
    dx.ListIndex(kListPort, PortIndex);
    dx.ListIndex(kListSpeed, SpeedIndex);
    dx.Text(kEditVexaIP, VexaIP);
    dx.MaxChars(kEditVexaIP, VexaIP, kAddressFieldChars);
    dx.Text(kEditSubnet, Subnet);
    dx.MaxChars(kEditSubnet, Subnet, kAddressFieldChars);
    dx.Text(kEditGateway, Gateway);
    dx.MaxChars(kEditGateway, Gateway, kAddressFieldChars);
    dx.Text(kTextSerial, SerialText);
    dx.Text(kTextMac, MacText);
    dx.Text(kTextLoadedVersion, LoadedVersionText);
    dx.Text(kTextNewestVersion, NewestVersionText);
    dx.Text(kTextLoaderVersion, LoaderVersionText);
    dx.Text(kEditHostIP, HostIP);
    dx.MaxChars(kEditHostIP, HostIP, kAddressFieldChars);
    dx.Text(kEditConfigFile, ConfigFile);
}

bool CVexasetupDlg::OnInitDialog() {
    UpdateData(false);
    setWindowIcon(AppIcon);
    status_.SetText("");
    LoadedVersion = 0;
    LoaderVersion = 0;
    NewestVersion = FindNewestFirmware(kFirmwareBaseName);
    NewestVersionText = FormatVersion(NewestVersion);
    ConnectButton->setEnabled(true);
    CurrentButton->setEnabled(false);
    TransmitButton->setEnabled(false);
    UpdateButton->setEnabled(false);
    EraseButton->setEnabled(false);
    SpeedList->setEnabled(PortIndex != kNetworkPortIndex);
    UpdateData(false);
    ConnectButton->setFocus();
    return false;
}

// Linux window managers have no system menu to extend: the About entry lives in the
// dialog's context menu and arrives as the same command.
void CVexasetupDlg::contextMenuEvent(QContextMenuEvent* event) {
    const char* about = LoadStringResource(kAboutMenuStringId);
    if (!*about) return;
    QMenu menu(this);
    QAction* entry = menu.addAction(QString::fromUtf8(about));
    if (menu.exec(event->globalPos()) == entry) OnSysCommand(kAboutCommand);
}

void CVexasetupDlg::OnSysCommand(unsigned id) {
    if ((id & 0xFFF0) == kAboutCommand) {
        CAboutDlg about(this);
        about.DoModal();
    }
}

ProbeState CVexasetupDlg::State() const {
    ProbeState s;
    s.loaderVersion = LoaderVersion;
    s.loadedVersion = LoadedVersion;
    s.newestVersion = NewestVersion;
    s.serial = SerialText;
    return s;
}

void CVexasetupDlg::Take(const ProbeState& s) {
    LoaderVersion = s.loaderVersion;
    LoadedVersion = s.loadedVersion;
    SerialText = s.serial;
}

void CVexasetupDlg::OnCbnSelchangePort() {
    UpdateData(true);
    SpeedList->setEnabled(PortIndex != kNetworkPortIndex);
    UpdateData(false);
}

void CVexasetupDlg::OnBnClickedConnect() {
    if (!UpdateData(true)) return;
    WaitCursor wait;
    status_.SetText("Connecting to Vexa Loader ...");
    ProbeState state = State();
    const ConnectOutcome outcome =
        ConnectProbe(PortIndex, SpeedIndex, VexaIP, factoryAddress_, state);
    Take(state);
    if (outcome.identified) MacText = MacTextFor(SerialText);
    if (outcome.result == kOk) {
        LoaderVersionText = FormatVersion(LoaderVersion);
        LoadedVersionText = FormatVersion(LoadedVersion);
    }
    wait.Restore();
    UpdateData(false);
    if (outcome.Passed(state)) {
        status_.SetText("Connecting to Vexa Loader passed!");
        ConnectButton->setEnabled(true);
        CurrentButton->setEnabled(true);
        EraseButton->setEnabled(true);
        TransmitButton->setEnabled(true);
        UpdateButton->setEnabled(state.NewestDiffers());
        return;
    }
    MessageBox(outcome.result != kOk ? "Cannot connect to Vexa loader!"
                                     : "There is no VexaQ connected!");
    status_.SetText("Connecting to Vexa loader failed!");
}

void CVexasetupDlg::OnBnClickedCurrent() {
    WaitCursor wait;
    status_.SetText("Reading current versions, please wait.");
    const ResultCode rc = Identify(LoaderVersion, LoadedVersion, SerialText);
    MacText = MacTextFor(SerialText);
    if (rc == kOk) {
        LoaderVersionText = FormatVersion(LoaderVersion);
        LoadedVersionText = FormatVersion(LoadedVersion);
    }
    wait.Restore();
    UpdateData(false);
    if (rc != kOk) {
        MessageBox("Communication with Vexa failed!");
        status_.SetText("Reading current versions failed!");
        return;
    }
    status_.SetText("Reading current versions passed!");
    UpdateButton->setEnabled(State().NewestDiffers());
}

void CVexasetupDlg::OnBnClickedUpdate() {
    WaitCursor wait;
    ProbeState state = State();
    const UpdateOutcome outcome = UpdateAndIdentify(state, status_);
    Take(state);
    if (outcome.update != kOk) {
        MessageBox("Firmware update failed!");
        status_.SetText("Updating firmware failed!");
    } else {
        MacText = MacTextFor(SerialText);
        if (outcome.identify != kOk) {
            status_.SetText("Updating firmware failed!");
        } else {
            status_.SetText("Updating firmware passed!");
            UpdateButton->setEnabled(state.NewestDiffers());
        }
    }
    LoadedVersionText = FormatVersion(LoadedVersion);
    UpdateData(false);
}

void CVexasetupDlg::OnBnClickedErase() {
    if (MessageBox("Erase/Check Flash?", MessageButtons::YesNo, MessageIcon::Question) !=
        MessageAnswer::Yes)
        return;
    WaitCursor wait;
    status_.SetText("Erasing Flash ...");
    uint16_t crc = 0;
    const ResultCode rc = EraseAndCheck(status_, crc);
    status_.SetText(EraseFinalText(rc, crc));
    if (rc == kOk) UpdateButton->setEnabled(true);
    LoadedVersion = 0;
    LoadedVersionText = FormatVersion(0);
    UpdateData(false);
}

void CVexasetupDlg::OnBnClickedTransmit() {
    if (!UpdateData(true)) return;
    WaitCursor wait;
    status_.SetText("Writing setup data ....");
    const ResultCode rc = WriteSetupData(VexaIP, Subnet, Gateway, HostIP, ConfigFile);
    wait.Restore();
    if (rc == kOk) {
        status_.SetText("Writing setup data passed");
        return;
    }
    status_.SetText("Writing setup data failed!");
    MessageBox("Transfer failed!", MessageButtons::Ok, MessageIcon::Exclamation, "Error");
}

void CVexasetupDlg::OnOK() {
    {
        WaitCursor wait;
        status_.SetText("Starting firmware please wait....");
        StartFirmware();
        LinkClose();
    }
    if (UpdateData(true)) EndDialog(kIdOk);
}

void CVexasetupDlg::OnCancel() {
    {
        WaitCursor wait;
        status_.SetText("Starting firmware please wait....");
        StartFirmware();
        LinkClose();
    }
    EndDialog(kIdCancel);
}
