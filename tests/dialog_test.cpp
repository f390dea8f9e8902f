// The dialog as a user drives it: real widgets (offscreen), the simulated probe on
// loopback, and the settings in a temporary home.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "app/data_exchange.h"
#include "app/vexasetup_app.h"
#include "app/vexasetup_dlg.h"
#include "flash/catalogue.h"
#include "link/link.h"
#include "tests/images.h"
#include "tests/support.h"

namespace {

struct Shown {
    QString text, caption;
    MessageButtons buttons;
    MessageIcon icon;
};

class RecordingBoxes final : public MessageBoxes {
public:
    MessageAnswer Show(QWidget*, const QString& text, const QString& caption,
                       MessageButtons buttons, MessageIcon icon) override {
        shown.push_back({text, caption, buttons, icon});
        return buttons == MessageButtons::YesNo ? answer : MessageAnswer::Ok;
    }
    std::vector<Shown> shown;
    MessageAnswer answer = MessageAnswer::Yes;
    QStringList Texts() const {
        QStringList t;
        for (const Shown& s : shown) t << s.text;
        return t;
    }
};

std::unique_ptr<QSettings> Store() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "Morvane",
                                       "vexaLink");
}

template <class W>
W* Get(TemplateDialog& d, int id) {
    W* w = qobject_cast<W*>(d.Control(id));
    EXPECT_NE(w, nullptr) << id;
    return w;
}

QString TextOf(TemplateDialog& d, int id) {
    if (auto* l = qobject_cast<QLabel*>(d.Control(id))) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(d.Control(id))) return e->text();
    return "?";
}

bool Enabled(TemplateDialog& d, int id) {
    return d.Control(id)->isEnabled();
}

void Click(TemplateDialog& d, int id) {
    QTest::mouseClick(Get<QPushButton>(d, id), Qt::LeftButton);
}

void Pick(TemplateDialog& d, int listId, int index) {
    auto* list = Get<QComboBox>(d, listId);
    list->setCurrentIndex(index);
    emit list->activated(index);
}

std::string UserAddress() {
    return test::LoopbackAddress();
}
std::string FactoryLoopback() {
    return test::SecondLoopbackAddress();
}

// Runs the main window through CVexasetupApp, with script acting on it while it is up.
int RunApp(std::vector<std::string> args, RecordingBoxes& boxes,
           std::function<void(CVexasetupDlg&)> script) {
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<CVexasetupDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        // Focus moves only within the active window, as on a desktop.
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        script(*dialog);
        if (dialog->isVisible()) dialog->done(-1);
    });
    CVexasetupApp app(std::move(args));
    app.boxes = &boxes;
    EXPECT_FALSE(app.InitInstance());
    return app.lastResult;
}

}  // namespace

class Dialog : public ::testing::Test {
protected:
    void SetUp() override {
        Store()->clear();
        SetProgramDirectory(images.path());
        setenv("VEXALINK_FACTORY_ADDRESS", FactoryLoopback().c_str(), 1);
    }
    void TearDown() override {
        LinkClose();
        SetProgramDirectory("");
    }
    // Stores NETWORK at the user's address, as a user who set it up before.
    void StoreNetwork() {
        auto s = Store();
        s->beginGroup("Setup Cortex-SWD");
        s->setValue("VexaIP", QString::fromStdString(UserAddress()));
    }
    void Image(uint16_t version) {
        char name[16];
        std::snprintf(name, sizeof name, "VXQSWDFW.%03u", version);
        images.Write(name, test::SRecordFile(test::FirmwarePayload(48 * 1024, version), 0x100000));
    }
    test::TempDir images;
    RecordingBoxes boxes;
};

