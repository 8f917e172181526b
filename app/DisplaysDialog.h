#pragma once

#include "session/DisplayReport.h"

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;

// The "DISPLAYS" view: the display on each output beside the source's signal, read only when
// the user presses Read, never by the poll.
class DisplaysDialog : public QDialog
{
    Q_OBJECT

public:
    // Runs the read off the window's thread and calls back with it; nothing when no device.
    using Reader =
        std::function<void(std::function<void(const std::optional<session::DisplaysRead> &)>)>;

    DisplaysDialog(Reader reader, QWidget *parent);

    void read();
    void showRead(const std::optional<session::DisplaysRead> &read);

private:
    Reader reader_;
    QPlainTextEdit *view_ = nullptr;
    QPushButton *readButton_ = nullptr;
};
