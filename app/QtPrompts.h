#pragma once

#include "app/Prompts.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>

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
    void closeAlerts() override;
    Answer question(const QString &title, const QString &text,
                    const QString &informativeText) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;

    // The suffix of a file filter's first pattern ("json" of "Configuration files (*.json)");
    // empty for none.
    static QString defaultSuffix(const QString &filter);

private:
    QList<QPointer<QMessageBox>> openAlerts_;
};
