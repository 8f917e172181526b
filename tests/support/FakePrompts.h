#pragma once

#include "app/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

// Records every box and dialog and answers from a script instead of running a modal loop.
class FakePrompts : public Prompts
{
public:
    struct Shown {
        QString kind; // "warning", "information", "about", "question", "open", "save"
        QString title;
        QString text;
        QString informativeText;
        bool hadParent = false;
    };

    QList<Shown> shown;
    QList<Answer> answers; // next answers to questions; No when empty
    QStringList fileNames; // next file names for open/save dialogs; "" (cancel) when empty

    void warning(QWidget *parent, const QString &title, const QString &text) override
    {
        shown.append({"warning", title, text, QString(), parent != nullptr});
    }
    void detailedWarning(QWidget *parent, const QString &title, const QString &text,
                         const QString &informativeText) override
    {
        shown.append({"warning", title, text, informativeText, parent != nullptr});
    }
    void information(QWidget *parent, const QString &title, const QString &text) override
    {
        shown.append({"information", title, text, QString(), parent != nullptr});
    }
    void about(QWidget *parent, const QString &title, const QString &text) override
    {
        shown.append({"about", title, text, QString(), parent != nullptr});
    }
    void alert(const QString &text) override
    {
        shown.append({"alert", QStringLiteral(" "), text, QString(), false});
    }
    Answer question(const QString &title, const QString &text,
                    const QString &informativeText) override
    {
        shown.append({"question", title, text, informativeText, false});
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }
    QString openFileName(QWidget *parent, const QString &caption, const QString &,
                         const QString &) override
    {
        shown.append({"open", caption, QString(), QString(), parent != nullptr});
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString saveFileName(QWidget *parent, const QString &caption, const QString &,
                         const QString &) override
    {
        shown.append({"save", caption, QString(), QString(), parent != nullptr});
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
};
