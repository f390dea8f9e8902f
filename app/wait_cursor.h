#pragma once

#include <QApplication>
#include <QCursor>

// Shows the wait cursor for as long as it lives, or until Restore.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { Restore(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    void Restore() {
        if (shown_) QApplication::restoreOverrideCursor();
        shown_ = false;
    }

private:
    bool shown_ = true;
};
