#include "app/CecWords.h"

#include "cec_infoframes/CecCommands.h"
#include "cec_infoframes/CecMessage.h"
#include "cec_infoframes/CecTables.h"
#include "cec_infoframes/ColonHex.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString wordsOf(const QString &typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return QString();
    const cec::TypedMessage typedMessage = cec::parseTypedMessage(text);
    if (!typedMessage.bytes)
        return typedMessage.problem;
    // The head on the first line, operands and problems after it: two lines show most messages.
    QStringList lines = cec::messageLines(cec::decodeMessage(*typedMessage.bytes));
    const QString head = lines.takeFirst();
    return lines.isEmpty() ? head : head + u'\n' + lines.join(QStringLiteral("; "));
}

// The help's rich text again, each example followed by its words; its own texts stay as they
// are, its paragraphs closer together so that the words fit in the same height.
void addExampleWords(QLabel &help)
{
    static const QRegularExpression example(
        QStringLiteral("^([0-9a-fA-F]{2}(:[0-9a-fA-F]{2})*) - "));
    QString html;
    const QString paragraph = QStringLiteral("<p style=\"margin:0\">%1</p>");
    for (const QString &line : help.text().isEmpty() ? QStringList()
                                                     : QTextDocumentFragment::fromHtml(help.text())
                                                           .toPlainText()
                                                           .split(u'\n')) {
        if (line.trimmed().isEmpty())
            continue;
        html += paragraph.arg(line.toHtmlEscaped());
        const QRegularExpressionMatch m = example.match(line);
        if (m.hasMatch()) {
            const QString words = cec::messageSummary(cec::decodeMessage(
                cec::parseTypedMessage(m.captured(1)).bytes.value_or(QByteArray())));
            html += QStringLiteral("<p style=\"margin:0 0 2px 10px; color:gray\">%1</p>")
                        .arg(words.toHtmlEscaped());
        }
    }
    help.setText(html);
}

struct Row {
    QLabel *words;
    QComboBox *command;
    QComboBox *destination;
    QLineEdit *operand;
};

// Under the editor: in a layout when the page has one, else placed by hand with what stood
// below moved down to make room.
void place(QTextEdit &editor, const Row &row)
{
    QWidget *page = editor.parentWidget();
    auto *commandRow = new QWidget(page);
    auto *rowLayout = new QHBoxLayout(commandRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(row.command, 3);
    rowLayout->addWidget(row.destination, 2);
    rowLayout->addWidget(row.operand, 2);
    if (QLayout *layout = page->layout()) {
        auto *box = qobject_cast<QBoxLayout *>(layout);
        const int at = box != nullptr ? box->indexOf(&editor) : -1;
        if (at >= 0) {
            box->insertWidget(at + 1, row.words);
            box->insertWidget(at + 2, commandRow);
        } else { // a grid or another kind: at its end rather than over its widgets
            layout->addWidget(row.words);
            layout->addWidget(commandRow);
        }
        return;
    }
    const QRect e = editor.geometry();
    int width = e.width();
    for (QWidget *w : page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (w->geometry().top() > e.bottom())
            width = std::max(width, w->geometry().right() - e.left());
    const int wordsHeight = 2 * row.words->fontMetrics().lineSpacing() + 4;
    const int rowHeight = std::max(row.command->sizeHint().height(), e.height() - 4);
    const int shift = wordsHeight + rowHeight + 8;
    for (QWidget *w : page->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (w != row.words && w != commandRow && w->geometry().top() > e.bottom())
            w->move(w->x(), w->y() + shift);
    row.words->setGeometry(e.left(), e.bottom() + 3, width, wordsHeight);
    commandRow->setGeometry(e.left(), e.bottom() + 5 + wordsHeight, width, rowHeight);
}

} // namespace

void attachCecWords(QTextEdit &editor, QLabel &help)
{
    QWidget *page = editor.parentWidget();
    Row row{new QLabel(page), new QComboBox(page), new QComboBox(page), new QLineEdit(page)};
    row.words->setObjectName(QStringLiteral("lblCecWords"));
    row.words->setAccessibleName(tr("CEC message in words"));
    row.words->setWordWrap(true);
    row.words->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    row.words->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row.command->setObjectName(QStringLiteral("cmbCecCommand"));
    row.command->setAccessibleName(tr("Command"));
    row.command->setPlaceholderText(tr("Command"));
    for (const cec::NamedCommand &c : cec::namedCommands())
        row.command->addItem(QLatin1String(c.name));
    row.command->setCurrentIndex(-1);
    row.destination->setObjectName(QStringLiteral("cmbCecDestination"));
    row.destination->setAccessibleName(tr("Destination"));
    for (int a = 0; a <= cec::Broadcast; ++a)
        row.destination->addItem(cec::destinationName(a), a);
    row.operand->setObjectName(QStringLiteral("leCecOperand"));
    row.operand->setAccessibleName(tr("Operand"));
    row.operand->setEnabled(false);
    place(editor, row);
    addExampleWords(help);

    const auto showWords = [&editor, words = row.words] {
        const QString text = wordsOf(editor.toPlainText());
        words->setText(text);
        words->setToolTip(text);
    };
    QObject::connect(&editor, &QTextEdit::textChanged, row.words, showWords);
    showWords();

    // The chosen command's hex goes into the editor; what is wrong with the choice stands in
    // the words until it is put right.
    const auto build = [&editor, row] {
        const cec::NamedCommand *command = cec::findCommand(row.command->currentText());
        if (command == nullptr)
            return;
        const QString arguments = cec::argumentWords(*command);
        // One operand is the whole field: a key's name may hold blanks ("volume up").
        const QString typed = row.operand->text().trimmed();
        const QStringList given = arguments.contains(u' ') ? typed.split(u' ', Qt::SkipEmptyParts)
                                  : typed.isEmpty()        ? QStringList()
                                                           : QStringList{typed};
        if (!arguments.isEmpty() && given.isEmpty()) {
            row.words->setText(tr("%1 needs %2").arg(QLatin1String(command->name), arguments));
            return;
        }
        const int to = row.destination->currentData().toInt();
        const cec::Built built = cec::buildCommand(*command, given, cec::initiatorFor(to), to);
        if (built.messages.empty()) {
            row.words->setText(built.error);
            return;
        }
        const QByteArray &m = built.messages.front();
        editor.setPlainText(formatColonHex(reinterpret_cast<const std::uint8_t *>(m.constData()),
                                           std::size_t(m.size())));
    };
    QObject::connect(row.command, qOverload<int>(&QComboBox::activated), row.command,
                     [row, build] {
                         const cec::NamedCommand *command =
                             cec::findCommand(row.command->currentText());
                         if (command == nullptr)
                             return;
                         const QSignalBlocker quiet(row.destination);
                         row.destination->setCurrentIndex(
                             row.destination->findData(command->destination));
                         const QString arguments = cec::argumentWords(*command);
                         row.operand->setEnabled(!arguments.isEmpty());
                         row.operand->setPlaceholderText(arguments);
                         if (arguments.isEmpty())
                             row.operand->clear();
                         build();
                     });
    QObject::connect(row.destination, qOverload<int>(&QComboBox::activated), row.destination,
                     build);
    QObject::connect(row.operand, &QLineEdit::textEdited, row.operand, build);
}
