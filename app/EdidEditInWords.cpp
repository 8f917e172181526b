// "Edit in words...": a button under the EDID details (added here, so that both forms get it)
// opens the dialog on the editor's table; OK puts the new table into the editor, nothing is
// written until WRITE EDID.
#include "app/EdidEditDialog.h"
#include "app/MainWindow.h"

#include "edid/EdidText.h"
#include "ui_KorvalisForm.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace
{

constexpr int Gap = 4;

// The button is usable only while the editor is: the table changes only in CUSTOM mode.
class FollowEnabled : public QObject
{
public:
    FollowEnabled(QWidget *follower, QObject *parent) : QObject(parent), follower_(follower) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange)
            follower_->setEnabled(static_cast<QWidget *>(watched)->isEnabled());
        return false;
    }

private:
    QWidget *follower_;
};

} // namespace

void MainWindow::addEditInWordsButton()
{
    // On the EDID DETAILS page, under the table in words: the editor's page has no room left
    // without cutting its 16 lines.
    QPlainTextEdit *details = ui->EDIDdetails;
    QWidget *parent = details->parentWidget();
    auto *button = new QPushButton(tr("Edit in words..."), parent);
    button->setObjectName(QStringLiteral("pbEditEdidInWords"));
    // As high as the form's own buttons where it sets their size.
    const QPushButton *sibling = ui->ButLoadEDID;
    const bool placed = sibling->parentWidget() != nullptr &&
                        sibling->parentWidget()->layout() == nullptr;
    const int height = placed ? sibling->geometry().height() : button->sizeHint().height();
    auto *box = parent != nullptr ? qobject_cast<QBoxLayout *>(parent->layout()) : nullptr;
    const int at = box != nullptr ? box->indexOf(details) : -1;
    if (at >= 0) {
        button->setFixedHeight(height);
        box->insertWidget(at + 1, button);
    } else {
        // A form placed by coordinates: the details give up a button's height at their foot.
        const QRect r = details->geometry();
        details->setGeometry(r.adjusted(0, 0, 0, -(height + Gap)));
        button->setGeometry(r.x(), r.bottom() + 1 - height, button->sizeHint().width(), height);
    }
    QTextEdit *editor = ui->EDIDtext;
    button->setEnabled(editor->isEnabled());
    editor->installEventFilter(new FollowEnabled(button, button));
    connect(button, &QPushButton::clicked, this, &MainWindow::editEdidInWords);
}

void MainWindow::editEdidInWords()
{
    const edid::TextCheck check = edid::checkEdidText(ui->EDIDtext->toPlainText());
    if (check.kind == edid::TextCheck::FormatError) {
        warnFormatError(check.problem);
        return;
    }
    EdidEditDialog dialog(check.table, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const edid::EditResult edited = dialog.result();
    if (edited.ok())
        showEditorText(edid::renderedTable(edited.table));
}
