#include "app/EdidEditDialog.h"

#include "edid/EdidDecoder.h"
#include "edid/EdidReport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace
{

constexpr int TmdsStepMhz = 5, TmdsMaxMhz = 600;
const char *const EotfWords[] = {"sdr", "hdr", "pq", "hlg"};
const char *const EotfNames[] = {"SDR", "HDR", "PQ", "HLG"};
const char *const Depths[] = {"30", "36", "48"};
// The decoder's audio format names by code, in the words of the edit.
const char *const AudioWords[] = {nullptr, "lpcm", "ac3",    "mpeg1",  "mp3",  "mpeg2", "aac", "dts",
                                  "atrac", "dsd",  "eac3",   "dts-hd", "truehd", "dst", "wma"};

QStringList checkedWords(const std::vector<QCheckBox *> &boxes)
{
    QStringList out;
    for (const QCheckBox *b : boxes)
        if (b->isChecked())
            out << b->property("word").toString();
    return out;
}

QListWidgetItem *checkItem(QListWidget *list, const QString &text, int value)
{
    auto *item = new QListWidgetItem(text, list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
    item->setData(Qt::UserRole, value);
    return item;
}

QStringList uncheckedValues(const QListWidget *list, const std::function<QString(int)> &word)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() != Qt::Checked)
            out << word(list->item(i)->data(Qt::UserRole).toInt());
    return out;
}

} // namespace

EdidEditDialog::EdidEditDialog(const edid::Table &table, QWidget *parent)
    : QDialog(parent), table_(table)
{
    setWindowTitle(tr("Edit in words"));
    const edid::EdidInfo info = edid::decodeEdid(edid::Bytes(table.begin(), table.end()));
    const edid::CtaBlock *cta = nullptr;
    for (const edid::Extension &e : info.extensions)
        if (e.cta && cta == nullptr)
            cta = &*e.cta;
    const bool hasCta = cta != nullptr;

    auto *form = new QFormLayout;
    nameBefore_ = info.base.name.value_or(QString());
    name_ = new QLineEdit(nameBefore_);
    name_->setMaxLength(13);
    form->addRow(tr("Name"), name_);

    modes_ = new QListWidget;
    std::vector<int> seen;
    for (const edid::ShortVideo &v : info.vics)
        if (v.vic != 0 && std::find(seen.begin(), seen.end(), v.vic) == seen.end()) {
            seen.push_back(v.vic);
            checkItem(modes_, tr("VIC %1: %2").arg(v.vic).arg(edid::vicMode(v.vic)), v.vic);
        }
    form->addRow(tr("Modes"), modes_);

    hdrBefore_ = info.hdr.has_value();
    hdr_ = flag(tr("HDR static metadata"), hdrBefore_, hasCta);
    auto *eotfRow = new QHBoxLayout;
    eotfRow->addWidget(hdr_);
    for (int i = 0; i < 4; ++i) {
        const bool on = info.hdr && info.hdr->eotfs.contains(QLatin1String(EotfNames[i]));
        QCheckBox *box = flag(QLatin1String(EotfNames[i]), on, hasCta);
        box->setProperty("word", QLatin1String(EotfWords[i]));
        eotfs_.push_back(box);
        eotfRow->addWidget(box);
    }
    eotfsBefore_ = checkedWords(eotfs_);
    form->addRow(tr("HDR"), eotfRow);

    audio_ = new QListWidget;
    std::vector<int> formats;
    for (const edid::ShortAudio &a : info.audio)
        if (a.format >= 1 && a.format <= 14 &&
            std::find(formats.begin(), formats.end(), a.format) == formats.end()) {
            formats.push_back(a.format);
            checkItem(audio_, a.formatName, a.format);
        }
    stereo_ = flag(tr("Only 2-channel LPCM"), false, !info.audio.empty());
    auto *audioColumn = new QVBoxLayout;
    audioColumn->addWidget(audio_);
    audioColumn->addWidget(stereo_);
    form->addRow(tr("Audio"), audioColumn);

    if (info.hdmi && info.hdmi->maxTmdsMhz)
        tmdsBefore_ = *info.hdmi->maxTmdsMhz;
    if (info.hdmiForum && info.hdmiForum->maxTmdsMhz)
        tmdsBefore_ = std::max(tmdsBefore_, *info.hdmiForum->maxTmdsMhz);
    tmds_ = new QSpinBox;
    tmds_->setRange(0, TmdsMaxMhz);
    tmds_->setSingleStep(TmdsStepMhz);
    tmds_->setSuffix(QStringLiteral(" MHz"));
    tmds_->setSpecialValueText(tr("not given"));
    tmds_->setValue(tmdsBefore_);
    tmds_->setEnabled(info.hdmi.has_value() || info.hdmiForum.has_value());
    form->addRow(tr("Maximum TMDS"), tmds_);

    ycbcr420Before_ = !info.ycbcr420Vics.empty();
    ycbcr444Before_ = cta && cta->ycbcr444;
    ycbcr422Before_ = cta && cta->ycbcr422;
    ycbcr444_ = flag(QStringLiteral("4:4:4"), ycbcr444Before_, hasCta);
    ycbcr422_ = flag(QStringLiteral("4:2:2"), ycbcr422Before_, hasCta);
    ycbcr420_ = flag(QStringLiteral("4:2:0"), ycbcr420Before_, ycbcr420Before_);
    auto *ycbcrRow = new QHBoxLayout;
    for (QCheckBox *b : {ycbcr444_, ycbcr422_, ycbcr420_})
        ycbcrRow->addWidget(b);
    form->addRow(tr("YCbCr"), ycbcrRow);

    addressBefore_ = info.hdmi ? info.hdmi->physicalAddress : QString();
    address_ = new QLineEdit(addressBefore_);
    address_->setEnabled(info.hdmi.has_value());
    form->addRow(tr("Physical address"), address_);

    auto *depthRow = new QHBoxLayout;
    for (const char *depth : Depths) {
        const int bits = QByteArray(depth).toInt();
        const bool on = info.hdmi && std::count(info.hdmi->deepColorBits.begin(),
                                                info.hdmi->deepColorBits.end(), bits) != 0;
        QCheckBox *box = flag(tr("%1 bit").arg(depth), on, info.hdmi.has_value());
        box->setProperty("word", QLatin1String(depth));
        depths_.push_back(box);
        depthRow->addWidget(box);
    }
    depthsBefore_ = checkedWords(depths_);
    form->addRow(tr("Deep colour"), depthRow);

    difference_ = new QPlainTextEdit;
    difference_->setReadOnly(true);
    difference_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    difference_->setLineWrapMode(QPlainTextEdit::NoWrap);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addWidget(difference_, 1);
    auto *top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addWidget(buttons_);

    connect(name_, &QLineEdit::textChanged, this, &EdidEditDialog::refresh);
    connect(address_, &QLineEdit::textChanged, this, &EdidEditDialog::refresh);
    connect(modes_, &QListWidget::itemChanged, this, &EdidEditDialog::refresh);
    connect(audio_, &QListWidget::itemChanged, this, &EdidEditDialog::refresh);
    connect(tmds_, &QSpinBox::valueChanged, this, &EdidEditDialog::refresh);
    refresh();
}

