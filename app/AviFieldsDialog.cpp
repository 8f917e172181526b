#include "app/AviFieldsDialog.h"

#include "cec_infoframes/AviNames.h"
#include "cec_infoframes/InfoframeWords.h"
#include "edid/EdidReport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

using namespace infoframe;

namespace
{

// Colorimetry and content type span two fields: one number holds both.
int colorimetryKey(std::uint8_t c, std::uint8_t ec)
{
    return c * 8 + ec;
}
int contentKey(bool it, std::uint8_t cn)
{
    return (it ? 4 : 0) + cn;
}

// Selects `key`, adding it as "reserved (n)" when no row holds it, so that nothing is lost.
void select(QComboBox *box, int key, const QString &word)
{
    int index = box->findData(key);
    if (index < 0) {
        box->addItem(word, key);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

QComboBox *namedBox(QWidget *parent, const std::vector<AviName> &names, std::uint8_t code)
{
    auto *box = new QComboBox(parent);
    for (const AviName &n : names)
        box->addItem(QLatin1String(n.word), n.code);
    select(box, code, aviWord(names, code));
    return box;
}

} // namespace

AviFieldsDialog::AviFieldsDialog(const AviFields &start, QWidget *parent)
    : QDialog(parent), start_(start)
{
    setWindowTitle(tr("AVI fields"));
    auto *form = new QFormLayout;
    colourFormat_ = namedBox(this, ColourFormatNames, std::uint8_t(start.colourFormat));
    form->addRow(tr("Colour format"), colourFormat_);
    colorimetry_ = new QComboBox(this);
    for (const ColorimetryName &n : ColorimetryNames)
        colorimetry_->addItem(QLatin1String(n.word), colorimetryKey(n.colorimetry, n.extended));
    // Without extended colorimetry, EC does not count.
    const std::uint8_t ec =
        start.colorimetry == ColorimetryExtended ? start.extendedColorimetry : 0;
    select(colorimetry_, colorimetryKey(start.colorimetry, ec), colorimetryWord(start));
    form->addRow(tr("Colorimetry"), colorimetry_);
    quantization_ = namedBox(this, QuantizationNames, start.quantization);
    form->addRow(tr("RGB quantization"), quantization_);
    yccQuantization_ = namedBox(this, YccQuantizationNames, start.yccQuantization);
    form->addRow(tr("YCC quantization"), yccQuantization_);
    contentType_ = new QComboBox(this);
    for (const ContentTypeName &n : ContentTypeNames)
        contentType_->addItem(QLatin1String(n.word), contentKey(n.itContent, n.contentType));
    select(contentType_, contentKey(start.itContent, start.itContent ? start.contentType : 0),
           contentTypeWord(start));
    form->addRow(tr("Content type"), contentType_);
    vic_ = new QSpinBox(this);
    vic_->setRange(0, 255);
    vic_->setValue(start.vic);
    form->addRow(tr("VIC"), vic_);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setAccessibleName(tr("AVI fields in words"));
    form->addRow(summary_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    setLayout(form);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QComboBox *box :
         {colourFormat_, colorimetry_, quantization_, yccQuantization_, contentType_})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
                &AviFieldsDialog::showSummary);
    connect(vic_, &QSpinBox::valueChanged, this, &AviFieldsDialog::showSummary);
    showSummary();
}

AviFields AviFieldsDialog::fields() const
{
    AviFields f = start_;
    f.colourFormat = ColourFormat(colourFormat_->currentData().toUInt());
    const int colorimetry = colorimetry_->currentData().toInt();
    f.colorimetry = std::uint8_t(colorimetry / 8);
    if (f.colorimetry == ColorimetryExtended || start_.colorimetry == ColorimetryExtended)
        f.extendedColorimetry = std::uint8_t(colorimetry % 8);
    f.quantization = std::uint8_t(quantization_->currentData().toUInt());
    f.yccQuantization = std::uint8_t(yccQuantization_->currentData().toUInt());
    const int content = contentType_->currentData().toInt();
    f.itContent = content >= 4;
    if (f.itContent)
        f.contentType = std::uint8_t(content % 4);
    f.vic = std::uint8_t(vic_->value());
    return f;
}

void AviFieldsDialog::showSummary()
{
    const AviFields f = fields();
    AviDecoded d = decodeAviData(encodeAviData(f));
    summary_->setText(aviSummary(d, edid::vicMode(f.vic)));
}
