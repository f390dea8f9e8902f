// vexalink: the update and setup dialog.
#include <QApplication>

#include "app/vexasetup_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("vexaLink");
    std::vector<std::string> args(argv + 1, argv + argc);
    CVexasetupApp app(std::move(args));
    app.InitInstance();
    return 0;
}