QCheckBox *EdidEditDialog::flag(const QString &text, bool checked, bool enabled)
{
    auto *box = new QCheckBox(text);
    box->setChecked(checked);
    box->setEnabled(enabled);
    connect(box, &QCheckBox::toggled, this, &EdidEditDialog::refresh);
    return box;
}

std::vector<edid::Edit> EdidEditDialog::edits(QString &error) const
{
    std::vector<std::pair<QString, QString>> words;
    if (name_->text() != nameBefore_)
        words.emplace_back(QStringLiteral("name"), name_->text());
    const QStringList vics =
        uncheckedValues(modes_, [](int vic) { return QString::number(vic); });
    if (!vics.isEmpty())
        words.emplace_back(QStringLiteral("remove-vic"), vics.join(u','));
    const QStringList eotfs = checkedWords(eotfs_);
    if (hdrBefore_ && (!hdr_->isChecked() || eotfs.isEmpty()))
        words.emplace_back(QStringLiteral("hdr"), QStringLiteral("off"));
    else if (hdr_->isChecked() && !eotfs.isEmpty() && (eotfs != eotfsBefore_ || !hdrBefore_))
        words.emplace_back(QStringLiteral("eotfs"), eotfs.join(u','));
    if (stereo_->isChecked())
        words.emplace_back(QStringLiteral("audio"), QStringLiteral("lpcm-2ch"));
    const QStringList formats =
        uncheckedValues(audio_, [](int f) { return QLatin1String(AudioWords[f]); });
    if (!stereo_->isChecked() && !formats.isEmpty())
        words.emplace_back(QStringLiteral("remove-audio"), formats.join(u','));
    if (tmds_->value() != tmdsBefore_)
        words.emplace_back(QStringLiteral("max-tmds"), QString::number(tmds_->value()));
    if (ycbcr444_->isChecked() != ycbcr444Before_)
        words.emplace_back(QStringLiteral("ycbcr444"), ycbcr444_->isChecked() ? "on" : "off");
    if (ycbcr422_->isChecked() != ycbcr422Before_)
        words.emplace_back(QStringLiteral("ycbcr422"), ycbcr422_->isChecked() ? "on" : "off");
    if (ycbcr420Before_ && !ycbcr420_->isChecked())
        words.emplace_back(QStringLiteral("ycbcr420"), QStringLiteral("off"));
    if (address_->text() != addressBefore_)
        words.emplace_back(QStringLiteral("physical-address"), address_->text());
    const QStringList depths = checkedWords(depths_);
    if (depths != depthsBefore_)
        words.emplace_back(QStringLiteral("deep-colour"),
                           depths.isEmpty() ? QStringLiteral("none") : depths.join(u','));

    std::vector<edid::Edit> out;
    for (const auto &[name, value] : words) {
        const std::optional<edid::Edit> edit = edid::editFromWords(name, value, error);
        if (!edit)
            return {};
        out.push_back(*edit);
    }
    return out;
}

edid::EditResult EdidEditDialog::result() const
{
    QString error;
    const std::vector<edid::Edit> list = edits(error);
    if (!error.isEmpty())
        return {table_, error};
    return edid::applyEdits(table_, list);
}

void EdidEditDialog::refresh()
{
    for (QCheckBox *b : eotfs_)
        b->setEnabled(hdr_->isEnabled() && hdr_->isChecked());
    audio_->setEnabled(!stereo_->isChecked());
    const edid::EditResult r = result();
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(r.ok());
    if (!r.ok()) {
        difference_->setPlainText(r.error);
        return;
    }
    const QStringList changes = edid::reportDifference(table_, r.table);
    difference_->setPlainText(changes.isEmpty() ? tr("No change") : changes.join(u'\n'));
}
