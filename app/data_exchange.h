// Two-way exchange between a dialog's members and its controls, over a fixed list of
// bindings. A failed check stops the exchange: the bindings after it are left alone.
#pragma once

#include <QWidget>
#include <string>

class TemplateDialog;

inline constexpr int kAddressFieldChars = 15;

class DataExchange {
public:
    DataExchange(TemplateDialog& dialog, bool saveAndValidate);
    bool saving() const { return saving_; }
    bool failed() const { return failed_; }

    template <class Widget>
    void Control(int id, Widget*& member) {
        if (!failed_) member = qobject_cast<Widget*>(Find(id));
    }
    // A drop-down list's selection; -1 when there is none.
    void ListIndex(int id, int& index);
    void Text(int id, std::string& value);
    // Typing limited to maxChars; taking a longer text tells the user and fails.
    void MaxChars(int id, const std::string& value, int maxChars);

private:
    QWidget* Find(int id) const;
    TemplateDialog& dialog_;
    bool saving_;
    bool failed_ = false;
};
