#pragma once

#include <QString>

// Warning boxes of the USB layer. The program shows a modal box with no owner; tests record.
class Alerts
{
public:
    virtual ~Alerts() = default;
    virtual void warning(const QString &text) = 0;
};
