#pragma once

#include "cec_infoframes/AviInfoframe.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QSpinBox;

// "AVI fields...": the fields of AVI data bytes 1 to 5 by name; the other fields keep what the
// bytes it started from hold.
class AviFieldsDialog : public QDialog
{
    Q_OBJECT

public:
    AviFieldsDialog(const infoframe::AviFields &start, QWidget *parent = nullptr);

    infoframe::AviFields fields() const;

private:
    void showSummary();

    infoframe::AviFields start_;
    QComboBox *colourFormat_ = nullptr;
    QComboBox *colorimetry_ = nullptr;
    QComboBox *quantization_ = nullptr;
    QComboBox *yccQuantization_ = nullptr;
    QComboBox *contentType_ = nullptr;
    QSpinBox *vic_ = nullptr;
    QLabel *summary_ = nullptr;
};