TEST_F(Dialog, FirstStartShowsTheDefaultsAndOnlyConnect) {
    Image(105);
    RunApp({}, boxes, [](CVexasetupDlg& d) {
        EXPECT_EQ(Get<QComboBox>(d, 130)->currentText(), "NETWORK");
        EXPECT_EQ(Get<QComboBox>(d, 131)->currentText(), "9600");
        EXPECT_EQ(Get<QComboBox>(d, 130)->count(), 20);
        EXPECT_EQ(TextOf(d, 113).toStdString(), FactoryLoopback());
        EXPECT_EQ(TextOf(d, 120), "255.255.255.0");
        EXPECT_EQ(TextOf(d, 121), "255.255.255.255");
        EXPECT_EQ(TextOf(d, 116), "111.111.111.111");
        EXPECT_EQ(TextOf(d, 117), "");
        for (int id : {118, 122, 106, 112, 111}) EXPECT_EQ(TextOf(d, id), "") << id;
        EXPECT_EQ(TextOf(d, 107), "1.05");
        EXPECT_TRUE(Enabled(d, 129));
        for (int id : {105, 110, 115, 114}) EXPECT_FALSE(Enabled(d, id)) << id;
        EXPECT_FALSE(Enabled(d, 131));  // NETWORK: no speed
        EXPECT_EQ(d.focusWidget(), d.Control(129));
        EXPECT_EQ(d.windowTitle(), "VexaQ Update/Setup");
        EXPECT_FALSE(d.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
    });
}

TEST_F(Dialog, OkStoresTheChoicesAndCancelStoresNothing) {
    EXPECT_EQ(RunApp({}, boxes,
                     [](CVexasetupDlg& d) {
                         Pick(d, 130, 3);
                         EXPECT_TRUE(Enabled(d, 131));
                         Pick(d, 131, 3);
                         Pick(d, 130, 0);
                         EXPECT_FALSE(Enabled(d, 131));
                         Pick(d, 130, 3);
                         Click(d, 1);
                     }),
              1);
    auto s = Store();
    s->beginGroup("Setup Cortex-SWD");
    EXPECT_EQ(s->value("ComPort").toInt(), 3);
    EXPECT_EQ(s->value("Baudrate").toInt(), 3);
    EXPECT_EQ(s->value("Subnet").toString(), "255.255.255.0");
    s->endGroup();

    EXPECT_EQ(RunApp({}, boxes,
                     [](CVexasetupDlg& d) {
                         Pick(d, 130, 5);
                         Click(d, 2);
                     }),
              2);
    RunApp({}, boxes, [](CVexasetupDlg& d) {
        Pick(d, 130, 7);
        d.close();  // the close box
    });
    RunApp({}, boxes, [](CVexasetupDlg& d) {
        Pick(d, 130, 8);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    s->beginGroup("Setup Cortex-SWD");
    EXPECT_EQ(s->value("ComPort").toInt(), 3);
}

TEST_F(Dialog, TheCommandLineNamesTheConfigurationFile) {
    {
        auto s = Store();
        s->beginGroup("Setup Cortex-SWD");
        s->setValue("ConfigFile", "old.cfg");
    }
    RunApp({"  \"my", "target.cfg\""}, boxes, [](CVexasetupDlg& d) {
        EXPECT_EQ(TextOf(d, 117), "\"my target.cfg\"");
        Get<QLineEdit>(d, 117)->setText("edited.cfg");
        Click(d, 1);
    });
    auto s = Store();
    s->beginGroup("Setup Cortex-SWD");
    EXPECT_EQ(s->value("ConfigFile").toString(), "old.cfg");
    EXPECT_EQ(s->value("HostIP").toString(), "111.111.111.111");
}

TEST_F(Dialog, AListWithoutASelectionStoresMinusOne) {
    {
        auto s = Store();
        s->beginGroup("Setup Cortex-SWD");
        s->setValue("ComPort", 25);
    }
    RunApp({}, boxes, [](CVexasetupDlg& d) {
        EXPECT_EQ(Get<QComboBox>(d, 130)->currentIndex(), -1);
        Click(d, 1);
    });
    auto s = Store();
    s->beginGroup("Setup Cortex-SWD");
    EXPECT_EQ(s->value("ComPort").toInt(), -1);
}

TEST_F(Dialog, FifteenCharacters) {
    {
        auto s = Store();
        s->beginGroup("Setup Cortex-SWD");
        s->setValue("Gateway", "1234567890.234567");  // 17, as stored by hand
    }
    int result = RunApp({}, boxes, [this](CVexasetupDlg& d) {
        // Typing stops at 15.
        auto* host = Get<QLineEdit>(d, 116);
        host->clear();
        host->setFocus();
        QTest::keyClicks(host, "1234567890123456789");
        EXPECT_EQ(host->text(), "123456789012345");

        Click(d, 1);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Please enter no more than 15 characters.");
        EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(boxes.shown[0].caption, "vexaLink");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), d.Control(121));
        EXPECT_EQ(Get<QLineEdit>(d, 121)->selectedText(), "1234567890.234567");
        EXPECT_EQ(TextOf(d, 111), "Starting firmware please wait....");
        // Members after the failed field keep their values.
        EXPECT_EQ(d.HostIP, "111.111.111.111");

        Get<QLineEdit>(d, 121)->setText("10.0.0.1");
        // Enter in an edit field ends the dialog through OK.
        Get<QLineEdit>(d, 117)->setFocus();
        QTest::keyClick(Get<QLineEdit>(d, 117), Qt::Key_Return);
        EXPECT_EQ(boxes.shown.size(), 1u) << boxes.Texts().join("|").toStdString();
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(result, 1);
    auto s = Store();
    s->beginGroup("Setup Cortex-SWD");
    EXPECT_EQ(s->value("HostIP").toString(), "123456789012345");
}

TEST_F(Dialog, AboutShowsTheVariant) {
    RunApp({}, boxes, [](CVexasetupDlg& d) {
        QString variant;
        QTimer::singleShot(0, [&] {
            auto* about = dynamic_cast<TemplateDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(about, nullptr);
            EXPECT_EQ(about->windowTitle(), "About vexaLink Setup");
            variant = TextOf(*about, 1000);
            QTest::keyClick(about, Qt::Key_Return);
        });
        d.OnSysCommand(0x0010 | 0x3);
        EXPECT_EQ(variant, "Cortex-SWD");
        Click(d, 2);
    });
}

TEST_F(Dialog, ConnectAndTheButtons) {
    StoreNetwork();
    Image(105);
    test::UdpProbe sim;
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        Click(d, 129);
        EXPECT_EQ(TextOf(d, 111), "Connecting to Vexa Loader passed!");
        EXPECT_EQ(TextOf(d, 118), "41002731");
        EXPECT_EQ(TextOf(d, 122), "02A7E5410027");
        EXPECT_EQ(TextOf(d, 112), "1.05");
        EXPECT_EQ(TextOf(d, 106), "1.02");
        for (int id : {129, 105, 110, 115, 114}) EXPECT_TRUE(Enabled(d, id)) << id;
        EXPECT_TRUE(boxes.shown.empty());

        Click(d, 105);
        EXPECT_EQ(TextOf(d, 111), "Reading current versions passed!");

        // Update: the newest image goes in and is read back as loaded.
        sim::Identity newer;
        newer.firmwareField = 0x3000 + 105;
        Click(d, 110);
        EXPECT_EQ(TextOf(d, 111), "Updating firmware passed!");
        EXPECT_EQ(sim.probe.ReadFlash(0x100000, 4), (std::vector<uint8_t>{0xAA, 0x55, 0x55, 0xAA}));
        sim.probe.SetIdentity(newer);
        Click(d, 105);
        EXPECT_EQ(TextOf(d, 106), "1.05");
        EXPECT_FALSE(Enabled(d, 110));

        // Erase, answered No: nothing happens.
        boxes.answer = MessageAnswer::No;
        Click(d, 115);
        EXPECT_EQ(boxes.shown.back().text, "Erase/Check Flash?");
        EXPECT_EQ(boxes.shown.back().icon, MessageIcon::Question);
        EXPECT_EQ(TextOf(d, 106), "1.05");
        boxes.answer = MessageAnswer::Yes;
        Click(d, 115);
        EXPECT_TRUE(TextOf(d, 111).startsWith("Erasing Flash passed! (CRC="));
        EXPECT_EQ(TextOf(d, 106), "unknown");
        EXPECT_TRUE(Enabled(d, 110));
        EXPECT_EQ(sim.probe.ReadFlash(0x100000, 4), std::vector<uint8_t>(4, 0xFF));

        // Transmit with the stored setup (host 111.111.111.111: the record only).
        Click(d, 114);
        EXPECT_EQ(TextOf(d, 111), "Writing setup data passed");
        EXPECT_EQ(sim.probe.ReadFlash(0x6000, 3), (std::vector<uint8_t>{0x02, 0xA7, 0xE5}));
        Get<QLineEdit>(d, 116)->setText("255.255.255.255");
        Get<QLineEdit>(d, 117)->setText(images.File("missing.cfg").c_str());
        Click(d, 114);
        EXPECT_EQ(TextOf(d, 111), "Writing setup data failed!");
        EXPECT_EQ(boxes.shown.back().text, "Transfer failed!");
        EXPECT_EQ(boxes.shown.back().caption, "Error");
        EXPECT_EQ(boxes.shown.back().icon, MessageIcon::Exclamation);

        Click(d, 1);
    });
    // Leaving started the firmware.
    bool started = false;
    for (const sim::Event& e : sim.probe.Events()) started |= e.kind == sim::EventKind::Start;
    EXPECT_TRUE(started);
}

TEST_F(Dialog, UpdateFailureAndNoImage) {
    StoreNetwork();
    test::UdpProbe sim;
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        Click(d, 129);
        EXPECT_TRUE(Enabled(d, 110));  // no image (newest 0) differs from 1.02
        Click(d, 110);
        EXPECT_EQ(boxes.Texts(), QStringList{"Firmware update failed!"});
        EXPECT_EQ(TextOf(d, 111), "Updating firmware failed!");
        EXPECT_EQ(TextOf(d, 106), "unknown");
        Click(d, 2);
    });
}

