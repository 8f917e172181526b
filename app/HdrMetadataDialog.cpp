#include "app/HdrMetadataDialog.h"

#include "cec_infoframes/HdrColour.h"
#include "cec_infoframes/InfoframeWords.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

using namespace infoframe;

namespace
{

QDoubleSpinBox *coordinateBox(QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setDecimals(5); // exact in 0.00002 steps
    box->setRange(0.0, 65535.0 / ChromaticityOne);
    box->setSingleStep(0.001);
    return box;
}

QSpinBox *candelaBox(QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(0, 0xFFFF);
    box->setSuffix(QStringLiteral(" cd/m²"));
    box->setSpecialValueText(HdrMetadataDialog::tr("not given"));
    return box;
}

std::uint16_t units(const QDoubleSpinBox *box, int perOne)
{
    return std::uint16_t(std::lround(box->value() * perOne));
}

} // namespace

HdrMetadataDialog::HdrMetadataDialog(const HdrMetadata &start,
                                     const std::optional<HdrMetadata> &capture, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("HDR metadata"));
    auto *form = new QFormLayout;

    auto *presets = new QComboBox(this);
    presets->setAccessibleName(tr("Preset"));
    presets->addItem(tr("Choose a preset..."));
    for (const HdrPreset &p : hdrPresets())
        presets->addItem(QLatin1String(p.name));
    auto *copy = new QPushButton(tr("Copy from capture"), this);
    copy->setEnabled(capture.has_value());
    auto *starts = new QHBoxLayout;
    starts->addWidget(presets, 1);
    starts->addWidget(copy);
    form->addRow(tr("Start from"), starts);

    eotf_ = new QComboBox(this);
    for (std::uint8_t code = 0; code <= LastEotf; ++code)
        eotf_->addItem(eotfWord(code), code);
    form->addRow(tr("EOTF"), eotf_);

    const QString rows[] = {tr("Primary 1"), tr("Primary 2"), tr("Primary 3"), tr("White point")};
    for (int i = 0; i < 4; ++i) {
        auto *pair = new QHBoxLayout;
        for (int axis = 0; axis < 2; ++axis) {
            QDoubleSpinBox *box = coordinateBox(this);
            box->setPrefix(axis == 0 ? QStringLiteral("x ") : QStringLiteral("y "));
            box->setAccessibleName(rows[i] +
                                   (axis == 0 ? QStringLiteral(" x") : QStringLiteral(" y")));
            chromaticity_[std::size_t(2 * i + axis)] = box;
            pair->addWidget(box);
        }
        form->addRow(rows[i], pair);
    }
    maxLuminance_ = candelaBox(this);
    form->addRow(tr("Max mastering luminance"), maxLuminance_);
    minLuminance_ = new QDoubleSpinBox(this);
    minLuminance_->setDecimals(4);
    minLuminance_->setRange(0.0, 65535.0 / MinLuminancePerCandela);
    minLuminance_->setSingleStep(0.0001);
    minLuminance_->setSuffix(QStringLiteral(" cd/m²"));
    form->addRow(tr("Min mastering luminance"), minLuminance_);
    maxCll_ = candelaBox(this);
    form->addRow(tr("MaxCLL"), maxCll_);
    maxFall_ = candelaBox(this);
    form->addRow(tr("MaxFALL"), maxFall_);
    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    summary_->setAccessibleName(tr("HDR metadata in words"));
    form->addRow(summary_);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    setLayout(form);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(presets, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index > 0)
            setMetadata(hdrPresets()[std::size_t(index - 1)].metadata);
    });
    connect(copy, &QPushButton::clicked, this, [this, capture] {
        if (capture)
            setMetadata(*capture);
    });
    connect(eotf_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &HdrMetadataDialog::showSummary);
    for (QDoubleSpinBox *box : chromaticity_)
        connect(box, &QDoubleSpinBox::valueChanged, this, &HdrMetadataDialog::showSummary);
    connect(minLuminance_, &QDoubleSpinBox::valueChanged, this, &HdrMetadataDialog::showSummary);
    for (QSpinBox *box : {maxLuminance_, maxCll_, maxFall_})
        connect(box, &QSpinBox::valueChanged, this, &HdrMetadataDialog::showSummary);
    setMetadata(start);
}

void HdrMetadataDialog::setMetadata(const HdrMetadata &m)
{
    const int eotfIndex = eotf_->findData(m.eotf);
    // A reserved EOTF has no entry: shown as typed, kept unless another is chosen.
    if (eotfIndex < 0)
        eotf_->addItem(eotfWord(m.eotf), m.eotf);
    eotf_->setCurrentIndex(eotfIndex < 0 ? eotf_->count() - 1 : eotfIndex);
    descriptor_ = m.descriptor;
    for (std::size_t i = 0; i < 4; ++i) {
        const Chromaticity c = i < 3 ? m.primaries[i] : m.whitePoint;
        chromaticity_[2 * i]->setValue(double(c.x) / ChromaticityOne);
        chromaticity_[2 * i + 1]->setValue(double(c.y) / ChromaticityOne);
    }
    maxLuminance_->setValue(m.maxLuminance);
    minLuminance_->setValue(double(m.minLuminance) / MinLuminancePerCandela);
    maxCll_->setValue(m.maxCll);
    maxFall_->setValue(m.maxFall);
    showSummary();
}

HdrMetadata HdrMetadataDialog::metadata() const
{
    HdrMetadata m;
    m.eotf = std::uint8_t(eotf_->currentData().toUInt());
    m.descriptor = descriptor_;
    for (std::size_t i = 0; i < 4; ++i) {
        const Chromaticity c{units(chromaticity_[2 * i], ChromaticityOne),
                             units(chromaticity_[2 * i + 1], ChromaticityOne)};
        (i < 3 ? m.primaries[i] : m.whitePoint) = c;
    }
    m.maxLuminance = std::uint16_t(maxLuminance_->value());
    m.minLuminance = units(minLuminance_, MinLuminancePerCandela);
    m.maxCll = std::uint16_t(maxCll_->value());
    m.maxFall = std::uint16_t(maxFall_->value());
    return m;
}

void HdrMetadataDialog::showSummary()
{
    summary_->setText(hdrSummary(decodeHdrFrame(encodeHdrFrame(metadata()))));
}
