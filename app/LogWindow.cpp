#include "app/LogWindow.h"

#include "app/Prompts.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
const session::LogEntry::Kind KindOrder[] = {session::LogEntry::Kind::Signal,
                                             session::LogEntry::Kind::Message,
                                             session::LogEntry::Kind::Device};
} // namespace

LogWindow::LogWindow(const session::EventLog &log, Prompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Window), log_(log), prompts_(prompts)
{
    setObjectName(QStringLiteral("logWindow"));
    setWindowTitle(tr("Log"));
    resize(720, 420);
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    const char *const labels[] = {QT_TR_NOOP("Signal"), QT_TR_NOOP("Messages"),
                                  QT_TR_NOOP("Device")};
    for (std::size_t i = 0; i < kinds_.size(); ++i) {
        kinds_[i] = new QCheckBox(tr(labels[i]), this);
        kinds_[i]->setObjectName(QStringLiteral("logShow") +
                                 session::kindName(KindOrder[i]));
        kinds_[i]->setChecked(true);
        connect(kinds_[i], &QCheckBox::toggled, this, [this] { rebuild(); });
        bar->addWidget(kinds_[i]);
    }
    bar->addStretch(1);
    auto *save = new QPushButton(tr("Save as..."), this);
    save->setObjectName(QStringLiteral("logSaveAs"));
    connect(save, &QPushButton::clicked, this, [this] { saveAs(); });
    bar->addWidget(save);
    layout->addLayout(bar);

    view_ = new QPlainTextEdit(this);
    view_->setObjectName(QStringLiteral("logView"));
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(view_, 1);

    count_ = new QLabel(this);
    layout->addWidget(count_);
}

bool LogWindow::passes(const session::LogEntry &entry) const
{
    for (std::size_t i = 0; i < kinds_.size(); ++i)
        if (KindOrder[i] == entry.kind)
            return kinds_[i]->isChecked();
    return true;
}

std::deque<session::LogEntry> LogWindow::shownEntries() const
{
    std::deque<session::LogEntry> out;
    for (const session::LogEntry &e : log_.entries())
        if (passes(e))
            out.push_back(e);
    return out;
}

void LogWindow::rebuild()
{
    QStringList lines;
    for (const session::LogEntry &e : log_.entries())
        if (passes(e))
            lines << session::EventLog::line(e);
    view_->setPlainText(lines.join(u'\n'));
    view_->moveCursor(QTextCursor::End);
    updateCount();
}

void LogWindow::updateCount()
{
    const int lines = int(log_.entries().size());
    QString text = (lines == 1 ? tr("1 line since launch") : tr("%1 lines since launch").arg(lines)) +
                   tr("; the log keeps the last %1.").arg(QLocale().toString(log_.cap()));
    if (log_.dropped() > 0)
        text += u' ' + tr("%1 older lines dropped.").arg(log_.dropped());
    count_->setText(text);
}

void LogWindow::appended()
{
    if (!isVisible() || log_.entries().empty())
        return;
    // A full log drops its oldest line with each new one: the view follows as a whole.
    if (log_.dropped() > 0) {
        rebuild();
        return;
    }
    if (passes(log_.entries().back()))
        view_->appendPlainText(session::EventLog::line(log_.entries().back()));
    updateCount();
}

void LogWindow::showEvent(QShowEvent *event)
{
    rebuild();
    QWidget::showEvent(event);
}

void LogWindow::saveAs()
{
    const QString csvFilter = tr("CSV (*.csv)");
    const QString jsonFilter = tr("JSON Lines (*.jsonl)");
    const QString path = prompts_.saveFileName(this, tr("Save log"), QString(),
                                               csvFilter + QStringLiteral(";;") + jsonFilter);
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const session::LogFormat format = suffix == QLatin1String("jsonl") ||
                                              suffix == QLatin1String("json")
                                          ? session::LogFormat::JsonLines
                                          : session::LogFormat::Csv;
    const QString why = session::saveLog(path, shownEntries(), format);
    if (!why.isEmpty())
        prompts_.warning(this, tr("KORVALIS Utility"),
                         tr("The log could not be saved to %1: %2").arg(path, why));
}
