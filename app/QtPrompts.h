#pragma once

#include "app/Prompts.h"

// Real message boxes and file dialogs.
class QtPrompts : public Prompts
{
public:
    void warning(QWidget *parent, const QString &title, const QString &text) override;
    void detailedWarning(QWidget *parent, const QString &title, const QString &text,
                         const QString &informativeText) override;
    void alert(const QString &text) override;
    void information(QWidget *parent, const QString &title, const QString &text) override;
    void about(QWidget *parent, const QString &title, const QString &text) override;
    Answer question(const QString &title, const QString &text,
                    const QString &informativeText) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
};
