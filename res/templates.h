// Dialog templates, the string table and the icon, as data.
#pragma once

enum class ControlKind { GroupBox, Label, PushButton, DefPushButton, Edit, DropList, Icon };

enum ControlStyle : unsigned {
    kStyleNone = 0,
    kAlignLeft = 1u << 0,
    kAlignCenter = 1u << 1,
    kAlignRight = 1u << 2,
    kTabStop = 1u << 3,
    kGroup = 1u << 4,
    kBorder = 1u << 5,
    kAutoHScroll = 1u << 6,
    kVScroll = 1u << 7,
};

inline constexpr int kNoId = -1;  // a control that no code addresses

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, width, height;  // dialog units; a drop-down list's height is its open height
    unsigned style;
    const char* const* items = nullptr;  // drop-down lists: their entries, in order
    int itemCount = 0;
};

struct DialogTemplate {
    int id;
    const char* title;
    const char* font;
    int pointSize;
    int width, height;  // dialog units
    bool centered;
    const ControlTemplate* controls;
    int controlCount;
};

inline constexpr int kAboutDialogId = 100;
inline constexpr int kMainDialogId = 102;
inline constexpr int kAppIconId = 128;
inline constexpr int kAppTitleStringId = 57344;
inline constexpr int kAboutMenuStringId = 101;

// nullptr for an unknown template.
const DialogTemplate* FindDialogTemplate(int id);
// Empty for an unknown string.
const char* LoadStringResource(int id);
// The Qt resource path of an icon.
const char* IconResourcePath(int id);
