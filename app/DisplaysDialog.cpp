#include "app/DisplaysDialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

DisplaysDialog::DisplaysDialog(Reader reader, QWidget *parent)
    : QDialog(parent), reader_(std::move(reader))
{
    setObjectName(QStringLiteral("displaysDialog"));
    setWindowTitle(tr("DISPLAYS"));
    resize(640, 520);
    auto *layout = new QVBoxLayout(this);
    view_ = new QPlainTextEdit(this);
    view_->setObjectName(QStringLiteral("displaysView"));
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setPlaceholderText(
        tr("Read asks the device for the EDID of the display on each output and for the "
           "source's signal."));
    layout->addWidget(view_, 1);
    auto *bar = new QHBoxLayout;
    bar->addStretch(1);
    readButton_ = new QPushButton(tr("Read"), this);
    readButton_->setObjectName(QStringLiteral("displaysRead"));
    connect(readButton_, &QPushButton::clicked, this, [this] { read(); });
    bar->addWidget(readButton_);
    auto *close = new QPushButton(tr("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    bar->addWidget(close);
    layout->addLayout(bar);
}

void DisplaysDialog::read()
{
    // One read at a time: the button comes back with its answer.
    readButton_->setEnabled(false);
    view_->setPlainText(tr("Reading..."));
    QPointer<DisplaysDialog> self(this);
    reader_([self](const std::optional<session::DisplaysRead> &r) {
        if (self)
            self->showRead(r);
    });
}

void DisplaysDialog::showRead(const std::optional<session::DisplaysRead> &r)
{
    readButton_->setEnabled(true);
    if (!r) {
        view_->setPlainText(tr("No KORVALIS device is connected."));
        return;
    }
    if (!r->failed.ok()) {
        view_->setPlainText(session::failureWords(r->failed));
        return;
    }
    view_->setPlainText(session::displaysLines(*r).join(u'\n'));
}