TEST_F(Dialog, NoProbeTenAttemptsThenFactoryAddress) {
    StoreNetwork();
    auto hellos = [](std::atomic<int>& count) {
        return [&count](const test::Message& m) {
            if (test::IsHello(m)) ++count;
            return std::vector<test::Message>{test::Message{0, 1}};  // never a 3-byte answer
        };
    };
    std::atomic<int> user{0}, factory{0};
    test::ScriptedUdpPeer userPeer(UserAddress(), hellos(user));
    test::ScriptedUdpPeer factoryPeer(FactoryLoopback(), hellos(factory));
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        Click(d, 129);
        EXPECT_EQ(boxes.Texts(), QStringList{"Cannot connect to Vexa loader!"});
        EXPECT_EQ(TextOf(d, 111), "Connecting to Vexa loader failed!");
        EXPECT_EQ(TextOf(d, 113).toStdString(), UserAddress());
        EXPECT_FALSE(Enabled(d, 105));
        Click(d, 1);
    });
    EXPECT_EQ(user, 6 * 6);
    EXPECT_EQ(factory, 4 * 6);
    auto s = Store();
    s->beginGroup("Setup Cortex-SWD");
    EXPECT_EQ(s->value("VexaIP").toString().toStdString(), UserAddress());
}

TEST_F(Dialog, AProbeOnlyAtTheFactoryAddress) {
    StoreNetwork();
    test::UdpProbe sim({}, {}, FactoryLoopback());
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        Click(d, 129);
        EXPECT_EQ(TextOf(d, 111), "Connecting to Vexa Loader passed!");
        EXPECT_EQ(TextOf(d, 113).toStdString(), UserAddress());
        Click(d, 2);
    });
}

