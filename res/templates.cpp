#include "res/templates.h"

namespace {

constexpr const char* kPorts[] = {"NETWORK", "COM1",  "COM2",  "COM3",  "COM4",  "COM5",  "COM6",
                                  "COM7",    "COM8",  "COM9",  "COM10", "COM11", "COM12", "COM13",
                                  "COM14",   "COM15", "COM16", "COM17", "COM18", "COM19"};
constexpr const char* kSpeeds[] = {"9600", "19200", "38400", "57600", "115200"};

constexpr unsigned kEditStyle = kBorder | kAutoHScroll | kTabStop;

using K = ControlKind;

// Template order is tab order.
constexpr ControlTemplate kMainControls[] = {
    {kNoId, K::GroupBox, "Connect VexaQ Loader", 5, 5, 205, 75, kStyleNone},
    {kNoId, K::GroupBox, "Channel", 10, 15, 105, 60, kGroup},
    {kNoId, K::Label, "SN:", 134, 20, 13, 8, kAlignRight},
    {118, K::Label, "unknown", 150, 20, 55, 8, kAlignCenter},
    {129, K::PushButton, "&Connect", 130, 60, 75, 14, kTabStop},
    {kNoId, K::GroupBox, "VexaQ Firmware", 5, 85, 205, 60, kStyleNone},
    {kNoId, K::Label, "Loaded Version:", 15, 100, 60, 8, kAlignLeft},
    {kNoId, K::Label, "Newest Version:", 15, 110, 60, 8, kAlignLeft},
    {kNoId, K::Label, "Version:", 124, 48, 25, 8, kAlignRight},
    {112, K::Label, "", 160, 48, 35, 8, kAlignCenter},
    {106, K::Label, "unknown", 85, 100, 35, 8, kAlignLeft},
    {107, K::Label, "unknown", 85, 110, 35, 8, kAlignLeft},
    {105, K::PushButton, "Current", 10, 125, 50, 14, kTabStop},
    {110, K::PushButton, "Update", 130, 125, 75, 14, kTabStop},
    {kNoId, K::GroupBox, "Configuration", 5, 150, 205, 130, kStyleNone},
    {kNoId, K::Label, "Vexa IP Address", 10, 167, 90, 10, kAlignLeft},
    {113, K::Edit, "", 115, 165, 90, 13, kEditStyle},
    {kNoId, K::Label, "Subnet Mask", 10, 182, 90, 10, kAlignLeft},
    {120, K::Edit, "", 115, 180, 90, 13, kEditStyle},
    {kNoId, K::Label, "Default Gateway", 10, 197, 90, 10, kAlignLeft},
    {121, K::Edit, "", 115, 195, 90, 13, kEditStyle},
    {kNoId, K::Label, "Config - Host IP Address", 10, 212, 90, 10, kAlignLeft},
    {116, K::Edit, "", 115, 210, 90, 13, kEditStyle},
    {kNoId, K::Label, "Configuration file ", 10, 230, 65, 10, kAlignLeft},
    {117, K::Edit, "", 10, 240, 195, 13, kEditStyle},
    {114, K::PushButton, "&Transmit", 130, 260, 75, 14, kTabStop},
    {1, K::DefPushButton, "Ok", 70, 260, 50, 14, kTabStop},
    {2, K::PushButton, "Cancel", 10, 260, 50, 14, kTabStop},
    {111, K::Label, "Loading firmware, please wait", 5, 285, 205, 8, kAlignCenter},
    {kNoId, K::Label, "MAC:", 130, 34, 18, 8, kAlignRight},
    {122, K::Label, "unknown", 150, 34, 55, 8, kAlignCenter},
    {130, K::DropList, "", 50, 30, 55, 50, kVScroll | kTabStop, kPorts, 20},
    {kNoId, K::Label, "Port", 20, 32, 25, 8, kAlignLeft},
    {131, K::DropList, "", 50, 50, 55, 90, kVScroll | kTabStop, kSpeeds, 5},
    {kNoId, K::Label, "Speed", 20, 52, 25, 8, kAlignLeft},
    {115, K::PushButton, "Erase", 70, 125, 50, 14, kTabStop},
};

constexpr ControlTemplate kAboutControls[] = {
    {kNoId, K::Icon, "128", 10, 10, 20, 20, kStyleNone},
    {kNoId, K::Label, "VexaQ Setup Version 1.06", 40, 10, 165, 8, kAlignCenter},
    {1000, K::Label, "???", 40, 21, 165, 8, kAlignCenter},
};

constexpr DialogTemplate kDialogs[] = {
    {kMainDialogId, "VexaQ Update/Setup", "MS Sans Serif", 8, 219, 301, true, kMainControls,
     sizeof kMainControls / sizeof kMainControls[0]},
    {kAboutDialogId, "About vexaLink Setup", "MS Sans Serif", 8, 221, 48, false, kAboutControls,
     sizeof kAboutControls / sizeof kAboutControls[0]},
};

struct StringResource {
    int id;
    const char* text;
};
constexpr StringResource kStrings[] = {
    {kAppTitleStringId, "vexaLink"},
    {kAboutMenuStringId, "&About vexaLink Setup..."},
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& d : kDialogs)
        if (d.id == id) return &d;
    return nullptr;
}

const char* LoadStringResource(int id) {
    for (const StringResource& s : kStrings)
        if (s.id == id) return s.text;
    return "";
}

const char* IconResourcePath(int id) {
    return id == kAppIconId ? ":/icons/vexalink.svg" : "";
}
