#include "app/vexasetup_app.h"

#include "app/probe_session.h"
#include "app/settings.h"
#include "app/vexasetup_dlg.h"

std::string CommandLineText(const std::vector<std::string>& args) {
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0) text += ' ';
        text += args[i];
    }
    size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 32) ++start;
    return text.substr(start);
}

bool CVexasetupApp::InitInstance() {
    const std::string factory = FactoryAddress();
    LoadSerialDeviceTable();
    CVexasetupDlg dialog(nullptr, factory);
    if (boxes) dialog.SetMessageBoxes(boxes);

    const SetupSettings stored = LoadSetupSettings(factory);
    dialog.SpeedIndex = stored.speedIndex;
    dialog.PortIndex = stored.portIndex;
    dialog.VexaIP = stored.vexaIP;
    dialog.Subnet = stored.subnet;
    dialog.Gateway = stored.gateway;
    dialog.HostIP = stored.hostIP;
    dialog.ConfigFile = stored.configFile;

    const std::string commandLine = CommandLineText(args_);
    if (!commandLine.empty()) dialog.ConfigFile = commandLine;

    lastResult = dialog.DoModal();
    if (lastResult == kIdOk) {
        SetupSettings s;
        s.speedIndex = dialog.SpeedIndex;
        s.portIndex = dialog.PortIndex;
        s.vexaIP = dialog.VexaIP;
        s.subnet = dialog.Subnet;
        s.gateway = dialog.Gateway;
        s.hostIP = dialog.HostIP;
        s.configFile = dialog.ConfigFile;
        SaveSetupSettings(s, commandLine.empty());
    }
    return false;
}