TEST_F(Dialog, LoaderVersionZeroAndCurrentAfterAFailure) {
    StoreNetwork();
    test::UdpProbe sim;
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        Click(d, 129);
        ASSERT_EQ(TextOf(d, 111), "Connecting to Vexa Loader passed!");
        sim::Identity none;
        none.loaderVersion = 0;
        sim.probe.SetIdentity(none);
        sim.probe.ClearEvents();
        Click(d, 129);
        EXPECT_EQ(boxes.Texts(), QStringList{"There is no VexaQ connected!"});
        EXPECT_EQ(TextOf(d, 112), "unknown");
        int hellos = 0;
        for (const sim::Event& e : sim.probe.Events()) hellos += e.kind == sim::EventKind::Hello;
        EXPECT_EQ(hellos, 1);                                        // not retried
        for (int id : {105, 115, 114}) EXPECT_TRUE(Enabled(d, id));  // as they were

        Click(d, 105);  // the link is closed now
        EXPECT_EQ(boxes.Texts().back(), "Communication with Vexa failed!");
        EXPECT_EQ(TextOf(d, 111), "Reading current versions failed!");
        Click(d, 2);
    });
}

TEST_F(Dialog, ASerialPortWithoutASpeedRefusesToConnect) {
    {
        auto s = Store();
        s->beginGroup("Setup Cortex-SWD");
        s->setValue("ComPort", 3);
        s->setValue("Baudrate", 9);
    }
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        EXPECT_EQ(Get<QComboBox>(d, 131)->currentIndex(), -1);
        Click(d, 129);
        EXPECT_EQ(boxes.Texts(), QStringList{"Cannot connect to Vexa loader!"});
        Click(d, 2);
    });
}

TEST_F(Dialog, ComPortsComeFromTheSettings) {
    test::TempDir dir;
    sim::Probe probe;
    sim::PtyServer server(probe, dir.File("probe-tty"), 9600);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    {
        auto s = Store();
        s->beginGroup("Serial Ports");
        s->setValue("COM3", QString::fromStdString(dir.File("probe-tty")));
    }
    RunApp({}, boxes, [&](CVexasetupDlg& d) {
        Pick(d, 130, 3);
        Pick(d, 131, 3);  // 57600
        Click(d, 129);
        EXPECT_EQ(TextOf(d, 111), "Connecting to Vexa Loader passed!");
        EXPECT_EQ(server.Speed(), 57600u);
        Click(d, 2);
    });
}

TEST_F(Dialog, LayoutFollowsTheTemplate) {
    CVexasetupDlg d;
    const QRect ok = d.Control(1)->geometry();
    const QRect expected = d.MapDialogRect(70, 260, 50, 14);
    EXPECT_EQ(ok, expected);
    EXPECT_EQ(d.width(), d.MapDialogRect(0, 0, 219, 301).width());
    EXPECT_GT(d.BaseUnitX(), 0);
    // Tab order is template order.
    auto next = [](QWidget* w) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    const int order[] = {129, 105, 110, 113, 120, 121, 116, 117, 114, 1, 2, 130, 131, 115, 129};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        EXPECT_EQ(next(d.Control(order[i])), d.Control(order[i + 1])) << order[i];
}

int main(int argc, char** argv) {
    test::TempDir* home = new test::TempDir;  // settings of this run only
    setenv("XDG_CONFIG_HOME", home->path().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    delete home;
    return result;
}
