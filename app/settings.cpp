#include "app/settings.h"

#include <QSettings>
#include <QString>

#include "link/ports.h"

namespace {

const char kCompany[] = "Morvane";
const char kApplication[] = "vexaLink";
const char kSection[] = "Setup Cortex-SWD";
const char kSerialSection[] = "Serial Ports";

std::string Text(QSettings& s, const char* key, const char* fallback) {
    return s.value(key, QString::fromUtf8(fallback)).toString().toStdString();
}

int Integer(QSettings& s, const char* key) {
    bool ok = false;
    const int v = s.value(key, 0).toInt(&ok);
    return ok ? v : 0;
}

}  // namespace

SetupSettings LoadSetupSettings(const std::string& factoryAddress) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kCompany, kApplication);
    store.beginGroup(kSection);
    SetupSettings s;
    s.speedIndex = Integer(store, "Baudrate");
    s.portIndex = Integer(store, "ComPort");
    s.vexaIP = Text(store, "VexaIP", factoryAddress.c_str());
    s.subnet = Text(store, "Subnet", "255.255.255.0");
    s.gateway = Text(store, "Gateway", "255.255.255.255");
    s.hostIP = Text(store, "HostIP", "111.111.111.111");
    s.configFile = Text(store, "ConfigFile", "");
    return s;
}

void SaveSetupSettings(const SetupSettings& s, bool withConfigFile) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kCompany, kApplication);
    store.beginGroup(kSection);
    store.setValue("Baudrate", s.speedIndex);
    store.setValue("ComPort", s.portIndex);
    store.setValue("VexaIP", QString::fromStdString(s.vexaIP));
    store.setValue("Subnet", QString::fromStdString(s.subnet));
    store.setValue("Gateway", QString::fromStdString(s.gateway));
    store.setValue("HostIP", QString::fromStdString(s.hostIP));
    if (withConfigFile) store.setValue("ConfigFile", QString::fromStdString(s.configFile));
}

void LoadSerialDeviceTable() {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kCompany, kApplication);
    store.beginGroup(kSerialSection);
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        const QString path = store.value(QString("COM%1").arg(n)).toString();
        SetSerialDevicePath(n, path.toStdString());
    }
}
