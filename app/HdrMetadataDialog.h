#pragma once

#include "cec_infoframes/HdrInfoframe.h"

#include <QDialog>
#include <array>
#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// "HDR metadata...": the fields of an HDR frame, a preset, or the source's capture to start from;
// the frame it gives is built with version 1, length 26 and its checksum.
class HdrMetadataDialog : public QDialog
{
    Q_OBJECT

public:
    // `capture`: the source's metadata, when it sends any ("Copy from capture").
    HdrMetadataDialog(const infoframe::HdrMetadata &start,
                      const std::optional<infoframe::HdrMetadata> &capture,
                      QWidget *parent = nullptr);

    void setMetadata(const infoframe::HdrMetadata &m);
    infoframe::HdrMetadata metadata() const;

private:
    void showSummary();

    QComboBox *eotf_ = nullptr;
    std::array<QDoubleSpinBox *, 8> chromaticity_{}; // primaries 1 to 3 x, y; white x, y
    QSpinBox *maxLuminance_ = nullptr;
    QDoubleSpinBox *minLuminance_ = nullptr;
    QSpinBox *maxCll_ = nullptr;
    QSpinBox *maxFall_ = nullptr;
    QLabel *summary_ = nullptr;
    std::uint8_t descriptor_ = 0; // kept as it came
};
