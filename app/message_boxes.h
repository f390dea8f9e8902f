// Message boxes behind one small interface, so that tests can read what was shown and
// answer it.
#pragma once

#include <QString>

class QWidget;

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Question, Exclamation };
enum class MessageAnswer { Ok, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MessageAnswer Show(QWidget* owner, const QString& text, const QString& caption,
                               MessageButtons buttons, MessageIcon icon) = 0;
};

// Real, modal Qt message boxes.
MessageBoxes& ScreenMessageBoxes();
