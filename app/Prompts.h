#pragma once

#include <QString>

class QWidget;

// Every message box and file dialog the window shows goes through here, so that tests can
// answer them without a modal loop.
class Prompts
{
public:
    enum class Answer { Yes, No };

    virtual ~Prompts() = default;
    virtual void warning(QWidget *parent, const QString &title, const QString &text) = 0;
    // A warning whose reason stands below its text.
    virtual void detailedWarning(QWidget *parent, const QString &title, const QString &text,
                                 const QString &informativeText) = 0;
    // A warning of the USB layer: no owner, caption " ".
    virtual void alert(const QString &text) = 0;
    virtual void information(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void about(QWidget *parent, const QString &title, const QString &text) = 0;
    // Yes/No question box without parent. No is its default: every question asks before
    // something risky.
    virtual Answer question(const QString &title, const QString &text,
                            const QString &informativeText) = 0;
    // The device arrived: the USB layer's warnings still open (about its absence) close.
    virtual void closeAlerts() {}
    // Empty result: the user cancelled.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
};
