#include "app/QtPrompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

void QtPrompts::warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void QtPrompts::detailedWarning(QWidget *parent, const QString &title, const QString &text,
                                const QString &informativeText)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(informativeText);
    box.exec();
}

void QtPrompts::information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
}

void QtPrompts::about(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::about(parent, title, text);
}

Prompts::Answer QtPrompts::question(const QString &title, const QString &text,
                                    const QString &informativeText)
{
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    box.setInformativeText(informativeText);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // Every question of the window risks something (a write, a lost table): Enter and Escape
    // both take the safe answer.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtPrompts::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                const QString &filter)
{
    // A name typed without suffix gets the filter's first one; the dialog adds it before it
    // asks about replacing an existing file, so that question is about the right file.
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix(filter));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString QtPrompts::defaultSuffix(const QString &filter)
{
    static const QRegularExpression firstSuffix(QStringLiteral("\\*\\.(\\w+)"));
    return firstSuffix.match(filter).captured(1);
}

void QtPrompts::alert(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral(" "), text, QMessageBox::Ok);
    openAlerts_.append(&box);
    box.exec();
    openAlerts_.removeAll(&box);
}

void QtPrompts::closeAlerts()
{
    for (const QPointer<QMessageBox> &box : openAlerts_)
        if (box)
            box->done(QMessageBox::Ok);
}
