// "Edit in words...": a button under the EDID editor (added here, so that both forms get it)
// opens the dialog on the editor's table; OK puts the new table into the editor, nothing is
// written until WRITE EDID.
#include "app/EdidEditDialog.h"
#include "app/MainWindow.h"

#include "edid/EdidText.h"
#include "ui_KorvalisForm.h"

#include <QBoxLayout>
#include <QEvent>
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
    QTextEdit *editor = ui->EDIDtext;
    QWidget *parent = editor->parentWidget();
    auto *button = new QPushButton(tr("Edit in words..."), parent);
    button->setObjectName(QStringLiteral("pbEditEdidInWords"));
    auto *box = parent != nullptr ? qobject_cast<QBoxLayout *>(parent->layout()) : nullptr;
    const int at = box != nullptr ? box->indexOf(editor) : -1;
    if (at >= 0) {
        box->insertWidget(at + 1, button);
    } else {
        // A form placed by coordinates: the editor gives up a button's height at its foot.
        const QRect r = editor->geometry();
        const int height = button->sizeHint().height();
        editor->setGeometry(r.adjusted(0, 0, 0, -(height + Gap)));
        button->setGeometry(r.x(), r.bottom() + 1 - height, button->sizeHint().width(), height);
    }
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
