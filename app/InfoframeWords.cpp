#include "app/InfoframeWords.h"

#include "app/AviFieldsDialog.h"
#include "app/HdrMetadataDialog.h"
#include "app/Prompts.h"
#include "cec_infoframes/ColonHex.h"
#include "cec_infoframes/EntryParse.h"
#include "cec_infoframes/HdrColour.h"
#include "cec_infoframes/InfoframeWords.h"
#include "edid/EdidReport.h"

#include <QAction>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>
#include <memory>
#include <optional>

using namespace infoframe;

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("InfoframeWords", text);
}

QString editorText(const QWidget &window, const char *name)
{
    const auto *editor = window.findChild<QTextEdit *>(QLatin1String(name));
    return editor != nullptr ? editor->toPlainText() : QString();
}

// The editor's bytes, or why there are none; nothing for an empty editor.
struct EditorBytes {
    QByteArray bytes;
    QString problem;
};
EditorBytes editorBytes(const QString &text, const colonhex::EntryLimits &limits)
{
    if (text.trimmed().isEmpty())
        return {};
    const colonhex::Entry entry = colonhex::parseEntry(text, limits);
    if (entry.badChar)
        return {{}, entry.badChar->message()};
    if (!entry.ok())
        return {{}, tr(limits.message)};
    return {*entry.bytes, {}};
}

QString customHdrWords(const QString &text)
{
    const EditorBytes e = editorBytes(text, colonhex::HdrLimits);
    if (!e.problem.isEmpty())
        return tr("No HDR infoframe: %1").arg(e.problem);
    return e.bytes.isEmpty() ? QString() : hdrSummary(decodeHdrFrame(e.bytes));
}

QString customAviWords(const QString &text)
{
    const EditorBytes e = editorBytes(text, colonhex::AviLimits);
    if (!e.problem.isEmpty())
        return tr("No AVI data bytes: %1").arg(e.problem);
    if (e.bytes.isEmpty())
        return {};
    const AviDecoded d = decodeAviData(e.bytes);
    return aviSummary(d, edid::vicMode(d.fields.vic));
}

QString captureWords(const QString &text)
{
    const EditorBytes e = editorBytes(text, colonhex::HdrLimits);
    if (e.bytes.isEmpty())
        return tr("No HDR infoframe from the source");
    return hdrSummary(decodeHdrData(e.bytes));
}

// The source's metadata when the capture holds all of it.
std::optional<HdrMetadata> capturedMetadata(const QWidget &window)
{
    const EditorBytes e = editorBytes(editorText(window, "txtHdrIf"), colonhex::HdrLimits);
    if (e.bytes.size() < HdrDataSize)
        return std::nullopt;
    return decodeHdrData(e.bytes).metadata;
}

// The layout that holds `widget` directly, searched from `layout` down.
QBoxLayout *boxHolding(QLayout *layout, QWidget *widget)
{
    if (layout == nullptr)
        return nullptr;
    auto *box = qobject_cast<QBoxLayout *>(layout);
    if (box != nullptr && box->indexOf(widget) >= 0)
        return box;
    for (int i = 0; i < layout->count(); ++i)
        if (QBoxLayout *found = boxHolding(layout->itemAt(i)->layout(), widget))
            return found;
    return nullptr;
}

// Puts `row` right under `anchor`: into its box layout, or, on a page of fixed positions, into a
// band opened by moving everything below the anchor down.
void insertBelow(QWidget &anchor, QWidget &row, int height)
{
    QWidget *page = anchor.parentWidget();
    if (QBoxLayout *box = boxHolding(page->layout(), &anchor)) {
        box->insertWidget(box->indexOf(&anchor) + 1, &row);
        return;
    }
    // The band starts below whatever stands beside the anchor (a button may reach lower).
    const int below = anchor.geometry().bottom() + 1;
    int top = below;
    int right = anchor.geometry().right();
    const QList<QWidget *> siblings = page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *w : siblings) {
        right = std::max(right, w->geometry().right());
        if (w->y() < below && w->geometry().bottom() >= anchor.y())
            top = std::max(top, w->geometry().bottom() + 1);
    }
    for (QWidget *w : siblings)
        if (w->y() >= below)
            w->move(w->x(), w->y() + height + top - below);
    row.setParent(page);
    row.setGeometry(anchor.x(), top, right - anchor.x() + 1, height);
}

