// The main dialog: the channel, the probe's identity and versions, the network setup, and
// the buttons that run the procedures.
#pragma once

#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <string>

#include "app/probe_session.h"
#include "app/template_dialog.h"
#include "common/status.h"

// The StatusLine as the dialog shows it: set, and painted at once, since the procedures
// that set it keep the event loop waiting.
class LabelStatusLine final : public StatusLine {
public:
    void Attach(QLabel* label) { label_ = label; }
    void SetText(const std::string& text) override;

private:
    QLabel* label_ = nullptr;
};

class CVexasetupDlg : public TemplateDialog {
public:
    explicit CVexasetupDlg(QWidget* parent = nullptr,
                           std::string factoryAddress = kFactoryDefaultAddress);

    // Members, as the settings and the handlers know them.
    QComboBox* SpeedList = nullptr;
    QLabel* StatusText = nullptr;
    QPushButton* TransmitButton = nullptr;
    QPushButton* UpdateButton = nullptr;
    QPushButton* EraseButton = nullptr;
    QPushButton* CurrentButton = nullptr;
    QPushButton* ConnectButton = nullptr;
    int PortIndex = -1;
    int SpeedIndex = -1;
    std::string VexaIP;
    std::string Subnet;
    std::string Gateway;
    std::string SerialText;
    std::string MacText;
    std::string LoadedVersionText;
    std::string NewestVersionText;
    std::string LoaderVersionText;
    std::string HostIP;
    std::string ConfigFile;
    QIcon AppIcon;
    uint16_t LoaderVersion = 0;
    uint16_t LoadedVersion = 0;
    uint16_t NewestVersion = 0;

    void OnSysCommand(unsigned id);
    void OnBnClickedConnect();
    void OnBnClickedTransmit();
    void OnBnClickedErase();
    void OnBnClickedUpdate();
    void OnBnClickedCurrent();
    void OnCbnSelchangePort();

protected:
    void DoDataExchange(DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    ProbeState State() const;
    void Take(const ProbeState& state);
    void ConnectHandlers();

    std::string factoryAddress_;
    LabelStatusLine status_;
};
