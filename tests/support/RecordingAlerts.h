#pragma once

#include "device/Alerts.h"

#include <QStringList>

class RecordingAlerts : public Alerts
{
public:
    QStringList shown;
    void warning(const QString &text) override { shown << text; }
};