// A page of fixed positions that now reaches below its tab scrolls, every widget where it was.
void scrollWhenTaller(QWidget &page)
{
    auto *tabs = qobject_cast<QTabWidget *>(
        page.parentWidget() ? page.parentWidget()->parentWidget() : nullptr);
    if (page.layout() != nullptr || tabs == nullptr)
        return;
    // The page's own size is only set when the tabs are first laid out: take it from them.
    constexpr int FrameMargin = 4;
    const int pageHeight = tabs->height() - tabs->tabBar()->sizeHint().height() - 2 * FrameMargin;
    QRect used;
    const QList<QWidget *> children = page.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *w : children)
        used |= w->geometry();
    if (used.bottom() + used.top() < pageHeight)
        return;
    auto *content = new QWidget;
    content->setObjectName(page.objectName() + QStringLiteral("Content"));
    for (QWidget *w : children)
        w->setParent(content);
    content->setMinimumSize(used.right() + used.left() + 1, used.bottom() + used.top() + 1);
    auto *scroll = new QScrollArea(&page);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus); // Tab goes to the controls it holds, not to it
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    auto *layout = new QVBoxLayout(&page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

// Two lines at most, each cut to the label's width as it is laid out; the whole text is its tool
// tip and accessible description.
class WordsLabel : public QLabel
{
public:
    using QLabel::QLabel;
    void setWords(const QString &text)
    {
        words_ = text;
        setToolTip(text);
        setAccessibleDescription(text);
        fit();
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit()
    {
        QStringList lines = words_.split(QLatin1Char('\n')).mid(0, 2);
        for (QString &line : lines)
            line = fontMetrics().elidedText(line, Qt::ElideRight, width());
        setText(lines.join(QLatin1Char('\n')));
    }
    QString words_;
};

// A words label under `editor` that follows it.
void addWords(QTextEdit &editor, const char *objectName, const QString &accessibleName,
              QString (*words)(const QString &))
{
    auto *row = new QWidget;
    auto *label = new WordsLabel(row);
    label->setObjectName(QLatin1String(objectName));
    label->setAccessibleName(accessibleName);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The page's own help texts set the size: the forms differ.
    QFont font = label->font();
    if (const QLabel *help =
            editor.parentWidget()->findChild<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
        font = help->font();
    label->setFont(font);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label, 1);
    const int height = std::max(QFontMetrics(font).lineSpacing() * 2 + 2, 0);
    insertBelow(editor, *row, height + 2);
    const auto refresh = [label, &editor, words] { label->setWords(words(editor.toPlainText())); };
    QObject::connect(&editor, &QTextEdit::textChanged, label, refresh);
    refresh();
}

void editHdrMetadata(QWidget &window, QTextEdit &editor)
{
    const std::optional<HdrMetadata> capture = capturedMetadata(window);
    const EditorBytes e = editorBytes(editor.toPlainText(), colonhex::HdrLimits);
    const HdrDecoded typed = decodeHdrFrame(e.bytes);
    bool complete = !e.bytes.isEmpty();
    for (const HdrProblem &p : typed.problems)
        complete = complete && p.kind != HdrProblemKind::TooShort;
    const HdrMetadata start = complete  ? typed.metadata
                              : capture ? *capture
                                        : findHdrPreset(QStringLiteral("hdr10-1000"))->metadata;
    HdrMetadataDialog dialog(start, capture, &window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QByteArray frame = encodeHdrFrame(dialog.metadata());
    editor.setPlainText(formatColonHex(reinterpret_cast<const std::uint8_t *>(frame.constData()),
                                       std::size_t(frame.size())));
}

void editAviFields(QWidget &window, QTextEdit &editor)
{
    const EditorBytes e = editorBytes(editor.toPlainText(), colonhex::AviLimits);
    AviFieldsDialog dialog(decodeAviData(e.bytes).fields, &window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The dialog's fields lie in data bytes 1 to 5; longer texts keep their length.
    constexpr int FieldBytes = 5;
    const QByteArray data =
        encodeAviData(dialog.fields()).left(std::max(int(e.bytes.size()), FieldBytes));
    editor.setPlainText(formatColonHex(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                       std::size_t(data.size())));
}

// The editor's own context menu with `text` at its end, which opens the editor's dialog. The
// page has no room for more buttons, and the action sits where the bytes are.
void addDialogAction(QWidget &window, QTextEdit &editor, const char *objectName,
                     const QString &text, void (*edit)(QWidget &, QTextEdit &))
{
    auto *action = new QAction(text, &editor);
    action->setObjectName(QLatin1String(objectName));
    QObject::connect(action, &QAction::triggered, &window,
                     [&window, &editor, edit] { edit(window, editor); });
    editor.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&editor, &QWidget::customContextMenuRequested, &editor,
                     [&editor, action](const QPoint &at) {
                         std::unique_ptr<QMenu> menu(editor.createStandardContextMenu(at));
                         menu->addSeparator();
                         menu->addAction(action);
                         menu->exec(editor.viewport()->mapToGlobal(at));
                     });
}

} // namespace

void attachInfoframeWords(QWidget &window)
{
    auto *hdr = window.findChild<QTextEdit *>(QStringLiteral("IFtext"));
    auto *avi = window.findChild<QTextEdit *>(QStringLiteral("AVItext"));
    auto *capture = window.findChild<QTextEdit *>(QStringLiteral("txtHdrIf"));
    if (hdr == nullptr || avi == nullptr || capture == nullptr)
        return;
    addWords(*hdr, "lblCustomHdrWords", tr("Custom HDR in words"), customHdrWords);
    addDialogAction(window, *hdr, "actionHdrMetadata", tr("HDR metadata..."), editHdrMetadata);
    addWords(*avi, "lblCustomAviWords", tr("Custom AVI in words"), customAviWords);
    addDialogAction(window, *avi, "actionAviFields", tr("AVI fields..."), editAviFields);
    addWords(*capture, "lblHdrCaptureWords", tr("HDR capture in words"), captureWords);
    if (hdr->parentWidget() != nullptr)
        scrollWhenTaller(*hdr->parentWidget());
}

bool confirmHdrSend(Prompts &prompts, const QByteArray &frame)
{
    const HdrDecoded decoded = decodeHdrFrame(frame);
    if (!decoded.malformed())
        return true;
    QStringList problems;
    for (const HdrProblem &p : decoded.problems)
        if (p.malformed())
            problems << p.text();
    return prompts.question(tr("KORVALIS Utility"),
                            tr("This HDR infoframe is malformed (%1). Send anyway?")
                                .arg(problems.join(QStringLiteral("; "))),
                            tr("A display may ignore it or show the picture wrongly. "
                               "\"HDR metadata...\" builds a well-formed frame.")) ==
           Prompts::Answer::Yes;
}
