// Renders the dialog after a passed Connect to a PNG: dialog_screenshot OUT.png ADDRESS.
// scripts/screenshot runs it under Xvfb against vexaq-sim.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "app/vexasetup_dlg.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    QApplication app(argc, argv);
    CVexasetupDlg dialog(nullptr, argv[2]);
    dialog.PortIndex = 0;
    dialog.SpeedIndex = 4;
    dialog.VexaIP = argv[2];
    dialog.Subnet = "255.255.255.0";
    dialog.Gateway = "192.168.0.1";
    dialog.HostIP = "255.255.255.255";
    dialog.ConfigFile = "/home/user/probe/target.cfg";
    bool saved = false;
    QTimer::singleShot(300, [&] {
        dialog.OnBnClickedConnect();
        QTimer::singleShot(300, [&] {
            saved = dialog.grab().save(argv[1]);
            dialog.done(0);
        });
    });
    dialog.DoModal();
    return saved ? 0 : 1;
}
